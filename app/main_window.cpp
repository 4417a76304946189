#include "app/main_window.h"

#include <algorithm>
#include <climits>

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTimer>
#include <QToolTip>

#include "app/about_page.h"
#include "app/analysis_tab.h"
#include "app/dev_page.h"
#include "app/display_widget.h"
#include "app/export_page.h"
#include "app/files_view_page.h"
#include "app/hint_style.h"
#include "app/metadata_page.h"
#include "app/program_texts.h"
#include "app/qt_host.h"
#include "app/read_sd_tab.h"
#include "app/results_page.h"
#include "app/settings_tab.h"
#include "app/trains_tab.h"
#include "app/view_plus_page.h"
#include "app/window_state.h"
#include "core/filters.h"
#include "core/program.h"
#include "core/slots.h"
#include "display/colours.h"
#include "display/display_state.h"
#include "display/screen.h"
#include "settings/settings_page.h"
#include "tda/train_batch.h"
#include "tda/train_file.h"

namespace kelp {
namespace {

constexpr int StartTimerMs = 200;
constexpr int TipsDrawFrom = 491; // draws 491..499 put the tips on the analysis page

bool IsModifierKey(int key) {
    return key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Alt || key == Qt::Key_Meta ||
           key == Qt::Key_AltGr || key == Qt::Key_CapsLock;
}

// The folder an SD card shows up in: the user's removable media folder where there is one.
std::string SDCardFolderGuess() {
    const QString user = qEnvironmentVariable("USER");
    for (const QString& folder :
         {QString("/media/") + user, QString("/run/media/") + user, QString("/media")})
        if (!user.isEmpty() && QDir(folder).exists()) return folder.toStdString();
    return QDir::homePath().toStdString();
}

} // namespace

TF::TF(Program& program, QtHost& host, const std::string& openDialogName)
    : program_(program), host_(host), app_{program, host, nullptr, {}, {}, {}}, tabs_(new QTabWidget(this)) {
    app_.ShowPage = [this](const QString& caption) { ShowPage(caption); };
    app_.RunCommand = [this](const std::function<void()>& command) { return RunCommand(command); };
    app_.CommandRunning = [this] { return commandRunning_; };
    setCentralWidget(tabs_);
    setMinimumSize(900, 600);

    // The pages in tab order.
    AddPage<ReadSDTab>();
    AddPage<FilesViewPage>();
    AddPage<ViewPlusPage>();
    AddPage<TrainsTab>();
    AddPage<SettingsTab>();
    AddPage<MetadataPage>();
    AddPage<AboutPage>();
    AddPage<DevPage>();
    AddPage<ExportTab>();
    AddPage<ResultsTab>();
    AddPage<AnalysisTab>();

    host_.SetDialogParent(this);
    host_.OnStateChanged = [this](const std::string& what) { Refresh(what); };
    host_.OnProgressLabel = [this](const std::string&) {
        if (app_.display != nullptr) app_.display->update();
    };
    host_.OnProgressBar = [this](bool visible, int position) {
        if (app_.display != nullptr) app_.display->SetProgressBar(visible, position);
    };
    host_.OnDisplayNotice = [this](const std::string& text) {
        if (app_.display != nullptr) app_.display->SetNotice(text);
    };
    host_.BeforeProcessEvents = [this] {
        if (app_.display != nullptr) app_.display->update();
    };
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        // The display shows when its page is in front; every other page is a menu page over it.
        DisplayStateOf(program_).MenuPagesVisible = tabs_->widget(index) != PageNamed("Files - View");
    });
    qApp->installEventFilter(this);
    CreateForm(openDialogName);
}

TF::~TF() {
    qApp->removeEventFilter(this);
    host_.OnStateChanged = nullptr;
    host_.OnProgressLabel = nullptr;
    host_.OnProgressBar = nullptr;
    host_.OnDisplayNotice = nullptr;
    host_.BeforeProcessEvents = nullptr;
    host_.SetDialogParent(nullptr);
}

