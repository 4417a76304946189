#include "app/read_sd_tab.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>

#include "app/controls.h"
#include "app/display_widget.h"
#include "app/form_parts.h"
#include "app/qt_host.h"
#include "app/window_state.h"
#include "core/program.h"
#include "download/card_diagnostics.h"
#include "download/read_sd_data.h"
#include "download/read_sd_page.h"
#include "download/sd_card.h"
#include "settings/settings_page.h"

namespace kelp {
namespace {

constexpr int LeftColumnWidth = 470;

using B = ReadSDBox;

// The text of the page state behind each box.
std::string& TextOf(ReadSDPage& page, ReadSDBox box) {
    switch (box) {
    case B::StartYear:
        return page.StartYear;
    case B::StartMonth:
        return page.StartMonth;
    case B::StartDay:
        return page.StartDay;
    case B::StartHour:
        return page.StartHour;
    case B::StartMinute:
        return page.StartMinute;
    case B::NameLocation:
        return page.FileNameLocation;
    case B::NameYear:
        return page.NameYear;
    case B::NameMonth:
        return page.NameMonth;
    case B::NameDay:
        return page.NameDay;
    case B::Location:
        return page.Location;
    case B::Notes:
        return page.Notes;
    case B::Lat:
        return page.Lat;
    case B::Long:
        return page.Long;
    case B::WaterDepth:
        return page.WaterDepth;
    case B::DeploymentDepth:
        return page.DeploymentDepth;
    case B::Blanks:
        return page.BlanksText;
    default:
        return page.BlockNumberText;
    }
}

bool IsStartBox(ReadSDBox box) {
    return box <= B::StartMinute;
}
bool IsNameDateBox(ReadSDBox box) {
    return box == B::NameYear || box == B::NameMonth || box == B::NameDay;
}
bool IsDepthBox(ReadSDBox box) {
    return box == B::WaterDepth || box == B::DeploymentDepth;
}

// The rule of a box that puts a fixed text back (a non-number, or for the blanks a value
// below 2).
void ApplyBoxRule(ReadSDPage& page, ReadSDBox box) {
    if (IsNameDateBox(box)) NameDateChanged(page);
    if (IsDepthBox(box)) DepthsChanged(page);
    if (box == B::Blanks) BlanksChanged(page);
}

// The settings count the card's size in the folder a card was last chosen in (`chosen`: a card
// was chosen, also where its folder is the one chosen before).
void NoteCardFolder(Program& p, const ReadSDPage& page, const std::string& before, bool chosen) {
    if (page.LastCardFolder.empty() || (!chosen && page.LastCardFolder == before)) return;
    NoteSDCardFile(p, JoinPath(page.LastCardFolder, "DATA0.ORV"));
}

// A list shows its newest lines.
void ShowListLines(QPlainTextEdit* list, const std::vector<std::string>& lines) {
    const int before = list->blockCount();
    const QString first = list->document()->firstBlock().text();
    ShowLines(list, lines);
    if (list->blockCount() != before || list->document()->firstBlock().text() != first) {
        list->moveCursor(QTextCursor::End);
        list->moveCursor(QTextCursor::StartOfLine);
    }
}

QLabel* ListTitle(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

} // namespace

ReadSDTab::ReadSDTab(AppContext& app, QWidget* parent) : Page(app, parent) {
    auto entry = [this](ReadSDBox box, int widthChars, int maxLength = 0) {
        QLineEdit* e = MakeEntry(this, widthChars, maxLength);
        boxes_[static_cast<std::size_t>(box)] = e;
        connect(e, &QLineEdit::textEdited, this, [this, box](const QString& text) { BoxEdited(box, text); });
        connect(e, &QLineEdit::editingFinished, this, [this, box] { BoxFinished(box); });
        return e;
    };

    auto* columns = new QHBoxLayout(this);
    columns->setContentsMargins(6, 6, 6, 6);
    auto* leftWidget = new QWidget(this);
    leftWidget->setFixedWidth(LeftColumnWidth);
    auto* left = new QVBoxLayout(leftWidget);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(6);
    columns->addWidget(leftWidget);

    // The logger's start.
    auto* start = new QGroupBox("Time KELP STARTED", leftWidget);
    auto* startGrid = new QGridLayout(start);
    Compact(startGrid);
    std::vector<QLineEdit*> startBoxes = {entry(B::StartYear, 4), entry(B::StartMonth, 2),
                                          entry(B::StartDay, 2), entry(B::StartHour, 2),
                                          entry(B::StartMinute, 2)};
    startGrid->addWidget(new WordBoxes("yyyy       mm     dd         hr(24)  min", startBoxes, start), 0, 0,
                         2, 1);
    pasteStart_ = MakeButton("Paste 'now' ", "Puts the computer's date and time into the boxes", start);
    startGrid->addWidget(pasteStart_, 1, 1, Qt::AlignLeft);
    startTime_ = new QLabel(start);
    startTime_->setToolTip("The time the boxes make; \"error\" when they make none");
    startMinute_ = new QLabel(start);
    startMinute_->setToolTip("The start minute as a number");
    startGrid->addWidget(startTime_, 2, 0);
    startGrid->addWidget(startMinute_, 2, 1);
    startGrid->setColumnStretch(0, 1);
    left->addWidget(start);

    // The first KL1 file's name.
    auto* name = new QGroupBox("Data for file name", leftWidget);
    auto* nameGrid = new QGridLayout(name);
    Compact(nameGrid);
    nameGrid->addWidget(new QLabel("Location", name), 0, 0);
    QLineEdit* nameLocation = entry(B::NameLocation, 30, FileNameLocationLength);
    nameLocation->setMinimumWidth(0);
    nameLocation->setMaximumWidth(QWIDGETSIZE_MAX);
    nameGrid->addWidget(nameLocation, 0, 1, 1, 2);
    nameGrid->addWidget(new QLabel("Date", name), 1, 0, Qt::AlignBottom);
    std::vector<QLineEdit*> dateBoxes = {entry(B::NameYear, 4), entry(B::NameMonth, 2), entry(B::NameDay, 2)};
    nameGrid->addWidget(new WordBoxes("yyyy       mm      dd", dateBoxes, name), 1, 1);
    pasteNameDate_ = MakeButton("Paste 'now' ", "Puts today's date into the boxes", name);
    nameGrid->addWidget(pasteNameDate_, 1, 2, Qt::AlignBottom | Qt::AlignLeft);
    nameGrid->setColumnStretch(1, 1);
    name->setToolTip("Used only to propose the name of the first KL1 file");
    left->addWidget(name);

    // The deployment notes stored in the KL1 header.
    auto* notes = new QGroupBox("Deployment notes", leftWidget);
    auto* notesGrid = new QGridLayout(notes);
    Compact(notesGrid);
    auto wide = [&](ReadSDBox box, const char* caption, int maxLength, int row) {
        notesGrid->addWidget(new QLabel(caption, notes), row, 0);
        QLineEdit* e = entry(box, 20, maxLength);
        e->setMinimumWidth(0);
        e->setMaximumWidth(QWIDGETSIZE_MAX);
        notesGrid->addWidget(e, row, 1, 1, 3);
    };
    wide(B::Location, "Location", DeploymentLocationLength, 0);
    wide(B::Notes, "Notes", NotesLength, 1);
    notesGrid->addWidget(new QLabel("LAT", notes), 2, 0);
    notesGrid->addWidget(entry(B::Lat, 9, LatLongLength), 2, 1);
    notesGrid->addWidget(new QLabel("LONG", notes), 2, 2, Qt::AlignRight);
    notesGrid->addWidget(entry(B::Long, 9, LatLongLength), 2, 3);
    notesGrid->addWidget(new QLabel("Water depth m", notes), 3, 0);
    notesGrid->addWidget(entry(B::WaterDepth, 5), 3, 1);
    notesGrid->addWidget(new QLabel("Deployment depth m", notes), 3, 2, Qt::AlignRight);
    notesGrid->addWidget(entry(B::DeploymentDepth, 5), 3, 3);
    notesGrid->setColumnStretch(1, 1);
    notesGrid->setColumnStretch(3, 1);
    left->addWidget(notes);

    // The download.
    auto* download = new QGroupBox("Download", leftWidget);
    auto* downloadGrid = new QGridLayout(download);
    Compact(downloadGrid);
    QLineEdit* blanks = entry(B::Blanks, 4);
    blanks->setToolTip("The download ends after this many blank records in a row (at least 2)");
    downloadGrid->addWidget(new GapCaption("Stop after                    blanks", blanks, download), 0, 0);
    openWhenFinished_ = new QCheckBox("open file when finished", download);
    openWhenFinished_->setToolTip("Closes all files and opens the first KL1 file when the download ends");
    downloadGrid->addWidget(openWhenFinished_, 0, 1);
    downloadGrid->setHorizontalSpacing(10); // "blanks" clear of the check box
    read_ = MakeButton("4:   Read SD card  ",
                       "Converts the card's data files (DATA0.ORV, DATA1.ORV, ...) into KL1 files", download);
    stop_ = MakeButton("Stop data transfer", "Ends the download; the KL1 file written so far is kept (ESC)",
                       download);
    downloadGrid->addWidget(read_, 1, 0);
    downloadGrid->addWidget(stop_, 1, 1);
    progressCaption_ = new QLabel(download);
    progress_ = new QProgressBar(download);
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    progress_->setFixedHeight(12);
    progress_->hide();
    downloadGrid->addWidget(progressCaption_, 2, 0, 1, 2);
    downloadGrid->addWidget(progress_, 3, 0, 1, 2);
    minutesRead_ = new QLabel(download);
    clickCount_ = new QLabel(download);
    downloadGrid->addWidget(minutesRead_, 4, 0);
    downloadGrid->addWidget(clickCount_, 4, 1);
    left->addWidget(download);

    // Checks of the card's files.
    auto* checks = new QGroupBox("Card checks", leftWidget);
    auto* checksGrid = new QGridLayout(checks);
    Compact(checksGrid);
    summary_ = MakeButton("Show summary from file DATA0.ORV ",
                          "a quick check on the logged data. If the setup button was not pressed at the end "
                          "of logging there will be no summary to view",
                          checks);
    block_ = MakeButton("Show block", "for geeks.  Works on any file.  Blocks are 512 bytes long.", checks);
    verify_ = MakeButton("verify DATA0", "checks for errors due to main board code", checks);
    QLineEdit* blockNumber = entry(B::BlockNumber, 7);
    blockNumber->setToolTip("The block shown by \"Show block\" (1 is the first)");
    checksGrid->addWidget(summary_, 0, 0, 1, 3);
    checksGrid->addWidget(block_, 1, 0);
    checksGrid->addWidget(blockNumber, 1, 1);
    checksGrid->addWidget(verify_, 1, 2);
    left->addWidget(checks);
    left->addStretch();

    // The three lists.
    auto* right = new QVBoxLayout;
    right->setSpacing(2);
    upload_ = MakeReportList(this, "What the download did: the data reported, each file written, its size");
    summaryList_ = MakeReportList(this, "The card's logging summary and its settings, and blocks shown");
    errors_ =
        MakeReportList(this, "Blank records, clicks out of time order and other defects of the card's data");
    right->addWidget(ListTitle("Upload", this));
    right->addWidget(upload_, 2);
    right->addWidget(ListTitle("Data summary", this));
    right->addWidget(summaryList_, 3);
    right->addWidget(ListTitle("Errors", this));
    right->addWidget(errors_, 2);
    columns->addLayout(right, 1);

    Program& p = app_.program;
    connect(pasteStart_, &QPushButton::clicked, this, [this] {
        PasteNowIntoStartTime(ReadSDPageOf(app_.program), Now());
        Refresh({});
    });
    connect(pasteNameDate_, &QPushButton::clicked, this, [this] {
        PasteNowIntoNameDate(ReadSDPageOf(app_.program), Now());
        Refresh({});
    });
    connect(openWhenFinished_, &QCheckBox::clicked, this,
            [this](bool on) { ReadSDPageOf(app_.program).OpenFileWhenFinished = on; });
    connect(read_, &QPushButton::clicked, this, [this] { ReadCard(); });
    // Not a command of its own: it is pressed while the download runs.
    connect(stop_, &QPushButton::clicked, this, [this] { app_.host.RequestStop(); });
    connect(summary_, &QPushButton::clicked, this, [this, &p] {
        RunCardCheck([this, &p] {
            const SettingsPage& settings = SettingsPageOf(p);
            ShowSummaryBtnClick(app_.host, ReadSDPageOf(p), [&settings](int n) {
                return LoggerGainTable::IsRegistered(n) ? settings.Gains.GainOf(n) : -1;
            });
        });
    });
    connect(block_, &QPushButton::clicked, this,
            [this, &p] { RunCardCheck([this, &p] { ShowBlockBtnClick(app_.host, ReadSDPageOf(p)); }); });
    connect(verify_, &QPushButton::clicked, this, [this, &p] {
        RunCardCheck([this, &p] { ReadDATAfileForCodeErrors(app_.host, ReadSDPageOf(p)); });
    });
    Refresh({});
}

void ReadSDTab::showEvent(QShowEvent* event) {
    Page::showEvent(event);
    // The page's main command has the focus when the page first comes to the front.
    if (shown_) return;
    shown_ = true;
    QTimer::singleShot(0, read_, [this] { read_->setFocus(); });
}

bool ReadSDTab::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && ReadSDPageOf(app_.program).Converting) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto* widget = qobject_cast<QWidget*>(watched);
        // Keys of a message shown meanwhile are the message's.
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat() && widget != nullptr &&
            widget->window() == window()) {
            app_.host.RequestStop();
            return true;
        }
    }
    return Page::eventFilter(watched, event);
}

