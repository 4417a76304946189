#include "display/display_state.h"

#include "core/program.h"

namespace kelp {

DisplayState& DisplayStateOf(Program& program) {
    return program.State<DisplayState>();
}

DisplayContext::DisplayContext(Program& p, Canvas& c, Host& h)
    : program(p), canvas(c), host(h), state(DisplayStateOf(p)) {}

int OpenBandCount(const Program& program) {
    int n = 0;
    for (int slot = 1; slot <= SlotCount; ++slot)
        if (program.Slot(slot).IsOpen) ++n;
    return n;
}

bool SlotIsOpen(const Program& program, int slot) {
    return slot >= 1 && slot <= SlotCount && program.Slot(slot).IsOpen;
}

void PublishDisplayLink(DisplayContext& ctx) {
    ReaderDisplayLink& link = ctx.program.Display;
    link.TimeScale = ctx.state.TimeScale;
    link.MinutesPerBin = ctx.state.MinutesPerBin;
    link.ShowsNoiseParameter = ctx.state.DisplayParameter == param::Noise;
    link.Parameter = ctx.state.DisplayParameter;
    link.ReadPosition = ctx.state.ReadPosition;
}

double ValueScale(const DisplayState& state) {
    if (!IsLowResolution(state.TimeScale)) {
        if (state.DisplayParameter == param::Ici) return state.IciScale;
        if (state.DisplayParameter == param::ClickRate) return state.ClickRateScale;
    }
    return state.YScale;
}

void AverageSplTracker::Reset(int filterMinimum) {
    Sum = 0;
    Count = 0;
    Min = 0;
    Max = 0;
    FilterMinimum = filterMinimum;
    Threshold = filterMinimum;
    HasPrevious = false;
    Previous = {0, 0};
}

void AverageSplTracker::Offer(const ClickTime& time, int spl, const ClickTime& pointer) {
    if (!IsBefore(pointer, time)) return;
    if (spl <= Threshold || spl <= FilterMinimum || spl >= 255) return;
    if (HasPrevious && TicksBetween(time, Previous) < 400) return;
    Sum += spl;
    if (Count == 0 || spl < Min) Min = spl;
    if (Count == 0 || spl > Max) Max = spl;
    ++Count;
    HasPrevious = true;
    Previous = time;
    Threshold = spl * 3 / 4;
}

std::string AverageSplTracker::Text() const {
    const std::int64_t tenths = Count > 0 ? Sum * 10 / Count : 0;
    std::string digits = std::to_string(tenths);
    if (digits.size() < 2) digits.insert(0, "0");
    const std::string mean = digits.substr(0, digits.size() - 1) + "." + digits.substr(digits.size() - 1);
    const std::int64_t ratio = Max > 0 ? static_cast<std::int64_t>(Min) * 100 / Max : 0;
    return mean + "   " + std::to_string(Count) + "  " + std::to_string(ratio) + "%";
}

} // namespace kelp