void TF::AddPageWidget(Page* page) {
    pages_.push_back(page);
    tabs_->addTab(page, page->Caption());
}

void TF::CreateForm(const std::string& openDialogName) {
    Program& p = program_;
    Host& h = host_;
    // Development mode is switched on and off again, so that everything that depends on it
    // starts in the normal state: "Lo" and "?" end up unticked.
    p.Options.DevelopmentMode = true;
    for (Page* page : pages_) page->ApplyDevelopmentMode(true);
    SetQualityBox(p, h, 1, true);
    SetQualityBox(p, h, 0, true);
    SetSpeciesBox(p, h, 4, true);
    SetSpeciesBox(p, h, 3, true);
    SetSpeciesBox(p, h, 2, true);
    ToggleDevelopmentMode(p, h);

    WindowState& window = WindowStateOf(p);
    window.DataFolder = QDir::homePath().toStdString();
    window.SDCardFolder = SDCardFolderGuess();

    // The fixed tables: registered gains (the colour, cycle period and sound tables are
    // built into the program).
    InstallLoggerSettings(p);
    TrainDetectionStateOf(p);

    p.OpenDialogInitialName = openDialogName;

    // No time selection; hints appear after a second and stay five (HintStyle and the event filter).
    p.Options.TimeSelectionSet = false;
    if (dynamic_cast<HintStyle*>(QApplication::style()) == nullptr) QApplication::setStyle(new HintStyle);
    p.Display.MinutesPerMarker = 1;

    for (Page* page : pages_) page->RunChangeHandlers();

    SettingsPageOf(p).HeaderBuffer.fill(0);
    p.ShowAsLabel.clear();
    p.DataPositionLabel.clear();
    p.Options.BatchRunning = false;
    p.Options.Busy = false;

    p.ClickFilterText.clear();
    p.TrainFilterText.clear();
    p.WindowTitle = InitialWindowTitle;
    setWindowTitle(InitialWindowTitle);

    // Display defaults: SPL at 10 ms per pixel, no minute limit, the whole of time shared.
    p.MinuteLimit = INT_MAX;
    p.SharedStart = 0;
    p.SharedEnd = 999'999'999;
    if (app_.display != nullptr) app_.display->Start();

    ShowPage("Files - View");
    p.ProgressLabel = ProgressLabelWelcome;
    p.ShowAsLabel = ShowAsLabelWelcome;
    p.ClickCountLabel = ClickCountLabelWelcome;
    p.SourceBox = WelcomeLines();
    Refresh({});
}

Page* TF::PageNamed(const QString& caption) const {
    for (Page* page : pages_)
        if (page->Caption() == caption) return page;
    return nullptr;
}

void TF::ShowPage(const QString& caption) {
    if (Page* page = PageNamed(caption)) tabs_->setCurrentWidget(page);
}

bool TF::RunCommand(const std::function<void()>& command) {
    if (commandRunning_ || program_.Options.Busy) return false;
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(commandRunning_);
    host_.ClearStop();
    command();
    return true;
}

void TF::Refresh(const std::string& what) {
    const DisplayState& display = DisplayStateOf(program_);
    if (what == changed::ShowFilesPage) ShowPage("Files - View");
    if (what == changed::ShowResultsPage) ShowPage("Results");
    if (what == display_changed::MenuPages && !display.MenuPagesVisible) ShowPage("Files - View");
    if (what == changed::DevelopmentMode)
        for (Page* page : pages_) page->ApplyDevelopmentMode(program_.Options.DevelopmentMode);
    setWindowTitle(QString::fromStdString(program_.WindowTitle));
    for (Page* page : pages_) page->Refresh(what);
}

void TF::OpenAtStart(const std::vector<std::string>& names) {
    RunCommand([this, &names] {
        OpenChosenFiles(program_, host_, names);
        if (app_.display != nullptr) app_.display->AfterFilesChanged();
    });
}

