#pragma once
// "Settings": one set of logger settings with the defaults of a logger number, the presets,
// the writers of a KLS settings file and of SETUP.ORV on a card, the reading of settings back
// from any file, the lab's gain registry, and the trigger tests behind their screen. The
// detector settings show in development mode only.
#include <array>
#include <functional>

#include "app/page.h"
#include "settings/settings_page.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kelp {

class ClickLabel;

// The ON sector of the switch angles, drawn on a half circle from 0deg (vertical, lid down)
// to 180deg.
class AngleDiagram : public QWidget {
    Q_OBJECT
public:
    explicit AngleDiagram(QWidget* parent = nullptr);
    void SetAngles(int fromCode, int toCode);
    QSize sizeHint() const override { return {130, 120}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int from_ = 0;
    int to_ = 110;
};

class SettingsTab : public Page {
    Q_OBJECT
public:
    explicit SettingsTab(AppContext& app, QWidget* parent = nullptr);
    QString Caption() const override { return "Settings"; }
    void Refresh(const std::string& what) override;
    void ApplyDevelopmentMode(bool on) override;

    QLineEdit* Box(SettingsBox box) const { return boxes_[static_cast<std::size_t>(box)]; }
    // The box with its caption, hidden together.
    QWidget* BoxRow(SettingsBox box) const { return rows_[static_cast<std::size_t>(box)]; }
    QComboBox* LayoutChoice() const { return layout_; }
    QComboBox* VersionChoice() const { return version_; }
    ClickLabel* MinutesOffCaption() const { return minutesOff_; }
    ClickLabel* ClickLimitCaption() const { return clickLimit_; }
    ClickLabel* FilterCaption() const { return filter_; }
    ClickLabel* AlertingCaption() const { return alerting_; }
    QCheckBox* TriggerBox() const { return trigger_; }
    QPushButton* PorpoiseButton() const { return porpoise_; }
    QPushButton* DolphinButton() const { return dolphin_; }
    QPushButton* CreateFileButton() const { return createFile_; }
    QPushButton* ChangeSetupButton() const { return changeSetup_; }
    QPushButton* ReadSettingsButton() const { return readSettings_; }
    QPushButton* GainRegistryButton() const { return gainRegistry_; }
    QPushButton* BuiltInGainsButton() const { return builtInGains_; }
    QPushButton* TestTriggerButton() const { return testTrigger_; }
    QPushButton* TestFWCButton() const { return testFWC_; }
    QLineEdit* FWCBox() const { return fwc_; }
    QLabel* TriggerTestScreen() const { return screen_; }
    QLabel* LoggerNumberLabel() const { return loggerNumber_; }
    QLabel* SourceLabel() const { return source_; }
    QLabel* CardSizeLabel() const { return cardSize_; }
    QLabel* YearMadeLabel() const { return yearMade_; }
    QLabel* GainRegistryLabel() const { return gainFile_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BoxEdited(SettingsBox box, const QString& text);
    void BoxFinished(SettingsBox box);
    void Run(const std::function<void()>& command);
    void ChooseGainRegistry(bool builtIn);
    void PlaceScreen();

    std::array<QLineEdit*, SettingsBoxCount> boxes_{};
    std::array<QWidget*, SettingsBoxCount> rows_{};
    QComboBox* layout_;
    QComboBox* version_;
    ClickLabel* minutesOff_;
    ClickLabel* clickLimit_;
    ClickLabel* filter_;
    ClickLabel* alerting_;
    QCheckBox* trigger_;
    QPushButton* porpoise_;
    QPushButton* dolphin_;
    QPushButton* createFile_;
    QPushButton* changeSetup_;
    QPushButton* readSettings_;
    QPushButton* gainRegistry_;
    QPushButton* builtInGains_;
    QPushButton* testTrigger_;
    QPushButton* testFWC_;
    QLineEdit* fwc_;
    QWidget* tests_;
    QLabel* screen_;
    QLabel* loggerNumber_;
    QLabel* source_;
    QLabel* cardSize_;
    QLabel* delay_;
    QLabel* yearMade_;
    QLabel* angleFrom_;
    QLabel* angleTo_;
    QLabel* gainFile_;
    AngleDiagram* diagram_;
};

} // namespace kelp
