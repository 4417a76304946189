#include "analysis/correlation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>

#include "analysis/analysis_page.h"
#include "core/slots.h"
#include "display/time_scales.h"
#include "tests/display/view_fixture.h"

namespace kelp::testing {
namespace {

class CorrelationTest : public ViewTest {
protected:
    MinuteNumber first = MakeMinute(2024, 3, 1, 0, 0);

    // A KL3 file of `minutes` minutes from `start`: in minute m (counted from `first`)
    // `clicksIn(m)` clicks of one train.
    template <class ClicksIn>
    std::string Kl3(const std::string& name, MinuteNumber start, int minutes, ClicksIn clicksIn) {
        DataFileBuilder b(FileKind::KL3, start);
        for (int m = 0; m < minutes; ++m) {
            b.Minute();
            const int n = clicksIn(static_cast<int>(start - first) + m);
            for (int c = 1; c <= n; ++c) {
                ClickRecord click = MakeClick(c * 50'000);
                click.Quality = QualityHi;
                b.Click(click, 5);
            }
        }
        return b.Write(dir.File(name));
    }
    void OpenFile(const std::string& path, int slot) { ASSERT_TRUE(OpenDataFile(program, host, path, slot)); }
    void Scale(int scale) { SetTimeScale(ctx, scale); }
};

// Encounters of a few minutes at irregular times.
int Encounters(int minute) {
    static const std::vector<int> counts = [] {
        std::mt19937 random(5);
        std::vector<int> v(400, 0);
        for (int m = 0; m < 400; ++m)
            if (random() % 9 == 0)
                for (int k = 0; k < 4 && m + k < 400; ++k)
                    v[static_cast<std::size_t>(m + k)] = 3 + static_cast<int>(random() % 20);
        return v;
    }();
    return minute >= 0 && minute < 400 ? counts[static_cast<std::size_t>(minute)] : 0;
}

TEST_F(CorrelationTest, TwoCopiesOfAFilePeakAtOffsetZeroWithValueOne) {
    OpenFile(Kl3("a.KL3", first, 300, Encounters), 1);
    OpenFile(Kl3("b.KL3", first, 300, Encounters), 2);
    AnalysisPageOf(program).Options.ValuesInResults = true;
    Scale(OneMinuteScale);
    const CorrelationOutcome outcome = DoCrossCorrelation(ctx);
    ASSERT_TRUE(outcome.Done);
    EXPECT_EQ(outcome.Cross.PeakOffset(), 0);
    EXPECT_FLOAT_EQ(outcome.Cross.Peak, 1.0f);
    const auto& lines = host.Results().Lines();
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[0], "Cross-correlation of a.KL3 and b.KL3");
    EXPECT_EQ(lines[2], "Bin size \t1\t3 bin rolling average");
    EXPECT_EQ(lines[4], "offset of max correlation\tValue");
    EXPECT_EQ(lines[5], "0\t1.00000");
    EXPECT_EQ(lines.size(), 7u + 2 * outcome.Cross.Lags + 1); // offsets -P .. P
    EXPECT_EQ(program.SourceBox[1], "1104\t1104\t0\t1.00000");
    EXPECT_EQ(AnalysisPageOf(program).CrossCorrelationCaption, "cc.F");
    EXPECT_NE(canvas.FindText("Peak correlation at 0mins"), nullptr);
    EXPECT_NE(canvas.FindText("1104 earlier"), nullptr);
    EXPECT_EQ(state.StartLabel, DateTimeText(first));
}

TEST_F(CorrelationTest, TheOffsetIsWhereTheSecondLoggerHearsTheSameEvents) {
    struct Case {
        int StartDelay; // file 2 starts this many minutes after file 1
        int Heard;      // file 2 hears each event this many minutes later
        int Offset;
    };
    int run = 0;
    for (const Case c : {Case{0, 5, 5}, Case{0, -4, -4}, Case{7, 0, 0}, Case{7, 3, 3}}) {
        CloseAllFiles(program, host);
        const std::string n = std::to_string(++run);
        OpenFile(Kl3("a" + n + ".KL3", first, 300, Encounters), 1);
        OpenFile(Kl3("b" + n + ".KL3", first + c.StartDelay, 300 - c.StartDelay,
                     [&](int m) { return Encounters(m - c.Heard); }),
                 2);
        Scale(OneMinuteScale);
        const CorrelationOutcome outcome = DoCrossCorrelation(ctx);
        ASSERT_TRUE(outcome.Done);
        EXPECT_EQ(outcome.Cross.PeakOffset(), c.Offset) << c.StartDelay << " " << c.Heard;
        EXPECT_GT(outcome.Cross.Peak, 0.5f);
    }
}

TEST_F(CorrelationTest, CommandsRefuseWhatTheyCannotCorrelate) {
    auto none = [](int) { return 0; };
    struct Case {
        const char* Name;
        std::function<void()> Setup;
        bool Cross;
        const char* Message;
    };
    const Case cases[] = {
        {"KL1 beside KL3",
         [&] {
             DataFileBuilder b(FileKind::KL1, first);
             b.Minute().Minute();
             OpenFile(b.Write(dir.File("c1.KL1")), 1);
             OpenFile(Kl3("c1.KL3", first, 20, none), 2);
         },
         true, KL3FilesMustOverlapText},
        {"overlap of 9 minutes",
         [&] {
             OpenFile(Kl3("c2a.KL3", first, 20, Encounters), 1);
             OpenFile(Kl3("c2b.KL3", first + 11, 20, Encounters), 2);
         },
         true, TooFewSamplesText},
        {"9 minutes", [&] { OpenFile(Kl3("c3.KL3", first, 9, Encounters), 1); }, false, TooFewSamplesText},
        {"no clicks", [&] { OpenFile(Kl3("c4.KL3", first, 100, none), 1); }, false, AllValuesNilText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        CloseAllFiles(program, host);
        c.Setup();
        host.Messages.clear();
        host.Changes.clear();
        Scale(OneMinuteScale);
        canvas.Clear();
        const CorrelationOutcome outcome = c.Cross ? DoCrossCorrelation(ctx) : DoAutocorrelation(ctx);
        EXPECT_FALSE(outcome.Done);
        EXPECT_TRUE(host.Showed(c.Message));
        const bool filesPage = std::find(host.Changes.begin(), host.Changes.end(),
                                         std::string(changed::ShowFilesPage)) != host.Changes.end();
        EXPECT_EQ(filesPage, std::string(c.Message) == TooFewSamplesText);
        EXPECT_TRUE(canvas.OfKind(CanvasOp::Kind::Line).empty()); // nothing drawn
    }
}

TEST_F(CorrelationTest, AutoCorrelationWorksOnTheCorrelationScales) {
    OpenFile(Kl3("long.KL3", first, 2000, [](int m) { return Encounters(m % 400); }), 1);
    AnalysisPageOf(program).Options.ValuesInResults = true;
    struct Case {
        int Scale, Used, Bin;
        const char* Label; // the first time label after lag 0
        int LabelLag;
    };
    for (const Case c : {Case{7, OneMinuteScale, 1, "10m", 10}, Case{12, 12, 5, "1h", 12},
                         Case{TideScale, TideScale, 93, "1t", 8}, Case{18, OneMinuteScale, 1, "10m", 10}}) {
        Scale(c.Scale);
        canvas.Clear();
        const CorrelationOutcome outcome = DoAutocorrelation(ctx);
        const CanvasOp* label = canvas.FindText(c.Label);
        ASSERT_NE(label, nullptr) << c.Label;
        EXPECT_EQ(label->X0, 18 + 5 * c.LabelLag + 2);
        ASSERT_TRUE(outcome.Done) << c.Scale;
        EXPECT_EQ(state.TimeScale, c.Used);
        EXPECT_EQ(outcome.BinMinutes, c.Bin);
        const AutoCorrelation& ac = outcome.Auto;
        EXPECT_FLOAT_EQ(ac.Function[0], 1.0f);
        EXPECT_LT(ac.Function[static_cast<std::size_t>(ac.Encounter)], ac.Level);
        for (int k = 0; k < ac.Encounter; ++k) EXPECT_GE(ac.Function[static_cast<std::size_t>(k)], ac.Level);
        const auto& lines = host.Results().Lines();
        EXPECT_EQ(lines[1], "Encounter duration \t" + std::to_string(ac.Encounter * c.Bin) + "\tmins");
        const std::string& marked = lines[6 + static_cast<std::size_t>(ac.Encounter)];
        EXPECT_EQ(marked.substr(marked.size() - 2), "\t#");
    }
    EXPECT_EQ(AnalysisPageOf(program).AutoCorrelationCaption, "ac.f");
    EXPECT_EQ(program.SourceBox,
              std::vector<std::string>{"Auto-correlation: results are listed on the Results page"});
}

TEST_F(CorrelationTest, OnANarrowDisplayTheFunctionEndsAtTheValueScale) {
    StartDisplay(ctx, 900, 800); // right edge 848: too narrow for 241 offsets 4 pixels apart
    OpenFile(Kl3("a.KL3", first, 900, Encounters), 1);
    OpenFile(Kl3("b.KL3", first, 900, Encounters), 2);
    ASSERT_EQ(state.Right, 848);
    for (const bool cross : {true, false}) {
        SCOPED_TRACE(cross ? "cross" : "auto");
        Scale(OneMinuteScale);
        canvas.Clear();
        ASSERT_TRUE((cross ? DoCrossCorrelation(ctx) : DoAutocorrelation(ctx)).Done);
        const std::vector<CanvasOp> function = LinesOf(ColourRed);
        ASSERT_FALSE(function.empty());
        // The offsets close up to end at the right edge; the lags stop where the plot does.
        EXPECT_EQ(function.back().X1, state.Right);
        if (cross) {
            EXPECT_EQ(function.size(), 240u);
            std::vector<int> earlier; // file 2's at the left end, then file 1's at the right
            for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Text))
                if (op.Text == "1104 earlier") earlier.push_back(op.X0);
            ASSERT_EQ(earlier.size(), 2u);
            EXPECT_GT(earlier[1], state.Right / 2);
            EXPECT_LT(earlier[1], state.Right);
        } else {
            EXPECT_EQ(function.size(), static_cast<std::size_t>(LastDrawnLag(state)));
        }
    }
}

TEST_F(CorrelationTest, CoherenceSummarisesAmplitudesInGroupsOf256) {
    DataFileBuilder b(FileKind::KL1, first);
    b.Minute();
    for (int i = 1; i <= 300; ++i) b.Click(MakeClick(i * 10'000, 130, 12, 100));
    OpenFile(b.Write(dir.File("loud.KL1")), 1);
    PositionAt(program, host, first, 0);
    CoherenceBtnClick(program, host);
    const std::vector<std::string> expected = {"Time\tSecs\tMode\tMedian\tMean\t200th\t250th",
                                               ClickTimeText({first, 0}) +
                                                   "\t12850\t104\t104\t100\t104\t104"};
    EXPECT_EQ(host.Results().Lines(), expected);
    EXPECT_EQ(AnalysisPageOf(program).CoherenceCaption, "Coherence vals");
}

TEST(CrossCorrelate, LagsAreAFifthOfTheBinsTimesFourAtMost120) {
    for (auto [bins, lags] : {std::pair{598, 120}, {98, 76}, {8, 4}}) {
        std::vector<std::int32_t> x(static_cast<std::size_t>(bins) + 2), y(x.size());
        for (std::size_t k = 1; k < x.size(); ++k) x[k] = y[k] = Encounters(static_cast<int>(k));
        const CrossCorrelation cc = CrossCorrelate(x, y, bins);
        EXPECT_EQ(cc.Lags, lags);
        EXPECT_FLOAT_EQ(cc.Level, static_cast<float>(2.0 / std::sqrt(lags)));
        if (lags < CrossOffsets) {
            EXPECT_EQ(cc.Function[static_cast<std::size_t>(CrossOffsets + lags + 1)], 0.0f);
        }
    }
}

} // namespace
} // namespace kelp::testing
