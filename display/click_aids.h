#pragma once
// Research aids that run while the click view draws a screen: click sequences ("ClkPk"),
// the click-rate graph, the capture of raw click data and the comparison of KL3 files.
#include <array>
#include <cstdint>
#include <string>

#include "core/records.h"
#include "core/time.h"
#include "display/display_state.h"

namespace kelp {

struct FileSlot;

inline constexpr const char* ClickSequenceHeader =
    "NrTime\tClkPkLastTime\tTimeSlotStart\tTimeSlotEnd\tNClksSeq\tNallClksSeq\tClkPKTargetSPL\tNrClk.MaxPk";
inline constexpr std::size_t ClickSequenceLineLimit = 200;
inline constexpr std::size_t RawCaptureLimit = 10'000;

// Click sequences of slot 1: regular runs of strong clicks, followed with the slot's
// click-peak tracker. Each hit in a run longer than three clicks draws a dotted mark above
// the click and counts a "waveform"; the tracker's steps go to the results page.
void TrackClickSequence(DisplayContext& ctx, FileSlot& slot, const ClickRecord& click, int x, int base);
// A minute marker (or the end of a screen): the waveforms join the slot's total and the
// sequence starts again.
void EndClickSequences(FileSlot& slot);

// The click-rate graph: clicks of slot 1 counted in 92 parts of 2^17 ticks of their minute,
// drawn at each new minute and at the end of the screen as a blue line 7 pixels per part.
class ClickRateGraph {
public:
    static constexpr int Parts = 92;
    static constexpr int PartTicks = 131'072;
    explicit ClickRateGraph(std::int32_t screenStartTick);
    void Count(std::int32_t time);
    // At a new minute: nothing before the screen's first click.
    void DrawAtMinute(DisplayContext& ctx) {
        if (started_) Draw(ctx);
    }
    void Draw(DisplayContext& ctx);

private:
    std::array<std::int64_t, Parts> counts_{};
    int firstPart_;
    bool first_ = true;
    bool started_ = false;
    int x_ = PlotLeft;
    int y_ = 200;
};

// Raw data capture: the header lines (when the list is empty) and one line per click.
std::string RawCaptureHeader(bool splAsPa, bool development, FileKind kind);
std::string RawCaptureLine(const ClickRecord& click, bool splAsPa, bool development, FileKind kind, int type);
void CaptureRawClick(DisplayContext& ctx, int slot, const ClickRecord& click, int type);

} // namespace kelp
