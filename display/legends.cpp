#include "display/legends.h"

#include <array>

#include "core/host.h"
#include "core/program.h"
#include "display/axes.h"
#include "display/colours.h"
#include "display/display_link.h"
#include "display/y_scale.h"

namespace kelp {
namespace {

constexpr std::array<const char*, param::Count> ParameterCaptions = {
    "Frequency         (F9)",
    "N cycles            (F11)",
    "Bandwidth         (shft+F11)",
    "SPL                   (F10)",
    "Envelope           (shft+F11)    ",
    "ICI                     (F7)",
    "ClkRate             (F7)",
    "Train Qclass      (F8)",
    "Species gp        (F8)",
    "Noise level",
};

void SetLabel(LegendLabel& label, const std::string& text, Colour colour) {
    label.Text = text;
    label.FontColour = colour;
    label.Visible = true;
}

void Hide(std::array<LegendLabel, LegendLabelCount>& legend, int from) {
    for (int k = from; k < LegendLabelCount; ++k) legend[static_cast<std::size_t>(k)].Visible = false;
}

// Quality classes as the click view colours them.
void QualityLegend(std::array<LegendLabel, LegendLabelCount>& l, const char* moderate) {
    SetLabel(l[0], "High Q", ColourRed);
    SetLabel(l[1], moderate, ColourYellow);
    SetLabel(l[2], "Low Q", ColourGreen);
    SetLabel(l[3], "Doubtful", ColourSilver);
}

// Species classes as the bars and blocks colour them.
void SpeciesLegend(std::array<LegendLabel, LegendLabelCount>& l) {
    SetLabel(l[0], "Porp+", KHzColour(155));
    SetLabel(l[1], "Dolphin", KHzColour(48));
    SetLabel(l[2], "Other cet", ColourTeal);
    SetLabel(l[3], "no class", ColourGrey);
    SetLabel(l[4], "Boat", ColourMaroon);
}

void KHzLegend(std::array<LegendLabel, LegendLabelCount>& l, const char* unit) {
    for (int k = 1; k <= 6; ++k)
        SetLabel(l[static_cast<std::size_t>(k - 1)], std::to_string(25 * k) + unit, KHzColour(25 * k));
}

void LowResolutionLegend(std::array<LegendLabel, LegendLabelCount>& l, int parameter) {
    switch (parameter) {
    case param::Frequency:
        KHzLegend(l, "kHz");
        Hide(l, 6);
        break;
    case param::Cycles: {
        // The colours of 5 .. 80 cycles by the cycles colour rule 8 + 3 x cycles, capped at 160.
        static constexpr std::array<const char*, 6> texts = {"5cycles",  "10cycles", "15cycles",
                                                             "20cycles", "40cycles", "80cycles"};
        static constexpr std::array<int, 6> entries = {23, 38, 53, 68, 128, 160};
        for (std::size_t k = 0; k < 6; ++k) SetLabel(l[k], texts[k], KHzColour(entries[k]));
        Hide(l, 6);
        break;
    }
    case param::Bandwidth:
        l[0].Text = "Low bandwidth";
        Hide(l, 1);
        break;
    case param::Spl:
        KHzLegend(l, "");
        Hide(l, 6);
        break;
    case param::Envelope:
        break; // the strip keeps its texts, in the six class colours
    case param::Ici: {
        static constexpr std::array<const char*, 6> texts = {">200ms", "<200ms", "<100ms",
                                                             "<50ms",  "<10ms",  "<2ms"};
        for (std::size_t k = 0; k < 6; ++k) l[k].Text = texts[k];
        SetLabel(l[6], "KL1 files show click durations", ColourWhite);
        break;
    }
    case param::ClickRate: {
        static constexpr std::array<const char*, 6> texts = {"<5/s",  ">5/s",   ">10/s",
                                                             ">20/s", ">100/s", ">500/s"};
        for (std::size_t k = 0; k < 6; ++k) l[k].Text = texts[k];
        SetLabel(l[6], "KL1 files show kHz", ColourWhite);
        break;
    }
    case param::Quality:
        QualityLegend(l, "ModQ");
        SetLabel(l[4], "KL1 files show kHz", ColourWhite);
        Hide(l, 5);
        break;
    case param::Species:
        SpeciesLegend(l);
        SetLabel(l[5], "KL1 files show click durations", ColourWhite);
        Hide(l, 6);
        break;
    case param::Noise: {
        static constexpr std::array<const char*, 6> texts = {"2%", "4%", "8%", "92%", "96%", "98%"};
        for (std::size_t k = 0; k < 6; ++k) l[k].Text = texts[k];
        // The total is the grey line of the noise view.
        SetLabel(l[6], "total", ColourGrey);
        break;
    }
    default:
        break;
    }
}

void HighResolutionLegend(std::array<LegendLabel, LegendLabelCount>& l, int parameter) {
    switch (parameter) {
    case param::Frequency:
    case param::Ici:
    case param::ClickRate:
    case param::Quality:
        QualityLegend(l, "Mod Q");
        Hide(l, 4);
        break;
    case param::Cycles:
    case param::Spl:
        KHzLegend(l, "kHz");
        Hide(l, 6);
        break;
    case param::Bandwidth:
        SetLabel(l[0], "  vertical height: bandwidth", ColourMagenta);
        Hide(l, 1);
        break;
    case param::Species:
        SpeciesLegend(l);
        Hide(l, 5);
        break;
    default:
        Hide(l, 0);
        break; // envelope and noise
    }
}

std::string HighResolutionTitle(int parameter, bool splAsPa) {
    switch (parameter) {
    case param::Frequency:
        return "kHz";
    case param::Cycles:
        return "Duration (cycles)";
    case param::Bandwidth:
        return "Bandwidth";
    case param::Spl:
    case param::Quality:
    case param::Species:
        return splAsPa ? "SPL - Pa" : "SPL - raw value (0-255)";
    case param::Envelope:
        return "Envelope";
    case param::Ici:
        return "Inter-click interval";
    case param::ClickRate:
        return "Clicks/s";
    case param::Noise:
        return "noise";
    default:
        return "";
    }
}

std::string LowResolutionTitle(int parameter, bool splAsPa, FileKind kind, int minutesPerBin) {
    const bool trains = kind == FileKind::KL3;
    std::string title;
    switch (parameter) {
    case param::Frequency:
        title = "kHz. Counts/min";
        break;
    case param::Cycles:
    case param::Envelope:
        title = "Click duration. Counts/min";
        break;
    case param::Bandwidth:
        title = "Bandwidth. Counts/min";
        break;
    case param::Spl:
        title = splAsPa ? "SPL - Pa. Counts/min" : "SPL - raw value.  Counts/min";
        break;
    case param::Ici:
        title = "Inter-click intervals. Counts/min";
        break;
    case param::ClickRate:
        return "Click rates. Counts/min";
    case param::Quality:
        title = trains ? "Q class. Counts/min" : "kHz. Counts/min";
        break;
    case param::Species:
        title = trains ? "Species. Counts/min" : "Click duration. Counts/min";
        break;
    default:
        return "";
    }
    return title + BinSuffix(minutesPerBin);
}

} // namespace

const char* ParameterCaption(int parameter) {
    if (parameter < 0 || parameter >= param::Count) return "";
    return ParameterCaptions[static_cast<std::size_t>(parameter)];
}

Colour ScaleCaptionColour(const DisplayState& s, int scale) {
    return scale == s.TimeScale ? ColourRed : CaptionColour;
}

Colour ParameterCaptionColour(const DisplayState& s, int parameter) {
    return parameter == s.DisplayParameter ? ColourRed : CaptionColour;
}

int SlotParameterFor(FileKind kind, int parameter) {
    if (kind == FileKind::KL1 || kind == FileKind::KL2) {
        if (parameter == param::Ici || parameter == param::Species) return param::Cycles;
        if (parameter == param::ClickRate || parameter == param::Quality) return param::Frequency;
    }
    return parameter;
}

void WriteLegend(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    auto& l = s.Legend;
    for (int k = 0; k < ClassColourCount; ++k) {
        l[static_cast<std::size_t>(k)].Visible = true;
        l[static_cast<std::size_t>(k)].FontColour = ClassColour(k);
    }
    if (IsLowResolution(s.TimeScale)) {
        WriteYScaleText(ctx, FixedText(s.YScale, 3));
        LowResolutionLegend(l, s.DisplayParameter);
    } else {
        HighResolutionLegend(l, s.DisplayParameter);
    }
    ctx.host.StateChanged(display_changed::Legend);
}

std::string BinSuffix(int m) {
    if (m >= 1 && m <= 59) return "  in " + std::to_string(m) + "min bins";
    if (m == 60) return "  in 1hr bins";
    if (m == 186) return "  in 1/4 tide bins";
    if (m >= 360 && m <= 1'440) return "  in " + std::to_string(m / 60) + "hr bins";
    if (m == 10'080) return "  in 1week bins";
    return "";
}

std::string BandTitle(const DisplayState& s, const Program& program, int slot) {
    if (!SlotIsOpen(program, slot)) return "";
    const bool splAsPa = program.Options.ShowSplAsPa;
    if (!IsLowResolution(s.TimeScale)) return HighResolutionTitle(s.DisplayParameter, splAsPa);
    return LowResolutionTitle(s.DisplayParameter, splAsPa, program.Slot(slot).Kind, s.MinutesPerBin);
}

void DrawBandTitles(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    Canvas& c = ctx.canvas;
    c.SetBrushColour(ColourWhite);
    c.FillRect(0, SliderTop, PlotLeft, s.Bottom);
    c.SetFont(ColourBlack, 8);
    for (int slot = 1; slot <= SlotCount; ++slot) {
        if (!SlotIsOpen(ctx.program, slot)) continue;
        const std::string title = BandTitle(s, ctx.program, slot);
        if (!title.empty()) c.RotatedTextOut(1, s.Bands[static_cast<std::size_t>(slot)].Base - 2, title);
    }
}

void ShowParameter(DisplayContext& ctx, int parameter, bool setYScale) {
    if (OpenBandCount(ctx.program) == 0) return;
    if (parameter < 0 || parameter >= param::Count) return;
    DisplayState& s = ctx.state;
    ctx.host.StateChanged(display_changed::Captions);

    s.DisplayParameter = parameter;
    for (int slot = 1; slot <= SlotCount; ++slot)
        s.SlotParameter[static_cast<std::size_t>(slot)] =
            SlotParameterFor(ctx.program.Slot(slot).Kind, parameter);
    PublishDisplayLink(ctx);

    if (setYScale && !IsLowResolution(s.TimeScale)) {
        // A Y scale that fits the value's usual range into the band.
        const double height = s.BandHeight;
        double value = height / 260;
        if (parameter == param::Frequency)
            value = height / 180;
        else if (parameter == param::Cycles)
            value = height / 40;
        else if (parameter == param::Ici)
            value = s.IciScale;
        else if (parameter == param::ClickRate)
            value = s.ClickRateScale;
        WriteYScaleText(ctx, FixedText(value, 2));
    }
    WriteLegend(ctx);
    DrawBandTitles(ctx);
    DrawAxes(ctx);
    RefreshDisplaySourceBox(ctx);
}

void SetShowSplAsPa(DisplayContext& ctx, bool on) {
    ctx.program.Options.ShowSplAsPa = on;
    ctx.state.Settings.AmplitudeFilterCaption = on ? "Pa p-p" : "raw SPL";
    ctx.host.StateChanged(display_changed::Captions);
    ShowParameter(ctx, ctx.state.DisplayParameter, false);
}

void ShowColourCodes(DisplayContext& ctx) {
    Canvas& c = ctx.canvas;
    ctx.state.MenuPagesVisible = false;
    ctx.host.StateChanged(display_changed::MenuPages);
    // Two pixels per kHz from 20 to 170 kHz.
    for (int i = 40; i <= 340; ++i) {
        c.SetPen(KHzColour(i / 2), 1, PenStyle::Solid);
        c.MoveTo(i + 26, 130);
        c.LineTo(i + 26, 530);
    }
    c.SetFont(ColourBlack, 7);
    for (int i = 40; i <= 320; i += 20) c.TextOut(i + 26, i / 2 + 225, std::to_string(i / 2));
    ctx.host.SetProgressLabel("Colours for F = 20 to F = 156");
}

} // namespace kelp
