#include "analysis/frequency_graph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "analysis/analysis_page.h"
#include "display/colours.h"
#include "display/geometry.h"
#include "tests/display/view_fixture.h"

namespace kelp::testing {
namespace {

class FrequencyGraphTest : public ViewTest {
protected:
    MinuteNumber first = MakeMinute(2024, 3, 1, 0, 0);
    AnalysisPage& Page() { return AnalysisPageOf(program); }

    // The graph of the 1-minute-bin screen that starts at the file's first minute.
    FrequencyGraph Graph(FrequencyGraphType type, bool smooth = true) {
        SetTimeScale(ctx, OneMinuteScale);
        state.ReadPosition = AddDisplayTime({first, 0}, state.Span);
        Page().Options.GraphType = type;
        Page().Options.SmoothFGraph = smooth;
        canvas.Clear();
        return ShowFrequencyGraph(ctx);
    }
    // The bar of bin i in a band: its height above the base, 0 when none is drawn.
    int BarHeight(int bin, int slot = 1) const {
        for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Line))
            if (op.X0 == 4 * bin + 18 && op.Y0 == Base(slot)) return op.Y0 - op.Y1;
        return 0;
    }
};

TEST_F(FrequencyGraphTest, AScreenWithoutClicksDrawsOnlyTheBinLabels) {
    DataFileBuilder b(FileKind::KL1, first);
    b.Minute().Minute();
    Open(b, "quiet.KL1");
    const FrequencyGraph g = Graph(FrequencyGraphType::kHz);
    EXPECT_EQ(g.Bands[1].Largest, 1);
    EXPECT_TRUE(canvas.OfKind(CanvasOp::Kind::Line).empty());
    for (int v = 0; v <= 160; v += 20) {
        const CanvasOp* label = canvas.FindText(std::to_string(v));
        ASSERT_NE(label, nullptr) << v;
        EXPECT_EQ(label->X0, 4 * v + 18);
        EXPECT_EQ(label->Y0, Base() + 2);
        EXPECT_EQ(label->Colour, ColourBlack); // on the white strip under the lowest band
    }
    EXPECT_EQ(canvas.FindText("180"), nullptr); // kHz labels stop at 160
    EXPECT_EQ(Page().GraphCaption, "kHz");
}

TEST_F(FrequencyGraphTest, OneClickIsSmoothedOverFiveBins) {
    DataFileBuilder b(FileKind::KL1, first);
    b.Minute().Click(MakeClick(600'000, 130, 12, 100));
    Open(b, "one.KL1");
    const FrequencyGraph g = Graph(FrequencyGraphType::kHz);
    EXPECT_EQ(g.Bands[1].Raw[130], 100); // weighted by the amplitude
    EXPECT_EQ(g.Bands[1].Largest, 300);
    const int full = std::min(400, state.BandHeight);
    EXPECT_EQ(BarHeight(130), full);
    EXPECT_EQ(BarHeight(128), 133);
    EXPECT_EQ(BarHeight(129), 267);
    EXPECT_EQ(BarHeight(131), 267);
    EXPECT_EQ(BarHeight(132), 133);
    EXPECT_EQ(BarHeight(127), 0);
    for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Line))
        EXPECT_EQ(op.Colour, KHzColour((op.X0 - 18) / 4));

    // The terminal frequency is never smoothed.
    const FrequencyGraph end = Graph(FrequencyGraphType::EndkHz);
    EXPECT_EQ(end.Bands[1].Shown, end.Bands[1].Raw);
    EXPECT_EQ(canvas.OfKind(CanvasOp::Kind::Line).size(), 1u);
    EXPECT_EQ(BarHeight(130), full);
}

