#include "app/trains_tab.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTextOption>
#include <QTimer>
#include <QVBoxLayout>

#include "app/controls.h"
#include "app/development_mode.h"
#include "app/display_widget.h"
#include "app/form_parts.h"
#include "app/qt_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "display/colours.h"
#include "settings/trigger_test.h"
#include "tda/cluster_file.h"
#include "tda/landmarks.h"
#include "tda/tda_settings.h"
#include "tda/train_file.h"
#include "tda/train_summary.h"

namespace kelp {
namespace {

constexpr std::array<const char*, 9> BarNames = {"Hi",  "Mod",    "Lo",      "?",    "Porp",
                                                 "Dol", "OtherC", "Unclass", "Sonar"};
constexpr const char* NotProcessedText = "not processed";

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
        if (tab == std::string::npos) return fields;
        from = tab + 1;
    }
}

// Tab positions that line up the columns of tab-separated lines, each column as wide as its
// widest field.
void FitColumns(QPlainTextEdit* box, const std::vector<std::string>& lines) {
    const QFontMetrics metrics(box->font());
    std::vector<int> widths;
    for (const std::string& line : lines) {
        const std::vector<std::string> fields = Fields(line);
        if (widths.size() < fields.size()) widths.resize(fields.size(), 0);
        for (std::size_t i = 0; i < fields.size(); ++i)
            widths[i] = std::max(widths[i], metrics.horizontalAdvance(Q(fields[i])));
    }
    const int gap = metrics.horizontalAdvance("   ");
    QList<QTextOption::Tab> tabs;
    qreal at = 0;
    for (std::size_t i = 0; i + 1 < widths.size(); ++i) {
        at += widths[i] + gap;
        tabs.append(QTextOption::Tab(at, QTextOption::LeftTab));
    }
    QTextOption option = box->document()->defaultTextOption();
    if (option.tabs() == tabs) return;
    option.setTabs(tabs);
    box->document()->setDefaultTextOption(option);
}

QColor ColourOf(Colour c) {
    return {RedOf(c), GreenOf(c), BlueOf(c)};
}

} // namespace

TrainBars::TrainBars(QWidget* parent) : QWidget(parent) {
    setMinimumSize(sizeHint());
    setToolTip("Clicks in trains of the last file: by quality class, and by species group of the Mod and Hi "
               "trains");
}

void TrainBars::SetBars(const std::array<std::int64_t, 9>& bars) {
    if (bars_ == bars) return;
    bars_ = bars;
    update();
}

void TrainBars::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const QFontMetrics metrics(font());
    const int captionHeight = metrics.height();
    const int top = 6;
    const int bottom = height() - captionHeight - 6;
    const std::int64_t largest = std::max<std::int64_t>(1, *std::max_element(bars_.begin(), bars_.end()));
    const int slot = (width() - 12) / static_cast<int>(bars_.size());
    for (std::size_t i = 0; i < bars_.size(); ++i) {
        const int left = 6 + static_cast<int>(i) * slot;
        const int full = bottom - top - captionHeight;
        const int h = static_cast<int>(bars_[i] * full / largest);
        const QColor colour = i < 4 ? QColor(70, 90, 140) : ColourOf(ClassColour(static_cast<int>(i) - 4));
        painter.fillRect(left + 4, bottom - h, slot - 8, h, colour);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QRect(left, bottom + 3, slot, captionHeight), Qt::AlignCenter, BarNames[i]);
        painter.drawText(QRect(left, bottom - h - captionHeight - 1, slot, captionHeight), Qt::AlignCenter,
                         QString::number(bars_[i]));
    }
}

