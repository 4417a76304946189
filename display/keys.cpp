#include "display/keys.h"

#include "core/filters.h"
#include "core/program.h"
#include "display/command_state.h"
#include "display/commands.h"
#include "display/controls.h"
#include "display/display_link.h"
#include "display/legends.h"
#include "display/navigation.h"
#include "display/pointer_menu.h"
#include "display/y_scale.h"

namespace kelp {

namespace {

bool IsFunctionKey(DisplayKey key) {
    return key >= DisplayKey::F1 && key <= DisplayKey::F12;
}

// After a filter or parameter key: the screen again from its start, with the source box.
void RedrawFromStart(DisplayContext& ctx) {
    ShowAt(ctx, PlotLeft, ShowAtMode::RightOfPointer);
    RefreshDisplaySourceBox(ctx);
}

void ChooseParameter(DisplayContext& ctx, int parameter, bool setYScale) {
    ShowParameter(ctx, parameter, setYScale);
    RedrawFromStart(ctx);
}

// Shift + Up on a click scale: every click, quality classes, one minute per bin around the
// plot's centre.
void MinuteOverview(DisplayContext& ctx) {
    SetIgnoreFilters(ctx.program, ctx.host, true);
    ShowParameter(ctx, param::Quality, false);
    SelectScale(ctx, OneMinuteScale);
    ShowAt(ctx, ctx.state.PlotWidth / 2 + PlotLeft, ShowAtMode::RightOfPointer);
}

KeyAction FunctionKey(DisplayContext& ctx, DisplayKey key, bool shift) {
    DisplayState& s = ctx.state;
    Program& p = ctx.program;
    const int current = s.DisplayParameter;
    const bool high = !IsLowResolution(s.TimeScale);
    switch (key) {
    case DisplayKey::F1:
        if (shift)
            BackButton(ctx);
        else
            GoOnButton(ctx);
        break;
    case DisplayKey::F2:
        return KeyAction::ShowResultsPage;
    case DisplayKey::F3:
        SetAllQualities(p, ctx.host, !p.Trains.AllQualities);
        RedrawFromStart(ctx);
        break;
    case DisplayKey::F4:
        SetIgnoreFilters(p, ctx.host, !p.Clicks.Ignore);
        RedrawFromStart(ctx);
        break;
    case DisplayKey::F5:
    case DisplayKey::F6:
        YScaleKey(ctx, key == DisplayKey::F5);
        break;
    case DisplayKey::F7:
        ChooseParameter(ctx, current == param::ClickRate ? param::Ici : param::ClickRate, false);
        break;
    case DisplayKey::F8:
        ChooseParameter(ctx, current == param::Quality ? param::Species : param::Quality, false);
        break;
    case DisplayKey::F9:
        ChooseParameter(ctx, param::Frequency, true);
        break;
    case DisplayKey::F10:
        ChooseParameter(ctx, param::Spl, true);
        break;
    case DisplayKey::F11:
        if (!high)
            ChooseParameter(ctx, param::Cycles, false);
        else if (shift)
            ChooseParameter(ctx, current == param::Bandwidth ? param::Envelope : param::Bandwidth, false);
        else
            ChooseParameter(ctx, param::Cycles, true);
        break;
    default:
        break;
    }
    return KeyAction::Done;
}

} // namespace

KeyAction DisplayKeyReleased(DisplayContext& ctx, DisplayKey key, bool shift, int pointerX, int pointerY) {
    DisplayState& s = ctx.state;
    Program& p = ctx.program;
    DisplayCommands& c = DisplayCommandsOf(p);
    if (pointerY >= s.Bottom + controls_layout::SourceBoxBelow) return KeyAction::Ignored;
    if (s.MenuPagesVisible) {
        if (!IsFunctionKey(key)) return KeyAction::Ignored;
        if (key == DisplayKey::F2) {
            RefreshDisplay(ctx, false);
            return KeyAction::Done;
        }
        HideMenuPages(ctx);
    }
    if (key == DisplayKey::Escape) {
        c.StopRequest = true;
        c.FastForward.Running = false;
        EndKHzSteps(ctx);
        return KeyAction::Done;
    }
    if (key == DisplayKey::F2) return KeyAction::ShowResultsPage;
    if (key == DisplayKey::F12) {
        RefreshDisplay(ctx, true);
        return KeyAction::Done;
    }
    if (OpenBandCount(p) == 0 || p.Options.Busy) return KeyAction::Ignored;
    if (IsFunctionKey(key)) return FunctionKey(ctx, key, shift);

    const bool high = !IsLowResolution(s.TimeScale);
    switch (key) {
    case DisplayKey::End:
        LastScreen(ctx);
        return KeyAction::Done;
    case DisplayKey::Home:
        StartButton(ctx);
        return KeyAction::Done;
    case DisplayKey::Left:
        ShowAt(ctx, pointerX, ShowAtMode::LeftOfPointer);
        return KeyAction::Done;
    case DisplayKey::Right:
        ShowAt(ctx, pointerX, ShowAtMode::RightOfPointer);
        return KeyAction::Done;
    case DisplayKey::Down:
        ShowAt(ctx, pointerX, ShowAtMode::ZoomInAround);
        return KeyAction::Done;
    case DisplayKey::Up:
        if (!shift)
            ShowAt(ctx, pointerX, ShowAtMode::ZoomOutAround);
        else if (high)
            MinuteOverview(ctx);
        else
            return KeyAction::Ignored;
        return KeyAction::Done;
    case DisplayKey::C:
        if (!shift || !high) return KeyAction::Ignored;
        CompareKl3Files(ctx);
        return KeyAction::Done;
    case DisplayKey::F:
        if (shift) {
            StartKHzSteps(ctx);
        } else if (c.Steps.Active) {
            StepKHzBand(ctx);
        } else {
            c.StopRequest = true;
            c.FastForward.Running = false;
        }
        return KeyAction::Done;
    case DisplayKey::G:
        return shift ? KeyAction::CaptureScreen : KeyAction::Ignored;
    case DisplayKey::S:
        return shift && high ? KeyAction::AppendToSpikeFile : KeyAction::Ignored;
    case DisplayKey::T:
        if (!shift || !high) return KeyAction::Ignored;
        PutTimeIntoResults(ctx, pointerX);
        return KeyAction::Done;
    default:
        return KeyAction::Ignored;
    }
}

const std::vector<std::string>& DisplayKeyHelpLines() {
    static const std::vector<std::string> lines = {
        "F1        next screen",
        "F1 + Shift:   previous screen",
        "F2        show/hide results page",
        "F3        All Q on/off",
        "F4        ignore filters on/off",
        "F5        Y scale up",
        "F6        Y scale down",
        "F7        ICI / click rate",
        "F8        train quality / species",
        "F9        frequency",
        "F10       amplitude (SPL)",
        "F11       duration",
        "F11 + Shift:   bandwidth / envelope",
        "F12       refresh",
        "Home      start from the beginning",
        "End       last screen",
        "Left arrow    data to the left of the pointer",
        "Right arrow   data to the right of the pointer",
        "Down arrow    zoom in around the pointer",
        "Up arrow      zoom out around the pointer",
        "Up arrow + Shift:   1 min, kHz, stacked bars",
        "ESC       stop",
        "F + Shift:   step through kHz bands (F for the next band)",
        "G + Shift:   copy the display to the clipboard, black on white",
        "C + Shift:   compare KL3 files",
        "S + Shift:   add the selection to a spike file",
        "T + Shift:   put the pointer time into the results page",
        "Drag to the right:   zoom in to the selection",
        "Right-click:   the pointer menu",
    };
    return lines;
}

} // namespace kelp
