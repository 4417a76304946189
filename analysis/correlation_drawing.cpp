// The graphs of the correlation functions over the display area: the area cleared white,
// a value scale from -1 to 1 at the right, the zero line and the significance levels, the
// function in red and time ticks by bin size.
#include <algorithm>
#include <string>

#include "analysis/correlation.h"
#include "core/host.h"
#include "core/program.h"

namespace kelp {

namespace {

constexpr int CrossLeft = 17; // the cross-correlation's first offset; 4 pixels per offset
constexpr double CrossPixels = 4;
constexpr int AutoLeft = 18; // the auto-correlation's lag 0; 5 pixels per lag
constexpr int AutoPixels = 5;
constexpr int TidalCycleMinutes = 744; // 12 h 24 min: a label every 8 bins of 93 minutes

struct Frame {
    int Top = 0;
    int Bottom = 0;
    int Zero = 0;
    int Y(double value) const { return Zero - static_cast<int>(RoundToInt(value * (Bottom - Top) / 2.0)); }
};

// How the time axis is ticked for a bin size: a tick every `Every` bins, a label every
// `LabelEvery` bins, the value of a label being bins x r div `Unit` followed by `Suffix`.
struct TimeTicks {
    int Every;
    int LabelEvery;
    int Unit; // minutes per unit of the label
    const char* Suffix;
};

TimeTicks TicksFor(int r) {
    switch (r) {
    case 1:
        return {10, 10, 1, "m"};
    case 5:
        return {12, 12, 60, "h"};
    case 30:
        return {12, 48, 1440, "d"};
    case 60:
        return {24, 24, 1440, "d"};
    case TideBinMinutes:
        return {4, 8, TidalCycleMinutes, "t"};
    case 360:
        return {4, 4, 1440, "d"};
    default:
        return {10, 10, r, ""};
    }
}

Frame ClearAndFrame(DisplayContext& ctx, double level) {
    DisplayState& s = ctx.state;
    Canvas& c = ctx.canvas;
    Frame f{s.Top, s.Bottom, (s.Top + s.Bottom) / 2};
    c.SetBrushColour(ColourWhite);
    c.FillRect(0, s.Top, s.ClientWidth, s.Bottom + 13);

    // The value scale: "1.0" at the top, tenths in twentieths of the height around "0.0".
    c.SetFont(ColourBlack, 7);
    for (int k = -9; k <= 10; ++k) {
        std::string text = k == 10 ? "1.0" : (k < 0 ? "-0." : "0.") + std::to_string(k < 0 ? -k : k);
        const int y = f.Zero - k * (f.Bottom - f.Top) / 20;
        c.TextOut(s.Right + 6, std::max(s.Top, y - 5), text);
        c.SetPen(ColourBlack, 1, PenStyle::Solid);
        c.MoveTo(s.Right, y);
        c.LineTo(s.Right + 4, y);
    }
    c.SetPen(ColourGrey, 1, PenStyle::Solid);
    for (const double v : {0.0, level, -level}) {
        c.MoveTo(PlotLeft, f.Y(v));
        c.LineTo(s.Right, f.Y(v));
    }
    c.SetFont(ColourGrey, 7);
    c.TextOut(PlotLeft + 2, f.Y(level) - 11, "2/SqRt(N)");
    c.TextOut(PlotLeft + 2, f.Y(-level) + 2, "-2/SqRt(N)");
    return f;
}

// A tick at x for `bins` bins from the origin, labelled where the rule says.
void TimeTick(DisplayContext& ctx, int x, int bins, int r, const TimeTicks& t) {
    Canvas& c = ctx.canvas;
    const int bottom = ctx.state.Bottom;
    c.SetPen(ColourBlack, 1, PenStyle::Solid);
    c.MoveTo(x, bottom);
    c.LineTo(x, bottom + 5);
    if (bins % t.LabelEvery != 0) return;
    const std::int64_t value = static_cast<std::int64_t>(bins) * r / t.Unit;
    c.SetFont(ColourBlack, 7);
    c.TextOut(x + 2, bottom + 1, std::to_string(value) + t.Suffix);
}

// The texts stand in the lower right quarter, where a correlation function has mostly
// died away, so that they seldom lie over it.
void Texts(DisplayContext& ctx, const Frame& f, const std::vector<std::string>& texts) {
    Canvas& c = ctx.canvas;
    c.SetFont(ColourBlack, 8);
    int widest = 0;
    for (const std::string& text : texts) widest = std::max(widest, c.TextWidth(text));
    const int x = std::max(PlotLeft + 22, ctx.state.Right - widest - 22);
    int y = f.Zero + (f.Bottom - f.Top) / 4;
    for (const std::string& text : texts) {
        c.TextOut(x, y, text);
        y += 14;
    }
}

} // namespace

int LastDrawnLag(const DisplayState& state) {
    return (state.Right - AutoLeft) / AutoPixels;
}

void DrawCrossCorrelation(DisplayContext& ctx, const CrossCorrelation& cc, int r,
                          const std::vector<std::string>& texts) {
    Canvas& c = ctx.canvas;
    const Frame f = ClearAndFrame(ctx, cc.Level);
    // All offsets stay left of the value scale: on a narrow display they close up.
    const double step =
        std::min(CrossPixels, static_cast<double>(ctx.state.Right - CrossLeft) / (2 * CrossOffsets));
    auto x = [step](int k) { return CrossLeft + static_cast<int>(RoundToInt(k * step)); };
    const TimeTicks ticks = TicksFor(r);
    for (int bins = -CrossOffsets; bins <= CrossOffsets; ++bins)
        if (bins % ticks.Every == 0) TimeTick(ctx, x(bins + CrossOffsets), bins, r, ticks);

    c.SetPen(ColourRed, 1, PenStyle::Solid);
    c.MoveTo(CrossLeft, f.Y(cc.Function[0]));
    for (int k = 1; k < static_cast<int>(cc.Function.size()); ++k)
        c.LineTo(x(k), f.Y(cc.Function[static_cast<std::size_t>(k)]));

    // Which logger hears first at each end of the offsets.
    const Program& p = ctx.program;
    c.SetFont(ColourBlack, 8);
    const int labelY = f.Bottom - 14;
    c.TextOut(PlotLeft + 2, labelY, std::to_string(p.Slot(2).LoggerNumber) + " earlier");
    const std::string right = std::to_string(p.Slot(1).LoggerNumber) + " earlier";
    c.TextOut(x(2 * CrossOffsets) - c.TextWidth(right), labelY, right);
    Texts(ctx, f, texts);
    c.SetPen(ColourBlack, 1, PenStyle::Solid);
}

void DrawAutoCorrelation(DisplayContext& ctx, const AutoCorrelation& ac, int r,
                         const std::vector<std::string>& texts) {
    Canvas& c = ctx.canvas;
    const Frame f = ClearAndFrame(ctx, ac.Level);
    const int last = std::min(LastDrawnLag(ctx.state), ac.Lags);
    const TimeTicks ticks = TicksFor(r);
    for (int lag = 0; lag <= last; lag += ticks.Every)
        TimeTick(ctx, AutoLeft + AutoPixels * lag, lag, r, ticks);

    c.SetPen(ColourRed, 1, PenStyle::Solid);
    c.MoveTo(AutoLeft, f.Y(ac.Function.empty() ? 0.0 : ac.Function[0]));
    for (int k = 1; k <= last; ++k) {
        const double v = k < ac.Lags ? ac.Function[static_cast<std::size_t>(k)] : 0.0;
        c.LineTo(AutoLeft + AutoPixels * k, f.Y(v));
    }
    Texts(ctx, f, texts);
    c.SetPen(ColourBlack, 1, PenStyle::Solid);
}

} // namespace kelp
