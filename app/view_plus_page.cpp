#include "app/view_plus_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/controls.h"
#include "app/display_widget.h"
#include "app/hint_style.h"
#include "app/qt_host.h"
#include "app/window_state.h"
#include "core/program.h"
#include "display/axes.h"
#include "display/click_view.h"
#include "display/command_state.h"
#include "display/commands.h"
#include "display/geometry.h"
#include "display/keys.h"
#include "display/legends.h"
#include "display/low_resolution.h"

namespace kelp {

namespace {

DisplaySettings& Settings(Program& p) {
    return DisplayStateOf(p).Settings;
}

} // namespace

ViewPlusPage::ViewPlusPage(AppContext& app, QWidget* parent) : Page(app, parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(12);
    auto* left = new QVBoxLayout;
    auto* middle = new QVBoxLayout;
    layout->addLayout(left);
    layout->addLayout(middle);

    auto* bands = new QGroupBox("Bands", this);
    auto* bandsLayout = new QVBoxLayout(bands);
    Compact(bandsLayout);
    auto add = [this](QWidget* group, const char* caption, const char* hint,
                      std::function<bool(Program&)> get, std::function<void(DisplayContext&, bool)> set) {
        return AddOption(group, caption, hint, std::move(get), std::move(set));
    };
    add(
        bands, "angle", "Tilt marks above each band", [](Program& p) { return Settings(p).Angle; },
        [](DisplayContext& ctx, bool on) { SetAngle(ctx, on); });
    add(
        bands, "temperature", "The water temperature as a white line in each band (bin scales)",
        [](Program& p) { return Settings(p).Temperature; },
        [](DisplayContext& ctx, bool on) { ctx.state.Settings.Temperature = on; });
    add(
        bands, "extend temperature scale", "Draws the axes again",
        [](Program& p) { return Settings(p).ExtendTemperatureScale; },
        [](DisplayContext& ctx, bool on) { SetExtendTemperatureScale(ctx, on); });
    add(
        bands, "show landmark sequences",
        "Magenta marks where trains follow each other in landmark sequences",
        [](Program& p) { return Settings(p).ShowLandmarks; },
        [](DisplayContext& ctx, bool on) { ctx.state.Settings.ShowLandmarks = on; });
    add(
        bands, "sonar risk", "not enabled yet ...", [](Program& p) { return Settings(p).SonarRisk; },
        [](DisplayContext& ctx, bool on) { ctx.state.Settings.SonarRisk = on; });
    add(
        bands, "white screen", "The plot white instead of black",
        [](Program& p) { return Settings(p).WhiteScreen; },
        [](DisplayContext& ctx, bool on) { ctx.state.Settings.WhiteScreen = on; });
    add(
        bands, "black lines", "Bars and click marks drawn black (white on a black screen)",
        [](Program& p) { return Settings(p).BlackLines; },
        [](DisplayContext& ctx, bool on) { ctx.state.Settings.BlackLines = on; });
    auto* tidal = new QHBoxLayout;
    Compact(tidal);
    tidalOffset_ = new QLineEdit(bands);
    tidalOffset_->setFixedWidth(50);
    tidalOffset_->setToolTip("The first bin of the tide scale is longer by this many minutes");
    tidal->addWidget(tidalOffset_);
    tidal->addWidget(new QLabel("tidal offset - mins", bands));
    tidal->addStretch();
    bandsLayout->addLayout(tidal);
    asTimes_ = new QRadioButton("as times", bands);
    asDistance_ = new QRadioButton("as distance sound travels in water", bands);
    asTimes_->setToolTip("Time labels of the finest scales in milliseconds");
    asDistance_->setToolTip("Time labels of the finest scales as the metres sound travels in that time");
    bandsLayout->addWidget(asTimes_);
    bandsLayout->addWidget(asDistance_);
    left->addWidget(bands);

    auto* clicks = new QGroupBox("Clicks", this);
    auto* clicksLayout = new QVBoxLayout(clicks);
    Compact(clicksLayout);
    add(
        clicks, "show end kHz", "A dotted line from each click's frequency to its end frequency",
        [](Program& p) { return Settings(p).ShowEndkHz; },
        [](DisplayContext& ctx, bool on) { ctx.state.Settings.ShowEndkHz = on; });
    add(
        clicks, "shade by duration", "SPL blocks darker for short clicks",
        [](Program& p) { return Settings(p).ShadeByDuration; },
        [](DisplayContext& ctx, bool on) { SetShadeByDuration(ctx, on); });
    add(
        clicks, "shade by bandwidth", "SPL blocks darker for wide-band clicks",
        [](Program& p) { return Settings(p).ShadeByBandwidth; },
        [](DisplayContext& ctx, bool on) { SetShadeByBandwidth(ctx, on); });
    add(
        clicks, "white virtual ICI lines", "Intervals that span a missing click drawn dotted white",
        [](Program& p) { return Settings(p).WhiteVirtualIciLines; },
        [](DisplayContext& ctx, bool on) { ctx.state.Settings.WhiteVirtualIciLines = on; });
    add(
        clicks, "show SPL as Pa", "Amplitudes as peak-to-peak pressure in Pa instead of the raw SPL value",
        [](Program& p) { return p.Options.ShowSplAsPa; },
        [](DisplayContext& ctx, bool on) { SetShowSplAsPa(ctx, on); });
    add(
        clicks, "ClkPk", "Follows sequences of strong clicks in file 1 and counts their waveforms",
        [](Program& p) { return p.Options.ClickPeaks; },
        [](DisplayContext& ctx, bool on) { ctx.program.Options.ClickPeaks = on; });
    add(
        clicks, "put line values in Results", "The x and height of each mark of the next screen",
        [](Program& p) { return Settings(p).PutLineValuesInResults; },
        [](DisplayContext& ctx, bool on) { ctx.state.Settings.PutLineValuesInResults = on; });
    development_.push_back(add(
        clicks, "graph click rate", "shows a moving average of click rate",
        [](Program& p) { return Settings(p).GraphClickRate; },
        [](DisplayContext& ctx, bool on) { ctx.state.Settings.GraphClickRate = on; }));
    development_.push_back(add(
        clicks, "av SPL", "The mean SPL of the tracked clicks in the source box",
        [](Program& p) { return p.Display.AverageSpl; },
        [](DisplayContext& ctx, bool on) { ctx.program.Display.AverageSpl = on; }));
    lineWidth_ = new ClickLabel({}, clicks);
    lineWidth_->setToolTip("Click: click marks one pixel wider, up to three, then back to normal");
    lineWidth_->setStyleSheet("color: #000080;");
    clicksLayout->addWidget(lineWidth_);
    left->addWidget(clicks);
    left->addStretch();

    auto* copies = new QGroupBox("Times and raw data", this);
    auto* copiesLayout = new QVBoxLayout(copies);
    Compact(copiesLayout);
    add(
        copies, "Include file name in raw data",
        "Raw data copied to the clipboard starts with the file's name",
        [](Program& p) { return Settings(p).IncludeFileNameInRawData; },
        [](DisplayContext& ctx, bool on) { ctx.state.Settings.IncludeFileNameInRawData = on; });
    add(
        copies, "put  '   in front of date.times",
        "Times in the results page are read as text by spreadsheets",
        [](Program& p) { return p.Options.ApostropheBeforeTimes; },
        [](DisplayContext& ctx, bool on) { ctx.program.Options.ApostropheBeforeTimes = on; });
    middle->addWidget(copies);

    auto* menu = new QGroupBox("Menu pages", this);
    auto* menuLayout = new QVBoxLayout(menu);
    Compact(menuLayout);
    add(
        menu, "Click to show menu",
        "Ticked: the menu pages show when their tab is clicked.  Unticked: also when the pointer moves to "
        "the "
        "top of the display",
        [](Program& p) { return DisplayCommandsOf(p).ClickToShowMenu; },
        [](DisplayContext& ctx, bool on) { DisplayCommandsOf(ctx.program).ClickToShowMenu = on; });
    add(
        menu, "show pop-up notes quickly", "Hints appear after a quarter of a second",
        [](Program& p) { return WindowStateOf(p).QuickHints; },
        [](DisplayContext& ctx, bool on) {
            WindowStateOf(ctx.program).QuickHints = on;
            if (auto* style = dynamic_cast<HintStyle*>(QApplication::style())) style->SetQuick(on);
        });
    colourCodes_ = new QPushButton("Show colour codes", menu);
    colourCodes_->setToolTip("The frequency colours from 20 to 170 kHz");
    closeMenu_ = new QPushButton("close this menu", menu);
    menuLayout->addWidget(colourCodes_);
    menuLayout->addWidget(closeMenu_);
    middle->addWidget(menu);
    middle->addStretch();

    auto* help = new QGroupBox("Keys of the display", this);
    auto* helpLayout = new QVBoxLayout(help);
    Compact(helpLayout);
    keyHelp_ = new QPlainTextEdit(help);
    keyHelp_->setReadOnly(true);
    keyHelp_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    keyHelp_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QStringList lines;
    for (const std::string& line : DisplayKeyHelpLines()) lines << Q(line);
    keyHelp_->setPlainText(lines.join('\n'));
    keyHelp_->setMinimumWidth(430);
    helpLayout->addWidget(keyHelp_);
    layout->addWidget(help, 1);

    connect(tidalOffset_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (app_.display == nullptr) return;
        DisplayContext ctx = app_.display->Context();
        SetTidalOffset(ctx, text.toStdString());
        Changed();
    });
    auto timeLabels = [this](bool distance) {
        if (app_.display == nullptr) return;
        DisplayContext ctx = app_.display->Context();
        ctx.state.Settings.AsDistance = distance;
        DrawAxes(ctx);
        Changed();
    };
    connect(asTimes_, &QRadioButton::clicked, this, [timeLabels] { timeLabels(false); });
    connect(asDistance_, &QRadioButton::clicked, this, [timeLabels] { timeLabels(true); });
    connect(lineWidth_, &ClickLabel::clicked, this, [this] {
        if (app_.display == nullptr) return;
        DisplayContext ctx = app_.display->Context();
        StepLineWidth(ctx);
        Changed();
    });
    connect(colourCodes_, &QPushButton::clicked, this, [this] {
        if (app_.display == nullptr) return;
        app_.RunCommand([this] {
            DisplayContext ctx = app_.display->Context();
            ShowColourCodes(ctx);
        });
        app_.display->update();
    });
    connect(closeMenu_, &QPushButton::clicked, this, [this] {
        if (app_.display == nullptr) return;
        DisplayContext ctx = app_.display->Context();
        HideMenuPages(ctx);
    });
}