void TF::StartStartTimer() {
    QTimer::singleShot(StartTimerMs, this,
                       [this] { RunStartTimer(QRandomGenerator::global()->bounded(500)); });
}

void TF::RunStartTimer(int draw) {
    if (draw >= TipsDrawFrom && draw <= 499) {
        auto& text = WindowStateOf(program_).AnalysisText;
        const auto& lines = FixedTextLines();
        text.insert(text.end(), lines.begin() + 1, lines.end());
        Refresh({});
    } else if (draw == 0) {
        RunCommand([this] { Splash(); });
    }
}

void TF::Splash() {
    // A porpoise's click train sweeping over the display, its clicks closing up as it nears.
    DisplayWidget* display = app_.display;
    if (display == nullptr || program_.OpenCount() > 0) return;
    DisplayContext ctx = display->Context();
    const DisplayState& s = ctx.state;
    Canvas& c = ctx.canvas;
    c.SetBrushColour(ColourBlack);
    c.FillRect(PlotLeft, s.Top, s.Right, s.Bottom);
    const int middle = (s.Top + s.Bottom) / 2;
    int x = PlotLeft + 10;
    for (int gap = 60, step = 0; x < s.Right - 10 && step < 60; ++step) {
        const int height = std::min((s.Bottom - s.Top) / 2 - 10, 20 + step * 4);
        c.SetBrushColour(KHzColour(std::min(160, 100 + step)));
        c.FillRect(x, middle - height, x + 3, middle + height);
        x += gap;
        gap = std::max(8, gap - gap / 8);
        display->update();
        host_.Wait(30);
    }
    host_.Wait(800);
    ClearDisplay(ctx);
    display->update();
}

void TF::CtrlKey(int key) {
    const char letter =
        key >= Qt::Key_A && key <= Qt::Key_Z ? static_cast<char>('A' + (key - Qt::Key_A)) : '\0';
    if (keys_.KeyWithCtrl(letter)) ToggleDevelopmentMode(program_, host_);
}

void TF::SettleForPicture() {
    QCoreApplication::processEvents();
    if (app_.display != nullptr) app_.display->ApplySize();
    QCoreApplication::processEvents();
}

bool TF::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* key = static_cast<QKeyEvent*>(event);
        const auto* widget = static_cast<QWidget*>(watched);
        // The same event passes up from the control that has the focus to its parents.
        const QWidget* last = lastKeyReceiver_.data();
        const bool passingUp = event == lastKeyEvent_ && key->timestamp() == lastKeyTime_ &&
                               last != nullptr && widget != last && widget->isAncestorOf(last);
        if (!passingUp && widget->window() == this) {
            lastKeyEvent_ = event;
            lastKeyReceiver_ = static_cast<QWidget*>(watched);
            lastKeyTime_ = key->timestamp();
            if ((key->modifiers() & Qt::ControlModifier) && !key->isAutoRepeat() &&
                !IsModifierKey(key->key()))
                CtrlKey(key->key());
        }
    } else if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
        // Hints stay five seconds.
        auto* widget = static_cast<QWidget*>(watched);
        auto* help = static_cast<QHelpEvent*>(event);
        if (!widget->toolTip().isEmpty() && widget->window() == this) {
            QToolTip::showText(help->globalPos(), widget->toolTip(), widget, {}, HintShowMs);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TF::closeEvent(QCloseEvent* event) {
    if (closed_) {
        event->accept();
        return;
    }
    if (commandRunning_ || program_.Options.Busy) {
        // A running operation ends first; the window closes when asked again.
        host_.RequestStop();
        event->ignore();
        return;
    }
    if (host_.Results().Changed()) {
        const int lowest = program_.LowestOpenSlot();
        SaveResultsText(host_, lowest > 0 ? program_.Slot(lowest).ShortName : std::string());
    }
    closed_ = true;
    hide();
    if (program_.OpenCount() > 0) CloseAllFiles(program_, host_);
    event->accept();
}

} // namespace kelp
