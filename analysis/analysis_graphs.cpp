#include "analysis/analysis_graphs.h"

#include <algorithm>
#include <string>
#include <vector>

#include "analysis/sub_canvas.h"
#include "core/time.h"
#include "display/colours.h"

namespace kelp {

namespace {

struct GraphInfo {
    const char* Caption;
    GraphSize Size;
};

constexpr GraphInfo Graphs[AnalysisGraphCount] = {
    {"kHz", {144, 88}},       {"Terminal kHz", {144, 88}}, {"N cycles", {258, 88}}, {"Amplitude", {258, 88}},
    {"Bandwidth", {128, 88}}, {"Clicks/sec", {258, 88}},   {"Env 1/5", {34, 88}},   {"max/1", {34, 88}},
};

// Draws on one graph image: bars from the base line up, the axis, its ticks and labels.
class GraphPainter {
public:
    explicit GraphPainter(Canvas& c) : c_(c) {
        c_.SetBrushColour(ColourBlack);
        c_.FillRect(0, 0, c_.Width(), c_.Height());
        c_.SetFont(ColourWhite, GraphFontSize);
    }
    void Bar(int x, std::int64_t count, std::int64_t largest, Colour colour) {
        const int h = GraphBarHeightFor(count, largest);
        if (h <= 0) return;
        c_.SetPen(colour, 1, PenStyle::Solid);
        c_.MoveTo(x, GraphBarBase);
        c_.LineTo(x, GraphBarBase - h);
    }
    void FilledBar(int x, int width, std::int64_t count, std::int64_t largest, Colour colour) {
        const int h = GraphBarHeightFor(count, largest);
        if (h <= 0) return;
        c_.SetBrushColour(colour);
        c_.FillRect(x, GraphBarBase + 1 - h, x + width, GraphBarBase + 1);
    }
    // The axis from x0 to x1, both included.
    void Axis(int x0, int x1) {
        c_.SetPen(ColourWhite, 1, PenStyle::Solid);
        c_.MoveTo(x0, GraphAxisY);
        c_.LineTo(x1 + 1, GraphAxisY);
    }
    void Tick(int x) {
        c_.SetPen(ColourWhite, 1, PenStyle::Solid);
        c_.MoveTo(x, GraphAxisY);
        c_.LineTo(x, GraphLabelY + 1);
    }
    void Label(int x, const std::string& text, Colour colour = ColourWhite) {
        c_.SetFontColour(colour);
        c_.TextOut(x, GraphLabelY, text);
    }

private:
    Canvas& c_;
};

template <std::size_t N>
std::int64_t Largest(const std::array<std::int64_t, N>& h, std::size_t from, std::size_t to) {
    std::int64_t largest = 1;
    for (std::size_t i = from; i <= to && i < N; ++i) largest = std::max(largest, h[i]);
    return largest;
}

void DrawkHz(GraphPainter& g, const AnalysisCounters& k) {
    const std::int64_t largest = Largest(k.kHz, 20, 160);
    for (int kHz = 20; kHz <= 160; ++kHz)
        g.Bar(kHz - 19, k.kHz[static_cast<std::size_t>(kHz)], largest, KHzColour(kHz));
    g.Axis(0, 140);
    for (int x = 0; x <= 240; x += 20) g.Tick(x);
    // Each label stands at its own bar.
    for (int i = 0; i <= 6; ++i) g.Label(20 * i + 1, std::to_string(20 * (i + 1)));
}

void DrawTerminalkHz(GraphPainter& g, const AnalysisCounters& k) {
    const std::int64_t largest = Largest(k.FrequencyChange, 0, 255);
    for (int position = 0; position <= 128; ++position)
        g.Bar(position + 8, k.FrequencyChange[static_cast<std::size_t>(position)], largest,
              position < 64 ? ColourGreen : ColourBlue); // falling, then rising or level
    g.Axis(4, 140);
    for (int i = 0; i <= 6; ++i) {
        g.Tick(12 + 20 * i);
        g.Label(12 + 20 * i, std::to_string(20 * i - 60));
    }
}

void DrawWide(GraphPainter& g, const std::array<std::int64_t, 257>& h, Colour colour) {
    const std::int64_t largest = Largest(h, 0, 256);
    for (int v = 0; v <= 256; ++v) g.Bar(v, h[static_cast<std::size_t>(v)], largest, colour);
    g.Axis(0, 256);
    for (int i = 0; i <= 12; ++i) {
        g.Tick(20 * i);
        g.Label(20 * i + 1, std::to_string(20 * i));
    }
}

void DrawBandwidth(GraphPainter& g, const AnalysisCounters& k) {
    const std::int64_t largest = Largest(k.Bw, 0, 31);
    for (int bw = 0; bw <= 31; ++bw)
        g.FilledBar(4 * bw, 4, k.Bw[static_cast<std::size_t>(bw)], largest, ColourGrey);
    g.Axis(0, 124);
    for (int x = 0; x <= 120; x += 20) g.Tick(x);
    for (int i = 0; i <= 5; ++i) g.Label(20 * i + 1, std::to_string(5 * i));
}

void DrawClicksPerSecond(GraphPainter& g, const AnalysisCounters& k) {
    const std::int64_t largest = Largest(k.ClickRate, 0, 256);
    for (int position = 0; position <= 256; ++position)
        g.Bar(position, k.ClickRate[static_cast<std::size_t>(position)], largest, ColourMagenta);
    g.Axis(0, 101);
    g.Axis(145, 240);
    for (int i = 0; i <= 5; ++i) {
        g.Tick(20 * i);
        g.Label(20 * i + 1, std::to_string(20 * i));
    }
    // Above 100 per second the rates are counted in bins 20 wide.
    static constexpr struct {
        int X;
        const char* Text;
    } Binned[] = {{145, "100"}, {165, "500"}, {190, "1000"}, {215, "1500"}, {240, "2k"}};
    for (const auto& label : Binned) {
        g.Tick(label.X);
        g.Label(label.X, label.Text);
    }
    g.Label(120, "(x20)", ColourGrey);
}

void DrawEnvelope(GraphPainter& g, const std::array<std::int64_t, 16>& h) {
    const std::int64_t largest = Largest(h, 0, 15);
    for (int v = 0; v <= 15; ++v) {
        g.Bar(2 * v, h[static_cast<std::size_t>(v)], largest, ColourMaroon);
        g.Bar(2 * v + 1, h[static_cast<std::size_t>(v)], largest, ColourMaroon);
    }
    g.Axis(0, 62);
    for (int i = 0; 4 * i + 1 <= 62; ++i) g.Tick(4 * i + 1);
}

} // namespace

GraphSize AnalysisGraphSize(AnalysisGraph graph) {
    return Graphs[static_cast<int>(graph)].Size;
}

const char* AnalysisGraphCaption(AnalysisGraph graph) {
    return Graphs[static_cast<int>(graph)].Caption;
}

int GraphBarHeightFor(std::int64_t count, std::int64_t largest) {
    if (count <= 0) return 0;
    const double ratio = static_cast<double>(count) / static_cast<double>(std::max<std::int64_t>(1, largest));
    return static_cast<int>(RoundToInt(ratio * GraphBarHeight));
}

void DrawAnalysisGraph(Canvas& canvas, AnalysisGraph graph, const AnalysisCounters& k) {
    GraphPainter g(canvas);
    switch (graph) {
    case AnalysisGraph::kHz:
        DrawkHz(g, k);
        break;
    case AnalysisGraph::TerminalkHz:
        DrawTerminalkHz(g, k);
        break;
    case AnalysisGraph::NCycles:
        DrawWide(g, k.Ncyc, ColourYellow);
        break;
    case AnalysisGraph::Amplitude:
        DrawWide(g, k.Spl, ColourRed);
        break;
    case AnalysisGraph::Bandwidth:
        DrawBandwidth(g, k);
        break;
    case AnalysisGraph::ClicksPerSecond:
        DrawClicksPerSecond(g, k);
        break;
    case AnalysisGraph::EnvelopeLow:
        DrawEnvelope(g, k.EnvelopeLow);
        break;
    case AnalysisGraph::EnvelopeHigh:
        DrawEnvelope(g, k.EnvelopeHigh);
        break;
    }
}

namespace {

// Where each graph stands in the page's picture.
struct Placed {
    AnalysisGraph Graph;
    int X;
    int Y;
};
constexpr Placed PageGraphs[] = {
    {AnalysisGraph::kHz, 10, 22},           {AnalysisGraph::TerminalkHz, 166, 22},
    {AnalysisGraph::Bandwidth, 322, 22},    {AnalysisGraph::EnvelopeLow, 462, 22},
    {AnalysisGraph::EnvelopeHigh, 510, 22}, {AnalysisGraph::NCycles, 10, 130},
    {AnalysisGraph::Amplitude, 280, 130},   {AnalysisGraph::ClicksPerSecond, 550, 130},
};

void DrawBars(Canvas& c, int x, int y, const ClassBar* bars, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, y += 13) {
        const ClassBar& bar = bars[i];
        c.SetFont(ColourBlack, 8);
        c.TextOut(x, y - 2, bar.Label);
        if (!bar.Visible) continue;
        c.SetBrushColour(ColourBlack);
        c.FillRect(x + 49, y - 1, x + 51 + bar.Width, y + 10);
        c.SetBrushColour(bar.BarColour);
        c.FillRect(x + 50, y, x + 50 + bar.Width, y + 9);
    }
}

} // namespace

