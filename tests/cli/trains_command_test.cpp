#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cli/registry.h"
#include "core/bytes.h"
#include "core/file_io.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::MakeClick;
using testing::TempDir;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A KL1 file with one wandering train of 25 clicks per minute.
std::string WriteKL1(const TempDir& dir, const std::string& name, int minutes, int day) {
    DataFileBuilder b(FileKind::KL1, MakeMinute(2024, 7, day, 3, 0));
    for (int m = 0; m < minutes; ++m) {
        b.Minute();
        std::int32_t t = 300'000, ici = 15'000;
        for (int i = 0; i < 25; ++i) {
            b.Click(MakeClick(t, 131 + (i * 3 + m) % 4, 15, 70 + (i * 11) % 25, 2, 0x36));
            ici += ((i * 29 + m) % 7 - 3) * 200;
            t += ici;
        }
    }
    return b.Write(dir.File(name));
}

TEST(TrainsCommand, OneResultsLinePerFileAndTheBatchLinesOnStderr) {
    TempDir dir;
    const std::string a = WriteKL1(dir, "A.KL1", 3, 1);
    const std::string b = WriteKL1(dir, "B.KL1", 2, 2);
    testing::WriteFileBytes(dir.File("C.KL1"), std::vector<std::uint8_t>(100, 0));
    const CliResult r = RunKelpCli({"trains", a, dir.File("C.KL1"), b});
    EXPECT_EQ(r.Status, 1); // one file could not be processed
    const auto out = Lines(r.Out);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0],
              "file\tstart\tend\tdays\tmins\tallClx\tHi\tMod\tLo\t?\tPorp\tDol\tCet ?sp\tunclass\tSonar");
    EXPECT_EQ(out[1].substr(0, 5), "A.KL\t");
    EXPECT_EQ(out[2], "C.KL1\t<400 bytes");
    EXPECT_EQ(out[3].substr(0, 5), "B.KL\t");
    EXPECT_NE(r.Err.find("C.KL1 too small to contain a train"), std::string::npos);
    EXPECT_NE(
        r.Err.find("Some files could not be processed .... report on Trains page\nFiles processed\t2/3\n"),
        std::string::npos);
    EXPECT_FALSE(FileExists(dir.File("A.KL2")));
    EXPECT_TRUE(FileExists(dir.File("A.KL3")));

    // The same with three jobs and three threads at once, and with the KL2 files kept.
    const auto kl3 = testing::ReadFileBytes(dir.File("A.KL3"));
    const CliResult p =
        RunKelpCli({"trains", "--jobs", "3", "--threads", "3", "--keep-kl2", a, dir.File("C.KL1"), b});
    EXPECT_EQ(p.Out, r.Out);
    EXPECT_EQ(p.Err, r.Err);
    EXPECT_TRUE(FileExists(dir.File("A.KL2")));
    EXPECT_EQ(testing::ReadFileBytes(dir.File("A.KL3")), kl3);

    // A KL2 file runs the train detection alone and stays; one thread gives the same file.
    const CliResult k = RunKelpCli({"trains", "--threads", "1", dir.File("A.KL2")});
    EXPECT_EQ(k.Status, 0);
    EXPECT_EQ(Lines(k.Out).at(1), out[1]);
    EXPECT_TRUE(FileExists(dir.File("A.KL2")));
    EXPECT_EQ(testing::ReadFileBytes(dir.File("A.KL3")), kl3);
}

TEST(TrainsCommand, SettingsOfTheTrainsPage) {
    TempDir dir;
    const std::string a = WriteKL1(dir, "A.KL1", 2, 1);
    // Clicks below SPL 95 are not clustered: the trains fall apart.
    const CliResult r = RunKelpCli({"trains", "--spl-min", "95", a});
    EXPECT_EQ(r.Status, 0);
    const auto fields = Lines(r.Out).at(1);
    EXPECT_NE(fields.find("\t0\t0\t0\t0\t0\t0\t0\t0\t0"), std::string::npos) << fields;
    EXPECT_EQ(RunKelpCli({"trains", "--jobs", "0", a}).Status, 2);
    EXPECT_EQ(RunKelpCli({"trains", "--threads", "0", a}).Status, 2);
}

