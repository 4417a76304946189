#include "analysis/frequency_graph.h"

#include <algorithm>
#include <vector>

#include "core/host.h"
#include "core/program.h"
#include "core/reader.h"
#include "display/colours.h"
#include "display/display_link.h"
#include "display/time_scales.h"

namespace kelp {

namespace {

struct TypeTexts {
    const char* Caption;
    const char* Hint;
    const char* Title;
    int LastLabel;
};

constexpr TypeTexts Types[FrequencyGraphTypeCount] = {
    {"kHz", "shows a graph of dominant kHz distribution. May be slow", "kHz weighted by SPL\t", 160},
    {"Dur", "shows a graph of click duration distribution. May be slow", "Duration as N of cycles\t", 240},
    {"SPL", "shows a graph of SPL distribution. May be slow", "raw SPL\t", 240},
    {"Slope1", "shows a graph of distribution of slopes from wave1 to wave5. May be slow", "Slope a\t", 40},
    {"Slope2", "shows a graph of distribution of slopes from wave5 to max. May be slow", "Slope b\t", 40},
    {"BW", "shows a graph of bandwidth distribution. May be slow", "Bandwidth\t", 40},
    {"EndF", "shows a graph of terminal frequency distribution. May be slow", "end kHz\t", 180},
};

const TypeTexts& TextsOf(FrequencyGraphType type) {
    const int i = std::clamp(static_cast<int>(type), 0, FrequencyGraphTypeCount - 1);
    return Types[i];
}

constexpr int BinLeft = PlotLeft; // bin i is drawn at x = 4i + 18
constexpr double BinPixels = 4;

// Where bin i stands: 4 pixels apart, closer on a display too narrow for all 256 bins.
struct BinScale {
    double Step = BinPixels;
    explicit BinScale(const DisplayState& s)
        : Step(std::min(BinPixels, static_cast<double>(s.Right - BinLeft) / 256.0)) {}
    int X(int bin) const { return BinLeft + static_cast<int>(RoundToInt(bin * Step)); }
};

inline std::size_t Bin(int v) {
    return static_cast<std::size_t>(std::clamp(v, 0, 255));
}

// Adds one click to the histogram by the graph's type.
void CountClick(FrequencyHistogram& h, FrequencyGraphType type, const ClickRecord& c, bool pascals) {
    switch (type) {
    case FrequencyGraphType::kHz:
        // The spectrum is weighted by the clicks' amplitudes.
        h[Bin(c.kHz)] += pascals ? RoundToInt(static_cast<double>(c.Pa) * 10.0) : c.SPL;
        break;
    case FrequencyGraphType::Dur:
        ++h[Bin(c.Ncyc)];
        break;
    case FrequencyGraphType::Spl:
        ++h[Bin(c.SPL)];
        break;
    case FrequencyGraphType::Slope1:
        ++h[c.Envelope & 15];
        break;
    case FrequencyGraphType::Slope2:
        ++h[c.Envelope / 16];
        break;
    case FrequencyGraphType::Bw:
        ++h[Bin(c.BW)];
        break;
    case FrequencyGraphType::EndkHz:
        ++h[Bin(c.EndkHz)];
        break;
    }
}

// The bin labels under every open band: the lowest band's stand on the white strip.
void DrawBinLabels(DisplayContext& ctx, FrequencyGraphType type) {
    Canvas& c = ctx.canvas;
    const DisplayState& s = ctx.state;
    const int last = ctx.program.Options.DevelopmentMode ? 240 : TextsOf(type).LastLabel;
    c.SetFontSize(7);
    for (int slot = 1; slot <= SlotCount; ++slot) {
        if (!SlotIsOpen(ctx.program, slot)) continue;
        const int y = s.Bands[static_cast<std::size_t>(slot)].Base + 2;
        c.SetFontColour(y > s.Bottom ? ColourBlack : ColourWhite);
        for (int v = 0; v <= 240 && v <= last; v += 20) c.TextOut(BinScale(s).X(v), y, std::to_string(v));
    }
}

// The development statistics stand at fixed places on a display whose right edge lies at
// 1145 or further (a client 1200 wide); on a narrower display they close up with the bins.
constexpr int StatisticsRight = 1145;
int StatisticsX(const DisplayState& s, int x) {
    if (s.Right >= StatisticsRight) return x;
    const double squeeze = static_cast<double>(s.Right - PlotLeft) / (StatisticsRight - PlotLeft);
    return PlotLeft + static_cast<int>(RoundToInt((x - PlotLeft) * squeeze));
}

// The band's line of slot 1 (the lowest band), where the development statistics are drawn.
int StatisticsBase(const DisplayContext& ctx) {
    return SlotIsOpen(ctx.program, 1) ? ctx.state.Bands[1].Base : ctx.state.Bottom - 1;
}

// Development mode: the mean, the mode and the sixteenths of the distribution, listed
// and drawn beside the graph.
void DrawStatistics(DisplayContext& ctx, int slot, const FrequencyBand& band) {
    std::int64_t n = 0;
    std::int64_t weighted = 0;
    for (int j = 1; j <= 255; ++j) {
        n += band.Shown[static_cast<std::size_t>(j)];
        weighted += static_cast<std::int64_t>(j) * band.Shown[static_cast<std::size_t>(j)];
    }
    if (n < 10) return;
    int mode = 0;
    for (int j = 0; j <= 255; ++j)
        if (band.Raw[static_cast<std::size_t>(j)] == band.Largest) mode = j;
    const std::array<std::int64_t, 8> limits = {n / 16, n / 8,     3 * n / 16, n / 4,
                                                n / 2,  n - n / 4, n - n / 8,  n - n / 16};
    std::array<int, 8> bins{};
    std::size_t next = 0;
    std::int64_t sum = 0;
    for (int j = 1; j <= 255 && next < limits.size(); ++j) {
        sum += band.Shown[static_cast<std::size_t>(j)];
        while (next < limits.size() && sum > limits[next]) bins[next++] = j;
    }

    static constexpr std::array<const char*, 8> Names = {"1~16    \t",  "2~16    \t", "3~16    \t",
                                                         "4~16    \t",  "8~16    \t", "12~16    \t",
                                                         "14~16    \t", "15~16    \t"};
    std::vector<std::string> centiles;
    for (std::size_t i = 0; i < Names.size(); ++i) centiles.push_back(Names[i] + std::to_string(bins[i]));
    Host& host = ctx.host;
    host.Results().Append(ctx.program.Slot(slot).ShortName);
    host.Results().Append("Nclx\t" + std::to_string(n));
    host.Results().Append("Mean\t" + std::to_string(weighted / n));
    host.Results().Append(centiles);
    host.Results().Append("Mode\t" + std::to_string(mode));

    // Beside the graph: the last eight lines listed, from the second sixteenth to the mode.
    std::vector<std::string> shown(centiles.begin() + 1, centiles.end());
    shown.push_back("Mode\t" + std::to_string(mode));
    Canvas& c = ctx.canvas;
    const int base = ctx.state.Bands[static_cast<std::size_t>(slot)].Base;
    c.SetFontSize(10);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        c.SetFontColour(i == 4 ? ColourYellow : ColourWhite);
        c.TextOut(StatisticsX(ctx.state, 660), std::max(ctx.state.Top, base - 430) + 14 * static_cast<int>(i),
                  shown[i]);
    }
    static constexpr std::array<int, 8> X = {820, 840, 860, 880, 960, 1040, 1080, 1100};
    const int line = StatisticsBase(ctx);
    c.SetPen(ctx.program.Slot(slot).Kind == FileKind::KL3 ? ColourRed : ColourWhite, 1, PenStyle::Solid);
    c.MoveTo(StatisticsX(ctx.state, X[0]), line - 3 * bins[0] - 35);
    for (std::size_t i = 1; i < X.size(); ++i)
        c.LineTo(StatisticsX(ctx.state, X[i]), line - 3 * bins[i] - 35);
    c.SetPen(ColourBlack, 1, PenStyle::Solid);
}

void DrawStatisticsScale(DisplayContext& ctx) {
    Canvas& c = ctx.canvas;
    const int line = StatisticsBase(ctx);
    c.SetFont(ColourGrey, 7);
    for (int k = 0; k <= 15; ++k)
        c.TextOut(StatisticsX(ctx.state, 800 + 20 * k), line - 30, std::to_string(k));
    for (int v = 0; v <= 250 && line - 3 * v - 40 >= ctx.state.Top; v += 10)
        c.TextOut(StatisticsX(ctx.state, 1140), line - 3 * v - 40, std::to_string(v));
}

} // namespace

