#include "app/metadata_page.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "app/controls.h"
#include "app/display_widget.h"
#include "app/file_utility_buttons.h"
#include "app/qt_host.h"
#include "core/endpoints.h"
#include "core/file_slot.h"
#include "core/filters.h"
#include "core/program.h"

namespace kelp {
namespace {

QPlainTextEdit* SummaryBox(QWidget* parent, const QString& hint) {
    auto* box = new QPlainTextEdit(parent);
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setToolTip(hint);
    // The summaries line their figures up with blanks.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(10);
    box->setFont(fixed);
    return box;
}

} // namespace

MetadataPage::MetadataPage(AppContext& app, QWidget* parent) : Page(app, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    for (int slot = 1; slot <= SlotCount; ++slot) {
        SlotBoxes& b = boxes_[static_cast<std::size_t>(slot)];
        auto* group = new QGroupBox(QString("File %1").arg(slot), this);
        groups_[static_cast<std::size_t>(slot)] = group;
        // The name above the file's boxes, the captions above its summaries.
        auto* grid = new QGridLayout(group);
        grid->setContentsMargins(8, 4, 8, 6);
        grid->setVerticalSpacing(2);
        auto* fields = new QGridLayout;
        fields->setVerticalSpacing(2);
        fields->setHorizontalSpacing(6);
        b.Name = new QLabel(group);
        b.Name->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QFont bold = b.Name->font();
        bold.setBold(true);
        b.Name->setFont(bold);
        b.KelpId = new QLabel(group);
        b.Start = new QLabel(group);
        b.End = new QLabel(group);
        b.Duration = new QLabel(group);
        b.Duration->setToolTip("Length of the recording / length between its endpoints");
        grid->addWidget(b.Name, 0, 0);
        fields->addWidget(b.KelpId, 1, 0, 1, 2);
        fields->addWidget(b.Duration, 1, 2, 1, 2);
        fields->addWidget(b.Start, 2, 0, 1, 2);
        fields->addWidget(b.End, 2, 2, 1, 2);
        auto entry = [&](const char* caption, int r, int c, int span, QLineEdit*& edit,
                         std::string FileSlot::*field) {
            fields->addWidget(new QLabel(caption, group), r, c);
            edit = new QLineEdit(group);
            fields->addWidget(edit, r, c + 1, 1, span);
            connect(edit, &QLineEdit::textEdited, this, [this, slot, field](const QString& text) {
                app_.program.Slot(slot).*field = text.toStdString();
            });
        };
        entry("Location", 3, 0, 3, b.Location, &FileSlot::LocationBox);
        entry("Notes", 4, 0, 3, b.Notes, &FileSlot::NotesBox);
        entry("Deployment depth", 5, 0, 1, b.DeploymentDepth, &FileSlot::DeploymentDepthBox);
        entry("Water depth", 5, 2, 1, b.WaterDepth, &FileSlot::WaterDepthBox);
        entry("Latitude", 6, 0, 1, b.Latitude, &FileSlot::LatitudeBox);
        entry("Longitude", 6, 2, 1, b.Longitude, &FileSlot::LongitudeBox);
        fields->setColumnStretch(1, 2);
        fields->setColumnStretch(3, 1);
        fields->setRowStretch(7, 1);
        grid->addLayout(fields, 1, 0);
        grid->addWidget(new QLabel("Session", group), 0, 1);
        b.Session = SummaryBox(group, "What the file holds: its logger, times, clicks and size");
        grid->addWidget(b.Session, 1, 1);
        grid->addWidget(new QLabel("Settings", group), 0, 2);
        b.Settings = SummaryBox(group, "How the logger was set when it recorded the file");
        grid->addWidget(b.Settings, 1, 2);
        grid->setColumnStretch(0, 4);
        grid->setColumnStretch(1, 5);
        grid->setColumnStretch(2, 4);
        grid->setRowStretch(1, 1);
        layout->addWidget(group, 1);
    }
    auto* switches = new QHBoxLayout;
    switches->setContentsMargins(8, 0, 8, 0);
    switches->setSpacing(24);
    useSavedEndpoints_ = new QCheckBox("use saved endpoints", this);
    useSavedEndpoints_->setToolTip(UseSavedEndpointsHint);
    ignoreAll_ = new QCheckBox("ignore all filters", this);
    ignoreAll_->setToolTip("Show, analyse and export every click, whatever the click and train filters say");
    switches->addWidget(useSavedEndpoints_);
    switches->addWidget(ignoreAll_);
    switches->addStretch();
    layout->addLayout(switches);
    connect(useSavedEndpoints_, &QCheckBox::clicked, this, [this](bool on) {
        app_.RunCommand([this, on] {
            SetUseEndpoints(app_.program, app_.host, on);
            if (app_.display != nullptr) app_.display->AfterFilesChanged();
        });
        Refresh({});
    });
    connect(ignoreAll_, &QCheckBox::clicked, this, [this](bool on) {
        SetIgnoreFilters(app_.program, app_.host, on);
        if (app_.display != nullptr) app_.display->RedrawSoon();
    });
    utilities_ = new FileUtilityButtons(app, this);
    layout->addWidget(utilities_);
    Refresh({});
}

void MetadataPage::Refresh(const std::string&) {
    // The open files' summaries get the room that vacant slots do not need.
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    for (int slot = 1; slot <= SlotCount; ++slot) {
        const FileSlot& s = app_.program.Slot(slot);
        SlotBoxes& b = boxes_[static_cast<std::size_t>(slot)];
        b.Name->setText(Q(s.NameLabel.empty() ? VacantLabel(slot) : s.NameLabel));
        b.Name->setToolTip(Q(s.FullName));
        b.KelpId->setText(Q(s.KelpIdLabel));
        b.Start->setText(Q(s.StartLabel));
        b.End->setText(Q(s.EndLabel));
        b.Duration->setText(Q(s.DurationLabel));
        ShowText(b.Location, s.LocationBox);
        ShowText(b.Notes, s.NotesBox);
        ShowText(b.DeploymentDepth, s.DeploymentDepthBox);
        ShowText(b.WaterDepth, s.WaterDepthBox);
        ShowText(b.Latitude, s.LatitudeBox);
        ShowText(b.Longitude, s.LongitudeBox);
        ShowLines(b.Session, s.SessionText);
        ShowLines(b.Settings, s.SettingsText);
        layout->setStretchFactor(groups_[static_cast<std::size_t>(slot)], s.IsOpen ? 3 : 1);
    }
    ShowChecked(useSavedEndpoints_, app_.program.Options.UseEndpoints);
    ShowChecked(ignoreAll_, app_.program.Clicks.Ignore);
    utilities_->Refresh();
}

} // namespace kelp