MinuteNumber ReadSDTab::Now() const {
    return now_ ? now_() : CurrentMinute();
}

void ReadSDTab::BoxEdited(ReadSDBox box, const QString& text) {
    ReadSDPage& page = ReadSDPageOf(app_.program);
    TextOf(page, box) = text.toStdString();
    if (IsStartBox(box)) StartTimeChanged(page);
    TextBoxesChanged(page);
    // A text that is not a number gets its fixed text back at once; an empty box (one being
    // retyped) and a blanks value below 2 when the box is left.
    long long value = 0;
    if (box != B::BlockNumber && !text.isEmpty() && !ParseBoxNumber(text.toStdString(), value))
        ApplyBoxRule(page, box);
    Refresh({});
}

void ReadSDTab::BoxFinished(ReadSDBox box) {
    ApplyBoxRule(ReadSDPageOf(app_.program), box);
    Refresh({});
}

void ReadSDTab::ReadCard() {
    app_.RunCommand([this] {
        Program& p = app_.program;
        ReadSDPage& page = ReadSDPageOf(p);
        TextBoxesChanged(page);
        NameDateChanged(page);
        DepthsChanged(page);
        BlanksChanged(page);
        Refresh({});
        DownloadEnvironment env;
        if (now_) env.Now = now_;
        const std::string before = page.LastCardFolder;
        DownloadResult result;
        {
            const PageProgress progress(app_.host, progressCaption_, progress_);
            // ESC in the window stops the download as "Stop data transfer" does.
            qApp->installEventFilter(this);
            result = ReadSDdata(p, app_.host, page, env);
            qApp->removeEventFilter(this);
        }
        NoteCardFolder(p, page, before, result.Started);
        if (page.OpenFileWhenFinished && app_.display != nullptr) app_.display->AfterFilesChanged();
        Refresh({});
    });
}