const char* FrequencyGraphCaption(FrequencyGraphType type) {
    return TextsOf(type).Caption;
}
const char* FrequencyGraphHint(FrequencyGraphType type) {
    return TextsOf(type).Hint;
}
const char* FrequencyGraphTitle(FrequencyGraphType type) {
    return TextsOf(type).Title;
}
int FrequencyGraphLastLabel(FrequencyGraphType type) {
    return TextsOf(type).LastLabel;
}

void SetFrequencyGraphType(Program& program, Host& host, FrequencyGraphType type) {
    AnalysisPage& page = AnalysisPageOf(program);
    page.Options.GraphType = type;
    page.GraphCaption = FrequencyGraphCaption(type);
    page.GraphHint = FrequencyGraphHint(type);
    host.StateChanged(analysis_changed::Buttons);
}

FrequencyHistogram SmoothFrequencyHistogram(const FrequencyHistogram& h) {
    FrequencyHistogram s{};
    for (std::size_t k = 2; k <= 253; ++k)
        s[k] = h[k - 2] + 2 * h[k - 1] + 3 * h[k] + 2 * h[k + 1] + h[k + 2];
    s[0] = 6 * h[0] + 2 * h[1] + h[2];
    s[1] = 2 * h[0] + 4 * h[1] + 2 * h[2] + h[3];
    s[254] = h[252] + 2 * h[253] + 4 * h[254] + 2 * h[255];
    s[255] = h[253] + 2 * h[254] + 6 * h[255];
    return s;
}

