#include "app/analysis_tab.h"

#include <functional>

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "analysis/analysis_graphs.h"
#include "analysis/analysis_page.h"
#include "analysis/correlation.h"
#include "analysis/file_analysis.h"
#include "analysis/frequency_graph.h"
#include "app/controls.h"
#include "app/display_widget.h"
#include "app/qt_host.h"
#include "app/window_state.h"
#include "core/program.h"
#include "render/image_canvas.h"

namespace kelp {
namespace {

QString ColourStyle(Colour c) {
    return QString("background-color: rgb(%1, %2, %3); border: 1px solid black;")
        .arg(RedOf(c))
        .arg(GreenOf(c))
        .arg(BlueOf(c));
}

// Where each graph stands: row, column, and how many columns it spans.
struct GraphPlace {
    AnalysisGraph Graph;
    int Row, Column, Span;
};
constexpr GraphPlace GraphPlaces[] = {
    {AnalysisGraph::kHz, 0, 0, 1},          {AnalysisGraph::TerminalkHz, 0, 1, 1},
    {AnalysisGraph::Bandwidth, 0, 2, 1},    {AnalysisGraph::EnvelopeLow, 0, 3, 1},
    {AnalysisGraph::EnvelopeHigh, 0, 4, 1}, {AnalysisGraph::NCycles, 2, 0, 2},
    {AnalysisGraph::Amplitude, 2, 2, 3},    {AnalysisGraph::ClicksPerSecond, 2, 5, 2},
};

const char* const GraphTypeItems[FrequencyGraphTypeCount] = {"kHz",    "Dur", "SPL",    "slope1",
                                                             "slope2", "BW",  "end.kHz"};

} // namespace

AnalysisTab::AnalysisTab(AppContext& app, QWidget* parent) : Page(app, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);

    // The analysis and its options.
    auto* top = new QHBoxLayout;
    analyze_ = new QPushButton("Analyze", this);
    top->addWidget(analyze_);
    auto* fileGroup = new QGroupBox(" file ", this);
    auto* fileRow = new QHBoxLayout(fileGroup);
    fileRow->setContentsMargins(6, 2, 6, 2);
    auto* files = new QButtonGroup(this);
    for (int slot = 3; slot >= 1; --slot) {
        auto* item = new QRadioButton(QString::number(slot), fileGroup);
        fileItems_[static_cast<std::size_t>(slot)] = item;
        files->addButton(item, slot);
        fileRow->addWidget(item);
    }
    top->addWidget(fileGroup);
    stepSpecies_ = new QCheckBox("step through species classes", this);
    classTotals_ = new QCheckBox("put class totals in Results", this);
    profile_ = new QCheckBox("Two param profile", this);
    ncycAndkHz_ = new QCheckBox("+ncyc -kHz", this);
    for (QCheckBox* box : {stepSpecies_, classTotals_, profile_, ncycAndkHz_}) top->addWidget(box);
    top->addStretch();
    layout->addLayout(top);

    // The graphs, each under its caption, at their own sizes.
    auto* graphs = new QGridLayout;
    graphs->setHorizontalSpacing(12);
    graphs->setVerticalSpacing(2);
    for (const GraphPlace& place : GraphPlaces) {
        const GraphSize size = AnalysisGraphSize(place.Graph);
        auto* caption = new QLabel(AnalysisGraphCaption(place.Graph), this);
        auto* image = new QLabel(this);
        image->setFixedSize(size.Width, size.Height);
        graphs_[static_cast<std::size_t>(place.Graph)] = image;
        graphs->addWidget(caption, place.Row, place.Column, 1, place.Span);
        graphs->addWidget(image, place.Row + 1, place.Column, 1, place.Span, Qt::AlignLeft | Qt::AlignTop);
    }
    graphs_[static_cast<std::size_t>(AnalysisGraph::ClicksPerSecond)]->setToolTip(
        "Values above 100/s are aggregated into bins 20 wide");
    graphs->setColumnStretch(8, 1);
    layout->addLayout(graphs);

    // The figures, the class totals and the text box.
    auto* lower = new QHBoxLayout;
    auto* figureColumn = new QVBoxLayout;
    figureColumn->setSpacing(1);
    for (std::size_t i = 0; i < figures_.size(); ++i) {
        figures_[i] = new QLabel(this);
        figures_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        figureColumn->addWidget(figures_[i]);
    }
    QFont bold = figures_[0]->font();
    bold.setBold(true);
    figures_[0]->setFont(bold);
    figureColumn->addStretch();
    lower->addLayout(figureColumn, 3);

