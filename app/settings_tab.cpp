#include "app/settings_tab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtMath>

#include "app/controls.h"
#include "app/display_widget.h"
#include "app/form_parts.h"
#include "app/qt_host.h"
#include "core/codes.h"
#include "core/program.h"
#include "settings/settings_reader.h"
#include "settings/trigger_test.h"

namespace kelp {
namespace {

using SB = SettingsBox;

// The trigger test screen: wide enough to cover the test buttons outside development mode.
constexpr int ScreenWidthNormal = 150;
constexpr int ScreenWidthDevelopment = 5;
constexpr int TestButtonWidth = ScreenWidthNormal - 12;

constexpr const char* StayOnHint = "To force the KELP to stay ON enter 0 in 'from' and 255 in 'to'.";

// The detector settings that show only in development mode ("Gain (fixed)" shows always and
// is editable in development mode only).
constexpr std::array DevelopmentBoxes = {SB::Hysteresis,  SB::MinSPL,  SB::MaxSPL,  SB::StartSPL,
                                         SB::BWThreshold, SB::Stmin,   SB::Stmax,   SB::MinCycles,
                                         SB::HRIntercept, SB::LowBias, SB::HighBias};

QString LimitsHint(SettingsBox box, const QString& what = {}) {
    const SettingsBoxInfo& info = InfoOf(box);
    QString hint = what.isEmpty() ? QString() : what + "\n";
    return hint + QString("%1 to %2, default %3").arg(info.Min).arg(info.Max).arg(info.DefaultText);
}

const char* StepStyle = "QLabel { color: #1030a0; text-decoration: underline; }";

ClickLabel* StepCaption(QWidget* parent, const QString& hint) {
    auto* label = new ClickLabel({}, parent);
    label->setStyleSheet(StepStyle);
    label->setToolTip(hint);
    return label;
}

} // namespace

AngleDiagram::AngleDiagram(QWidget* parent) : QWidget(parent) {
    setMinimumSize(sizeHint());
    setToolTip("The tilt angles at which the logger is ON (green): 0deg is vertical with the lid down");
}

void AngleDiagram::SetAngles(int fromCode, int toCode) {
    if (from_ == fromCode && to_ == toCode) return;
    from_ = fromCode;
    to_ = toCode;
    update();
}

void AngleDiagram::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics(font());
    const int text = metrics.height();
    const int radius = std::max(10, std::min(width() / 2 - 4, (height() - 2 * text) / 2 - 2));
    const QPointF centre(width() / 2.0, height() / 2.0);
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2.0 * radius, 2.0 * radius);
    const QColor ink = palette().color(QPalette::WindowText);
    painter.setPen(QPen(ink, 1));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawEllipse(circle);
    // A tilt of t degrees lies t degrees from straight down, on either side: the ON sector
    // is drawn on both sides of the vertical.
    const double from = AngleCodeToDegrees(from_);
    const double to = AngleCodeToDegrees(to_);
    painter.setBrush(QColor(60, 170, 80));
    if (from_ < 40 && to_ > 215) {
        painter.drawEllipse(circle);
    } else if (to > from) {
        const int span = static_cast<int>((to - from) * 16);
        painter.drawPie(circle, static_cast<int>((270 + from) * 16), span);
        painter.drawPie(circle, static_cast<int>((270 - to) * 16), span);
    }
    painter.setPen(QPen(ink, 1, Qt::DotLine));
    painter.drawLine(QPointF(centre.x(), centre.y() - radius), QPointF(centre.x(), centre.y() + radius));
    painter.setPen(ink);
    painter.drawText(QRectF(0, centre.y() + radius + 1, width(), text), Qt::AlignHCenter | Qt::AlignTop,
                     "0deg  (lid down)");
    painter.drawText(QRectF(0, centre.y() - radius - text - 1, width(), text),
                     Qt::AlignHCenter | Qt::AlignBottom, "180deg");
}

