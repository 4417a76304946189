#include "display/axes.h"

#include <cmath>
#include <cstdio>

#include "core/program.h"

namespace kelp {

void SetScaleValues(DisplayState& s) {
    const TimeScaleInfo& info = TimeScaleAt(s.TimeScale);
    if (!IsLowResolution(s.TimeScale)) {
        s.TicksPerPixel = info.TicksPerPixel;
        const std::int64_t total = static_cast<std::int64_t>(s.PlotWidth) * s.TicksPerPixel;
        s.Span = {static_cast<std::int32_t>(total / TicksPerMinute),
                  static_cast<std::int32_t>(total % TicksPerMinute)};
        s.HalfSpan = {static_cast<std::int32_t>(total / (2 * TicksPerMinute)),
                      static_cast<std::int32_t>((total / 2) % TicksPerMinute)};
        s.MinutesPerBin = 1;
        return;
    }
    s.MinutesPerBin = info.MinutesPerBin;
    const std::int32_t minutes = s.Bins * s.MinutesPerBin;
    // Half a minute more in the half span when the screen holds an odd number of minutes.
    std::int32_t halfTicks = 0;
    if (s.TimeScale == OneMinuteScale)
        halfTicks = 6'000'000 * (s.Bins % 2);
    else if (s.TimeScale == FiveMinuteScale)
        halfTicks = 6'000'000 * ((s.Bins % 10) / 5);
    s.Span = {minutes, 0};
    s.HalfSpan = {minutes / 2, halfTicks};
}

std::string FixedText(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

int YLabelStepFor(std::int64_t u, int previousStep) {
    struct Row {
        std::int64_t Upto;
        int Step;
    };
    static constexpr Row Rows[] = {{10, 1},           {20, 2},          {50, 5},         {256, 10},
                                   {500, 50},         {1'000, 100},     {2'000, 200},    {5'000, 500},
                                   {10'000, 1'000},   {20'000, 2'000},  {50'000, 5'000}, {100'000, 10'000},
                                   {200'000, 20'000}, {500'000, 50'000}};
    if (u < 1) return previousStep;
    for (const Row& row : Rows)
        if (u <= row.Upto) return row.Step;
    return previousStep;
}

namespace {

std::int64_t RoundedUnits(int bandHeight, double s) {
    if (!(s > 0)) return bandHeight;
    const double u = RoundHalfEven(bandHeight / s);
    return u > 1e12 ? -1 : static_cast<std::int64_t>(u); // out of the table: keep the step
}

std::string HighResolutionLabel(const DisplayState& s, const Program& program, std::int64_t value) {
    switch (s.DisplayParameter) {
    case param::Frequency:
        return std::to_string(value) + "kHz";
    case param::Cycles:
        return std::to_string(value) + "cyc";
    case param::Bandwidth:
    case param::Spl:
    case param::Quality:
    case param::Species:
        // These views are all drawn against the SPL, which "show SPL as Pa" shows in tenths.
        return program.Options.ShowSplAsPa ? std::to_string(value / 10) + " Pa" : std::to_string(value);
    case param::Ici:
        return std::to_string(value) + "ms";
    case param::ClickRate:
        return std::to_string(value) + "/s";
    default:
        return "";
    }
}

} // namespace

std::vector<YLabel> YLabelsOfBand(DisplayState& s, const Program& program, int slot) {
    std::vector<YLabel> labels;
    const double scale = ValueScale(s);
    const bool lowResolution = IsLowResolution(s.TimeScale);
    s.YLabelStep = YLabelStepFor(RoundedUnits(s.BandHeight, scale), s.YLabelStep);
    if (lowResolution && s.DisplayParameter == param::Noise) s.YLabelStep = 2;
    const int step = s.YLabelStep;
    const FileKind kind = SlotIsOpen(program, slot) ? program.Slot(slot).Kind : FileKind::None;

    std::int64_t lastLabelled = 0;
    for (int j = 0; j < 60; ++j) {
        const double level = RoundHalfEven(static_cast<double>(j) * step * scale);
        if (!(level < s.BandHeight - 12)) break;
        const std::int64_t g = static_cast<std::int64_t>(level);
        if (j == 0 || g - 19 <= lastLabelled) continue;
        lastLabelled = g;
        YLabel label;
        label.G = static_cast<int>(g);
        if (lowResolution) {
            // Clicks per minute; KL1 and KL2 counts are shown divided by the divisor.
            const bool divided = kind != FileKind::KL3 && s.DisplayParameter != param::Noise;
            const double value = divided ? g * static_cast<double>(s.Kl1Divisor) / s.YScale : g / s.YScale;
            label.Text = std::to_string(RoundToInt(value));
        } else {
            label.Text = HighResolutionLabel(s, program, static_cast<std::int64_t>(j) * step);
        }
        labels.push_back(label);
    }
    return labels;
}

std::vector<TimeLabel> TimeLabels(const DisplayState& s) {
    std::vector<TimeLabel> labels;
    const TimeScaleInfo& info = TimeScaleAt(s.TimeScale);
    const int last = (s.Right - 36) / info.LabelSpacing;
    for (int n = 0; n <= last; ++n) {
        const int f = info.LabelSpacing * n;
        switch (info.LabelKind) {
        case TimeLabelKind::MillisecondsOrMetres:
            if (n != 0) break;
            if (s.Settings.AsDistance) {
                // The distance sound covers at 1,500 m/s since the left edge.
                labels.push_back({17, "I   0 metres"});
                const int count = ((3 * s.Right - 108) / 100) / 2;
                for (int o = 1; o <= count; ++o)
                    labels.push_back(
                        {100 * o * 2 / 3 + 17, "I   " + std::to_string(o * s.TicksPerPixel / 2) + "m"});
            } else {
                labels.push_back({17, "I   0 msecs"});
                const int count = (s.Right - 36) / 100;
                for (int o = 1; o <= count; ++o)
                    labels.push_back(
                        {100 * o + 17, "I   " + std::to_string(100 * o * s.TicksPerPixel / 200) + "ms"});
            }
            break;
        case TimeLabelKind::SecondsOneDecimal:
        case TimeLabelKind::WholeSeconds: {
            const double seconds = static_cast<double>(f) * s.TicksPerPixel / TicksPerSecond;
            const int decimals = info.LabelKind == TimeLabelKind::SecondsOneDecimal ? 1 : 0;
            labels.push_back({f + 17, "I " + FixedText(seconds, decimals) + "s"});
            break;
        }
        case TimeLabelKind::BinMultiple:
            labels.push_back({f + 17, "I " + std::to_string(info.LabelMultiple * n) + info.LabelUnit});
            break;
        }
    }
    return labels;
}

void SetExtendTemperatureScale(DisplayContext& ctx, bool on) {
    ctx.state.Settings.ExtendTemperatureScale = on;
    DrawAxes(ctx);
}

void DrawAxes(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    Canvas& c = ctx.canvas;
    SetScaleValues(s);
    PublishDisplayLink(ctx);

    const int width = s.ClientWidth;
    c.SetBrushColour(ColourWhite);
    c.FillRect(0, SliderTop, width, SliderStripBottom);
    c.FillRect(s.Right - 1, SliderTop, width, s.Bottom);
    c.FillRect(0, s.Bottom, width, s.Bottom + 12);

    c.SetFont(ColourBlack, 7);
    c.SetPen(ColourBlack, 1, PenStyle::Solid);
    for (const TimeLabel& label : TimeLabels(s)) c.TextOut(label.X, s.Bottom, label.Text);
    const TimeScaleInfo& info = TimeScaleAt(s.TimeScale);
    for (int n = 0, last = (s.Right - 36) / info.LabelSpacing; n <= last; ++n) {
        const int x = info.LabelSpacing * n + 18;
        c.MoveTo(x, s.Bottom);
        c.LineTo(x, s.Bottom + 4);
    }
    if (!s.CapturingScreen) {
        const int centre = (s.Right + 18) / 2;
        c.MoveTo(centre, s.Bottom + 9);
        c.LineTo(centre, s.Bottom + 20);
    }

    for (int slot = 1; slot <= SlotCount; ++slot) {
        if (!SlotIsOpen(ctx.program, slot)) continue;
        const int base = s.Bands[static_cast<std::size_t>(slot)].Base;
        for (const YLabel& label : YLabelsOfBand(s, ctx.program, slot))
            if (!label.Text.empty()) c.TextOut(s.Right + 6, base - label.G - 5, label.Text);
    }
}

} // namespace kelp