TEST_F(FrequencyGraphTest, ResultsListEveryBinOfEveryBandAndBarsStopAtTheirBand) {
    DataFileBuilder one(FileKind::KL1, first);
    one.Minute();
    std::int32_t t = 0;
    for (int i = 0; i < 10; ++i) one.Click(MakeClick(t += 10'000, 130, 0)); // 0 cycles
    one.Click(MakeClick(t += 10'000, 130, 5));
    Open(one, "one.KL1", 1);
    DataFileBuilder three(FileKind::KL3, first);
    three.Minute();
    Open(three, "three.KL3", 2);
    SetUpDisplay(ctx);
    Page().Options.ValuesInResults = true;
    Graph(FrequencyGraphType::Dur, false);

    const auto& lines = host.Results().Lines();
    ASSERT_EQ(lines.size(), 2u * 257u);
    EXPECT_EQ(lines[0], "Duration as N of cycles\tRaw data\tKELP data are not necessarily representative of "
                        "the spectrum of clicks produced by the animal");
    EXPECT_EQ(lines[1], "0\t10");
    EXPECT_EQ(lines[6], "5\t1");
    EXPECT_EQ(lines[256], "255\t0");
    EXPECT_EQ(lines[257].rfind("Duration as N of cycles\t", 0), 0u);
    // Bin 0 is ten times the largest of bins 2..253: its bar stops at the band's top.
    EXPECT_EQ(BarHeight(0), state.BandHeight);
    EXPECT_EQ(BarHeight(5), std::min(400, state.BandHeight));

    host.Results().Clear();
    Graph(FrequencyGraphType::kHz, true);
    EXPECT_EQ(lines[0].substr(0, 38), "kHz weighted by SPL\tRaw data\tSmoothed\t");
    EXPECT_EQ(lines[129], "128\t0\t1100");
}

TEST_F(FrequencyGraphTest, DevelopmentModeListsTheDistributionsStatistics) {
    DataFileBuilder b(FileKind::KL3, first);
    b.Minute();
    for (int n = 1; n <= 16; ++n) {
        ClickRecord c = MakeClick(n * 100'000, 130, n);
        c.Quality = QualityHi;
        b.Click(c, 5);
    }
    Open(b, "sixteen.KL3");
    program.Options.DevelopmentMode = true;
    Graph(FrequencyGraphType::Dur, false);

    const std::vector<std::string> expected = {
        "sixteen.KL3", "Nclx\t16",    "Mean\t8",       "1~16    \t2",   "2~16    \t3",   "3~16    \t4",
        "4~16    \t5", "8~16    \t9", "12~16    \t13", "14~16    \t15", "15~16    \t16", "Mode\t16"};
    EXPECT_EQ(host.Results().Lines(), expected);
    // Beside the graph: the last eight lines listed, the fifth in yellow.
    const CanvasOp* first = canvas.FindText("2~16    \t3");
    const CanvasOp* fifth = canvas.FindText("12~16    \t13");
    const CanvasOp* mode = canvas.FindText("Mode\t16");
    ASSERT_TRUE(first && fifth && mode);
    EXPECT_EQ(canvas.FindText("1~16    \t2"), nullptr);
    EXPECT_EQ(fifth->Colour, ColourYellow);
    EXPECT_EQ(first->Colour, ColourWhite);
    EXPECT_EQ(fifth->Size, 10);
    EXPECT_EQ(mode->Y0 - first->Y0, 7 * 14);
    EXPECT_FALSE(LinesOf(ColourRed).empty()); // the polyline of a KL3 file
}

TEST_F(FrequencyGraphTest, ANarrowDisplayClosesUpTheBinsAndTheStatistics) {
    StartDisplay(ctx, 900, 800); // right edge 848: too narrow for 256 bins 4 pixels apart
    DataFileBuilder b(FileKind::KL3, first);
    b.Minute();
    for (int n = 1; n <= 255; ++n) {
        ClickRecord c = MakeClick(n * 40'000, 130, n);
        c.Quality = QualityHi;
        b.Click(c, 5);
    }
    Open(b, "wide.KL3");
    program.Options.DevelopmentMode = true;
    Graph(FrequencyGraphType::Dur, false);
    ASSERT_EQ(state.Right, 848);

    std::vector<int> bars;
    for (const CanvasOp& op : LinesOf(ColourWhite))
        if (op.Y0 == Base()) bars.push_back(op.X0);
    ASSERT_EQ(bars.size(), 255u); // bins 1..255, each right of the one before
    EXPECT_TRUE(std::adjacent_find(bars.begin(), bars.end(), std::greater_equal<>()) == bars.end());
    EXPECT_EQ(bars.back(), 18 + 827); // 255 x 830 / 256, rounded
    const CanvasOp* label = canvas.FindText("240");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->X0, bars[239]);
    for (const CanvasOp& op : canvas.Ops) {
        if (op.What == CanvasOp::Kind::Fill) continue;
        EXPECT_LE(std::max(op.X0, op.X1), state.Right) << op.Text; // the statistics too
    }
}

TEST(FrequencyGraphType, CaptionsAndHintsFollowTheType) {
    Program program;
    HeadlessHost host;
    const char* captions[] = {"kHz", "Dur", "SPL", "Slope1", "Slope2", "BW", "EndF"};
    for (int type = 0; type < FrequencyGraphTypeCount; ++type) {
        SetFrequencyGraphType(program, host, static_cast<FrequencyGraphType>(type));
        EXPECT_EQ(AnalysisPageOf(program).GraphCaption, captions[type]);
    }
    EXPECT_EQ(AnalysisPageOf(program).GraphHint,
              "shows a graph of terminal frequency distribution. May be slow");
    EXPECT_EQ(FrequencyGraphLastLabel(FrequencyGraphType::Slope1), 40);
    EXPECT_EQ(FrequencyGraphLastLabel(FrequencyGraphType::EndkHz), 180);
}

} // namespace
} // namespace kelp::testing
