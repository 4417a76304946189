#include "display/low_resolution.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "core/codes.h"
#include "core/host.h"
#include "core/program.h"
#include "core/reader.h"
#include "display/colours.h"
#include "display/display_link.h"
#include "display/screen.h"
#include "display/y_scale.h"

namespace kelp {

ColumnColours ColumnColoursFor(int parameter) {
    switch (parameter) {
    case param::Cycles:
        return {8, 3};
    case param::Bandwidth:
        return {0, 5};
    case param::Spl:
        return {20, 0}; // SPL has its own rule: entry (value + 40) div 2
    default:
        return {0, 1};
    }
}

int EnvelopeClass(int envelope) {
    // By the slope class e: 0..2, 3..4, 5..6, 7..8, 9..10, 11..15.
    static constexpr std::array<std::uint8_t, 16> Classes = {1, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 6, 6, 6};
    return Classes[static_cast<std::size_t>(envelope & 15)];
}

int IntervalClass(std::int64_t d) {
    if (d <= 0 || d > 40'000) return 1; // above 200 ms, or none
    if (d > 20'000) return 2;           // 100-200 ms
    if (d > 10'000) return 3;           // 50-100 ms
    if (d > 2'000) return 4;            // 10-50 ms
    if (d > 400) return 5;              // 2-10 ms
    return 6;                           // up to 2 ms
}

std::optional<GlyphEnd> AngleGlyphEnd(int d) {
    if (d < 0 || d > 180) return std::nullopt;
    // Upper bounds of the angle ranges and their end points.
    struct Row {
        int Upto;
        int Dx;
        int Dy;
    };
    static constexpr Row Rows[] = {
        {3, 5, -9},   {10, 6, -9},  {16, 7, -9},  {21, 8, -9},  {27, 9, -9},  {32, 10, -9}, {36, 11, -9},
        {46, 12, -9}, {50, 12, -8}, {55, 12, -7}, {60, 12, -6}, {65, 12, -5}, {70, 12, -4}, {75, 12, -3},
        {81, 12, -2}, {87, 12, -1}, {93, 12, 0},  {99, 12, 1},  {105, 12, 2}, {111, 12, 3}, {114, 12, 4},
        {119, 12, 5}, {124, 12, 6}, {129, 12, 7}, {134, 12, 8}, {138, 12, 9}, {146, 12, 9}, {150, 11, 9},
        {155, 10, 9}, {160, 9, 9},  {165, 8, 9},  {171, 7, 9},  {177, 6, 9},  {180, 5, 9},
    };
    for (const Row& row : Rows)
        if (d <= row.Upto) return GlyphEnd{row.Dx, row.Dy};
    return std::nullopt;
}

void DrawAngleGlyph(DisplayContext& ctx, int slot, int degrees, int x, bool hasData) {
    const DisplayState& s = ctx.state;
    if (x + 5 > s.Right - 8) return;
    const std::optional<GlyphEnd> end = AngleGlyphEnd(degrees);
    if (!end) return;
    const int line = s.Bands[static_cast<std::size_t>(slot)].AngleLine;
    Canvas& c = ctx.canvas;
    c.SetPen(hasData ? ColourWhite : ColourRed, 1, PenStyle::Solid);
    c.MoveTo(x + 5, line);
    c.LineTo(x + end->Dx, line + end->Dy);
}

namespace {

// What one screen of bins shares between its bands.
struct BinScreen {
    DisplayContext& ctx;
    DrawingScope& drawing;
    std::int64_t BinEnd = 0;
    // The ICI classes compare each click with the click read before it, in whichever
    // band that was; the first click of the screen has none.
    bool HasPreviousClick = false;
    std::int32_t PreviousClickTime = 0;
    // The landmark extreme is one value for the screen too.
    int LandmarkExtreme = 20;
};

// Adds a delivered click to the bin's histogram by the band's parameter.
inline void CountClick(BinScreen& screen, BinReading& r, int parameter, FileKind kind, const ClickRecord& c) {
    auto& counts = r.Counts;
    switch (parameter) {
    case param::Frequency:
        counts[static_cast<std::size_t>(std::clamp(c.kHz, 0, 256))] += 1;
        break;
    case param::Cycles:
        counts[static_cast<std::size_t>(std::clamp(c.Ncyc, 0, 255))] += 1;
        break;
    case param::Bandwidth:
        counts[static_cast<std::size_t>(std::clamp(c.BW + 5, 0, 256))] += 1;
        break;
    case param::Spl:
        counts[static_cast<std::size_t>(std::clamp(c.SPL, 0, 256))] += 1;
        break;
    case param::Envelope:
        counts[static_cast<std::size_t>(EnvelopeClass(c.Envelope))] += 1;
        break;
    case param::Ici:
    case param::ClickRate: {
        const std::int64_t d =
            screen.HasPreviousClick ? static_cast<std::int64_t>(c.Time) - screen.PreviousClickTime : 0;
        counts[static_cast<std::size_t>(IntervalClass(d))] += 1;
        screen.HasPreviousClick = true;
        screen.PreviousClickTime = c.Time;
        break;
    }
    case param::Quality:
        counts[std::min<std::size_t>(c.Quality, 4)] += 1;
        break;
    case param::Species:
        counts[std::min<std::size_t>(c.Species, 4)] += 1;
        break;
    case param::Noise:
        if (kind == FileKind::KL3) {
            if (c.Value17 >= 1) counts[static_cast<std::size_t>(std::min(c.Value17, 256))] += 1;
        } else {
            counts[static_cast<std::size_t>(std::clamp(c.SPL, 0, 256))] += 1;
        }
        break;
    default:
        break;
    }
}

// Landmark sequences: the marker value farthest from 20 in the bin.
inline void ApplyLandmarkRule(BinScreen& screen, const FileSlot& f) {
    if (f.Kind != FileKind::KL3) return;
    const int v = f.Marker.MinuteValue18;
    if (std::abs(v - 20) > std::abs(screen.LandmarkExtreme - 20)) screen.LandmarkExtreme = v;
}

// The bin is complete: the minute it ends with counts when the marker before it said so,
// and a bin whose minutes had clicks has at least one minute with data.
inline void CloseBin(BinReading& r) {
    r.MinutesWithData += r.Carry;
    if (r.MinutesWithData == 0 && r.SinceMarker > 0) r.MinutesWithData = 1;
}

enum class ReadResult { Complete, Stopped };

// Reads a slot's records up to the marker that closes the bin.
ReadResult ReadBin(BinScreen& screen, int slot) {
    DisplayContext& ctx = screen.ctx;
    Program& p = ctx.program;
    Host& host = ctx.host;
    FileSlot& f = p.Slot(slot);
    DisplayState& s = ctx.state;
    BinReading& r = s.Reading[static_cast<std::size_t>(slot)];
    const int parameter = s.SlotParameter[static_cast<std::size_t>(slot)];
    std::int64_t& shown = s.ClicksShown[static_cast<std::size_t>(slot)];

    r.StartBin();
    if (r.Positioned) {
        // The marker read by the positioning opens the first minute of this bin.
        r.Carry = f.Marker.InSwitchRange ? 1 : 0;
        r.Positioned = false;
    }
    std::int32_t previousAngle = f.Marker.Angle;
    bool closed = false;
    while (f.MoreData && !closed) {
        NextRecord(p, host, slot);
        const int type = f.NRType;
        if (type < 128) {
            const ClickRecord& c = f.Click;
            if (c.Ncyc < 1) continue;
            ++r.Clicks;
            ++r.SinceMarker;
            ++shown;
            CountClick(screen, r, parameter, f.Kind, c);
            continue;
        }
        // The marker after the shared range ends the data without being read.
        if (type != TypeMinuteMarker || !f.MoreData) continue;
        const MinuteMarker& m = f.Marker;
        r.AngleSum += previousAngle;
        previousAngle = m.Angle;
        r.TemperatureSum += m.Temperature;
        ++r.Markers;
        ApplyLandmarkRule(screen, f);
        if (m.Minute < screen.BinEnd) {
            if (m.InSwitchRange || r.SinceMarker > 0) ++r.MinutesWithData;
        } else {
            CloseBin(r);
            r.Carry = m.InSwitchRange ? 1 : 0;
            closed = true;
        }
        r.SinceMarker = 0;
        if (screen.drawing.EventsSayStop(host)) return ReadResult::Stopped;
    }
    if (!closed) {
        // The data ended inside the bin: its last minute counts as the closing marker would count it.
        CloseBin(r);
        r.Carry = 0;
        r.SinceMarker = 0;
    }
    return ReadResult::Complete;
}

// Parameters 0..3: the column coloured from the bottom up by the distribution of the value.
// Returns the count the click-rate line uses.
std::int64_t DrawDistributionColumn(DisplayContext& ctx, int slot, int x, const BinReading& r,
                                    const ColumnColours& colours) {
    const DisplayState& s = ctx.state;
    Canvas& c = ctx.canvas;
    const int base = s.Bands[static_cast<std::size_t>(slot)].Base;
    const int height = s.BandHeight;
    const std::int64_t n = r.Clicks;
    if (n < 6) {
        c.SetBrushColour(r.MinutesWithData == 0 ? ColourGrey : ColourSilver);
        c.FillRect(x, base - height, x + PixelsPerBin, base + 1);
        return n;
    }
    const bool spl = s.SlotParameter[static_cast<std::size_t>(slot)] == param::Spl;
    const double perPixel = static_cast<double>(n) / std::max(1, height);
    double threshold = perPixel;
    std::int64_t sum = 0;
    int h0 = 0;
    for (int v = 1; v <= 255; ++v) {
        const std::int64_t count = r.Counts[static_cast<std::size_t>(v)];
        if (count == 0) continue;
        sum += count;
        if (static_cast<double>(sum) < threshold) continue;
        const int h = static_cast<int>(
            std::min<std::int64_t>(height, RoundToInt(static_cast<double>(sum + 1) / perPixel)));
        const int entry = spl ? (v + 40) / 2 : std::min(160, v * colours.Step + colours.Offset);
        c.SetBrushColour(KHzColour(entry));
        c.FillRect(x, base - h, x + PixelsPerBin, base - h0);
        h0 = h;
        threshold = RoundHalfEven(static_cast<double>(sum) + perPixel) + 1;
    }
    return n - 1;
}

// Parameters 4, 5, 6: six classes stacked in proportion to their counts.
void DrawSixClassColumn(DisplayContext& ctx, int slot, int x, const BinReading& r) {
    const DisplayState& s = ctx.state;
    Canvas& c = ctx.canvas;
    const int base = s.Bands[static_cast<std::size_t>(slot)].Base;
    const int height = s.BandHeight;
    const std::int64_t n = r.Clicks;
    if (n <= 5) {
        if (r.MinutesWithData > 0) {
            c.SetBrushColour(ColourSilver);
            c.FillRect(x, base - height + 1, x + PixelsPerBin, base + 1);
        }
        return;
    }
    std::int64_t below = 0;
    for (int k = 1; k <= 6; ++k) {
        const std::int64_t pixels = RoundToInt(static_cast<double>(r.Counts[static_cast<std::size_t>(k)]) *
                                               height / static_cast<double>(n));
        const std::int64_t top = k == 6 ? height : below + pixels;
        c.SetBrushColour(ClassColour(k - 1));
        c.FillRect(x, static_cast<int>(base - top + 1), x + PixelsPerBin, static_cast<int>(base - below + 1));
        below = top;
    }
}

// Parameters 7 and 8 (KL3 files): stacked bars of the classes' clicks per minute.
void DrawClassBars(DisplayContext& ctx, int slot, int x, const BinReading& r, int parameter) {
    const DisplayState& s = ctx.state;
    if (r.MinutesWithData < 1) return;
    Canvas& c = ctx.canvas;
    const int base = s.Bands[static_cast<std::size_t>(slot)].Base;
    static constexpr std::array<int, 5> QualityOrder = {4, 3, 2, 1, 0};
    static constexpr std::array<int, 5> SpeciesOrder = {0, 1, 2, 3, 4};
    const bool quality = parameter == param::Quality;
    const std::array<int, 5>& order = quality ? QualityOrder : SpeciesOrder;
    const Colour lines = s.Settings.WhiteScreen ? ColourBlack : ColourWhite;
    std::int64_t sum = 0;
    int top = base;
    for (int cls : order) {
        const std::int64_t count = r.Counts[static_cast<std::size_t>(cls)];
        sum += count;
        if (count <= 1) continue;
        const std::int64_t h = std::clamp<std::int64_t>(
            RoundToInt(static_cast<double>(sum) / static_cast<double>(r.MinutesWithData) * s.YScale), 2,
            std::max(2, s.BandHeight));
        Colour colour = 0;
        if (quality) {
            static constexpr std::array<Colour, 5> QualityColours = {ColourGrey, ColourGreen, 0x00FFD2,
                                                                     0x000AF6, ColourGrey};
            colour = QualityColours[static_cast<std::size_t>(cls)];
        } else {
            static const std::array<Colour, 5> SpeciesColours = {KHzColour(155), KHzColour(48), ColourTeal,
                                                                 ColourSilver, ColourMaroon};
            colour = SpeciesColours[static_cast<std::size_t>(cls)];
        }
        c.SetBrushColour(s.Settings.BlackLines ? lines : colour);
        c.FillRect(x, static_cast<int>(base - h), x + PixelsPerBin, top);
        top = static_cast<int>(base - h);
    }
}

// Parameter 9: the total click rate as a grey line and six centiles of the noise values.
void DrawNoise(DisplayContext& ctx, int slot, int x, const BinReading& r) {
    DisplayState& s = ctx.state;
    Canvas& c = ctx.canvas;
    FileSlot& f = ctx.program.Slot(slot);
    BandLevels& levels = s.Levels[static_cast<std::size_t>(slot)];
    const int base = s.Bands[static_cast<std::size_t>(slot)].Base;
    const int height = s.BandHeight;
    const std::int64_t n = r.Clicks;
    const std::int64_t m = r.MinutesWithData;
    if (m > 0) {
        double perMinute = static_cast<double>(n) * s.YScale / static_cast<double>(m);
        if (f.Kind != FileKind::KL3)
            perMinute = static_cast<double>(n) * s.YScale / 100.0 / static_cast<double>(m);
        const int h = static_cast<int>(std::min<std::int64_t>(height, RoundToInt(perMinute)));
        c.SetPen(ColourGrey, 1, PenStyle::Solid);
        c.MoveTo(std::max(PlotLeft, x - 4), base - levels.ClickRate);
        c.LineTo(x + 5, base - h);
        levels.ClickRate = h;

        static constexpr std::array<double, 6> Centiles = {0.02, 0.04, 0.08, 0.92, 0.96, 0.98};
        for (std::size_t k = 0; k < Centiles.size(); ++k) {
            if (n < 16) {
                levels.Centiles[k] = -1;
                continue;
            }
            const std::int64_t target =
                std::max<std::int64_t>(1, RoundToInt(static_cast<double>(n) * Centiles[k]));
            std::int64_t running = 0;
            int value = -1;
            for (int v = 1; v <= 255 && value < 0; ++v) {
                running += r.Counts[static_cast<std::size_t>(v)];
                if (running >= target) value = v;
            }
            if (value < 0) {
                levels.Centiles[k] = -1;
                continue;
            }
            const int ch = static_cast<int>(
                std::min<std::int64_t>(height, RoundToInt(static_cast<double>(value) * s.YScale)));
            c.SetPen(ClassColour(static_cast<int>(k)), 1, PenStyle::Solid);
            c.MoveTo(x + 1, base - (levels.Centiles[k] >= 0 ? levels.Centiles[k] : ch));
            c.LineTo(x + 3, base - ch);
            levels.Centiles[k] = ch;
        }
    }
    f.Peaks.PeakCount = 0;
}

// The black line of clicks per minute.
void DrawClickRateLine(DisplayContext& ctx, int slot, int x, std::int64_t lineCount, std::int64_t minutes) {
    DisplayState& s = ctx.state;
    const FileSlot& f = ctx.program.Slot(slot);
    BandLevels& levels = s.Levels[static_cast<std::size_t>(slot)];
    const int base = s.Bands[static_cast<std::size_t>(slot)].Base;
    double rate = static_cast<double>(lineCount) * s.YScale / static_cast<double>(minutes);
    if (f.Kind != FileKind::KL3)
        rate = s.YScale * (static_cast<double>(lineCount) / std::max(1, s.Kl1Divisor)) /
               static_cast<double>(minutes);
    const int h = static_cast<int>(std::clamp<std::int64_t>(RoundToInt(rate), 2, std::max(2, s.BandHeight)));
    Canvas& c = ctx.canvas;
    c.SetPen(ColourBlack, 2, PenStyle::Solid);
    c.MoveTo(std::max(PlotLeft, x - 1), base - levels.ClickRate);
    c.LineTo(x + 2, base - h);
    levels.ClickRate = h;
}

void DrawTemperature(DisplayContext& ctx, int slot, int x, const BinReading& r) {
    DisplayState& s = ctx.state;
    const BandGeometry& band = s.Bands[static_cast<std::size_t>(slot)];
    BandLevels& levels = s.Levels[static_cast<std::size_t>(slot)];
    const std::int64_t t = r.TemperatureSum / std::max<std::int64_t>(1, r.Markers);
    const int zero = band.TemperatureZeroLine;
    if (levels.TemperatureY > 0 && t > 0) {
        Canvas& c = ctx.canvas;
        c.SetPen(ColourWhite, 1, PenStyle::Solid);
        c.MoveTo(x - 1, std::min(zero, levels.TemperatureY));
        c.LineTo(x + 2, static_cast<int>(std::max<std::int64_t>(band.UpperLine, zero - t)));
    }
    levels.TemperatureY = static_cast<int>(zero - t);
}

// The bin of one band, drawn by its parameter, then its overlays.
void DrawBin(BinScreen& screen, int slot, int x) {
    DisplayContext& ctx = screen.ctx;
    DisplayState& s = ctx.state;
    const FileSlot& f = ctx.program.Slot(slot);
    const BinReading& r = s.Reading[static_cast<std::size_t>(slot)];
    const int parameter = s.SlotParameter[static_cast<std::size_t>(slot)];

    std::int64_t largest = 0;
    for (std::int64_t count : r.Counts) largest = std::max(largest, count);
    s.LargestBinCount = std::max(s.LargestBinCount, largest);

    std::int64_t lineCount = r.Clicks;
    switch (parameter) {
    case param::Frequency:
    case param::Cycles:
    case param::Bandwidth:
    case param::Spl:
        lineCount = DrawDistributionColumn(ctx, slot, x, r, ColumnColoursFor(parameter));
        break;
    case param::Envelope:
    case param::Ici:
    case param::ClickRate:
        DrawSixClassColumn(ctx, slot, x, r);
        break;
    case param::Quality:
    case param::Species:
        DrawClassBars(ctx, slot, x, r, parameter);
        break;
    case param::Noise:
        DrawNoise(ctx, slot, x, r);
        break;
    default:
        break;
    }

    if (parameter <= param::ClickRate && r.MinutesWithData > 0)
        DrawClickRateLine(ctx, slot, x, lineCount, r.MinutesWithData);
    if (s.Settings.Angle) {
        const std::int64_t code = r.AngleSum / std::max<std::int64_t>(1, r.Markers);
        DrawAngleGlyph(ctx, slot, AngleCodeToDegrees(static_cast<int>(code)), x,
                       r.Clicks > 0 || r.MinutesWithData > 0);
    }
    if (s.Settings.Temperature) DrawTemperature(ctx, slot, x, r);
    if (s.Settings.ShowLandmarks && f.Kind == FileKind::KL3 && screen.LandmarkExtreme > 20) {
        const int line = s.Bands[static_cast<std::size_t>(slot)].AngleLine;
        ctx.canvas.SetBrushColour(ColourMagenta);
        ctx.canvas.FillRect(x, line + 2, x + PixelsPerBin, line + (screen.LandmarkExtreme - 20) / 2);
        screen.LandmarkExtreme = f.Marker.MinuteValue18;
    }
}

// A band with no data in the bin: before its file starts or after its data ended.
void DrawEmptyBin(DisplayContext& ctx, int slot, int x) {
    const DisplayState& s = ctx.state;
    const int base = s.Bands[static_cast<std::size_t>(slot)].Base;
    ctx.canvas.SetBrushColour(ColourBlack);
    ctx.canvas.FillRect(x, base - s.BandHeight, x + PixelsPerBin, base + 1);
}

} // namespace

void DrawLowResolution(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    Program& p = ctx.program;
    DrawingScope drawing(s);
    const ClickTime start = BeginBinScreen(ctx);
    RefreshDisplaySourceBox(ctx);
    s.LargestBinCount = 100;
    s.ClicksShown.fill(0);

    BinScreen screen{ctx, drawing};
    const std::int64_t perBin = std::max(1, s.MinutesPerBin);
    std::int64_t firstEnd = static_cast<std::int64_t>(start.Minute) + perBin;
    if (s.TimeScale == TideScale)
        firstEnd = static_cast<std::int64_t>(start.Minute) + s.Settings.TidalOffset + 186;
    screen.BinEnd = std::min<std::int64_t>(p.SharedEnd, firstEnd);

    for (int k = 0; k < s.Bins; ++k) {
        const int x = PlotLeft + PixelsPerBin * k;
        if (drawing.EventsSayStop(ctx.host)) {
            SetProgressLine(ctx, "");
            return;
        }
        for (int slot = 1; slot <= SlotCount; ++slot) {
            const FileSlot& f = p.Slot(slot);
            if (!f.IsOpen) continue;
            if (!f.MoreData || screen.BinEnd <= f.FirstMinute) {
                DrawEmptyBin(ctx, slot, x);
                continue;
            }
            if (ReadBin(screen, slot) == ReadResult::Stopped) {
                SetProgressLine(ctx, "");
                return;
            }
            DrawBin(screen, slot, x);
        }
        screen.BinEnd += perBin;
    }
    SetProgressLine(ctx, "");
    ShowClickCounts(ctx);
    FinishScreen(ctx, start);
}

void SetTidalOffset(DisplayContext& ctx, const std::string& text) {
    DisplaySettings& settings = ctx.state.Settings;
    settings.TidalOffsetText = text;
    if (const std::optional<long long> value = ParseWholeNumber(text))
        settings.TidalOffset = static_cast<int>(std::clamp<long long>(*value, -1'000'000, 1'000'000));
}

void ClearBinReading(DisplayState& state, int slot) {
    if (slot < 1 || slot > SlotCount) return;
    BinReading& r = state.Reading[static_cast<std::size_t>(slot)];
    r = BinReading{};
    r.Positioned = true;
}

} // namespace kelp