ReportBox TrainsTab::MakeReport(const QString& title, const QString& hint, int index) {
    ReportBox r;
    r.Frame = new QWidget(this);
    auto* grid = new QGridLayout(r.Frame);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    auto* caption = new QLabel(title, r.Frame);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    r.Count = new QLabel("0", r.Frame);
    r.Count->setToolTip("Lines in the box");
    r.CopyAndClear = MakeButton("copy to clipboard and clear",
                                "Copies the box's lines to the clipboard and "
                                "empties the box",
                                r.Frame);
    r.Lines = MakeReportList(r.Frame, hint);
    grid->addWidget(caption, 0, 0);
    grid->addWidget(r.Count, 0, 1);
    grid->addWidget(r.CopyAndClear, 0, 3);
    grid->setColumnStretch(2, 1);
    grid->addWidget(r.Lines, 1, 0, 1, 4);
    connect(r.CopyAndClear, &QPushButton::clicked, this, [this, index] {
        ReportBox& box = reports_[static_cast<std::size_t>(index)];
        std::string text;
        for (const std::string& line : box.Text) text += line + "\n";
        app_.host.SetClipboardText(text);
        box.Text.clear();
        ShowReports();
    });
    return r;
}

TrainsTab::TrainsTab(AppContext& app, QWidget* parent) : Page(app, parent) {
    auto* columns = new QHBoxLayout(this);
    columns->setContentsMargins(6, 6, 6, 6);
    columns->setSpacing(8);
    auto* leftWidget = new QWidget(this);
    leftWidget->setFixedWidth(360);
    auto* left = new QVBoxLayout(leftWidget);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(6);
    columns->addWidget(leftWidget);

    // The pre-filter of the cluster finder.
    auto* filter = new QGroupBox("Clicks searched", leftWidget);
    auto* filterGrid = new QGridLayout(filter);
    Compact(filterGrid);
    spl_ = MakeEntry(filter, 4);
    spl_->setToolTip("Minimum SPL of the clicks searched (0: all)");
    duration_ = MakeEntry(filter, 3);
    duration_->setToolTip("Minimum number of cycles of the clicks searched (0: all)");
    kHz_ = MakeEntry(filter, 4);
    kHz_->setToolTip("Highest kHz of the clicks searched (0: 170)");
    minLimit_ = new EntryBox(filter);
    minLimit_->setFixedWidth(QFontMetrics(minLimit_->font()).horizontalAdvance("000000") + 12);
    minLimit_->setToolTip(
        "Clicks searched in any minute (0: no limit); double-click steps 1024, 4096, 65536");
    filterGrid->addWidget(new QLabel("SPL", filter), 0, 0);
    filterGrid->addWidget(spl_, 0, 1);
    filterGrid->addWidget(new GapCaption("Duration          cycles", duration_, filter), 0, 2, 1, 2);
    filterGrid->addWidget(new QLabel("kHz<", filter), 1, 0);
    filterGrid->addWidget(kHz_, 1, 1);
    filterGrid->addWidget(new QLabel("Min limit", filter), 1, 2);
    filterGrid->addWidget(minLimit_, 1, 3);
    normal_ = new ClickLabel("Click here to set filter to normal sensitivity V0 level", filter);
    normal_->setStyleSheet("QLabel { color: #1030a0; text-decoration: underline; }");
    normal_->setToolTip("SPL 12, 5 cycles, kHz< 145, Min limit 4096");
    filterGrid->addWidget(normal_, 2, 0, 1, 4);
    filterGrid->setColumnStretch(3, 1);
    left->addWidget(filter);

    auto* detection = new QGroupBox("Train detection", leftWidget);
    auto* detectionGrid = new QGridLayout(detection);
    Compact(detectionGrid);
    noSpeciesSplit_ = new QCheckBox("do not distinguish cetacean species", detection);
    noSpeciesSplit_->setToolTip("Dolphin and other cetacean trains are classed together");
    version_ = new QComboBox(detection);
    version_->addItems({"1", "2"});
    version_->setToolTip("Version 2 is offered in development mode only");
    detectionGrid->addWidget(noSpeciesSplit_, 0, 0, 1, 2);
    detectionGrid->addWidget(new QLabel(" Train filter version ", detection), 1, 0);
    detectionGrid->addWidget(version_, 1, 1, Qt::AlignLeft);
    batch_ =
        MakeButton("Find trains in a batch of .KL1 files",
                   "Runs the train filter.   This may take hours if the batch of files is large.", detection);
    slot1_ = MakeButton("Find trains Fs[1] ", "Finds the trains of the KL2 file open as File 1", detection);
    landmarks_ =
        MakeButton(MarkLandmarksCaption,
                   "Marks the minutes of the open KL3 files that hold landmark sequences", detection);
    detectionGrid->addWidget(batch_, 2, 0, 1, 2);
    detectionGrid->addWidget(slot1_, 3, 0, 1, 2);
    detectionGrid->addWidget(landmarks_, 4, 0, 1, 2);
    detectionGrid->addWidget(new QLabel("Hold ESC at the end of a file to stop a batch", detection), 5, 0, 1,
                             2);
    left->addWidget(detection);

    development_ = new QGroupBox("Development", leftWidget);
    auto* devGrid = new QVBoxLayout(development_);
    Compact(devGrid);
    cluster_ =
        MakeButton("Create *.KL2  file ",
                   "KL2 files do NOT contain all the data of KL1 files.  KL1 files MUST be archived for "
                   "future re-analysis",
                   development_);
    kl2Batch_ = MakeButton("Find trains in batch of KL2 files", "Runs the train detection over KL2 files",
                           development_);
    devGrid->addWidget(cluster_);
    devGrid->addWidget(kl2Batch_);
    left->addWidget(development_);
    left->addStretch();

    // The summary area of the last run and the reports of the batches.
    auto* right = new QVBoxLayout;
    right->setSpacing(6);
    auto* summary = new QGroupBox("Last file", this);
    auto* summaryGrid = new QGridLayout(summary);
    Compact(summaryGrid);
    legend_ = new QLabel(summary);
    results_ = new QLabel(summary);
    results_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    results_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    diagnostics_ = new QLabel(summary);
    diagnostics_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    diagnostics_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    status_ = new QLabel(summary);
    estimate_ = new QLabel(summary);
    batchLabel_ = new QLabel(summary);
    bars_ = new TrainBars(summary);
    summaryGrid->addWidget(legend_, 0, 0, 1, 3);
    summaryGrid->addWidget(results_, 1, 0, 2, 1);
    summaryGrid->addWidget(bars_, 1, 1);
    summaryGrid->addWidget(diagnostics_, 2, 1);
    summaryGrid->addWidget(status_, 3, 0, 1, 3);
    summaryGrid->addWidget(estimate_, 4, 0, 1, 3);
    summaryGrid->addWidget(batchLabel_, 5, 0, 1, 3);
    summaryGrid->setColumnStretch(2, 1);
    right->addWidget(summary);
    reports_[0] = MakeReport("Files processed", "The results line of every file the batches processed", 0);
    reports_[1] = MakeReport("Files not processed", "The files the batches skipped, and why", 1);
    right->addWidget(reports_[0].Frame, 3);
    right->addWidget(reports_[1].Frame, 2);
    right->addStretch();
    columns->addLayout(right, 1);

    TdaSettings& tda = TdaSettingsOf(app_.program);
    auto wire = [this](QLineEdit* box, TdaEntry& entry) {
        connect(box, &QLineEdit::textEdited, this,
                [this, box, &entry](const QString& text) { EntryEdited(entry, box, text, false); });
        connect(box, &QLineEdit::editingFinished, this,
                [this, box, &entry] { EntryEdited(entry, box, box->text(), true); });
    };
    wire(spl_, tda.TdaSPLmin);
    wire(duration_, tda.TdaNcycMin);
    wire(kHz_, tda.TDAkHz);
    wire(minLimit_, tda.TDAMinLim);
    connect(minLimit_, &EntryBox::doubleClicked, this, [this] {
        StepMinuteLimit(TdaSettingsOf(app_.program));
        Refresh({});
    });
    connect(normal_, &ClickLabel::clicked, this, [this] {
        SetNormalSensitivity(TdaSettingsOf(app_.program));
        Refresh({});
    });
    connect(noSpeciesSplit_, &QCheckBox::clicked, this,
            [this](bool on) { TdaSettingsOf(app_.program).NoSpeciesSplit = on; });
    connect(version_, &QComboBox::activated, this, [this](int index) {
        if (app_.program.Options.DevelopmentMode) TdaSettingsOf(app_.program).TrainFilterVersion = index + 1;
        Refresh({});
    });
    connect(batch_, &QPushButton::clicked, this, [this] { RunBatch(TrainBatchKind::KL1); });
    connect(kl2Batch_, &QPushButton::clicked, this, [this] { RunBatch(TrainBatchKind::KL2); });
    Program& p = app_.program;
    connect(cluster_, &QPushButton::clicked, this,
            [this, &p] { Run([this, &p] { MakeClusterFile(p, app_.host); }, true); });
    connect(slot1_, &QPushButton::clicked, this,
            [this, &p] { Run([this, &p] { FindTrainsInSlot1(p, app_.host); }, true); });
    connect(landmarks_, &QPushButton::clicked, this, [this, &p] {
        Run(
            [this, &p] {
                MarkLandmarkSequences(p, app_.host);
                if (app_.display != nullptr && p.OpenCount() > 0) app_.display->RedrawScreen();
            },
            false);
    });
    Refresh({});
}

