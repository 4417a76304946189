#pragma once
// "dev", the development page: the train detection's parameter boxes and switches read by
// its second version, the reader's "ShowTimeErrorAsClk" and "spike", which collects minutes
// of a KL1 file in a spike file. Outside development mode a
// blocking panel covers the page.
#include <map>
#include <string>

#include "app/page.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kelp {

inline constexpr int BlockingPanelWidth = 775;
inline constexpr int BlockingPanelWidthOn = 10;

class DevPage : public Page {
    Q_OBJECT
public:
    explicit DevPage(AppContext& app, QWidget* parent = nullptr);
    QString Caption() const override { return "dev"; }
    void Refresh(const std::string& what) override;
    void ApplyDevelopmentMode(bool on) override;

    QWidget* BlockingPanel() const { return panel_; }
    QLineEdit* ParameterBox(const std::string& name) const;
    QPushButton* SpikeButton() const { return spike_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* panel_;
    std::map<std::string, QLineEdit*> parameters_;
    QLineEdit* fusionGap_;
    QLineEdit* forceGap_;
    QCheckBox* inherit_;
    QCheckBox* stayInBands_;
    QCheckBox* timeErrors_;
    QPushButton* spike_;
};

} // namespace kelp