    // The class totals of KL3 files, shown when there are any.
    classBox_ = new QWidget(this);
    auto* bars = new QGridLayout(classBox_);
    bars->setContentsMargins(0, 0, 0, 0);
    bars->setVerticalSpacing(3);
    const char* qualityNames[] = {"Hi", "Mod", "Lo", "?"};
    const char* speciesNames[] = {"Porp", "Dolphin", "Other", "Unclass", "Sonar"};
    for (int i = 0; i < 4; ++i) {
        bars->addWidget(new QLabel(qualityNames[i], classBox_), i, 0);
        qualityBars_[static_cast<std::size_t>(i)] = new QLabel(classBox_);
        bars->addWidget(qualityBars_[static_cast<std::size_t>(i)], i, 1, Qt::AlignLeft);
    }
    bars->setRowMinimumHeight(4, 8);
    for (int i = 0; i < 5; ++i) {
        bars->addWidget(new QLabel(speciesNames[i], classBox_), 5 + i, 0);
        speciesBars_[static_cast<std::size_t>(i)] = new QLabel(classBox_);
        bars->addWidget(speciesBars_[static_cast<std::size_t>(i)], 5 + i, 1, Qt::AlignLeft);
    }
    for (QLabel* bar : qualityBars_) bar->setFixedHeight(11);
    for (QLabel* bar : speciesBars_) bar->setFixedHeight(11);
    bars->setColumnMinimumWidth(1, 84);
    auto* classColumn = new QVBoxLayout;
    classColumn->addWidget(classBox_);
    classColumn->addStretch();
    lower->addLayout(classColumn, 1);

    textBox_ = new QPlainTextEdit(this);
    textBox_->setReadOnly(true);
    textBox_->setLineWrapMode(QPlainTextEdit::NoWrap);
    textBox_->setStyleSheet(QString("background: %1;").arg(MemoBackground));
    textBox_->setTabStopDistance(80);
    textBox_->setMinimumWidth(220);
    lower->addWidget(textBox_, 2);

    // The frequency graph and the correlations, which draw over the display.
    auto* drawing = new QVBoxLayout;
    auto* typeGroup = new QGroupBox(" graph ", this);
    auto* typeGrid = new QGridLayout(typeGroup);
    typeGrid->setContentsMargins(6, 2, 6, 2);
    typeGrid->setVerticalSpacing(0);
    auto* types = new QButtonGroup(this);
    for (int type = 0; type < FrequencyGraphTypeCount; ++type) {
        auto* item = new QRadioButton(GraphTypeItems[type], typeGroup);
        graphTypes_[static_cast<std::size_t>(type)] = item;
        types->addButton(item, type);
        typeGrid->addWidget(item, type % 4, type / 4);
    }
    drawing->addWidget(typeGroup);
    graph_ = new QPushButton(this);
    drawing->addWidget(graph_);
    smooth_ = new QCheckBox("smooth F graph", this);
    smooth_->setToolTip("shows a weighted mean spanning five kHz bins");
    drawing->addWidget(smooth_);
    values_ = new QCheckBox("put graph && auto-correlation values into Results", this);
    drawing->addWidget(values_);
    auto* correlations = new QHBoxLayout;
    cross_ = new QPushButton(this);
    auto_ = new QPushButton(this);
    auto_->setToolTip("shows the auto-correlation function using time bins equal to the display "
                      "resolution.  Double-click a file display area to select it.  Uses filters and "
                      "endpoints if set.  Values in 'results'.");
    coherence_ = new QPushButton(this);
    coherence_->setToolTip("takes endpoints from first file");
    for (QPushButton* button : {cross_, auto_, coherence_}) correlations->addWidget(button);
    drawing->addLayout(correlations);
    drawing->addStretch();
    lower->addLayout(drawing, 2);
    layout->addLayout(lower, 1);

    Program& p = app_.program;
    connect(analyze_, &QPushButton::clicked, this, [this] { Analyze(0); });
    connect(files, &QButtonGroup::idClicked, this, [this](int slot) { Analyze(slot); });
    connect(stepSpecies_, &QCheckBox::clicked, this,
            [&p](bool on) { AnalysisPageOf(p).Options.StepThroughSpecies = on; });
    connect(classTotals_, &QCheckBox::clicked, this,
            [&p](bool on) { AnalysisPageOf(p).Options.ClassTotalsInResults = on; });
    connect(profile_, &QCheckBox::clicked, this,
            [&p](bool on) { AnalysisPageOf(p).Options.TwoParamProfile = on; });
    connect(ncycAndkHz_, &QCheckBox::clicked, this,
            [&p](bool on) { AnalysisPageOf(p).Options.NcycAndkHz = on; });
    connect(types, &QButtonGroup::idClicked, this, [this](int type) {
        SetFrequencyGraphType(app_.program, app_.host, static_cast<FrequencyGraphType>(type));
    });
    connect(smooth_, &QCheckBox::clicked, this,
            [&p](bool on) { AnalysisPageOf(p).Options.SmoothFGraph = on; });
    connect(values_, &QCheckBox::clicked, this,
            [&p](bool on) { AnalysisPageOf(p).Options.ValuesInResults = on; });
    connect(graph_, &QPushButton::clicked, this, [this] {
        DrawOnDisplay([this] {
            DisplayContext ctx = app_.display->Context();
            ShowFrequencyGraph(ctx);
            return true;
        });
    });
    connect(cross_, &QPushButton::clicked, this, [this] {
        DrawOnDisplay([this] {
            DisplayContext ctx = app_.display->Context();
            return DoCrossCorrelation(ctx).Done;
        });
    });
    connect(auto_, &QPushButton::clicked, this, [this] {
        DrawOnDisplay([this] {
            DisplayContext ctx = app_.display->Context();
            return DoAutocorrelation(ctx).Done;
        });
    });
    connect(coherence_, &QPushButton::clicked, this,
            [this] { app_.RunCommand([this] { CoherenceBtnClick(app_.program, app_.host); }); });
    coherence_->setVisible(p.Options.DevelopmentMode);
    Refresh({});
}

