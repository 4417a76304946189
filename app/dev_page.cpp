#include "app/dev_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/controls.h"
#include "app/file_utility_buttons.h"
#include "app/qt_host.h"
#include "core/program.h"
#include "tda/tda_settings.h"
#include "tda/train_file.h"
#include "tda/train_parameters.h"

namespace kelp {
namespace {

constexpr int ParameterColumns = 3;

TrainDetectionSettings& SearchSettings(Program& p) {
    return TrainDetectionStateOf(p).Settings;
}

} // namespace

DevPage::DevPage(AppContext& app, QWidget* parent) : Page(app, parent) {
    auto* content = new QWidget(this);
    content->setFixedWidth(BlockingPanelWidth - 15);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->addWidget(content);
    outer->addStretch();
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* search = new QGroupBox("Train detection version 2: parameters", content);
    auto* grid = new QGridLayout(search);
    grid->setVerticalSpacing(2);
    const TrainParameters defaults;
    int index = 0;
    for (const std::string& name : TrainParameterNames()) {
        const int row = index / ParameterColumns;
        const int column = (index % ParameterColumns) * 2;
        grid->addWidget(new QLabel(Q(name), search), row, column);
        auto* box = new QLineEdit(search);
        box->setObjectName(Q(name + "Edit"));
        box->setMaximumWidth(70);
        box->setText(Q(TrainParameterText(defaults, name)));
        grid->addWidget(box, row, column + 1);
        parameters_[name] = box;
        connect(box, &QLineEdit::textEdited, this, [this, name, box](const QString& text) {
            TrainParameters& p = SearchSettings(app_.program).DevelopmentParameters;
            if (!SetTrainParameter(p, name, text.toStdString())) {
                const std::string fallback = TrainParameterText(TrainParameters{}, name);
                SetTrainParameter(p, name, fallback);
                ShowText(box, fallback);
            }
        });
        ++index;
    }
    layout->addWidget(search);

    auto* clusters = new QGroupBox("Clusters and search", content);
    auto* cgrid = new QGridLayout(clusters);
    fusionGap_ = new QLineEdit(clusters);
    forceGap_ = new QLineEdit(clusters);
    fusionGap_->setMaximumWidth(70);
    forceGap_->setMaximumWidth(70);
    cgrid->addWidget(new QLabel("InitialFusionGap", clusters), 0, 0);
    cgrid->addWidget(fusionGap_, 0, 1);
    cgrid->addWidget(new QLabel("Force gap at", clusters), 0, 2);
    cgrid->addWidget(forceGap_, 0, 3);
    inherit_ = new QCheckBox("inherit", clusters);
    stayInBands_ = new QCheckBox("stay within F bands", clusters);
    timeErrors_ = new QCheckBox("ShowTimeErrorAsClk", clusters);
    timeErrors_->setToolTip(
        "Show clicks out of time order as marks (SPL 250, 21 kHz) instead of dropping them");
    cgrid->addWidget(inherit_, 1, 0, 1, 2);
    cgrid->addWidget(stayInBands_, 1, 2, 1, 2);
    cgrid->addWidget(timeErrors_, 2, 0, 1, 4);
    cgrid->setColumnStretch(4, 1);
    layout->addWidget(clusters);

    auto* files = new QGroupBox("Files", content);
    auto* fgrid = new QGridLayout(files);
    spike_ = new QPushButton(SpikeCaption, files);
    spike_->setToolTip("Add the selected minutes of a KL1 file, or the minute at the start of the screen, "
                       "to a file whose name contains SPIKE");
    fgrid->addWidget(spike_, 0, 0);
    fgrid->setColumnStretch(1, 1);
    layout->addWidget(files);
    connect(spike_, &QPushButton::clicked, this, [this] {
        RunFileUtility(app_, [this] { AppendToSpikeFile(app_.program, app_.host, SpikeRequestOf(app_)); });
    });

    connect(fusionGap_, &QLineEdit::textEdited, this, [this](const QString& text) {
        TdaSettingsOf(app_.program).InitialFusionGap.Set(text.toStdString());
        Refresh({});
    });
    connect(forceGap_, &QLineEdit::textEdited, this, [this](const QString& text) {
        TdaSettingsOf(app_.program).ForceGapAt.Set(text.toStdString());
        Refresh({});
    });
    connect(inherit_, &QCheckBox::clicked, this,
            [this](bool on) { SearchSettings(app_.program).Inherit = on; });
    connect(stayInBands_, &QCheckBox::clicked, this,
            [this](bool on) { SearchSettings(app_.program).StayWithinBands = on; });
    connect(timeErrors_, &QCheckBox::clicked, this,
            [this](bool on) { app_.program.Options.ShowTimeErrorAsClk = on; });

    // The panel lies over the page's left part, above its controls.
    panel_ = new QWidget(this);
    panel_->setAutoFillBackground(true);
    auto* note = new QLabel("These tools are for the program's development.", panel_);
    note->setGeometry(24, 24, BlockingPanelWidth - 48, 24);
    note->setStyleSheet("color: #808080;");
    panel_->raise();
    Refresh({});
}

QLineEdit* DevPage::ParameterBox(const std::string& name) const {
    const auto it = parameters_.find(name);
    return it == parameters_.end() ? nullptr : it->second;
}

void DevPage::Refresh(const std::string&) {
    Program& p = app_.program;
    const TdaSettings& tda = TdaSettingsOf(p);
    ShowText(fusionGap_, tda.InitialFusionGap.Text);
    ShowText(forceGap_, tda.ForceGapAt.Text);
    ShowChecked(inherit_, SearchSettings(p).Inherit);
    ShowChecked(stayInBands_, SearchSettings(p).StayWithinBands);
    ShowChecked(timeErrors_, p.Options.ShowTimeErrorAsClk);
}

void DevPage::ApplyDevelopmentMode(bool on) {
    panel_->setGeometry(0, 0, on ? BlockingPanelWidthOn : BlockingPanelWidth, height());
    panel_->setVisible(!on);
    panel_->raise();
    Refresh({});
}

void DevPage::resizeEvent(QResizeEvent* event) {
    Page::resizeEvent(event);
    panel_->resize(panel_->width(), height());
}

} // namespace kelp