void DrawAnalysisPage(Canvas& c, const AnalysisPage& page) {
    c.SetBrushColour(ColourWindowFace);
    c.FillRect(0, 0, c.Width(), c.Height());
    for (const Placed& p : PageGraphs) {
        const GraphSize size = AnalysisGraphSize(p.Graph);
        c.SetFont(ColourBlack, 8);
        c.TextOut(p.X, p.Y - 13, AnalysisGraphCaption(p.Graph));
        SubCanvas image(c, p.X, p.Y, size.Width, size.Height);
        DrawAnalysisGraph(image, p.Graph, page.Counters);
    }

    const AnalysisFigures& f = page.Figures;
    const std::vector<std::string> figures = {
        f.FileLabel,    f.Duration,  f.AcousticDuration, f.Clicks,    f.PerMinute,
        f.PerHour,      f.PerDay,    f.GigabyteLasts,    f.Truncated, f.ClickFilters,
        f.TrainFilters, f.DpmPerDay, f.MeanTemperature,  f.MeanAngle};
    int y = 236;
    c.SetFont(ColourBlack, 8);
    for (const std::string& line : figures) {
        if (line.empty()) continue;
        c.TextOut(10, y, line);
        y += 13;
    }

    DrawBars(c, 560, 240, page.QualityBars.data(), page.QualityBars.size());
    DrawBars(c, 560, 300, page.SpeciesBars.data(), page.SpeciesBars.size());

    // The text box, its two columns split at the tab.
    c.SetBrushColour(ColourWhite);
    c.FillRect(720, 236, 870, 412);
    c.SetFont(ColourBlack, 8);
    y = 238;
    for (const std::string& line : page.TextBox) {
        const auto tab = line.find('\t');
        c.TextOut(724, y, line.substr(0, tab));
        if (tab != std::string::npos) c.TextOut(790, y, line.substr(tab + 1));
        y += 13;
    }
}

} // namespace kelp