// A KL3 file of two minutes with three trains, and a truth file of four synthetic trains.
TEST(ScoreTrainsCommand, CountsFoundAndUnmatchedTrains) {
    TempDir dir;
    DataFileBuilder b(FileKind::KL3, MakeMinute(2024, 5, 1, 0, 0));
    auto click = [](std::int32_t time, int quality, int species) {
        ClickRecord c = MakeClick(time);
        c.Quality = static_cast<std::uint8_t>(quality);
        c.Species = static_cast<std::uint8_t>(species);
        c.TrainSlot = 1;
        return c;
    };
    b.Minute();
    for (int i = 0; i < 5; ++i) b.Click(click(1'000'000 + i * 20'000, 3, 0), 5); // porpoise, Hi
    for (int i = 0; i < 5; ++i) b.Click(click(5'000'000 + i * 20'000, 2, 3), 6); // unclassed, Mod
    b.Minute();
    for (int i = 0; i < 5; ++i) b.Click(click(8'000'000 + i * 20'000, 1, 1), 7);  // dolphin, Lo
    for (int i = 0; i < 5; ++i) b.Click(click(11'000'000 + i * 20'000, 3, 4), 8); // sonar, nothing there
    const std::string kl3 = b.Write(dir.File("S.KL3"));
    const std::string truth = R"({"format": "kelp simulator truth 1", "minutes_per_marker": 1, "trains": [
      {"id": 1, "kind": "porpoise", "minute": 1, "first_time": 990000, "last_minute": 1, "last_time": 1100000, "buzz": false},
      {"id": 2, "kind": "porpoise", "minute": 1, "first_time": 4900000, "last_minute": 1, "last_time": 5050000},
      {"id": 3, "kind": "dolphin", "minute": 1, "first_time": 11900000, "last_minute": 2, "last_time": 8010000},
      {"id": 4, "kind": "sonar", "minute": 2, "first_time": 100, "last_minute": 2, "last_time": 200}
    ]})";
    testing::WriteFileBytes(dir.File("truth.json"), std::vector<std::uint8_t>(truth.begin(), truth.end()));
    const CliResult r = RunKelpCli({"score-trains", kl3, dir.File("truth.json")});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const auto out = Lines(r.Out);
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(out[0], "kind\ttrains\tfound\tfound %\toverlapped\tPorp\tDol\tOther\tUnclass\tSonar");
    EXPECT_EQ(out[1], "dolphin\t1\t0\t0\t1\t0\t0\t0\t0\t0"); // only a Lo train overlaps it
    EXPECT_EQ(out[2], "porpoise\t2\t1\t50\t2\t1\t0\t0\t1\t0");
    EXPECT_EQ(out[3], "sonar\t1\t0\t0\t0\t0\t0\t0\t0\t0");
    EXPECT_EQ(out[4], "KL3 trains\t4\tno synthetic train\t1");
    EXPECT_EQ(out[5], "Mod or Hi trains\t3\tno synthetic train\t1\t0\t0\t0\t0\t1");

    // The KL3 file as the second file of a deployment that began a minute earlier.
    const CliResult later =
        RunKelpCli({"score-trains", kl3, dir.File("truth.json"), "--start", "30/04/2024 23:59"});
    EXPECT_EQ(Lines(later.Out).at(2), "porpoise\t2\t0\t0\t0\t0\t0\t0\t0\t0");

    testing::WriteFileBytes(dir.File("bad.json"), std::vector<std::uint8_t>{'{', '"'});
    EXPECT_EQ(RunKelpCli({"score-trains", kl3, dir.File("bad.json")}).Status, 1);
    EXPECT_EQ(RunKelpCli({"score-trains", dir.File("none.KL3"), dir.File("truth.json")}).Status, 1);
}

} // namespace
} // namespace kelp