SettingsTab::SettingsTab(AppContext& app, QWidget* parent) : Page(app, parent) {
    auto entry = [this](SettingsBox box, QWidget* parent, int widthChars) {
        QLineEdit* e = MakeEntry(parent, widthChars);
        e->setToolTip(LimitsHint(box));
        boxes_[static_cast<std::size_t>(box)] = e;
        connect(e, &QLineEdit::textEdited, this, [this, box](const QString& text) { BoxEdited(box, text); });
        connect(e, &QLineEdit::editingFinished, this, [this, box] { BoxFinished(box); });
        return e;
    };
    // A caption and its box in one row widget, so that they show and hide together.
    auto row = [this, entry](SettingsBox box, QWidget* parent, int widthChars, QLabel* after = nullptr) {
        auto* w = new QWidget(parent);
        auto* h = new QHBoxLayout(w);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(4);
        auto* caption = new QLabel(InfoOf(box).Caption, w);
        h->addWidget(caption);
        h->addStretch();
        h->addWidget(entry(box, w, widthChars));
        if (after != nullptr) {
            after->setParent(w);
            after->setMinimumWidth(56);
            h->addWidget(after);
        }
        rows_[static_cast<std::size_t>(box)] = w;
        return w;
    };

    auto* columns = new QHBoxLayout(this);
    columns->setContentsMargins(6, 6, 6, 6);
    columns->setSpacing(8);
    auto column = [&](int width) {
        auto* w = new QWidget(this);
        w->setFixedWidth(width);
        auto* v = new QVBoxLayout(w);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(6);
        columns->addWidget(w);
        return v;
    };
    QVBoxLayout* first = column(300);
    QVBoxLayout* second = column(380);
    QVBoxLayout* third = column(280);
    columns->addStretch();

    // The logger and its defaults.
    auto* logger = new QGroupBox("Logger", this);
    auto* loggerGrid = new QGridLayout(logger);
    Compact(loggerGrid);
    QWidget* number = row(SB::TargetKELPNumber, logger, 6);
    Box(SB::TargetKELPNumber)
        ->setToolTip("The logger's number: its registered gain and its defaults are applied (1 to 2000)");
    loggerGrid->addWidget(number, 0, 0, 1, 2);
    loggerNumber_ = new QLabel(logger);
    loggerNumber_->setToolTip("The logger number of the file the settings were read from");
    source_ = new QLabel(logger);
    source_->setWordWrap(true); // a long file name takes a second line, not the column's width
    loggerGrid->addWidget(loggerNumber_, 1, 0);
    loggerGrid->addWidget(source_, 1, 1);
    layout_ = new QComboBox(logger);
    layout_->addItems({"0", "1"});
    layout_->setToolTip("Byte layout of the settings: 0 for loggers 1 to 103 and 105 to 124, else 1");
    version_ = new QComboBox(logger);
    version_->addItems({"0", "1"});
    version_->setToolTip("1 for loggers above 488");
    loggerGrid->addWidget(new QLabel("Setup File version ", logger), 2, 0);
    loggerGrid->addWidget(layout_, 2, 1, Qt::AlignLeft);
    loggerGrid->addWidget(new QLabel("KELP version ", logger), 3, 0);
    loggerGrid->addWidget(version_, 3, 1, Qt::AlignLeft);
    yearMade_ = new QLabel(logger);
    yearMade_->setToolTip("Year made");
    loggerGrid->addWidget(yearMade_, 4, 0, 1, 2);
    porpoise_ = MakeButton("Show low sensitivity porpoise defaults",
                           "The logger's defaults, then the low sensitivity settings for porpoises", logger);
    dolphin_ = MakeButton("Show low sensitivity dolphin defaults",
                          "The logger's defaults, then the low sensitivity settings for dolphins", logger);
    loggerGrid->addWidget(porpoise_, 5, 0, 1, 2);
    loggerGrid->addWidget(dolphin_, 6, 0, 1, 2);
    loggerGrid->setColumnStretch(1, 1);
    first->addWidget(logger);

    // The registered gains.
    auto* gains = new QGroupBox("Registered gains", this);
    auto* gainsGrid = new QGridLayout(gains);
    Compact(gainsGrid);
    gainFile_ = new QLabel(gains);
    gainFile_->setWordWrap(true);
    gainRegistry_ = MakeButton("Use gain registry file ...",
                               "Registers the gains of a lab's loggers from a file of \"logger<TAB>gain\" "
                               "lines, over the gains built into the program",
                               gains);
    builtInGains_ = MakeButton("Built-in gains", "Goes back to the gains built into the program", gains);
    gainsGrid->addWidget(gainFile_, 0, 0, 1, 2);
    gainsGrid->addWidget(gainRegistry_, 1, 0);
    gainsGrid->addWidget(builtInGains_, 1, 1);
    first->addWidget(gains);

    // Writing the settings.
    auto* write = new QGroupBox("Write the settings", this);
    auto* writeGrid = new QVBoxLayout(write);
    Compact(writeGrid);
    createFile_ = MakeButton("Create settings file",
                             "Writes a 512-byte .KLS settings file for the card formatter", write);
    changeSetup_ = MakeButton("Change SETUP on SD card",
                              "Rewrites the settings at the start of SETUP.ORV on a formatted card", write);
    cardSize_ = new QLabel(write);
    cardSize_->setToolTip("The card's size, counted from its DATA files");
    writeGrid->addWidget(createFile_);
    writeGrid->addWidget(changeSetup_);
    writeGrid->addWidget(cardSize_);
    first->addWidget(write);

    // Reading settings back.
    auto* read = new QGroupBox("Read settings", this);
    auto* readGrid = new QVBoxLayout(read);
    Compact(readGrid);
    readSettings_ =
        MakeButton("Show settings from a file",
                   "reads settings stored in a   SETUP.ORV,    DATA0.ORV   or any  .KLn file", read);
    readGrid->addWidget(readSettings_);
    readGrid->addWidget(row(SB::ShowAsKELPNumber, read, 6));
    Box(SB::ShowAsKELPNumber)->setToolTip("Decodes the settings read last as if from this logger number");
    first->addWidget(read);
    first->addStretch();

    // When the logger is ON.
    auto* angles = new QGroupBox("Switch angle", this);
    auto* anglesGrid = new QGridLayout(angles);
    Compact(anglesGrid);
    angleFrom_ = new QLabel(angles);
    angleTo_ = new QLabel(angles);
    anglesGrid->addWidget(row(SB::SwitchAngleFrom, angles, 4, angleFrom_), 0, 0);
    anglesGrid->addWidget(row(SB::SwitchAngleTo, angles, 4, angleTo_), 1, 0);
    Box(SB::SwitchAngleFrom)->setToolTip(LimitsHint(SB::SwitchAngleFrom, StayOnHint));
    Box(SB::SwitchAngleTo)->setToolTip(LimitsHint(SB::SwitchAngleTo, StayOnHint));
    diagram_ = new AngleDiagram(angles);
    anglesGrid->addWidget(diagram_, 0, 1, 2, 1);
    auto* stayOn = new QLabel(StayOnHint, angles);
    stayOn->setWordWrap(true);
    anglesGrid->addWidget(stayOn, 2, 0, 1, 2);
    second->addWidget(angles);

    // How the logger logs.
    auto* logging = new QGroupBox("Logging", this);
    auto* loggingGrid = new QGridLayout(logging);
    Compact(loggingGrid);
    delay_ = new QLabel(logging);
    loggingGrid->addWidget(row(SB::StartDelay, logging, 5), 0, 0, 1, 2);
    loggingGrid->addWidget(delay_, 1, 1);
    minutesOff_ = StepCaption(logging, "Click to step: continuous, then 1, 2, 4 or 9 minutes OFF after every "
                                       "minute ON");
    clickLimit_ = StepCaption(logging, "Click to step: No limit, 1024, 4096, 65536");
    filter_ = StepCaption(logging, "Click to step: 80kHz, 40kHz, 20kHz, 10kHz");
    loggingGrid->addWidget(new QLabel("Continuous?", logging), 2, 0);
    loggingGrid->addWidget(minutesOff_, 2, 1);
    loggingGrid->addWidget(new QLabel("Limit on clicks logged in any min", logging), 3, 0);
    loggingGrid->addWidget(clickLimit_, 3, 1);
    loggingGrid->addWidget(new QLabel("High pass filter ", logging), 4, 0);
    loggingGrid->addWidget(filter_, 4, 1);
    loggingGrid->setHorizontalSpacing(10); // the stepped captions clear of their captions
    loggingGrid->setColumnStretch(1, 1);
    second->addWidget(logging);

    // The alerting device and the trigger.
    auto* alerting = new QGroupBox("Alerting device", this);
    auto* alertingGrid = new QGridLayout(alerting);
    Compact(alertingGrid);
    alerting_ = StepCaption(alerting, "Click to step: OFF, High power, Low power");
    alertingGrid->addWidget(alerting_, 0, 0);
    QLineEdit* alertingkHz = entry(SB::AlertingkHz, alerting, 4);
    alertingkHz->setToolTip(
        LimitsHint(SB::AlertingkHz, "The alerting frequency in kHz (stored in 10 kHz units)"));
    rows_[static_cast<std::size_t>(SB::AlertingkHz)] = alertingkHz;
    alertingGrid->addWidget(alertingkHz, 0, 1, Qt::AlignRight);
    alertingGrid->addWidget(new QLabel("kHz", alerting), 0, 2);
    second->addWidget(alerting);

    auto* triggerGroup = new QGroupBox("Trigger", this);
    auto* triggerGrid = new QGridLayout(triggerGroup);
    Compact(triggerGrid);
    trigger_ = new QCheckBox(triggerGroup);
    trigger_->setToolTip("Raises the trigger for an external device when a minute has this many such clicks");
    triggerGrid->addWidget(trigger_, 0, 0, 1, 2);
    int r = 1;
    for (SettingsBox box :
         {SB::TriggerClicks, SB::TriggerSPL, SB::TriggerkHzStart, SB::TriggerMinCycles, SB::TriggerkHzEnd})
        triggerGrid->addWidget(row(box, triggerGroup, 5), r++, 0, 1, 2);
    second->addWidget(triggerGroup);
    second->addStretch();

    // The detector settings.
    auto* detector = new QGroupBox("Detector", this);
    auto* detectorGrid = new QVBoxLayout(detector);
    Compact(detectorGrid);
    detectorGrid->addWidget(row(SB::Gain, detector, 4));
    Box(SB::Gain)->setToolTip(LimitsHint(SB::Gain, "The logger's registered calibration gain"));
    for (SettingsBox box : DevelopmentBoxes) detectorGrid->addWidget(row(box, detector, 4));
    third->addWidget(detector);

    // The trigger tests, behind their screen outside development mode.
    tests_ = new QGroupBox("Trigger tests", this);
    auto* testsGrid = new QGridLayout(tests_);
    Compact(testsGrid);
    testTrigger_ = MakeButton("Test trigger", "uses values on Settings page", tests_);
    testFWC_ = MakeButton("Test FWC trigger", "time localised", tests_);
    testTrigger_->setFixedWidth(TestButtonWidth);
    testFWC_->setFixedWidth(TestButtonWidth);
    fwc_ = MakeEntry(tests_, 4);
    fwc_->setToolTip("The amplitude the FWC rule starts from");
    testsGrid->addWidget(testTrigger_, 0, 0, Qt::AlignLeft);
    testsGrid->addWidget(testFWC_, 1, 0, Qt::AlignLeft);
    testsGrid->addWidget(fwc_, 2, 0, Qt::AlignLeft);
    testsGrid->setColumnStretch(1, 1);
    auto* screen = new QLabel(tests_);
    screen->setAlignment(Qt::AlignCenter);
    screen->setAutoFillBackground(true);
    screen->setStyleSheet("QLabel { color: #909090; }");
    screen->setToolTip("The trigger tests are development tools");
    screen_ = screen;
    tests_->installEventFilter(this);
    third->addWidget(tests_);
    third->addStretch();

    Program& p = app_.program;
    connect(layout_, &QComboBox::activated, this, [this](int index) {
        SetSettingsLayout(app_.program, index);
        Refresh({});
    });
    connect(version_, &QComboBox::activated, this, [this](int index) {
        SetLoggerVersion(app_.program, index);
        Refresh({});
    });
    auto step = [this](ClickLabel* label, void (*stepper)(Program&)) {
        connect(label, &ClickLabel::clicked, this, [this, stepper] {
            stepper(app_.program);
            Refresh({});
        });
    };
    step(minutesOff_, StepMinutesOff);
    step(clickLimit_, StepClickLimit);
    step(filter_, StepFilter);
    step(alerting_, StepAlerting);
    connect(trigger_, &QCheckBox::clicked, this, [this](bool on) {
        SetTrigger(app_.program, on);
        Refresh({});
    });
    connect(porpoise_, &QPushButton::clicked, this,
            [this, &p] { Run([this, &p] { LowSensHPBtnClick(p, app_.host); }); });
    connect(dolphin_, &QPushButton::clicked, this,
            [this, &p] { Run([this, &p] { LowSensDolBtnClick(p, app_.host); }); });
    connect(createFile_, &QPushButton::clicked, this, [this, &p] {
        Run([this, &p] { RewriteSETUPfileBtnClick(p, app_.host, SetupTarget::SettingsFile); });
    });
    connect(changeSetup_, &QPushButton::clicked, this,
            [this, &p] { Run([this, &p] { RewriteSETUPfileBtnClick(p, app_.host, SetupTarget::SDCard); }); });
    connect(readSettings_, &QPushButton::clicked, this,
            [this, &p] { Run([this, &p] { ReadSettingsBtnClick(p, app_.host); }); });
    connect(gainRegistry_, &QPushButton::clicked, this, [this] { ChooseGainRegistry(false); });
    connect(builtInGains_, &QPushButton::clicked, this, [this] { ChooseGainRegistry(true); });
    connect(testTrigger_, &QPushButton::clicked, this, [this, &p] {
        Run([this, &p] {
            TestTriggerBtnClick(p, app_.host);
            if (app_.display != nullptr) app_.display->AfterFilesChanged();
        });
    });
    connect(testFWC_, &QPushButton::clicked, this,
            [this, &p] { Run([this, &p] { TestFWCtriggerClick(p, app_.host); }); });
    connect(fwc_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text.isEmpty()) return;
        FWCBoxChange(app_.program, text.toStdString());
        Refresh({});
    });
    connect(fwc_, &QLineEdit::editingFinished, this, [this] {
        FWCBoxChange(app_.program, fwc_->text().toStdString());
        Refresh({});
    });
    Refresh({});
}

