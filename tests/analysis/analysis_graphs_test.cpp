#include "analysis/analysis_graphs.h"

#include <gtest/gtest.h>

#include "analysis/sub_canvas.h"
#include "display/colours.h"

namespace kelp {
namespace {

// The vertical lines and filled bars drawn above the axis, by their left x.
const CanvasOp* BarAt(const RecordingCanvas& c, int x) {
    for (const CanvasOp& op : c.Ops) {
        if (op.What == CanvasOp::Kind::Line && op.X0 == x && op.X1 == x && op.Y0 == GraphBarBase) return &op;
        if (op.What == CanvasOp::Kind::Fill && op.X0 == x && op.Y1 == GraphBarBase + 1) return &op;
    }
    return nullptr;
}

TEST(AnalysisGraphs, EachGraphPutsItsValuesWhereItsAxisSays) {
    AnalysisCounters k;
    k.kHz[130] = 10;
    k.kHz[20] = 5;
    k.FrequencyChange[10] = 4;
    k.FrequencyChange[64] = 2;
    k.Ncyc[256] = 3;
    k.Spl[0] = 3;
    k.Bw[5] = 9;
    k.ClickRate[146] = 1;
    k.EnvelopeLow[3] = 6;
    k.EnvelopeHigh[15] = 6;

    struct Case {
        AnalysisGraph Graph;
        int X;
        Colour BarColour;
        int Height;
    };
    const Case cases[] = {
        {AnalysisGraph::kHz, 111, KHzColour(130), 70},
        {AnalysisGraph::kHz, 1, KHzColour(20), 35},
        {AnalysisGraph::TerminalkHz, 18, ColourGreen, 70},
        {AnalysisGraph::TerminalkHz, 72, ColourBlue, 35},
        {AnalysisGraph::NCycles, 256, ColourYellow, 70},
        {AnalysisGraph::Amplitude, 0, ColourRed, 70},
        {AnalysisGraph::Bandwidth, 20, ColourGrey, 70},
        {AnalysisGraph::ClicksPerSecond, 146, ColourMagenta, 70},
        {AnalysisGraph::EnvelopeLow, 7, ColourMaroon, 70},
        {AnalysisGraph::EnvelopeHigh, 30, ColourMaroon, 70},
    };
    for (const Case& c : cases) {
        const GraphSize size = AnalysisGraphSize(c.Graph);
        RecordingCanvas canvas(size.Width, size.Height);
        DrawAnalysisGraph(canvas, c.Graph, k);
        SCOPED_TRACE(AnalysisGraphCaption(c.Graph));
        const CanvasOp& background = canvas.Ops.front();
        EXPECT_EQ(background.Colour, ColourBlack);
        EXPECT_EQ(background.X1, size.Width);
        const CanvasOp* bar = BarAt(canvas, c.X);
        ASSERT_NE(bar, nullptr) << c.X;
        EXPECT_EQ(bar->Colour, c.BarColour);
        const int top = bar->What == CanvasOp::Kind::Fill ? bar->Y0 : bar->Y1 + 1;
        EXPECT_EQ(GraphBarBase + 1 - top, c.Height);
    }
    EXPECT_EQ(AnalysisGraphSize(AnalysisGraph::kHz).Width, 144);
    EXPECT_EQ(AnalysisGraphSize(AnalysisGraph::ClicksPerSecond).Width, 258);
    EXPECT_EQ(AnalysisGraphSize(AnalysisGraph::EnvelopeHigh).Width, 34);
}

TEST(AnalysisGraphs, LabelsStandAtTheirValues) {
    struct Case {
        AnalysisGraph Graph;
        const char* Text;
        int X;
        Colour Font;
    };
    const Case cases[] = {
        {AnalysisGraph::kHz, "20", 1, ColourWhite},
        {AnalysisGraph::kHz, "140", 121, ColourWhite},
        {AnalysisGraph::TerminalkHz, "-60", 12, ColourWhite},
        {AnalysisGraph::TerminalkHz, "0", 72, ColourWhite},
        {AnalysisGraph::NCycles, "240", 241, ColourWhite},
        {AnalysisGraph::Bandwidth, "25", 101, ColourWhite},
        {AnalysisGraph::ClicksPerSecond, "2k", 240, ColourWhite},
        {AnalysisGraph::ClicksPerSecond, "(x20)", 120, ColourGrey},
    };
    AnalysisCounters none;
    for (const Case& c : cases) {
        const GraphSize size = AnalysisGraphSize(c.Graph);
        RecordingCanvas canvas(size.Width, size.Height);
        DrawAnalysisGraph(canvas, c.Graph, none);
        const CanvasOp* label = canvas.FindText(c.Text);
        ASSERT_NE(label, nullptr) << c.Text;
        EXPECT_EQ(label->X0, c.X) << c.Text;
        EXPECT_EQ(label->Y0, GraphLabelY);
        EXPECT_EQ(label->Size, GraphFontSize);
        EXPECT_EQ(label->Colour, c.Font);
        // Nothing counted: no bars, only the axis and its ticks.
        for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Line)) EXPECT_GE(op.Y0, GraphAxisY);
    }
}

TEST(SubCanvas, OffsetsAndClipsToItsWindow) {
    RecordingCanvas target(400, 300);
    SubCanvas window(target, 100, 50, 34, 88);
    window.SetPen(ColourRed);
    window.MoveTo(0, 72);
    window.LineTo(63, 72); // the envelope axis, wider than its image
    window.MoveTo(40, 0);
    window.LineTo(40, 80); // outside: dropped
    window.MoveTo(5, 71);
    window.LineTo(5, -20); // clipped at the top
    window.SetBrushColour(ColourBlue);
    window.FillRect(-5, 80, 10, 100);
    window.SetFontColour(ColourWhite);
    window.TextOut(2, 75, "in");
    window.TextOut(50, 75, "out");

    const auto lines = target.OfKind(CanvasOp::Kind::Line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].X0, 100);
    EXPECT_EQ(lines[0].X1, 134); // up to the window's last pixel, 133
    EXPECT_EQ(lines[0].Y0, 122);
    EXPECT_EQ(lines[0].Colour, ColourRed);
    EXPECT_EQ(lines[1].Y1, 49); // down to y = 0 of the window, 50
    const auto fills = target.OfKind(CanvasOp::Kind::Fill);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].X0, 100);
    EXPECT_EQ(fills[0].Y1, 138);
    EXPECT_EQ(target.Texts(), std::vector<std::string>{"in"});
}

} // namespace
} // namespace kelp