QCheckBox* ViewPlusPage::AddOption(QWidget* group, const QString& caption, const QString& hint,
                                   std::function<bool(Program&)> state,
                                   std::function<void(DisplayContext&, bool)> change) {
    auto* box = new QCheckBox(caption, group);
    box->setToolTip(hint);
    group->layout()->addWidget(box);
    options_.push_back({box, std::move(state)});
    connect(box, &QCheckBox::clicked, this, [this, change](bool on) {
        if (app_.display == nullptr) return;
        DisplayContext ctx = app_.display->Context();
        change(ctx, on);
        Changed();
    });
    return box;
}

QCheckBox* ViewPlusPage::Option(const QString& caption) const {
    for (const OptionBox& option : options_)
        if (option.Box->text() == caption) return option.Box;
    return nullptr;
}

void ViewPlusPage::Changed() {
    Refresh({});
    if (app_.display != nullptr && app_.program.OpenCount() > 0) app_.display->RedrawSoon();
}

void ViewPlusPage::Refresh(const std::string&) {
    Program& p = app_.program;
    for (const OptionBox& option : options_) ShowChecked(option.Box, option.State(p));
    const DisplaySettings& settings = Settings(p);
    ShowText(tidalOffset_, settings.TidalOffsetText);
    asTimes_->setChecked(!settings.AsDistance);
    asDistance_->setChecked(settings.AsDistance);
    lineWidth_->setText(Q(settings.LineWidthLabel));
}

void ViewPlusPage::ApplyDevelopmentMode(bool on) {
    for (QCheckBox* box : development_) box->setVisible(on);
}

void ViewPlusPage::RunChangeHandlers() {
    if (app_.display == nullptr) return;
    DisplayContext ctx = app_.display->Context();
    SetTidalOffset(ctx, ctx.state.Settings.TidalOffsetText);
    Refresh({});
}

} // namespace kelp