void TrainsTab::showEvent(QShowEvent* event) {
    Page::showEvent(event);
    // The page's main command has the focus when the page first comes to the front.
    if (shown_) return;
    shown_ = true;
    QTimer::singleShot(0, batch_, [this] { batch_->setFocus(); });
}

void TrainsTab::EntryEdited(TdaEntry& entry, QLineEdit* box, const QString& text, bool finished) {
    // A box being retyped gets its default back only when it is left empty.
    if (text.isEmpty() && !finished) return;
    if (finished && text.toStdString() == entry.Text) return;
    entry.Set(text.toStdString());
    ShowText(box, entry.Text);
}

void TrainsTab::Run(const std::function<void()>& command, bool filesChanged) {
    app_.RunCommand([this, &command, filesChanged] {
        command();
        if (filesChanged && app_.display != nullptr) app_.display->AfterFilesChanged();
        Refresh({});
    });
}

void TrainsTab::RunBatch(TrainBatchKind kind) {
    app_.RunCommand([this, kind] {
        QtHost& host = app_.host;
        TrainBatchOptions options;
        options.Kind = kind;
        options.Threads = 0; // the machine's cores
        // While the minutes of a file are searched on other threads, the window stays
        // responsive and ESC is heard.
        options.BetweenSegments = [&host](const TrainSearchProgress&) {
            host.ProcessEvents();
            return host.EscapeHeld();
        };
        batchRunning_ = true;
        resultsTaken_ = host.Results().Lines().size();
        FindTrainsInBatch(app_.program, host, options);
        TakeBatchLines();
        batchRunning_ = false;
        if (app_.display != nullptr) app_.display->AfterFilesChanged();
        Refresh({});
    });
}

