#include "app/export_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/controls.h"
#include "app/display_widget.h"
#include "app/qt_host.h"
#include "core/endpoints.h"
#include "core/program.h"
#include "export/detection_export.h"
#include "export/export_page.h"
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
        auto* name = new QLabel(exportGroup);
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
        fileNames_[i]->setText(p.Slot(slot).IsOpen ? Q(p.Slot(slot).ShortName) : QString("(vacant)"));
    }
    export_->setText(Q(page.ExportDataButton));
    brief_->setText(Q(page.BriefDetailsButton));
    full_->setText(Q(page.FullDetailsButton));
    clickFilter_->setText(Q(p.ExportClickFilterLabel));
    trainFilter_->setText(Q(p.ExportTrainFilterLabel));
}

void ExportTab::ApplyDevelopmentMode(bool on) {
    full_->setVisible(on);
    full_->setEnabled(on);
}

} // namespace kelp
