#include "app/export_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/controls.h"
#include "app/display_widget.h"
#include "app/qt_host.h"
#include "core/endpoints.h"
#include "core/program.h"
#include "display/display_state.h"
#include "display/geometry.h"
#include "display/navigation.h"
#include "export/batch_export.h"
#include "export/batch_lists.h"
#include "export/batch_page.h"
#include "export/click_details.h"
#include "export/detection_export.h"
#include "export/export_page.h"
#include "export/minute_listings.h"
#include "export/noise_summary.h"
#include "export/train_details.h"

namespace kelp {
namespace {

constexpr int GroupWidth = 330;

// A group of radio buttons, one per caption, their ids the item numbers.
template <std::size_t N>
QButtonGroup* RadioGroup(QGroupBox* box, const std::array<const char*, N>& captions, const char* hint) {
    auto* group = new QButtonGroup(box);
    auto* layout = new QVBoxLayout(box);
    layout->setSpacing(2);
    for (std::size_t i = 0; i < N; ++i) {
        auto* button = new QRadioButton(Q(captions[i]), box);
        group->addButton(button, static_cast<int>(i));
        layout->addWidget(button);
    }
    box->setToolTip(hint);
    box->setFixedWidth(GroupWidth);
    return group;
}

void ShowChosen(QButtonGroup* group, int id) {
    if (QAbstractButton* button = group->button(id); button != nullptr && !button->isChecked())
        button->setChecked(true);
}

} // namespace

ExportTab::ExportTab(AppContext& app, QWidget* parent) : Page(app, parent) {
    // On a screen narrower than the three columns the page scrolls instead of cutting them off.
    auto* pageLayout = new QVBoxLayout(this);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    pageLayout->addWidget(scroll);
    auto* inner = new QWidget;
    scroll->setWidget(inner);
    // The page's own background shows through, as on the pages that do not scroll.
    scroll->viewport()->setAutoFillBackground(false);
    inner->setAutoFillBackground(false);
    auto* outer = new QHBoxLayout(inner);
    outer->setContentsMargins(10, 10, 10, 10);
    outer->setSpacing(16);

    // The choices: what, over which periods, where to and how the time is shown.
    auto* choices = new QVBoxLayout;
    auto* dataGroup = new QGroupBox(DataGroupCaption, this);
    data_ = RadioGroup(dataGroup, DataItemCaptions, DataItemHint);
    periodGroup_ = new QGroupBox(PeriodGroupCaption, this);
    period_ = RadioGroup(periodGroup_, PeriodCaptions, PeriodHint);
    choices->addWidget(dataGroup);
    choices->addWidget(periodGroup_);
    choices->addStretch();
    outer->addLayout(choices);

    auto* output = new QVBoxLayout;
    auto* toGroup = new QGroupBox(ToGroupCaption, this);
    to_ = RadioGroup(toGroup, ToCaptions, ToHint);
    auto* formatGroup = new QGroupBox(DateFormatGroupCaption, this);
    dateFormat_ = RadioGroup(formatGroup, DateFormatCaptions, DateFormatHint);
    auto* unitGroup = new QGroupBox(DateUnitGroupCaption, this);
    dateUnit_ = RadioGroup(unitGroup, DateUnitCaptions, DateUnitHint);
    output->addWidget(toGroup);
    output->addWidget(formatGroup);
    output->addWidget(unitGroup);

    auto* options = new QGroupBox("Options", this);
    options->setFixedWidth(GroupWidth);
    auto* optionLayout = new QVBoxLayout(options);
    optionLayout->setSpacing(2);
    omitNegative_ = new QCheckBox(OmitNegativeCaption, options);
    useEndpoints_ = new QCheckBox(UseEndpointsCaption, options);
    omitHeader_ = new QCheckBox(OmitHeaderCaption, options);
    oneFile_ = new QCheckBox(OneFileCaption, options);
    tidy_ = new QCheckBox(TidyCaption, options);
    omitNegative_->setToolTip(OmitNegativeHint);
    useEndpoints_->setToolTip(UseEndpointsHint);
    omitHeader_->setToolTip(OmitHeaderHint);
    oneFile_->setToolTip(OneFileHint);
    tidy_->setToolTip(TidyHint);
    for (QCheckBox* box : {omitNegative_, useEndpoints_, omitHeader_, oneFile_, tidy_})
        optionLayout->addWidget(box);
    output->addWidget(options);
    output->addStretch();
    outer->addLayout(output);

    // The commands: the export of the checked files, and the train details of a batch.
    auto* commands = new QVBoxLayout;
    auto* exportGroup = new QGroupBox("Detection export", this);
    exportGroup->setFixedWidth(420);
    auto* exportLayout = new QGridLayout(exportGroup);
    export_ = new QPushButton(ExportDataCaption, exportGroup);
    export_->setToolTip(ExportDataHint);
    export_->setMinimumWidth(150);
    exportLayout->addWidget(export_, 0, 0, 3, 1, Qt::AlignTop);
    for (int slot = 1; slot <= SlotCount; ++slot) {
        auto* box = new QCheckBox(QString::number(slot), exportGroup);
        box->setToolTip(FileBoxesHint);
        auto* name = new ElidedLabel(exportGroup);
        name->setStyleSheet("color: #606060;");
        exportLayout->addWidget(box, slot - 1, 1);
        exportLayout->addWidget(name, slot - 1, 2);
        files_[static_cast<std::size_t>(slot)] = box;
        fileNames_[static_cast<std::size_t>(slot)] = name;
        connect(box, &QCheckBox::clicked, this, [this, slot](bool on) {
            ExportPageOf(app_.program).FileBoxes[static_cast<std::size_t>(slot)] = on;
        });
    }
    exportLayout->setColumnStretch(2, 1);
    clickFilter_ = new QLabel(exportGroup);
    trainFilter_ = new QLabel(exportGroup);
    for (QLabel* label : {clickFilter_, trainFilter_}) {
        label->setWordWrap(true);
        label->setToolTip("The filters every export applies (set them on the \"Files - View\" page)");
    }
    exportLayout->addWidget(clickFilter_, 3, 0, 1, 3);
    exportLayout->addWidget(trainFilter_, 4, 0, 1, 3);
    commands->addWidget(exportGroup);

    auto* detailsGroup = new QGroupBox("Train details", this);
    detailsGroup->setFixedWidth(420);
    auto* detailsLayout = new QVBoxLayout(detailsGroup);
    brief_ = new QPushButton(BriefDetailsCaption, detailsGroup);
    full_ = new QPushButton(FullDetailsCaption, detailsGroup);
    brief_->setToolTip(BriefDetailsHint);
    full_->setToolTip(FullDetailsHint);
    detailsLayout->addWidget(brief_);
    detailsLayout->addWidget(full_);
    commands->addWidget(detailsGroup);
    commands->addWidget(BatchGroup());
    commands->addWidget(ListingGroup());
    commands->addStretch();
    outer->addLayout(commands);
    outer->addStretch();

    ExportPage& page = ExportPageOf(app_.program);
    connect(data_, &QButtonGroup::idClicked, this, [this, &page](int id) {
        ChooseDataItem(page, static_cast<ExportItem>(id));
        Refresh({});
    });
    connect(period_, &QButtonGroup::idClicked, this, [this, &page](int id) {
        ChoosePeriod(page, app_.host, static_cast<ExportPeriod>(id));
        Refresh({});
    });
    connect(to_, &QButtonGroup::idClicked, this, [this, &page](int id) {
        ChooseTo(page, static_cast<ExportTo>(id));
        Refresh({});
    });
    connect(dateFormat_, &QButtonGroup::idClicked, this,
            [&page](int id) { page.DateFormat = static_cast<ExportDateFormat>(id); });
    connect(dateUnit_, &QButtonGroup::idClicked, this,
            [&page](int id) { page.DateUnit = static_cast<ExportDateUnit>(id); });
    connect(omitNegative_, &QCheckBox::clicked, this, [&page](bool on) { page.OmitNegative = on; });
    connect(omitHeader_, &QCheckBox::clicked, this, [&page](bool on) { page.OmitHeader = on; });
    connect(oneFile_, &QCheckBox::clicked, this, [&page](bool on) { page.OneFile = on; });
    connect(tidy_, &QCheckBox::clicked, this, [&page](bool on) { page.Tidy = on; });
    connect(useEndpoints_, &QCheckBox::clicked, this, [this](bool on) {
        app_.RunCommand([this, on] {
            SetUseEndpoints(app_.program, app_.host, on);
            if (app_.display != nullptr) app_.display->AfterFilesChanged();
        });
        Refresh({});
    });
    connect(export_, &QPushButton::clicked, this, [this] { ExportData(); });
    connect(brief_, &QPushButton::clicked, this, [this] { ExportDetails(false); });
    connect(full_, &QPushButton::clicked, this, [this] { ExportDetails(true); });
    Refresh({});
}

void ExportTab::ExportData() {
    app_.RunCommand([this] {
        const int exported = ExportGenBtnClick(app_.program, app_.host);
        // Lines added to the Results page are shown there.
        const ExportPage& page = ExportPageOf(app_.program);
        if (exported > 0 && page.To == ExportTo::Results && !page.Tidy && app_.ShowPage)
            app_.ShowPage("Results");
    });
    Refresh({});
}

void ExportTab::ExportDetails(bool full) {
    app_.RunCommand([this, full] {
        ExportTrainDetailBtnClick(app_.program, app_.host, full);
        // The export closes every file first.
        if (app_.display != nullptr) app_.display->AfterFilesChanged();
    });
    Refresh({});
}

QWidget* ExportTab::BatchGroup() {
    auto* group = new QGroupBox("Batches of files", this);
    group->setFixedWidth(420);
    auto* layout = new QGridLayout(group);
    layout->setVerticalSpacing(4);
    const auto button = [group](const char* caption, const char* hint) {
        auto* b = new QPushButton(caption, group);
        b->setToolTip(hint);
        return b;
    };
    exportBatch_ = button(ExportBatchCaption, ExportBatchHint);
    listNoise_ = button(ListNoiseCaption, ListNoiseHint);
    listFiles_ = button(ListFilesCaption, ListFilesHint);
    listSettings_ = button(ListSettingsCaption, ListSettingsHint);
    tabulateDays_ = button(TabulateDaysCaption, TabulateDaysHint);
    noiseThreshold_ = new QLineEdit(group);
    noiseThreshold_->setToolTip(NoiseThresholdHint);
    noiseThreshold_->setMaximumWidth(90);
    auto* thresholdLabel = new QLabel(NoiseThresholdCaption, group);
    thresholdLabel->setToolTip(NoiseThresholdHint);
    layout->addWidget(exportBatch_, 0, 0, 1, 3);
    layout->addWidget(listNoise_, 1, 0, 1, 3);
    layout->addWidget(thresholdLabel, 2, 0, 1, 2, Qt::AlignRight);
    layout->addWidget(noiseThreshold_, 2, 2);
    layout->addWidget(listFiles_, 3, 0);
    layout->addWidget(listSettings_, 3, 1);
    layout->addWidget(tabulateDays_, 3, 2);

    Program& p = app_.program;
    Host& h = app_.host;
    connect(noiseThreshold_, &QLineEdit::textEdited, this, [this](const QString& text) {
        EnterNoiseThreshold(BatchPageOf(app_.program), text.toStdString());
    });
    // A text that is no count puts the default back once the box is left.
    connect(noiseThreshold_, &QLineEdit::editingFinished, this, [this] { Refresh({}); });
    connect(exportBatch_, &QPushButton::clicked, this, [this, &p, &h] {
        RunListing([&p, &h] {
            ExportBatchBtnClick(p, h);
            if (ExportPageOf(p).To == ExportTo::Results) h.StateChanged(changed::ResultsPageToFront);
        });
    });
    connect(listNoise_, &QPushButton::clicked, this,
            [this, &p, &h] { RunListing([&p, &h] { ListNoiseBtnClick(p, h); }); });
    connect(listFiles_, &QPushButton::clicked, this,
            [this, &p, &h] { RunListing([&p, &h] { ListFilesBtnClick(p, h); }); });
    connect(listSettings_, &QPushButton::clicked, this,
            [this, &p, &h] { RunListing([&p, &h] { ListSettingsBtnClick(p, h); }); });
    connect(tabulateDays_, &QPushButton::clicked, this,
            [this, &p, &h] { RunListing([&p, &h] { TabulateDaysBtnClick(p, h); }); });
    return group;
}

QWidget* ExportTab::ListingGroup() {
    auto* group = new QGroupBox("Minutes and clicks of the open files", this);
    group->setFixedWidth(420);
    auto* layout = new QGridLayout(group);
    layout->setVerticalSpacing(4);
    minuteSummaries_ = new QPushButton(MinuteSummariesCaption, group);
    minuteSummaries_->setToolTip(MinuteSummariesHint);
    omitSpreadsheetHeaders_ = new QCheckBox(OmitSpreadsheetHeadersCaption, group);
    omitSpreadsheetHeaders_->setToolTip(OmitSpreadsheetHeadersHint);
    clickDetails_ = new QPushButton(ClickDetailsCaption, group);
    clickDetails_->setToolTip(ClickDetailsHint);
    tadMins_ = new QPushButton(TadMinsCaption, group);
    tadMins_->setToolTip(TadMinsHint);
    layout->addWidget(minuteSummaries_, 0, 0);
    layout->addWidget(omitSpreadsheetHeaders_, 0, 1);
    layout->addWidget(clickDetails_, 1, 0);
    layout->addWidget(tadMins_, 1, 1);

    Program& p = app_.program;
    Host& h = app_.host;
    connect(omitSpreadsheetHeaders_, &QCheckBox::clicked, this,
            [this](bool on) { BatchPageOf(app_.program).OmitSpreadsheetHeaders = on; });
    connect(minuteSummaries_, &QPushButton::clicked, this, [this, &p, &h] {
        RunListing(
            [&p, &h] {
                // The file whose band was double-clicked last, over the screen on display.
                DisplayState& d = DisplayStateOf(p);
                const ClickTime readPosition = d.ReadPosition;
                ExportRawFileBtnClick(p, h, BandAt(d, p, d.SelectedY), PixelToTime(d, PlotLeft),
                                      readPosition);
                d.ReadPosition = readPosition;
            },
            false);
    });
    connect(clickDetails_, &QPushButton::clicked, this,
            [this, &p, &h] { RunListing([&p, &h] { ExportClickDetails(p, h); }, false); });
    connect(tadMins_, &QPushButton::clicked, this,
            [this, &p, &h] { RunListing([&p, &h] { ExportTADICIsbtnClick(p, h); }, false); });
    return group;
}

void ExportTab::RunListing(const std::function<void()>& command, bool filesClosed) {
    app_.RunCommand([this, command, filesClosed] {
        command();
        // The batches close every file; the listings read the open files and leave the screen.
        if (app_.display == nullptr) return;
        if (filesClosed)
            app_.display->AfterFilesChanged();
        else
            app_.display->RedrawScreen();
    });
    Refresh({});
}

void ExportTab::Refresh(const std::string&) {
    const Program& p = app_.program;
    const ExportPage& page = ExportPageOf(app_.program);
    ShowChosen(data_, static_cast<int>(page.DataItem));
    ShowChosen(period_, static_cast<int>(page.Period));
    ShowChosen(to_, static_cast<int>(page.To));
    ShowChosen(dateFormat_, static_cast<int>(page.DateFormat));
    ShowChosen(dateUnit_, static_cast<int>(page.DateUnit));
    periodGroup_->setEnabled(page.PeriodEnabled);
    omitNegative_->setEnabled(page.OmitNegativeEnabled);
    oneFile_->setEnabled(page.OneFileEnabled);
    ShowChecked(omitNegative_, page.OmitNegative);
    ShowChecked(useEndpoints_, p.Options.UseEndpoints);
    ShowChecked(omitHeader_, page.OmitHeader);
    ShowChecked(oneFile_, page.OneFile);
    ShowChecked(tidy_, page.Tidy);
    for (int slot = 1; slot <= SlotCount; ++slot) {
        const auto i = static_cast<std::size_t>(slot);
        ShowChecked(files_[i], page.FileBoxes[i]);
        fileNames_[i]->SetFullText(p.Slot(slot).IsOpen ? Q(p.Slot(slot).ShortName) : QString("(vacant)"));
    }
    export_->setText(Q(page.ExportDataButton));
    brief_->setText(Q(page.BriefDetailsButton));
    full_->setText(Q(page.FullDetailsButton));
    clickFilter_->setText(Q(p.ExportClickFilterLabel));
    trainFilter_->setText(Q(p.ExportTrainFilterLabel));
    const BatchPage& batch = BatchPageOf(app_.program);
    exportBatch_->setText(Q(batch.ExportBatchButton));
    listNoise_->setText(Q(batch.ListNoiseButton));
    listFiles_->setText(Q(batch.ListFilesButton));
    listSettings_->setText(Q(batch.ListSettingsButton));
    tabulateDays_->setText(Q(batch.TabulateDaysButton));
    minuteSummaries_->setText(Q(batch.MinuteSummariesButton));
    tadMins_->setText(Q(batch.TadMinsButton));
    ShowText(noiseThreshold_, batch.NoiseThresholdText);
    ShowChecked(omitSpreadsheetHeaders_, batch.OmitSpreadsheetHeaders);
}

void ExportTab::ApplyDevelopmentMode(bool on) {
    full_->setVisible(on);
    full_->setEnabled(on);
}

} // namespace kelp