void SettingsTab::Run(const std::function<void()>& command) {
    app_.RunCommand([this, &command] {
        command();
        Refresh({});
    });
}

void SettingsTab::BoxEdited(SettingsBox box, const QString& text) {
    // An empty box is being retyped: its default comes back only when it is left empty.
    if (text.isEmpty()) return;
    Program& p = app_.program;
    const std::string t = text.toStdString();
    if (box == SB::TargetKELPNumber)
        TargetKELPNumberEditChange(p, app_.host, t);
    else if (box == SB::ShowAsKELPNumber)
        ShowSettingsAsForChange(p, app_.host, t);
    else
        SettingsBoxChange(p, box, t);
    Refresh({});
}

void SettingsTab::BoxFinished(SettingsBox box) {
    const std::string t = Box(box)->text().toStdString();
    if (!t.empty() && box != SB::TargetKELPNumber && box != SB::ShowAsKELPNumber) return; // taken already
    if (t.empty()) {
        Program& p = app_.program;
        if (box == SB::TargetKELPNumber)
            TargetKELPNumberEditChange(p, app_.host, t);
        else if (box == SB::ShowAsKELPNumber)
            ShowSettingsAsForChange(p, app_.host, t);
        else
            SettingsBoxChange(p, box, t);
    }
    Refresh({});
}

