#pragma once
// "view +": the display's options (what the bands show besides the clicks, how the click
// views draw, what the copies of times and raw data carry, how the menu pages and hints
// behave), "Show colour codes", the list of the display's keys and "close this menu".
#include <functional>
#include <string>
#include <vector>

#include "app/page.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace kelp {

class ClickLabel;
class Program;
struct DisplayContext;

class ViewPlusPage : public Page {
    Q_OBJECT
public:
    explicit ViewPlusPage(AppContext& app, QWidget* parent = nullptr);
    QString Caption() const override { return "view +"; }
    void Refresh(const std::string& what) override;
    void ApplyDevelopmentMode(bool on) override;
    void RunChangeHandlers() override;

    // The option box with this caption (nullptr when there is none).
    QCheckBox* Option(const QString& caption) const;
    QLineEdit* TidalOffsetBox() const { return tidalOffset_; }
    QRadioButton* AsTimesButton() const { return asTimes_; }
    QRadioButton* AsDistanceButton() const { return asDistance_; }
    ClickLabel* LineWidthLabel() const { return lineWidth_; }
    QPushButton* ColourCodesButton() const { return colourCodes_; }
    QPushButton* CloseMenuButton() const { return closeMenu_; }
    QPlainTextEdit* KeyHelp() const { return keyHelp_; }

private:
    // An option box: how it shows the program's state, and what ticking it does.
    QCheckBox* AddOption(QWidget* group, const QString& caption, const QString& hint,
                         std::function<bool(Program&)> state,
                         std::function<void(DisplayContext&, bool)> change);
    // A change of a display option: the screen in view is drawn again a moment later.
    void Changed();

    struct OptionBox {
        QCheckBox* Box;
        std::function<bool(Program&)> State;
    };
    std::vector<OptionBox> options_;
    std::vector<QCheckBox*> development_; // shown in development mode only
    QLineEdit* tidalOffset_ = nullptr;
    QRadioButton* asTimes_ = nullptr;
    QRadioButton* asDistance_ = nullptr;
    ClickLabel* lineWidth_ = nullptr;
    QPushButton* colourCodes_ = nullptr;
    QPushButton* closeMenu_ = nullptr;
    QPlainTextEdit* keyHelp_ = nullptr;
};

} // namespace kelp
