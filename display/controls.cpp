#include "display/controls.h"

#include <algorithm>

#include "display/legends.h"

namespace kelp {
namespace {

namespace L = controls_layout;

void DrawLegendStrip(DisplayContext& ctx, const WindowTexts& texts) {
    const DisplayState& s = ctx.state;
    Canvas& c = ctx.canvas;
    c.SetBrushColour(ColourBlack);
    c.FillRect(PlotLeft, LegendStripY, s.Right, L::LegendStripBottom);
    if (!texts.TitleLabel.empty()) {
        c.SetFont(ColourWhite, 8);
        c.TextOut(PlotLeft + 4, LegendStripY + 1, texts.TitleLabel);
    }
    c.SetFontSize(7);
    for (int k = 0; k < LegendLabelCount; ++k) {
        const LegendLabel& label = s.Legend[static_cast<std::size_t>(k)];
        if (!label.Visible) continue;
        c.SetFontColour(label.FontColour);
        c.TextOut(LegendLabelX[static_cast<std::size_t>(k)], LegendStripY + 2, label.Text);
    }
}

void DrawCaptions(DisplayContext& ctx) {
    const DisplayState& s = ctx.state;
    Canvas& c = ctx.canvas;
    c.SetFontSize(7);
    for (int scale = 0; scale < TimeScaleCount; ++scale) {
        c.SetFontColour(ScaleCaptionColour(s, scale));
        c.TextOut(PlotLeft + L::ScaleCaptionStep * scale, L::ScaleCaptionsY, TimeScaleAt(scale).Caption);
    }
    const int allX = PlotLeft + L::ScaleCaptionStep * TimeScaleCount;
    c.SetFontColour(CaptionColour);
    c.TextOut(allX, L::ScaleCaptionsY, ShowAllCaption);
    c.SetFontColour(ColourNavy);
    c.TextOut(allX + L::ScaleCaptionStep, L::ScaleCaptionsY, TimeScaleAt(s.TimeScale).ResolutionLabel);

    // Two rows of five parameter captions.
    const int column = std::max(150, (s.Right - PlotLeft) / 5);
    for (int p = 0; p < param::Count; ++p) {
        const bool disabled = p != s.DisplayParameter && ((p == param::Noise && !s.NoiseChoiceEnabled) ||
                                                          (p == param::Envelope && !s.EnvelopeChoiceEnabled));
        c.SetFontColour(disabled ? ColourGrey : ParameterCaptionColour(s, p));
        c.TextOut(PlotLeft + column * (p % 5), L::ParameterCaptionsY + L::ParameterCaptionRowStep * (p / 5),
                  ParameterCaption(p));
    }
}

void DrawSlider(DisplayContext& ctx) {
    const DisplayState& s = ctx.state;
    Canvas& c = ctx.canvas;
    c.SetBrushColour(GreyBarColour);
    c.FillRect(PlotLeft, L::GreyBarTop, s.Right, L::GreyBarBottom);
    c.SetBrushColour(SliderColour);
    c.FillRect(s.SliderLeft, L::SliderBarTop, s.SliderLeft + s.SliderWidth, L::SliderBarBottom);
    if (!s.SliderCaption.empty()) {
        c.SetFont(ColourWhite, 7);
        c.TextOut(s.SliderLeft + 4, L::SliderBarTop + 3, s.SliderCaption);
    }
}

void DrawLabels(DisplayContext& ctx, const WindowTexts& texts) {
    const DisplayState& s = ctx.state;
    Canvas& c = ctx.canvas;
    c.SetFont(ColourBlack, 7);
    const int labelsY = s.Bottom + L::StartEndLabelsBelow;
    c.TextOut(PlotLeft, labelsY, s.StartLabel);
    c.TextOut(s.Right - c.TextWidth(s.EndLabel), labelsY, s.EndLabel);

    // The source box: white, framed, four lines.
    const int boxTop = s.Bottom + L::SourceBoxBelow;
    const int boxBottom = boxTop + L::SourceBoxLines * L::SourceBoxLineStep + 4;
    const int boxRight = PlotLeft + std::min(640, (s.Right - PlotLeft) * 2 / 3);
    c.SetBrushColour(ColourWhite);
    c.FillRect(PlotLeft, boxTop, boxRight, boxBottom);
    c.SetPen(ColourGrey, 1, PenStyle::Solid);
    c.MoveTo(PlotLeft, boxTop);
    c.LineTo(boxRight - 1, boxTop);
    c.LineTo(boxRight - 1, boxBottom - 1);
    c.LineTo(PlotLeft, boxBottom - 1);
    c.LineTo(PlotLeft, boxTop);
    const std::size_t lines = std::min<std::size_t>(texts.SourceBox.size(), L::SourceBoxLines);
    for (std::size_t i = 0; i < lines; ++i)
        c.TextOut(PlotLeft + 4, boxTop + 2 + L::SourceBoxLineStep * static_cast<int>(i), texts.SourceBox[i]);

    // Beside the box: the vertical scale and divisor, and the read position.
    const int besideX = boxRight + 12;
    c.TextOut(besideX, boxTop + 2, "Y scale " + s.Settings.YScaleText);
    c.TextOut(besideX, boxTop + 2 + L::SourceBoxLineStep,
              s.Settings.Kl1DivisorCaption + " " + s.Settings.Kl1DivisorText);
    c.TextOut(besideX, boxTop + 2 + 2 * L::SourceBoxLineStep, s.ReadPositionLabel);

    c.TextOut(PlotLeft, boxBottom + 2, texts.ProgressLabel);
    c.TextOut(PlotLeft, boxBottom + 2 + L::SourceBoxLineStep, texts.ClickCountLabel);
}

} // namespace

void DrawWindowControls(DisplayContext& ctx, const WindowTexts& texts) {
    // The controls lie over the drawing: what reached above the slider strip is covered.
    ctx.canvas.SetBrushColour(ColourWindowFace);
    ctx.canvas.FillRect(0, 0, ctx.state.ClientWidth, SliderTop);
    DrawLegendStrip(ctx, texts);
    DrawCaptions(ctx);
    DrawSlider(ctx);
    DrawLabels(ctx, texts);
}

} // namespace kelp
