#include "display/click_marks.h"

#include <algorithm>

#include "core/host.h"
#include "core/program.h"
#include "display/colours.h"

namespace kelp {

int DurationWidth(int ncyc, int kHz, int ticksPerPixel) {
    const std::int64_t perPixel = std::max<std::int64_t>(1, static_cast<std::int64_t>(kHz) * ticksPerPixel);
    return static_cast<int>(std::max<std::int64_t>(1, static_cast<std::int64_t>(ncyc) * 200 / perPixel));
}

namespace {

int ClampHeight(std::int64_t value, int low, int high) {
    return static_cast<int>(std::clamp<std::int64_t>(value, low, std::max(low, high)));
}

// Rows of the shading tables: 0..2, 3, 4, 5, 6, 7, 8, 9..11, 12, 13..15, 16..20, 21 and above.
int ShadeRow(int v) {
    if (v <= 2) return 0;
    if (v <= 8) return v - 2;
    if (v <= 11) return 7;
    if (v == 12) return 8;
    if (v <= 15) return 9;
    if (v <= 20) return 10;
    return 11;
}

} // namespace

int AmplitudeHeight(const DisplayState& s, const ClickRecord& c, bool splAsPa) {
    const double value = splAsPa ? s.YScale * c.Pa * 10.0 : c.SPL * s.YScale;
    return ClampHeight(RoundToInt(value), 1, s.BandHeight);
}

Colour ClickQualityColour(int quality) {
    switch (quality) {
    case QualityHi:
        return ColourRed;
    case QualityMod:
        return ColourYellow;
    case QualityLo:
        return ColourGreen;
    default:
        return ColourGrey;
    }
}

Colour SpeciesColour(int species) {
    switch (species) {
    case SpeciesPorpoise:
        return KHzColour(155);
    case SpeciesDolphin:
        return KHzColour(48);
    case SpeciesOtherCetacean:
        return ColourTeal;
    case SpeciesUnclassed:
        return ColourSilver;
    default:
        return ColourMaroon;
    }
}

double BandwidthShade(int bw, bool alone) {
    static constexpr double Both[] = {1.0, 0.9, 0.8, 0.7, 0.6, 0.6, 0.5, 0.5, 0.5, 0.4, 0.4, 0.4};
    static constexpr double Alone[] = {1.0, 0.9, 0.7, 0.6, 0.5, 0.5, 0.4, 0.4, 0.4, 0.3, 0.3, 0.3};
    return (alone ? Alone : Both)[ShadeRow(bw)];
}

double DurationShade(int ncyc) {
    static constexpr double Factors[] = {0.3, 0.3, 0.3, 0.3, 0.4, 0.5, 0.5, 0.7, 0.8, 0.8, 0.9, 1.0};
    return Factors[ShadeRow(ncyc)];
}

Colour ScaleColour(Colour colour, double factor) {
    auto part = [factor](int v) {
        return static_cast<int>(std::clamp<std::int64_t>(RoundToInt(v * factor), 0, 255));
    };
    return MakeColour(part(RedOf(colour)), part(GreenOf(colour)), part(BlueOf(colour)));
}

Colour ShadedSplColour(const ClickRecord& c, bool byDuration, bool byBandwidth) {
    const Colour colour = KHzColour(c.kHz);
    if (byDuration && byBandwidth)
        return ScaleColour(colour, BandwidthShade(c.BW, false) * DurationShade(c.Ncyc));
    if (byDuration) return ScaleColour(colour, DurationShade(c.Ncyc));
    if (byBandwidth) return ScaleColour(colour, BandwidthShade(c.BW, true));
    return colour;
}

namespace {

// "black lines" makes every pen and brush black.
Colour Ink(const DisplayState& s, Colour colour) {
    return s.Settings.BlackLines ? ColourBlack : colour;
}

// A filled block cut at the plot's right edge.
void Block(DisplayContext& ctx, Colour colour, int left, int top, int right, int bottom) {
    right = std::min(right, ctx.state.Right);
    ctx.canvas.SetBrushColour(Ink(ctx.state, colour));
    ctx.canvas.FillRect(left, top, right, bottom);
}

int FrequencyMark(MarkTarget& t, const ClickRecord& c, int type, int x, bool& stop) {
    DisplayContext& ctx = t.ctx;
    const DisplayState& s = ctx.state;
    Canvas& canvas = ctx.canvas;
    const int width = s.Settings.LineWidthExtra + 1;
    const int y = ClampHeight(RoundToInt(c.kHz * s.YScale), 1, s.BandHeight - 2);
    if (t.Kind == FileKind::KL3) {
        if (type < FirstTrainId || type > LastTrainId) {
            const FileSlot& f = ctx.program.Slot(t.Slot);
            ctx.host.ShowMessage(RangeErrorText + f.FullName +
                                 "     Fs[FN].NRType = " + std::to_string(type));
            stop = true;
            return y;
        }
        LineRecord& line = t.Lines[static_cast<std::size_t>(type)];
        if (line.Joined > 0) {
            canvas.SetPen(Ink(s, ClickQualityColour(c.Quality)), width, PenStyle::Solid);
            canvas.MoveTo(line.LastX, line.LastY);
            canvas.LineTo(x, t.Base - y);
        }
        line.LastX = x;
        line.LastY = t.Base - y;
        ++line.Joined;
    } else {
        const int length = ctx.program.Options.ShowSplAsPa
                               ? static_cast<int>(std::min<std::int64_t>(16, RoundToInt(c.Pa * 0.5) + 1))
                               : c.SPL / 16 + 1;
        canvas.SetPen(Ink(s, s.Settings.WhiteScreen ? ColourBlack : ColourWhite), width, PenStyle::Solid);
        canvas.MoveTo(std::min(s.Right, x + length), t.Base - y);
        canvas.LineTo(x, t.Base - y);
    }
    if (s.Settings.ShowEndkHz && c.EndkHz < 170) {
        canvas.SetPen(Ink(s, c.kHz < c.EndkHz ? ColourBlue : ColourGreen), 1, PenStyle::Dotted);
        canvas.MoveTo(x, t.Base - y);
        canvas.LineTo(x, t.Base - ClampHeight(RoundToInt(c.EndkHz * s.YScale), 1, s.BandHeight));
    }
    return y;
}

// The ICI (5) and click-rate (6) lines: a point per click at the height of its interval or
// rate, joined from the fourth click of a line on.
int IntervalMark(MarkTarget& t, const ClickRecord& c, int type, int x, int w, bool rate) {
    DisplayContext& ctx = t.ctx;
    const DisplayState& s = ctx.state;
    Canvas& canvas = ctx.canvas;
    LineRecord& line = t.Lines[static_cast<std::size_t>(std::clamp(type, 0, LineRecordCount - 1))];
    const bool virtualInterval = c.IntervalFlag != 0;
    const Colour colour = t.Kind == FileKind::KL3 ? ClickQualityColour(c.Quality) : KHzColour(c.kHz);
    if (virtualInterval && s.Settings.WhiteVirtualIciLines)
        canvas.SetPen(Ink(s, ColourWhite), 1, PenStyle::Dotted);
    else
        canvas.SetPen(Ink(s, colour), s.Settings.LineWidthExtra + 1, PenStyle::Solid);

    int h = s.BandHeight;
    if (!rate) {
        if (c.Time >= 1 && line.HasTick) {
            double d = std::max<std::int64_t>(1, static_cast<std::int64_t>(c.Time) - line.LastTick);
            if (virtualInterval) d /= 2;
            h = ClampHeight(RoundToInt(d * s.IciScale / 200), 2, s.BandHeight);
        }
    } else if (c.Time >= 1) {
        std::int64_t r =
            5'000'000 / std::max<std::int64_t>(10, static_cast<std::int64_t>(c.Time) - line.LastTick);
        if (virtualInterval) r *= 2;
        h = ClampHeight(RoundToInt(static_cast<double>(r) * s.ClickRateScale / 25), 1, s.BandHeight);
    }
    line.LastTick = c.Time;
    line.HasTick = true;
    if (line.Joined > 2 && line.LastY < t.Base - 1 && line.LastX > PlotLeft && x >= line.LastX) {
        if (t.Kind == FileKind::KL3) {
            canvas.MoveTo(line.LastX, line.LastY);
        } else {
            canvas.MoveTo(std::min(s.Right, x + std::max(3, w)), t.Base - h);
        }
        canvas.LineTo(x, t.Base - h);
    }
    line.LastX = x;
    line.LastY = t.Base - h;
    ++line.Joined;
    return h;
}

// The envelope glyph: the first leg rises or falls with the slope class, the second falls
// by the amplitude-ratio class.
int EnvelopeMark(MarkTarget& t, const ClickRecord& c, int x) {
    DisplayContext& ctx = t.ctx;
    const DisplayState& s = ctx.state;
    Canvas& canvas = ctx.canvas;
    const int e = c.Envelope & 15;
    const int f = c.Envelope >> 4;
    const auto& palette = Palette34();
    const int h = ClampHeight(RoundToInt(c.SPL * s.YScale), 2, s.BandHeight);
    const int h2 = std::min(s.BandHeight, h + e - 7);
    const int h3 = std::max(0, h2 - f);
    const int width = s.Settings.LineWidthExtra + 1;
    canvas.SetPen(Ink(s, palette[static_cast<std::size_t>(e <= 6 ? 2 * e : e + 16)]), width, PenStyle::Solid);
    canvas.MoveTo(x, t.Base - h);
    if (h2 > 0)
        canvas.LineTo(std::min(x + 12, s.Right), t.Base - h2);
    else
        canvas.MoveTo(std::min(x + 12, s.Right), t.Base - h2);
    if (h3 > 0) {
        canvas.SetPen(Ink(s, palette[static_cast<std::size_t>(f + 16)]), width, PenStyle::Solid);
        canvas.LineTo(std::min(x + 24, s.Right), t.Base - h3);
    }
    return h;
}

} // namespace

std::optional<int> DrawClickMark(MarkTarget& t, const ClickRecord& c, int type, int x) {
    DisplayContext& ctx = t.ctx;
    const DisplayState& s = ctx.state;
    const int e = s.Settings.LineWidthExtra;
    const int w = DurationWidth(c.Ncyc, c.kHz, s.TicksPerPixel);
    const bool splAsPa = ctx.program.Options.ShowSplAsPa;
    const bool trains = t.Kind == FileKind::KL3;
    switch (s.DisplayParameter) {
    case param::Frequency: {
        bool stop = false;
        const int y = FrequencyMark(t, c, type, x, stop);
        if (stop) return std::nullopt;
        return y;
    }
    case param::Cycles: {
        const int h = ClampHeight(RoundToInt(c.Ncyc * s.YScale), 1, s.BandHeight);
        Block(ctx, KHzColour(c.kHz), x, t.Base - h, x + w + e, t.Base);
        return h;
    }
    case param::Bandwidth: {
        const int a = AmplitudeHeight(s, c, splAsPa);
        const int width = c.BW == 0 ? std::max(5, w + e) : w + e;
        Block(ctx, ColourMagenta, x, t.Base - a, x + width,
              std::min(s.Bottom, t.Base - a + std::max(1, 2 * c.BW)));
        return a;
    }
    case param::Spl: {
        const int a = AmplitudeHeight(s, c, splAsPa);
        Block(ctx, ShadedSplColour(c, s.Settings.ShadeByDuration, s.Settings.ShadeByBandwidth), x, t.Base - a,
              x + w + e, t.Base);
        return a;
    }
    case param::Envelope:
        return EnvelopeMark(t, c, x);
    case param::Ici:
    case param::ClickRate:
        return IntervalMark(t, c, type, x, w, s.DisplayParameter == param::ClickRate);
    case param::Quality:
    case param::Species: {
        const int a = AmplitudeHeight(s, c, splAsPa);
        Colour colour = KHzColour(c.kHz);
        if (trains && s.DisplayParameter == param::Quality)
            colour = c.Quality == QualityUnknown ? ColourWhite : ClickQualityColour(c.Quality);
        else if (trains)
            colour = SpeciesColour(c.Species);
        Block(ctx, colour, x, t.Base - (a + e), x + w, t.Base);
        return a + e;
    }
    default:
        return 0;
    }
}

} // namespace kelp
