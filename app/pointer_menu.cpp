#include "app/pointer_menu.h"

#include "app/display_commands.h"
#include "app/qt_host.h"
#include "core/program.h"
#include "display/command_state.h"
#include "display/commands.h"
#include "display/navigation.h"
#include "display/pointer.h"
#include "display/pointer_menu.h"
#include "files/file_utilities.h"
#include "tda/train_class_edit.h"

namespace kelp {

namespace M = pointer_menu;

PointerMenu::PointerMenu(DisplayCommandPanel& panel, AppContext& app, QWidget* parent)
    : QMenu(parent), panel_(panel), app_(app) {
    Add(M::DownscaleKl1, [this] { panel_.Run(DownscaleKl1Counts); });
    Add(M::PutFileName, [this] { panel_.Run(PutFileNameIntoResults); });
    Add(M::PutTime, [this] {
        panel_.Run([](DisplayContext& ctx) {
            PutTimeIntoResults(ctx, DisplayCommandsOf(ctx.program).RightClick.X);
        });
    });
    Add(M::PutRawData, [this] { panel_.Run(PutRawDataIntoClipboard); });
    addSeparator();
    Add(M::SelectionStart, [this] { panel_.Run(SetSelectionStart); });
    Add(M::SelectionEnd, [this] { panel_.Run(SetSelectionEnd); });
    Add(M::ClearSelection, [this] { panel_.Run(kelp::ClearSelection); });
    addSeparator();
    Add(RemoveSpeciesCaption, [this] { EditSpecies(static_cast<int>(SpeciesEdit::RemoveClass)); });
    Add(SetDolphinCaption, [this] { EditSpecies(static_cast<int>(SpeciesEdit::SetDolphin)); });
    Add(SetPorpoiseCaption, [this] { EditSpecies(static_cast<int>(SpeciesEdit::SetPorpoise)); });
    identify_ = Add(IdentifyTrainCaption, [this] { IdentifyTrain(); });
    addSeparator();
    Add(M::RenameOneFile, [this] {
        panel_.Run([this](DisplayContext& ctx) {
            const int slot = BandUnderRightClick(ctx);
            RenameOneFile(ctx.program, ctx.host, slot != 0 ? slot : 1);
            panel_.FilesChanged();
        });
    });
    Add(M::CloseThisFile, [this] {
        panel_.Run([this](DisplayContext& ctx) {
            if (CloseFileUnderPointer(ctx) != 0) panel_.FilesChanged();
        });
    });
    Add(M::ShowInterval, [this] { panel_.Run(ShowInterclickInterval); });
    addSeparator();
    Add(M::CloseMenu, [this] { close(); });
}

QAction* PointerMenu::Add(const char* caption, const std::function<void()>& command) {
    QAction* action = addAction(QString::fromUtf8(caption));
    connect(action, &QAction::triggered, this, command);
    return action;
}

QAction* PointerMenu::Item(const std::string& caption) const {
    for (QAction* action : actions())
        if (action->text().toStdString() == caption) return action;
    return nullptr;
}

void PointerMenu::Open(const QPoint& global) {
    identify_->setVisible(app_.program.Options.DevelopmentMode);
    popup(global);
}

void PointerMenu::EditSpecies(int edit) {
    panel_.Run([edit](DisplayContext& ctx) {
        const PointerPosition at = DisplayCommandsOf(ctx.program).RightClick;
        const int slot = BandUnderRightClick(ctx);
        const std::optional<ClickRecord> click = ClickUnderPointer(ctx, slot, at.X);
        const ClickTime time = click ? click->When() : PixelToTime(ctx.state, at.X);
        const bool edited =
            EditTrainSpecies(ctx.program, ctx.host, slot, time, static_cast<SpeciesEdit>(edit));
        if (edited || click) RefreshDisplay(ctx, false);
    });
}

void PointerMenu::IdentifyTrain() {
    panel_.Run([](DisplayContext& ctx) {
        if (!RequestIdentifyTrain(ctx.program)) return;
        const PointerPosition at = DisplayCommandsOf(ctx.program).RightClick;
        const std::optional<ClickRecord> click = ClickUnderPointer(ctx, BandUnderRightClick(ctx), at.X);
        if (click) IdentifyTrainIfRequested(ctx.program, ctx.host, *click);
        RefreshDisplay(ctx, false);
    });
}

} // namespace kelp