// The results lines the batch added since the last file: a file's results line goes to the
// first report box, a skipped file's line to the second; a file that left no line could not
// be processed either (its messages said why).
void TrainsTab::TakeBatchLines() {
    if (!batchRunning_) return;
    const std::vector<std::string>& lines = app_.host.Results().Lines();
    if (resultsTaken_ > lines.size()) resultsTaken_ = lines.size(); // the page was cleared meanwhile
    bool any = false;
    for (; resultsTaken_ < lines.size(); ++resultsTaken_) {
        const std::string& line = lines[resultsTaken_];
        if (line == TrainResultsHeader) continue;
        const std::vector<std::string> fields = Fields(line);
        if (fields.size() == 2) {
            reports_[1].Text.push_back(line);
        } else {
            if (reports_[0].Text.empty()) reports_[0].Text.push_back(TrainResultsHeader);
            reports_[0].Text.push_back(line);
        }
        any = true;
    }
    const TrainDetectionState& state = TrainDetectionStateOf(app_.program);
    const std::vector<std::string>& source = app_.program.SourceBox;
    if (!any && state.BatchPosition >= 2 && source.size() > 1 && source[1].rfind("File:  ", 0) == 0)
        reports_[1].Text.push_back(source[1].substr(7) + "\t" + NotProcessedText);
    ShowReports();
}

