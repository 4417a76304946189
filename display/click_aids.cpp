#include "display/click_aids.h"

#include <algorithm>

#include "core/host.h"
#include "core/program.h"
#include "display/axes.h"
#include "display/colours.h"

namespace kelp {

void TrackClickSequence(DisplayContext& ctx, FileSlot& slot, const ClickRecord& click, int x, int base) {
    ClickPeakTracker& k = slot.Peaks;
    ResultsPage& results = ctx.host.Results();
    if (results.Lines().empty()) results.Append(ClickSequenceHeader);
    const std::int32_t t = click.Time;
    const std::int32_t v = click.SPL;
    // The reader's tracker, with a stricter restart: right after a sequence starts, a click
    // before the earliest next peak starts it again only when its level less an eighth beats
    // the threshold (the reader's peak count takes its level as it is). The two have always
    // counted differently, and the lines and counts each writes to the results page are
    // compared with earlier runs, so both are kept.
    if (k.Step(t, v, PeakRestartTest::LevelLessAnEighth)) {
        // A completed sequence: a dotted line above the click, in its kHz colour.
        const DisplayState& s = ctx.state;
        Canvas& c = ctx.canvas;
        const int h = static_cast<int>(
            std::clamp<std::int64_t>(RoundToInt(v * s.YScale), 1, std::max(1, s.BandHeight)));
        const int penWidth = c.PenWidth();
        const PenStyle penStyle = c.CurrentPenStyle();
        c.SetPen(s.Settings.BlackLines ? ColourBlack : KHzColour(click.kHz), 1, PenStyle::Dotted);
        c.MoveTo(x, base - s.BandHeight - 20);
        c.LineTo(x, base - h - 20);
        c.SetPenWidth(penWidth);
        c.SetPenStyle(penStyle);
    }
    if (results.Lines().size() < ClickSequenceLineLimit) {
        results.Append(std::to_string(t) + "\t" + std::to_string(k.LastPeak) + "\t" +
                       std::to_string(k.PeakEarliestNext) + "\t" + std::to_string(k.PeakWindowEnd) + "\t" +
                       std::to_string(k.PeakStage) + "\t" + std::to_string(k.PeakScore) + "\t" +
                       std::to_string(k.PeakThreshold) + "\t" + std::to_string(v));
    }
}

void EndClickSequences(FileSlot& slot) {
    ClickPeakTracker& k = slot.Peaks;
    const std::int64_t total = k.PeakTotal + k.PeakCount;
    k = ClickPeakTracker{};
    k.PeakTotal = total;
}

ClickRateGraph::ClickRateGraph(std::int32_t screenStartTick)
    : firstPart_(std::clamp(screenStartTick / PartTicks, 0, Parts - 1)) {}

void ClickRateGraph::Count(std::int32_t time) {
    started_ = true;
    counts_[static_cast<std::size_t>(std::clamp(time / PartTicks, 0, Parts - 1))] += 1;
}

void ClickRateGraph::Draw(DisplayContext& ctx) {
    const int from = first_ ? firstPart_ : 0;
    first_ = false;
    std::int64_t largest = 0;
    for (int k = from; k <= 90; ++k) largest = std::max(largest, counts_[static_cast<std::size_t>(k)]);
    Canvas& c = ctx.canvas;
    c.SetPen(ColourBlue, 1, PenStyle::Solid);
    c.MoveTo(x_, y_);
    for (int k = from; k <= 90; ++k) {
        x_ += 7;
        y_ = 200 -
             static_cast<int>(RoundToInt(static_cast<double>(counts_[static_cast<std::size_t>(k)]) * 100.0 /
                                         static_cast<double>(std::max<std::int64_t>(1, largest))));
        c.LineTo(x_, y_);
    }
    const std::string text = std::to_string(largest);
    c.SetFont(ColourWhite, 7);
    c.SetBrushColour(ColourBlack);
    c.FillRect(x_ + 20, 180, x_ + 20 + c.TextWidth(text) + 2, 180 + 11);
    c.TextOut(x_ + 20, 180, text);
    counts_.fill(0);
}

std::string RawCaptureHeader(bool splAsPa, bool development, FileKind kind) {
    std::string header = "time\tuS\tav F\tend F\tnCyc\tBW\t";
    header += splAsPa ? "Pmax" : "Pa";
    header += "\tslope1\tslope2";
    if (development && (kind == FileKind::KL2 || kind == FileKind::KL3)) {
        header += "\tclstr size\tclstr slope\tclstr dur\tclstr cycles\tclstr min kHz\tclstr max kHz\tband";
        if (kind == FileKind::KL2)
            header += "\tgap before\tstatus";
        else
            header += "\ttrain slot\ttrain\tQ\tspecies\tvirtual ICI";
    }
    return header;
}

std::string RawCaptureLine(const ClickRecord& c, bool splAsPa, bool development, FileKind kind, int type) {
    std::string line = DateTimeText(c.Minute) + "\t" + std::to_string(static_cast<std::int64_t>(c.Time) * 5) +
                       "\t" + std::to_string(c.kHz) + "\t" + std::to_string(c.EndkHz) + "\t" +
                       std::to_string(c.Ncyc) + "\t" + std::to_string(c.BW) + "\t" +
                       (splAsPa ? FixedText(c.Pa, 1) : std::to_string(c.SPL)) + "\t" +
                       std::to_string(c.Envelope & 15) + "\t" + std::to_string(c.Envelope >> 4);
    if (development && (kind == FileKind::KL2 || kind == FileKind::KL3)) {
        for (std::int32_t v : {c.ClusterSize, c.ClusterSlope, c.ClusterDuration, c.ClusterCycles,
                               c.ClusterMinkHz, c.ClusterMaxkHz, c.Band})
            line += "\t" + std::to_string(v);
        if (kind == FileKind::KL2)
            line += "\t" + std::to_string(c.GapBefore) + "\t" + std::to_string(c.ClassCode);
        else
            line += "\t" + std::to_string(c.TrainSlot) + "\t" + std::to_string(type) + "\t" +
                    std::to_string(c.Quality) + "\t" + std::to_string(c.Species) + "\t" +
                    std::to_string(c.IntervalFlag);
    }
    return line;
}

void CaptureRawClick(DisplayContext& ctx, int slot, const ClickRecord& click, int type) {
    std::vector<std::string>& list = ctx.state.Aids.RawCapture;
    const FileSlot& f = ctx.program.Slot(slot);
    const bool splAsPa = ctx.program.Options.ShowSplAsPa;
    const bool development = ctx.program.Options.DevelopmentMode;
    if (list.empty()) {
        if (ctx.state.Settings.IncludeFileNameInRawData) list.push_back(f.FullName);
        list.push_back(RawCaptureHeader(splAsPa, development, f.Kind));
    }
    if (list.size() < RawCaptureLimit)
        list.push_back(RawCaptureLine(click, splAsPa, development, f.Kind, type));
}

} // namespace kelp