void AnalysisTab::Analyze(int slot) {
    app_.RunCommand([this, slot] {
        // The page's text box gives way to the analysis.
        WindowStateOf(app_.program).AnalysisText.clear();
        if (slot == 0)
            AnalyzeButtonClick(app_.program, app_.host);
        else
            ChooseAnalysisFile(app_.program, app_.host, slot);
    });
    Refresh({});
}

void AnalysisTab::DrawOnDisplay(const std::function<bool()>& draw) {
    if (app_.display == nullptr) return;
    bool drawn = false;
    app_.RunCommand([this, &draw, &drawn] {
        drawn = draw();
        app_.display->UpdateTexts();
        app_.display->update();
    });
    // What was drawn is shown on the display's page.
    if (drawn) app_.ShowPage("Files - View");
    Refresh({});
}

void AnalysisTab::ShowGraphs() {
    const AnalysisPage& page = AnalysisPageOf(app_.program);
    for (int graph = 0; graph < AnalysisGraphCount; ++graph) {
        const GraphSize size = AnalysisGraphSize(static_cast<AnalysisGraph>(graph));
        ImageCanvas canvas(size.Width, size.Height, ColourBlack);
        DrawAnalysisGraph(canvas, static_cast<AnalysisGraph>(graph), page.Counters);
        graphs_[static_cast<std::size_t>(graph)]->setPixmap(QPixmap::fromImage(canvas.Image()));
    }
    graphsShown_ = true;
}

void AnalysisTab::Refresh(const std::string& what) {
    Program& p = app_.program;
    const AnalysisPage& page = AnalysisPageOf(p);
    const AnalysisOptions& o = page.Options;
    analyze_->setEnabled(page.AnalyzeEnabled);
    if (o.FileChoice >= 1 && o.FileChoice <= 3) {
        QRadioButton* item = fileItems_[static_cast<std::size_t>(o.FileChoice)];
        if (!item->isChecked()) item->setChecked(true);
    }
    ShowChecked(stepSpecies_, o.StepThroughSpecies);
    ShowChecked(classTotals_, o.ClassTotalsInResults);
    ShowChecked(profile_, o.TwoParamProfile);
    ShowChecked(ncycAndkHz_, o.NcycAndkHz);
    QRadioButton* type = graphTypes_[static_cast<std::size_t>(o.GraphType)];
    if (!type->isChecked()) type->setChecked(true);
    graph_->setText(Q(page.GraphCaption));
    graph_->setToolTip(Q(page.GraphHint));
    ShowChecked(smooth_, o.SmoothFGraph);
    ShowChecked(values_, o.ValuesInResults);
    cross_->setText(Q(page.CrossCorrelationCaption));
    auto_->setText(Q(page.AutoCorrelationCaption));
    coherence_->setText(Q(page.CoherenceCaption));

    if (!what.empty() && what != analysis_changed::Page && graphsShown_) return;
    const AnalysisFigures& f = page.Figures;
    const std::string* texts[FigureCount] = {
        &f.FileLabel,    &f.Duration,  &f.AcousticDuration, &f.Clicks,    &f.PerMinute,
        &f.PerHour,      &f.PerDay,    &f.GigabyteLasts,    &f.Truncated, &f.ClickFilters,
        &f.TrainFilters, &f.DpmPerDay, &f.MeanTemperature,  &f.MeanAngle};
    for (int i = 0; i < FigureCount; ++i) {
        QLabel* label = figures_[static_cast<std::size_t>(i)];
        label->setText(Q(*texts[i]));
        label->setVisible(!texts[i]->empty()); // the figures close up over those a file has not
    }
    auto showBars = [](auto& labels, const auto& bars) {
        for (std::size_t i = 0; i < bars.size(); ++i) {
            labels[i]->setVisible(bars[i].Visible);
            labels[i]->setFixedWidth(std::max(1, bars[i].Width));
            labels[i]->setStyleSheet(ColourStyle(bars[i].BarColour));
            labels[i]->setToolTip(QString::number(bars[i].Count));
        }
    };
    showBars(qualityBars_, page.QualityBars);
    showBars(speciesBars_, page.SpeciesBars);
    bool anyBar = false;
    for (const ClassBar& bar : page.QualityBars) anyBar = anyBar || bar.Visible;
    classBox_->setVisible(anyBar);
    const std::vector<std::string>& startText = WindowStateOf(p).AnalysisText;
    ShowLines(textBox_, page.HasAnalysis || startText.empty() ? page.TextBox : startText);
    ShowGraphs();
}

void AnalysisTab::ApplyDevelopmentMode(bool on) {
    coherence_->setVisible(on);
}

} // namespace kelp
