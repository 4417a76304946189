#include "app/file_controls.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/controls.h"
#include "app/display_widget.h"
#include "app/file_utility_buttons.h"
#include "app/qt_host.h"
#include "core/endpoints.h"
#include "core/file_slot.h"
#include "core/program.h"
#include "core/slots.h"

namespace kelp {

FileControls::FileControls(AppContext& app, QWidget* parent)
    : QWidget(parent), app_(app), open_(new QPushButton(this)),
      openSet_(new QPushButton("Open file set", this)), closeAll_(new QPushButton("Close all files", this)),
      copySelection_(new QPushButton(this)), range_(new QLabel(this)), from_(new QLabel(this)),
      to_(new QLabel(this)), refreshMaps_(new QCheckBox("refresh map files", this)),
      forceDefaults_(new QCheckBox("force defaults", this)),
      useEndpoints_(new QCheckBox("use endpoints, if set", this)), saveEndpoints_(new ClickLabel({}, this)),
      deleteEndpoints_(new ClickLabel({}, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    auto* files = new QGroupBox("Files and endpoints", this);
    auto* fileLayout = new QGridLayout(files);
    Compact(fileLayout);
    fileLayout->addWidget(open_, 0, 0);
    fileLayout->addWidget(openSet_, 0, 1);
    fileLayout->addWidget(closeAll_, 1, 0, 1, 2);
    open_->setToolTip("Open one to three KELP data files (KL1, KL2, KL3) into the free slots");
    openSet_->setToolTip("Close all files and open the KL1 and KL3 files of one name together");
    closeAll_->setToolTip("Close every open file");
    for (int slot = 1; slot <= SlotCount; ++slot) {
        auto* name = new ClickLabel({}, files);
        name->setToolTip("Click to close this file");
        name->setFrameShape(QFrame::StyledPanel);
        name->setMinimumHeight(20);
        fileLayout->addWidget(name, 1 + slot, 0, 1, 2);
        names_[static_cast<std::size_t>(slot)] = name;
        connect(name, &ClickLabel::clicked, this, [this, slot] {
            if (!app_.program.Slot(slot).IsOpen) return;
            RunFileCommand([this, slot] { CloseDataFile(app_.program, app_.host, slot); });
        });
    }
    fileLayout->addWidget(range_, 5, 0, 1, 2);
    fileLayout->addWidget(from_, 6, 0, 1, 2);
    fileLayout->addWidget(to_, 7, 0, 1, 2);
    refreshMaps_->setToolTip("If KL1 and KL3 files do not match check this box and re-open the file set");
    forceDefaults_->setToolTip("Open files as if logged every minute over the full switch angle range");
    fileLayout->addWidget(refreshMaps_, 8, 0);
    fileLayout->addWidget(forceDefaults_, 8, 1);
    useEndpoints_->setToolTip(UseEndpointsHint);
    saveEndpoints_->setToolTip("Save the time range now in use as the endpoints of every open file");
    deleteEndpoints_->setToolTip("Put every open file's endpoints back to its full range");
    saveEndpoints_->setStyleSheet(
        "QLabel { color: #1030a0; text-decoration: underline; } QLabel:disabled { color: "
        "#909090; text-decoration: none; }");
    deleteEndpoints_->setStyleSheet(saveEndpoints_->styleSheet());
    fileLayout->addWidget(useEndpoints_, 9, 0, 1, 2);
    fileLayout->addWidget(saveEndpoints_, 10, 0);
    fileLayout->addWidget(deleteEndpoints_, 10, 1);
    copySelection_->setToolTip("Copy the time range now in use (a selection, the endpoints or the whole "
                               "range) of every open file into a new file");
    fileLayout->addWidget(copySelection_, 11, 0, 1, 2);
    layout->addWidget(files);

    connect(open_, &QPushButton::clicked, this,
            [this] { RunFileCommand([this] { OpenFiles(app_.program, app_.host); }); });
    connect(openSet_, &QPushButton::clicked, this,
            [this] { RunFileCommand([this] { OpenFileSet(app_.program, app_.host); }); });
    connect(closeAll_, &QPushButton::clicked, this,
            [this] { RunFileCommand([this] { CloseAllFiles(app_.program, app_.host); }); });
    connect(refreshMaps_, &QCheckBox::clicked, this,
            [this](bool on) { app_.program.Options.RefreshMapFiles = on; });
    connect(forceDefaults_, &QCheckBox::clicked, this,
            [this](bool on) { app_.program.Options.ForceDefaults = on; });
    connect(useEndpoints_, &QCheckBox::clicked, this, [this](bool on) {
        RunFileCommand([this, on] { SetUseEndpoints(app_.program, app_.host, on); });
    });
    connect(saveEndpoints_, &ClickLabel::clicked, this,
            [this] { app_.RunCommand([this] { SaveEndpoints(app_.program, app_.host); }); });
    connect(deleteEndpoints_, &ClickLabel::clicked, this,
            [this] { RunFileCommand([this] { DeleteSavedEndpoints(app_.program, app_.host); }); });
    connect(copySelection_, &QPushButton::clicked, this,
            [this] { RunFileUtility(app_, [this] { CopySelectedPeriod(app_.program, app_.host, true); }); });
    Refresh();
}

void FileControls::RunFileCommand(const std::function<void()>& command) {
    app_.RunCommand([this, &command] {
        command();
        if (app_.display != nullptr) app_.display->AfterFilesChanged();
    });
}

void FileControls::Refresh() {
    const Program& p = app_.program;
    open_->setText(Q(p.OpenButtonCaption));
    open_->setEnabled(p.OpenButtonEnabled);
    closeAll_->setEnabled(p.FileCommandsEnabled);
    for (int slot = 1; slot <= SlotCount; ++slot) {
        const FileSlot& s = p.Slot(slot);
        ClickLabel* name = names_[static_cast<std::size_t>(slot)];
        name->setText(Q(s.NameLabel.empty() ? VacantLabel(slot) : s.NameLabel));
        name->setToolTip(s.IsOpen ? Q(s.FullName + "\nClick to close this file") : QString());
        name->setEnabled(s.IsOpen);
    }
    range_->setText(Q(p.RangeLabel));
    from_->setText(Q(p.FromLabel));
    to_->setText(Q(p.ToLabel));
    ShowChecked(refreshMaps_, p.Options.RefreshMapFiles);
    ShowChecked(forceDefaults_, p.Options.ForceDefaults);
    ShowChecked(useEndpoints_, p.Options.UseEndpoints);
    saveEndpoints_->setText(Q(p.SaveEndpointsLabel));
    deleteEndpoints_->setText(Q(p.DeleteEndpointsLabel));
    saveEndpoints_->setEnabled(p.FileCommandsEnabled);
    deleteEndpoints_->setEnabled(p.FileCommandsEnabled);
    copySelection_->setText(Q(FileUtilitiesOf(app_.program).CopySelectionCaption));
    copySelection_->setEnabled(p.FileCommandsEnabled);
}

} // namespace kelp
