#pragma once
// The "Analysis" page's graphs: small black images with white labels, one per click
// value, each drawn into a canvas of its own size; the class bars; and a picture of the
// whole page for the command line.
#include "analysis/analysis_page.h"
#include "display/canvas.h"

namespace kelp {

enum class AnalysisGraph : int {
    kHz = 0,
    TerminalkHz = 1,
    NCycles = 2,
    Amplitude = 3,
    Bandwidth = 4,
    ClicksPerSecond = 5,
    EnvelopeLow = 6,  // "Env 1/5"
    EnvelopeHigh = 7, // "max/1"
};
inline constexpr int AnalysisGraphCount = 8;

struct GraphSize {
    int Width = 0;
    int Height = 0;
};
GraphSize AnalysisGraphSize(AnalysisGraph graph);
const char* AnalysisGraphCaption(AnalysisGraph graph);

// The graph's geometry: bars rise from y = 71 by up to 70 pixels; the axis lies at y = 72
// with ticks down to y = 75, where the labels start.
inline constexpr int GraphBarBase = 71;
inline constexpr int GraphBarHeight = 70;
inline constexpr int GraphAxisY = 72;
inline constexpr int GraphLabelY = 75;
inline constexpr int GraphFontSize = 6;

// Draws a graph at (0, 0) of the canvas (sized as AnalysisGraphSize says).
void DrawAnalysisGraph(Canvas& canvas, AnalysisGraph graph, const AnalysisCounters& counts);

// A bar's height for a count against the largest count: round(count / largest x 70).
int GraphBarHeightFor(std::int64_t count, std::int64_t largest);

// The whole page as one picture: the figures, the graphs with their captions, the class
// bars and the text box. The canvas should be AnalysisPagePictureSize large.
inline constexpr GraphSize AnalysisPagePictureSize{880, 420};
void DrawAnalysisPage(Canvas& canvas, const AnalysisPage& page);

} // namespace kelp