FrequencyGraph ShowFrequencyGraph(DisplayContext& ctx) {
    Program& p = ctx.program;
    Host& host = ctx.host;
    DisplayState& s = ctx.state;
    Canvas& c = ctx.canvas;
    AnalysisPage& page = AnalysisPageOf(p);
    const FrequencyGraphType type = page.Options.GraphType;
    SetFrequencyGraphType(p, host, type);
    FrequencyGraph graph;

    const ClickTime end = s.ReadPosition;
    const ClickTime start = SubtractDisplayTime(end, s.Span);
    PositionAt(p, host, start.Minute, start.Time);
    const std::int64_t spanMinutes = static_cast<std::int64_t>(end.Minute) - start.Minute;
    const std::int64_t step = spanMinutes / 100 + 1;

    s.MenuPagesVisible = false;
    host.StateChanged(display_changed::MenuPages);
    RefreshDisplaySourceBox(ctx);
    c.SetBrushColour(ColourBlack);
    c.FillRect(PlotLeft, s.Top, s.Right, s.Bottom);
    s.StartLabel.clear();
    host.StateChanged(display_changed::Labels);
    c.SetBrushColour(ColourWhite);
    c.FillRect(0, s.Bottom + 1, s.ClientWidth, s.Bottom + 14);
    // The display's value labels do not belong to the graph.
    c.FillRect(s.Right, s.Top, s.ClientWidth, s.Bottom + 1);
    DrawBinLabels(ctx, type);

    const bool smooth = page.Options.SmoothFGraph && type != FrequencyGraphType::EndkHz;
    const bool pascals = p.Options.ShowSplAsPa;
    for (int slot = 1; slot <= SlotCount; ++slot) {
        FileSlot& f = p.Slot(slot);
        if (!f.IsOpen || !f.MoreData) continue;
        FrequencyBand& band = graph.Bands[static_cast<std::size_t>(slot)];
        band.Drawn = true;
        if (spanMinutes > 100) host.StartProgress("Reading data ...", end.Minute, start.Minute);
        std::int64_t sinceStep = 0;
        while (f.MoreData) {
            NextRecord(p, host, slot);
            if (!IsBefore({f.CurrentMinute, f.Click.Time}, end)) break;
            if (IsClickType(f.NRType)) {
                if (f.Click.Time >= 1) CountClick(band.Raw, type, f.Click, pascals);
            } else if (f.NRType == TypeMinuteMarker && ++sinceStep >= step) {
                sinceStep = 0;
                host.StepProgress(f.CurrentMinute);
                host.ProcessEvents();
            }
        }
        band.Shown = smooth ? SmoothFrequencyHistogram(band.Raw) : band.Raw;

        if (page.Options.ValuesInResults) {
            std::string header = std::string(FrequencyGraphTitle(type)) + "Raw data\t";
            if (smooth) header += "Smoothed\t";
            header += "KELP data are not necessarily representative of the spectrum of clicks produced by "
                      "the animal";
            host.Results().Append(header);
            for (std::size_t bin = 0; bin < 256; ++bin) {
                std::string line = std::to_string(bin) + "\t" + std::to_string(band.Raw[bin]);
                if (smooth) line += "\t" + std::to_string(band.Shown[bin]);
                host.Results().Append(line);
            }
        }

        band.Largest = 1;
        for (std::size_t k = 2; k <= 253; ++k) band.Largest = std::max(band.Largest, band.Shown[k]);
        const double f400 =
            static_cast<double>(std::min(400, s.BandHeight)) / static_cast<double>(band.Largest);
        const int base = s.Bands[static_cast<std::size_t>(slot)].Base;
        // Each band's bars stop at its own top, so that bands never overlap.
        const int top = std::max(s.Top, base - s.BandHeight);
        const bool coloured = type == FrequencyGraphType::kHz || type == FrequencyGraphType::EndkHz;
        const BinScale bins(s);
        for (int i = 0; i < 256; ++i) {
            const std::int64_t h =
                RoundToInt(static_cast<double>(band.Shown[static_cast<std::size_t>(i)]) * f400);
            const int y = static_cast<int>(std::max<std::int64_t>(top, base - h));
            if (y >= base) continue;
            c.SetPen(coloured ? KHzColour(i) : ColourWhite, 1, PenStyle::Solid);
            c.MoveTo(bins.X(i), base);
            c.LineTo(bins.X(i), y);
        }
        if (p.Options.DevelopmentMode) DrawStatistics(ctx, slot, band);
    }
    if (p.Options.DevelopmentMode) DrawStatisticsScale(ctx);
    c.SetPen(ColourBlack, 1, PenStyle::Solid);
    host.SetProgressBar(false, 0);
    return graph;
}

} // namespace kelp