void SettingsTab::ChooseGainRegistry(bool builtIn) {
    app_.RunCommand([this, builtIn] {
        Program& p = app_.program;
        std::string path;
        if (!builtIn) {
            FileDialogRequest request;
            request.Title = "Choose the logger gain registry file";
            request.Filter = "Gain registry files|*.tsv;*.txt|All files|*.*";
            const auto chosen = app_.host.OpenFileDialog(request);
            if (chosen.empty()) return;
            path = chosen.front();
        }
        if (!UseGainRegistry(p, app_.host, path)) return;
        // The logger on the page takes its gain from the registry now in use.
        SettingsPage& page = SettingsPageOf(p);
        const int n = page.Settings.LoggerNumber;
        if (LoggerGainTable::IsRegistered(n))
            SettingsBoxChange(p, SB::Gain, std::to_string(page.Gains.GainOf(n)));
        Refresh({});
    });
}

void SettingsTab::ApplyDevelopmentMode(bool on) {
    Program& p = app_.program;
    SetSettingsLayout(p, SettingsPageOf(p).Settings.SettingsLayout); // the boxes' enabled states
    for (SettingsBox box : DevelopmentBoxes) BoxRow(box)->setVisible(on);
    yearMade_->setVisible(on);
    createFile_->setVisible(on);
    createFile_->setEnabled(on);
    PlaceScreen();
    Refresh({});
}