void TrainsTab::ShowReports() {
    const bool development = app_.program.Options.DevelopmentMode;
    for (std::size_t i = 0; i < reports_.size(); ++i) {
        ReportBox& r = reports_[i];
        FitColumns(r.Lines, r.Text);
        ShowLines(r.Lines, r.Text);
        const std::size_t header = i == 0 && !r.Text.empty() ? 1 : 0;
        r.Count->setText(QString::number(r.Text.size() - header));
        r.CopyAndClear->setVisible(development);
    }
    reports_[0].Frame->setVisible(development);
    // The files not processed show also outside development mode: the batch's closing line
    // sends the user here to read them.
    reports_[1].Frame->setVisible(development || !reports_[1].Text.empty());
}

void TrainsTab::ApplyDevelopmentMode(bool on) {
    development_->setVisible(on);
    kl2Batch_->setEnabled(on);
    cluster_->setEnabled(on);
    version_->setEnabled(on);
    diagnostics_->setVisible(on);
    Refresh({});
}

void TrainsTab::Refresh(const std::string& what) {
    if (what == ShowTrainsPageChange) app_.ShowPage("Trains");
    Program& p = app_.program;
    const TrainDetectionState& state = TrainDetectionStateOf(p);
    if (what == changed::TrainsPageControl && !state.PageControlVisible) app_.ShowPage("Files - View");
    if (what == changed::BatchProgress) TakeBatchLines();
    const bool mine = what.empty() || what == changed::TrainSummaryArea || what == changed::BatchProgress ||
                      what == changed::ApplicationTitle || what == changed::LandmarkButton ||
                      what == changed::DevelopmentMode || what == changed::TrainsPageControl;
    if (!mine) return;

    const TdaSettings& tda = TdaSettingsOf(p);
    ShowText(spl_, tda.TdaSPLmin.Text);
    ShowText(duration_, tda.TdaNcycMin.Text);
    ShowText(kHz_, tda.TDAkHz.Text);
    ShowText(minLimit_, tda.TDAMinLim.Text);
    ShowChecked(noSpeciesSplit_, tda.NoSpeciesSplit);
    version_->setCurrentIndex(ActiveTdaVersion(p) == 2 ? 1 : 0);
    landmarks_->setText(Q(LandmarkStateOf(p).ButtonCaption));

    const TrainSummary& s = state.Summary;
    QStringList legend;
    for (const std::string& item : s.Legend) legend << Q(item);
    legend_->setText(legend.join("    "));
    QStringList results;
    for (const std::string& item : s.ResultLabels) results << Q(item);
    results_->setText(results.join('\n'));
    QStringList diagnostics;
    for (const std::string& item : s.DiagnosticLabels) diagnostics << Q(item);
    diagnostics_->setText(diagnostics.join("    ").replace('\t', "  "));
    status_->setText(Q(s.StatusLabel));
    estimate_->setText(Q(state.FileEndEstimate));
    batchLabel_->setText(Q(state.ApplicationTitle));
    bars_->SetBars(s.Bars);
    ShowReports();
}

} // namespace kelp
