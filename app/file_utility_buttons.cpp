#include "app/file_utility_buttons.h"

#include <QGridLayout>
#include <QPushButton>

#include "app/controls.h"
#include "app/display_widget.h"
#include "app/qt_host.h"
#include "core/program.h"
#include "display/display_state.h"
#include "display/geometry.h"
#include "download/read_sd_page.h"

namespace kelp {

bool RunFileUtility(AppContext& app, const std::function<void()>& utility) {
    return app.RunCommand([&app, &utility] {
        utility();
        app.host.StateChanged(FileUtilitiesChanged);
        if (app.display != nullptr) app.display->AfterFilesChanged();
    });
}

SpikeRequest SpikeRequestOf(AppContext& app) {
    DisplayState& s = DisplayStateOf(app.program);
    SpikeRequest request;
    request.BandSlot = BandAt(s, app.program, s.SelectedY);
    request.ScreenStart = TimeDifference(s.ReadPosition, s.Span).Minute;
    const ClickTime readPosition = s.ReadPosition;
    DisplayWidget* display = app.display;
    request.RestoreAndRedraw = [&s, readPosition, display] {
        s.ReadPosition = readPosition;
        if (display != nullptr) display->RedrawScreen();
    };
    return request;
}

FileUtilityButtons::FileUtilityButtons(AppContext& app, QWidget* parent)
    : QGroupBox("File utilities", parent), app_(app) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    Program& p = app.program;
    Host& h = app.host;
    paste_ = AddButton(FileUtilityState{}.PasteCaption.c_str(),
                       "Write the location, notes, latitude, longitude and depths in the File 1 boxes "
                       "into the header of every open file",
                       0, 0, [&p, &h] { PasteMetadata(p, h); });
    rename_ = AddButton(RenameFileSetCaption,
                        "Rename the KL1, KL2 and KL3 files and map files of the open file's name", 0, 1,
                        [&p, &h] { RenameFileSet(p, h); });
    delete_ = AddButton(DeleteFileSetCaption,
                        "Delete the KL1, KL2 and KL3 files and map files of the open file's name", 0, 2,
                        [&p, &h] { DeleteFileSet(p, h); });
    verify_ = AddButton(VerifyOpenFilesCaption,
                        "Read every open file and report whether its clicks are in time order", 0, 3,
                        [&p, &h] { VerifyOpenFiles(p, h); });
    sameSpan_ = AddButton(FileUtilityState{}.SameSpanCaption.c_str(),
                          "Cut the time span of File 1 out of each of the files chosen next", 1, 0,
                          [&p, &h] { CopySameTimeSpan(p, h); });
    changeStart_ = AddButton(ChangeStartTimeCaption,
                             "Move File 1, the only open file, to start at the time in the start time "
                             "boxes of the Read SD page",
                             1, 1, [&p, &h] {
                                 ChangeStartTime(p, h, [&p, &h]() -> std::optional<MinuteNumber> {
                                     ReadSDPage& page = ReadSDPageOf(p);
                                     StartTimeChanged(page);
                                     if (!page.StartTimeError) return page.StartMinuteNumber;
                                     h.ShowMessage(InvalidStartTimeBoxesText);
                                     return std::nullopt;
                                 });
                             });
    append_ = AddButton(FileUtilityState{}.AppendCaption.c_str(),
                        "Join the files chosen next onto the end of File 1, the only open file", 1, 2,
                        [&p, &h] { AppendFiles(p, h); });
    editCopies_ = AddButton(FileUtilityState{}.EditCopiesCaption.c_str(),
                            "Copy chosen KL3 files to files named ... EDIT.KL3, whose classes can be edited",
                            1, 3, [&p, &h] { CreateEditCopies(p, h); });
    for (int column = 0; column < 4; ++column) grid->setColumnStretch(column, 1);
    Refresh();
}

QPushButton* FileUtilityButtons::AddButton(const char* caption, const char* hint, int row, int column,
                                           std::function<void()> utility) {
    auto* button = new QPushButton(caption, this);
    button->setToolTip(hint);
    static_cast<QGridLayout*>(layout())->addWidget(button, row, column);
    connect(button, &QPushButton::clicked, this,
            [this, utility = std::move(utility)] { RunFileUtility(app_, utility); });
    return button;
}

void FileUtilityButtons::Refresh() {
    const Program& p = app_.program;
    const FileUtilityState& state = FileUtilitiesOf(app_.program);
    paste_->setText(Q(state.PasteCaption));
    sameSpan_->setText(Q(state.SameSpanCaption));
    append_->setText(Q(state.AppendCaption));
    editCopies_->setText(Q(state.EditCopiesCaption));
    paste_->setEnabled(p.FileCommandsEnabled);
}

} // namespace kelp