bool SettingsTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tests_ && event->type() == QEvent::Resize) PlaceScreen();
    return Page::eventFilter(watched, event);
}

void SettingsTab::PlaceScreen() {
    const bool development = app_.program.Options.DevelopmentMode;
    // Below the group's title, over its left part.
    const int top = std::max(0, testTrigger_->y() - 4);
    screen_->setGeometry(0, top, development ? ScreenWidthDevelopment : ScreenWidthNormal,
                         tests_->height() - top);
    screen_->setText(development ? QString() : QString("development\ntools"));
    screen_->raise();
}

void SettingsTab::Refresh(const std::string& what) {
    if (!what.empty() && what != "settings") return;
    const SettingsPage& page = SettingsPageOf(app_.program);
    for (const SettingsBoxInfo& info : SettingsBoxes()) {
        QLineEdit* box = Box(info.Box);
        ShowText(box, page.Text[static_cast<std::size_t>(info.Box)]);
        box->setEnabled(page.Enabled[static_cast<std::size_t>(info.Box)]);
    }
    layout_->setCurrentIndex(page.Settings.SettingsLayout == 0 ? 0 : 1);
    version_->setCurrentIndex(page.Settings.LoggerVersion == 0 ? 0 : 1);
    minutesOff_->setText(Q(page.MinutesOffText));
    clickLimit_->setText(Q(page.ClickLimitText));
    filter_->setText(Q(page.FilterText));
    alerting_->setText(Q(page.AlertingText));
    ShowChecked(trigger_, page.Settings.Trigger);
    trigger_->setText(Q(page.TriggerText));
    loggerNumber_->setText(Q(page.LoggerNumberLabel));
    source_->setText(Q(page.SourceLabel));
    source_->setToolTip(Q(page.SourceLabel));
    cardSize_->setText(Q(page.CardSizeLabel));
    delay_->setText(Q(page.DelayLabel));
    yearMade_->setText(Q(page.YearMadeLabel));
    angleFrom_->setText(Q(page.AngleFromLabel));
    angleTo_->setText(Q(page.AngleToLabel));
    diagram_->SetAngles(page.Settings.SwitchAngleFrom, page.Settings.SwitchAngleTo);
    changeSetup_->setText(Q(page.SetupButtonCaption));
    gainFile_->setText(page.GainRegistryFile.empty()
                           ? QString("The gains built into the program")
                           : "Built-in gains with " + QFileInfo(Q(page.GainRegistryFile)).fileName() +
                                 " over them");
    gainFile_->setToolTip(Q(page.GainRegistryFile));
    ShowText(fwc_, TriggerTestStateOf(app_.program).FWCText);
}

} // namespace kelp
