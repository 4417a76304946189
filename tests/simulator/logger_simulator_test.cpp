// The logger simulator: the same seed gives the same card, split files overlap as a logger's
// do, the header block carries the summary and settings, and truth.json matches the card.
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "core/file_io.h"
#include "download/click_conversion.h"
#include "download/sd_card.h"
#include "simulator/logger_simulator.h"
#include "tests/support/builders.h"

namespace kelp::testing {
namespace {

std::string Text(const std::string& path) {
    const auto bytes = ReadFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

// The numbers of every "name": N in a text.
std::vector<std::int64_t> Numbers(const std::string& text, const std::string& name) {
    std::vector<std::int64_t> values;
    const std::regex field("\"" + name + "\": (-?[0-9]+)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), field); it != std::sregex_iterator(); ++it)
        values.push_back(std::stoll((*it)[1]));
    return values;
}

struct CardClick {
    std::int64_t Minute;
    SDClickRecord Record;
};

// The record stream of a one-file card, decoded: minute markers and clicks.
struct DecodedCard {
    std::vector<SDMinuteMarker> Markers;
    std::vector<CardClick> Clicks;
};

DecodedCard Decode(const std::vector<std::uint8_t>& data0) {
    DecodedCard card;
    std::size_t at = SDBlockSize;
    while (at + SDMarkerSize <= data0.size()) {
        const std::uint8_t* r = &data0[at];
        if (r[0] == SDMarkerByte) {
            card.Markers.push_back(DecodeSDMarker(r));
            at += SDMarkerSize;
        } else {
            if (at + SDClickSize > data0.size() || IsBlankRecord(r)) break;
            card.Clicks.push_back({static_cast<std::int64_t>(card.Markers.size()), DecodeSDClick(r)});
            at += SDClickSize;
        }
    }
    return card;
}

int kHzOf(const SDClickRecord& c) {
    std::uint8_t bytes[SDClickSize];
    EncodeSDClick(bytes, c);
    return MeanFrequency(std::min(c.CyclesLessOne + 1, 255), bytes[4], bytes[5]);
}

SimulationOptions Options(const std::string& folder, const std::string& scenario, std::int64_t minutes,
                          std::uint64_t seed) {
    SimulationOptions o;
    o.OutFolder = folder;
    o.Scenario = scenario;
    o.Minutes = minutes;
    o.Seed = seed;
    return o;
}

TEST(LoggerSimulator, TheSameSeedGivesTheSameCard) {
    TempDir dir;
    SimulationOptions o = Options(dir.File("a"), "mixed", 120, 42);
    o.Activity = 5;
    ASSERT_TRUE(SimulateCard(o).Ok);
    o.OutFolder = dir.File("b");
    ASSERT_TRUE(SimulateCard(o).Ok);
    o.OutFolder = dir.File("c");
    o.Seed = 43;
    ASSERT_TRUE(SimulateCard(o).Ok);
    EXPECT_EQ(ReadFileBytes(dir.File("a/DATA0.ORV")), ReadFileBytes(dir.File("b/DATA0.ORV")));
    EXPECT_EQ(Text(dir.File("a/truth.json")), Text(dir.File("b/truth.json")));
    EXPECT_NE(ReadFileBytes(dir.File("a/DATA0.ORV")), ReadFileBytes(dir.File("c/DATA0.ORV")));
}

TEST(LoggerSimulator, SplitFilesRepeatTheLastTenBytesOfTheFileBefore) {
    TempDir dir;
    SimulationOptions o = Options(dir.File("one"), "noisy", 20, 8);
    const SimulationResult one = SimulateCard(o);
    ASSERT_TRUE(one.Ok) << one.Error;
    o.OutFolder = dir.File("split");
    o.SplitBytes = 9'999;
    const SimulationResult split = SimulateCard(o);
    ASSERT_TRUE(split.Ok) << split.Error;
    ASSERT_GT(split.Files.size(), 3u);
    EXPECT_EQ(split.Files[1], dir.File("split/DATA1.ORV"));

    const auto whole = ReadFileBytes(one.Files[0]);
    std::vector<std::uint8_t> joined;
    std::vector<std::uint8_t> previous;
    for (std::size_t i = 0; i < split.Files.size(); ++i) {
        const auto bytes = ReadFileBytes(split.Files[i]);
        EXPECT_LE(bytes.size(), 9'999u);
        if (i == 0) {
            EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + SDBlockSize, whole.begin()));
            joined.insert(joined.end(), bytes.begin() + SDBlockSize, bytes.end());
        } else {
            EXPECT_TRUE(
                std::equal(bytes.begin(), bytes.begin() + SDOverlapBytes, previous.end() - SDOverlapBytes));
            joined.insert(joined.end(), bytes.begin() + SDOverlapBytes, bytes.end());
        }
        previous = bytes;
    }
    EXPECT_TRUE(std::equal(joined.begin(), joined.end(), whole.begin() + SDBlockSize, whole.end()));
    EXPECT_EQ(joined.size(), whole.size() - SDBlockSize);

    // A later, smaller card in the same folder leaves no data file of the earlier one behind.
    o.Scenario = "empty";
    o.Minutes = 1;
    ASSERT_TRUE(SimulateCard(o).Ok);
    EXPECT_FALSE(FileExists(dir.File("split/DATA1.ORV")));
}

TEST(LoggerSimulator, TheHeaderBlockCarriesSummaryAndSettings) {
    TempDir dir;
    SimulationOptions o = Options(dir.File("card"), "noisy", 50, 2);
    o.LoggerNumber = 95; // settings layout 0
    o.YearMade = 2016;
    o.MinutesOff = 4;
    o.StartDelay = 30;
    o.ClickLimitCode = 1;
    o.ErasedTailBytes = 1000;
    const SimulationResult r = SimulateCard(o);
    ASSERT_TRUE(r.Ok) << r.Error;
    SDHeaderBlock b;
    const auto bytes = ReadFileBytes(r.Files[0]);
    std::copy_n(bytes.begin(), SDBlockSize, b.Bytes.begin());
    EXPECT_EQ(static_cast<std::int64_t>(bytes.size()), SDBlockSize + r.StreamBytes + 1000);
    EXPECT_TRUE(std::all_of(bytes.end() - 1000, bytes.end(), [](std::uint8_t v) { return v == 255; }));
    EXPECT_EQ(b.BlocksLogged(), static_cast<std::uint32_t>((r.StreamBytes + 511) / 512));
    EXPECT_EQ(b.OverallMinutes(), 49 * 5 + 1);
    EXPECT_EQ(b.LoggingMinutesLessOne(), 49);
    EXPECT_EQ(b.LimitMinutes(), r.LimitMinutes);
    EXPECT_GT(r.LimitMinutes, 0);
    EXPECT_EQ(b.LoggerNumber(), 95);
    EXPECT_EQ(b.LoggerNumberDigits(), "0095");
    EXPECT_EQ(std::string(b.Bytes.begin() + 160, b.Bytes.begin() + 164), "2016");
    EXPECT_EQ(b.LoggerVersion(), 0);
    EXPECT_EQ(ReadBE(b.Bytes.data(), 70, 2), 30u); // layout 0 keeps the start delay at 70..71
    EXPECT_EQ(b.Bytes[68], 4);                     // and the minutes off at 68
    EXPECT_EQ(b.Bytes[81], 1);
    EXPECT_EQ(ReadBE(b.Bytes.data(), 126, 2), 95u);

    // At most 1024 clicks a minute.
    const DecodedCard card = Decode(bytes);
    std::map<std::int64_t, int> perMinute;
    for (const auto& c : card.Clicks) ++perMinute[c.Minute];
    for (const auto& [minute, n] : perMinute) EXPECT_LE(n, 1024) << minute;

    o.OutFolder = dir.File("nosummary");
    o.NoSummary = true;
    o.LoggerNumber = 1036; // layout 1
    const SimulationResult n = SimulateCard(o);
    ASSERT_TRUE(n.Ok);
    SDHeaderBlock none;
    const auto noneBytes = ReadFileBytes(n.Files[0]);
    std::copy_n(noneBytes.begin(), SDBlockSize, none.Bytes.begin());
    EXPECT_FALSE(none.HasSummary());
    EXPECT_TRUE(std::all_of(none.Bytes.begin() + 128, none.Bytes.begin() + 168,
                            [](std::uint8_t v) { return v == 0; }));
    EXPECT_EQ(ReadBE(none.Bytes.data(), 68, 2), 30u); // layout 1 keeps the start delay at 68..69
}

TEST(LoggerSimulator, TruthMatchesTheCardAndTheTrainsSoundLikeTheirKind) {
    TempDir dir;
    SimulationOptions o = Options(dir.Path(), "mixed", 240, 4);
    o.Activity = 10;
    const SimulationResult r = SimulateCard(o);
    ASSERT_TRUE(r.Ok) << r.Error;
    const DecodedCard card = Decode(ReadFileBytes(r.Files[0]));
    ASSERT_EQ(static_cast<std::int64_t>(card.Markers.size()), 240);
    for (std::size_t i = 0; i < card.Markers.size(); ++i) EXPECT_EQ(card.Markers[i].MinuteNumber, i + 1);
    EXPECT_EQ(static_cast<std::int64_t>(card.Clicks.size()), r.Clicks);

    const std::string truth = Text(r.TruthFile);
    EXPECT_EQ(Numbers(truth, "clicks_recorded"), std::vector<std::int64_t>{r.Clicks});
    const auto clicks = Numbers(truth, "clicks");
    const auto echoes = Numbers(truth, "echoes");
    std::int64_t trainClicks = 0;
    for (auto c : clicks) trainClicks += c;
    EXPECT_EQ(trainClicks + Numbers(truth, "background_clicks")[0] + Numbers(truth, "echo_clicks")[0],
              r.Clicks);
    ASSERT_EQ(static_cast<std::int64_t>(clicks.size()), r.Trains);

    std::map<std::pair<std::int64_t, std::int64_t>, SDClickRecord> at;
    for (const auto& c : card.Clicks) at[{c.Minute, c.Record.Time}] = c.Record;
    const auto minutes = Numbers(truth, "minute");
    const auto firsts = Numbers(truth, "first_time");
    const auto lastMinutes = Numbers(truth, "last_minute");
    const auto lasts = Numbers(truth, "last_time");
    const std::regex kinds("\"kind\": \"(porpoise|dolphin|sonar)\"");
    std::vector<std::string> kind;
    for (auto it = std::sregex_iterator(truth.begin(), truth.end(), kinds); it != std::sregex_iterator();
         ++it)
        kind.push_back((*it)[1]);
    ASSERT_EQ(kind.size(), clicks.size());
    std::map<std::string, int> seen;
    for (std::size_t i = 0; i < kind.size(); ++i) {
        ++seen[kind[i]];
        for (const auto& [m, t] : {std::pair{minutes[i], firsts[i]}, std::pair{lastMinutes[i], lasts[i]}}) {
            const auto found = at.find({m, t});
            ASSERT_NE(found, at.end()) << "train " << i << " has no click at minute " << m << " time " << t;
            const SDClickRecord& c = found->second;
            const int cycles = c.CyclesLessOne + 1;
            const int kHz = kHzOf(c);
            if (kind[i] == "porpoise") {
                EXPECT_TRUE(cycles >= 10 && cycles <= 25 && kHz >= 115 && kHz <= 150) << cycles << " " << kHz;
                EXPECT_LE(c.Bandwidth, 5);
            } else if (kind[i] == "dolphin") {
                EXPECT_TRUE(cycles >= 2 && cycles <= 8) << cycles;
                if (cycles > 2) {
                    EXPECT_TRUE(kHz >= 25 && kHz <= 115) << kHz;
                }
            } else {
                EXPECT_GE(cycles, 90);
                EXPECT_TRUE(std::abs(kHz - 50) <= 2 || std::abs(kHz - 130) <= 3) << kHz;
            }
        }
        EXPECT_TRUE(minutes[i] < lastMinutes[i] || (minutes[i] == lastMinutes[i] && firsts[i] <= lasts[i]));
    }
    EXPECT_GT(seen["porpoise"], 5);
    EXPECT_GT(seen["dolphin"], 5);
    EXPECT_GT(seen["sonar"], 0);
    EXPECT_NE(truth.find("\"buzz\": true"), std::string::npos);
    (void)echoes;
}

TEST(LoggerSimulator, ScenariosAndOptions) {
    TempDir dir;
    const SimulationResult empty = SimulateCard(Options(dir.File("e"), "empty", 30, 1));
    ASSERT_TRUE(empty.Ok);
    EXPECT_EQ(empty.Clicks, 0);
    EXPECT_EQ(empty.StreamBytes, 30 * SDMarkerSize);
    EXPECT_NE(Text(empty.TruthFile).find("\"trains\": []"), std::string::npos);

    SimulationOptions o = Options(dir.File("x"), "whales", 10, 1);
    EXPECT_NE(CheckSimulationOptions(o).find("unknown scenario 'whales'"), std::string::npos);
    EXPECT_FALSE(SimulateCard(o).Ok);
    o.Scenario = "sonar";
    o.MinutesOff = 3;
    EXPECT_FALSE(CheckSimulationOptions(o).empty());
    o.MinutesOff = 0;
    o.SplitBytes = 100;
    EXPECT_FALSE(CheckSimulationOptions(o).empty());

    SimulatedDefect d;
    std::string error;
    EXPECT_TRUE(ParseSimulatedDefect("jump:5:-3", d, error));
    EXPECT_EQ(d.What, SimulatedDefect::Kind::Jump);
    EXPECT_EQ(d.Minute, 5);
    EXPECT_EQ(d.Value, -3);
    for (const char* bad :
         {"jump:5", "jump:0:3", "disorder:x", "prestart:0", "blanks:3:", "flood", "stretch:1:2"})
        EXPECT_FALSE(ParseSimulatedDefect(bad, d, error)) << bad;
}

TEST(LoggerSimulator, InjectedDefectsOnTheCard) {
    TempDir dir;
    SimulationOptions o = Options(dir.Path(), "porpoise", 10, 6);
    std::string error;
    for (const char* text : {"prestart:2", "jump:4:20", "blanks:6:3", "flood:7:500", "disorder:9"}) {
        SimulatedDefect d;
        ASSERT_TRUE(ParseSimulatedDefect(text, d, error));
        o.Defects.push_back(d);
    }
    const SimulationResult r = SimulateCard(o);
    ASSERT_TRUE(r.Ok) << r.Error;
    const auto bytes = ReadFileBytes(r.Files[0]);
    EXPECT_NE(bytes[SDBlockSize], SDMarkerByte); // clicks before the first marker
    EXPECT_EQ(bytes[SDBlockSize + 2 * SDClickSize], SDMarkerByte);
    // Minute numbers 1, 2, 3, then 24 on.
    std::vector<std::uint32_t> numbers;
    std::map<std::size_t, std::vector<SDClickRecord>> minutes;
    std::size_t blanks = 0;
    for (std::size_t at = SDBlockSize + 2 * SDClickSize; at < bytes.size();) {
        if (bytes[at] == SDMarkerByte) {
            numbers.push_back(DecodeSDMarker(&bytes[at]).MinuteNumber);
            at += SDMarkerSize;
        } else {
            if (IsBlankRecord(&bytes[at]))
                ++blanks;
            else
                minutes[numbers.size()].push_back(DecodeSDClick(&bytes[at]));
            at += SDClickSize;
        }
    }
    EXPECT_EQ(numbers, (std::vector<std::uint32_t>{1, 2, 3, 24, 25, 26, 27, 28, 29, 30}));
    EXPECT_EQ(blanks, 3u);
    EXPECT_GE(minutes[7].size(), 500u);
    const auto& ninth = minutes[9];
    ASSERT_GE(ninth.size(), 2u);
    int backwards = 0;
    for (std::size_t i = 1; i < ninth.size(); ++i) backwards += ninth[i].Time < ninth[i - 1].Time;
    EXPECT_EQ(backwards, 1);
}

} // namespace
} // namespace kelp::testing