void ReadSDTab::RunCardCheck(const std::function<void()>& check) {
    app_.RunCommand([this, &check] {
        const std::string before = ReadSDPageOf(app_.program).LastCardFolder;
        check();
        NoteCardFolder(app_.program, ReadSDPageOf(app_.program), before, false);
        Refresh({});
    });
}

void ReadSDTab::RunChangeHandlers() {
    ReadSDPage& page = ReadSDPageOf(app_.program);
    // The dialogs start in the window's folders until a card and a KL1 file have been chosen.
    const WindowState& window = WindowStateOf(app_.program);
    if (page.LastCardFolder.empty()) page.LastCardFolder = window.SDCardFolder;
    if (page.LastSaveFolder.empty()) page.LastSaveFolder = window.DataFolder;
    TextBoxesChanged(page);
    BlanksChanged(page);
    Refresh({});
}

void ReadSDTab::Refresh(const std::string& what) {
    if (!what.empty() && what != "ReadSD" && what != "VerifyCaption") return;
    ReadSDPage& page = ReadSDPageOf(app_.program);
    for (int i = 0; i < static_cast<int>(B::Count); ++i) {
        const auto box = static_cast<ReadSDBox>(i);
        ShowText(Box(box), TextOf(page, box));
    }
    // Before the boxes were ever evaluated the time they make is shown all the same.
    ReadSDPage shown = page;
    if (shown.StartMinuteNumber == 0 && shown.StartTimeText.empty()) StartTimeChanged(shown);
    startTime_->setText(Q(shown.StartTimeText));
    startTime_->setStyleSheet(shown.StartTimeError ? "color: red;" : "");
    startMinute_->setText(Q(shown.StartMinuteText));
    ShowChecked(openWhenFinished_, page.OpenFileWhenFinished);
    read_->setEnabled(!page.Converting);
    stop_->setEnabled(page.Converting);
    verify_->setText(Q(page.VerifyCaption));
    minutesRead_->setText(Q(page.MinutesReadLabel));
    clickCount_->setText(Q(page.ClickCountLabel));
    ShowListLines(upload_, page.UploadList);
    ShowListLines(summaryList_, page.SummaryList);
    ShowListLines(errors_, page.ErrorsList);
}

} // namespace kelp
