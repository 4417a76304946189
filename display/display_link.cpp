#include "display/display_link.h"

#include "core/filters.h"
#include "core/program.h"
#include "display/geometry.h"
#include "display/legends.h"
#include "display/low_resolution.h"
#include "display/screen.h"

namespace kelp {

void FilesChanged(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    const ReaderDisplayLink& link = ctx.program.Display;
    const int open = OpenBandCount(ctx.program);
    s.MinutesPerMarker = link.MinutesPerMarker;
    if (open == 1 && s.OpenBands == 0) s.ReadPosition = link.ReadPosition;
    for (int slot = 1; slot <= SlotCount; ++slot)
        s.SlotParameter[static_cast<std::size_t>(slot)] =
            SlotParameterFor(ctx.program.Slot(slot).Kind, s.DisplayParameter);
    SetUpDisplay(ctx);
    if (open == 0) {
        s.SliderWidth = 0;
        ClearDisplay(ctx);
    } else {
        DrawBandTitles(ctx);
    }
}

void RefreshDisplaySourceBox(DisplayContext& ctx) {
    PublishDisplayLink(ctx);
    RefreshSourceBox(ctx.program, ctx.host);
}

DisplayHooks::DisplayHooks(Program& program, Canvas& canvas, Host& host) : program_(program) {
    program.Display.OnFilesChanged = [&program, &canvas, &host] {
        DisplayContext ctx(program, canvas, host);
        FilesChanged(ctx);
    };
    program.Display.AverageSplText = [&program] { return DisplayStateOf(program).AverageSpl.Text(); };
    program.Display.OnSlotPositioned = [&program](int slot) {
        ClearBinReading(DisplayStateOf(program), slot);
    };
}

DisplayHooks::~DisplayHooks() {
    program_.Display.OnFilesChanged = nullptr;
    program_.Display.AverageSplText = nullptr;
    program_.Display.OnSlotPositioned = nullptr;
}

} // namespace kelp
