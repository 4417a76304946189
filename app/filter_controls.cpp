#include "app/filter_controls.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/controls.h"
#include "app/display_widget.h"
#include "app/qt_host.h"
#include "core/filters.h"
#include "core/program.h"
#include "display/display_state.h"

namespace kelp {
namespace {

// The range rows: caption and the boxes of their minimum and maximum.
struct RangeRow {
    const char* Caption;
    FilterBox Min;
    FilterBox Max;
};
constexpr std::array<RangeRow, 5> RangeRows = {{
    {"kHz", FilterBox::FrequencyMin, FilterBox::FrequencyMax},
    {"cycles", FilterBox::DurationMin, FilterBox::DurationMax},
    {"", FilterBox::AmplitudeMin, FilterBox::AmplitudeMax}, // "raw SPL" or "Pa p-p"
    {"env. slope", FilterBox::EnvelopeMin, FilterBox::EnvelopeMax},
    {"bandwidth", FilterBox::BandwidthMin, FilterBox::BandwidthMax},
}};

constexpr std::array<const char*, 4> QualityCaptions = {"?", "Lo", "Mod", "Hi"};
constexpr std::array<const char*, 5> SpeciesCaptions = {"Porpoise-like", "Dolphins", "other train sources",
                                                        "unclassed", "boat sonars"};

EntryBox* SmallBox(QWidget* parent, const char* hint) {
    auto* box = new EntryBox(parent);
    box->setMaximumWidth(64);
    box->setFixedHeight(21);
    if (hint != nullptr) box->setToolTip(hint);
    return box;
}

} // namespace

FilterControls::FilterControls(AppContext& app, QWidget* parent)
    : QWidget(parent), app_(app), weak_(SmallBox(this, "Clicks pass when cycles + SPL/2 reach this")),
      minCluster_(SmallBox(this, "KL2 files: the least cluster status shown")),
      exactCluster_(SmallBox(this, "KL2 files: only this cluster status (5 and above: any)")),
      band1_(new QCheckBox("b1", this)), ignore_(new QCheckBox("ignore filters   (F4)", this)),
      minuteLimit_(new ClickLabel({}, this)), allQ_(new QCheckBox("All Q (F3)", this)),
      upperIci_(SmallBox(this, "Msecs")), lowerIci_(SmallBox(this, "Msecs")),
      iciOn_(new QCheckBox("on/off", this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    auto* clicks = new QGroupBox("Click filters", this);
    auto* grid = new QGridLayout(clicks);
    Compact(grid);
    grid->addWidget(new QLabel("min", clicks), 0, 1);
    grid->addWidget(new QLabel("max", clicks), 0, 2);
    for (std::size_t row = 0; row < RangeRows.size(); ++row) {
        const RangeRow& r = RangeRows[row];
        auto* caption = new QLabel(r.Caption, clicks);
        if (r.Min == FilterBox::AmplitudeMin) amplitudeCaption_ = caption;
        grid->addWidget(caption, static_cast<int>(row) + 1, 0);
        int column = 1;
        for (FilterBox box : {r.Min, r.Max}) {
            EntryBox* edit = SmallBox(clicks, "Double-click for no filter");
            range_[static_cast<std::size_t>(box)] = edit;
            grid->addWidget(edit, static_cast<int>(row) + 1, column++);
            connect(edit, &QLineEdit::textEdited, this, [this, box](const QString& text) {
                EnterFilterText(app_.program, app_.host, box, text.toStdString());
                Changed();
            });
            connect(edit, &EntryBox::doubleClicked, this, [this, box] {
                RestoreFilterDefault(app_.program, app_.host, box);
                Changed();
            });
        }
    }
    int row = static_cast<int>(RangeRows.size()) + 1;
    grid->addWidget(new QLabel("weak filter", clicks), row, 0);
    grid->addWidget(weak_, row++, 1);
    grid->addWidget(new QLabel("Min clstr status", clicks), row, 0);
    grid->addWidget(minCluster_, row++, 1);
    grid->addWidget(new QLabel("exact clstr status", clicks), row, 0);
    grid->addWidget(exactCluster_, row, 1);
    grid->addWidget(band1_, row++, 2);
    band1_->setToolTip("KL2 files: only the clicks of cluster band 1");
    grid->addWidget(ignore_, row++, 0, 1, 3);
    ignore_->setToolTip("Show every click, whatever the click and train filters say");
    auto* limitRow = new QHBoxLayout;
    limitRow->setSpacing(6);
    limitRow->addWidget(new QLabel("Apply minute limit of", clicks));
    limitRow->addWidget(minuteLimit_);
    limitRow->addStretch();
    minuteLimit_->setToolTip("Click to step the limit: 0 (no limit), 1024, 4096, 65536 clicks per minute");
    grid->addLayout(limitRow, row++, 0, 1, 3);
    layout->addWidget(clicks);

    auto* trains = new QGroupBox("Train filters (KL3 files)", this);
    auto* tgrid = new QGridLayout(trains);
    Compact(tgrid);
    auto* qualities = new QHBoxLayout;
    qualities->setSpacing(8);
    for (int q = 3; q >= 0; --q) {
        auto* box = new QCheckBox(QualityCaptions[static_cast<std::size_t>(q)], trains);
        quality_[static_cast<std::size_t>(q)] = box;
        qualities->addWidget(box);
        connect(box, &QCheckBox::clicked, this, [this, q](bool on) {
            SetQualityBox(app_.program, app_.host, q, on);
            Changed();
        });
    }
    qualities->addWidget(allQ_);
    qualities->addStretch();
    tgrid->addLayout(qualities, 0, 0, 1, 2);
    connect(allQ_, &QCheckBox::clicked, this, [this](bool on) {
        SetAllQualities(app_.program, app_.host, on);
        Changed();
    });
    for (int sp = 0; sp < 5; ++sp) {
        auto* box = new QCheckBox(SpeciesCaptions[static_cast<std::size_t>(sp)], trains);
        species_[static_cast<std::size_t>(sp)] = box;
        // Two columns: Porpoise-like, Dolphins; other train sources, unclassed; boat sonars.
        static constexpr std::array<std::array<int, 2>, 5> Places = {
            {{1, 0}, {1, 1}, {2, 0}, {2, 1}, {3, 0}}};
        const auto& at = Places[static_cast<std::size_t>(sp)];
        tgrid->addWidget(box, at[0], at[1]);
        connect(box, &QCheckBox::clicked, this, [this, sp](bool on) {
            SetSpeciesBox(app_.program, app_.host, sp, on);
            Changed();
        });
    }
    layout->addWidget(trains);

    auto* ici = new QGroupBox("ICI filter of the seek", this);
    auto* igrid = new QGridLayout(ici);
    Compact(igrid);
    igrid->addWidget(new QLabel("upper", ici), 0, 0);
    igrid->addWidget(upperIci_, 0, 1);
    igrid->addWidget(new QLabel("lower", ici), 0, 2);
    igrid->addWidget(lowerIci_, 0, 3);
    igrid->addWidget(iciOn_, 0, 4);
    iciOn_->setToolTip("this filter is turned off if the minimum is not smaller than the maximum!");
    layout->addWidget(ici);

    connect(weak_, &QLineEdit::textEdited, this, [this](const QString& text) {
        EnterWeakFilter(app_.program, app_.host, text.toStdString());
        Changed();
    });
    connect(minCluster_, &QLineEdit::textEdited, this, [this](const QString& text) {
        EnterMinClusterStatus(app_.program, app_.host, text.toStdString());
        Changed();
    });
    connect(exactCluster_, &QLineEdit::textEdited, this, [this](const QString& text) {
        EnterExactClusterStatus(app_.program, app_.host, text.toStdString());
        Changed();
    });
    connect(band1_, &QCheckBox::clicked, this, [this](bool on) {
        SetClusterBand1(app_.program, app_.host, on);
        Changed();
    });
    connect(ignore_, &QCheckBox::clicked, this, [this](bool on) {
        SetIgnoreFilters(app_.program, app_.host, on);
        Changed();
    });
    connect(minuteLimit_, &ClickLabel::clicked, this, [this] {
        StepMinuteLimit(app_.program, app_.host);
        Changed();
    });
    connect(upperIci_, &QLineEdit::textEdited, this, [this](const QString& text) {
        EnterUpperIci(app_.program, app_.host, text.toStdString());
        Refresh();
    });
    connect(lowerIci_, &QLineEdit::textEdited, this, [this](const QString& text) {
        EnterLowerIci(app_.program, app_.host, text.toStdString());
        Refresh();
    });
    connect(iciOn_, &QCheckBox::clicked, this, [this] {
        ToggleIciFilter(app_.program, app_.host);
        Refresh();
    });
    Refresh();
}

void FilterControls::Changed() {
    Refresh();
    if (app_.display != nullptr) {
        app_.display->UpdateTexts();
        app_.display->RedrawSoon();
    }
}

void FilterControls::RunChangeHandlers() {
    Program& p = app_.program;
    Host& h = app_.host;
    for (FilterBox box : {FilterBox::DurationMin, FilterBox::DurationMax, FilterBox::FrequencyMin,
                          FilterBox::FrequencyMax, FilterBox::AmplitudeMax, FilterBox::EnvelopeMin,
                          FilterBox::EnvelopeMax, FilterBox::BandwidthMin, FilterBox::BandwidthMax})
        EnterFilterText(p, h, box, p.Clicks.Entry(box).Text);
    EnterMinClusterStatus(p, h, p.Clicks.MinClusterStatus.Text);
    EnterExactClusterStatus(p, h, p.Clicks.ExactClusterStatus.Text);
    EnterWeakFilter(p, h, p.Clicks.Weak.Text);
    EnterUpperIci(p, h, p.Ici.UpperText);
    EnterLowerIci(p, h, p.Ici.LowerText);
    Refresh();
}

void FilterControls::Refresh() {
    const Program& p = app_.program;
    for (int b = 0; b < FilterBoxCount; ++b)
        ShowText(range_[static_cast<std::size_t>(b)], p.Clicks.Entry(static_cast<FilterBox>(b)).Text);
    amplitudeCaption_->setText(Q(DisplayStateOf(app_.program).Settings.AmplitudeFilterCaption));
    ShowText(weak_, p.Clicks.Weak.Text);
    ShowText(minCluster_, p.Clicks.MinClusterStatus.Text);
    ShowText(exactCluster_, p.Clicks.ExactClusterStatus.Text);
    ShowChecked(band1_, p.Clicks.ClusterBand1);
    ShowChecked(ignore_, p.Clicks.Ignore);
    minuteLimit_->setText(Q(p.MinuteLimitLabel));
    for (int q = 0; q < 4; ++q) {
        QCheckBox* box = quality_[static_cast<std::size_t>(q)];
        ShowChecked(box, p.Trains.Quality[static_cast<std::size_t>(q)]);
        box->setEnabled(p.Trains.BoxesEnabled);
    }
    ShowChecked(allQ_, p.Trains.AllQualities);
    for (int sp = 0; sp < 5; ++sp) {
        QCheckBox* box = species_[static_cast<std::size_t>(sp)];
        ShowChecked(box, p.Trains.Species[static_cast<std::size_t>(sp)]);
        box->setEnabled(p.Trains.BoxesEnabled);
    }
    ShowText(upperIci_, p.Ici.UpperText);
    ShowText(lowerIci_, p.Ici.LowerText);
    ShowChecked(iciOn_, p.Ici.On);
}

} // namespace kelp
