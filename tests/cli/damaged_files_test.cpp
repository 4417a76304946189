// kelp-cli info, clicks, trains and render over damaged copies of simulated files: cut
// short, bytes changed here and there, blocks overwritten, a header of noise, files of
// other programs under a data file's name. Each command ends with status 0, or with 1 and
// a message; never a crash.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "core/file_io.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class DamagedFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new testing::TempDir;
        const std::string card = dir_->File("card");
        auto r = RunKelpCli({"simulate", "--out", card, "--minutes", "8", "--seed", "3", "--scenario",
                             "mixed", "--activity", "30"});
        ASSERT_EQ(r.Status, 0) << r.Err;
        r = RunKelpCli({"download", card, dir_->File("S.KL1"), "--start", "2024-03-01 12:00", "--now",
                        "2024-03-02 12:00"});
        ASSERT_EQ(r.Status, 0) << r.Err;
        r = RunKelpCli({"--quiet", "trains", "--keep-kl2", dir_->File("S.KL1")});
        ASSERT_EQ(r.Status, 0) << r.Err;
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static Bytes Source(const std::string& extension) {
        return testing::ReadFileBytes(dir_->File("S" + extension));
    }
    static testing::TempDir* dir_;
};
testing::TempDir* DamagedFiles::dir_ = nullptr;

// One way a file gets damaged; `rng` chooses where.
Bytes Damage(int kind, Bytes bytes, std::mt19937& rng) {
    auto at = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    auto noise = [&] { return static_cast<std::uint8_t>(rng()); };
    switch (kind) {
    case 0: // cut short anywhere, the header included
        bytes.resize(at(bytes.size()));
        break;
    case 1: // bytes changed here and there
        for (int i = 0; i < 40; ++i) bytes[at(bytes.size())] = noise();
        break;
    case 2: { // a block overwritten, as by a card pulled out mid-write
        const std::size_t start = at(bytes.size());
        const std::size_t end = std::min(bytes.size(), start + 1 + at(600));
        for (std::size_t i = start; i < end; ++i) bytes[i] = noise();
        break;
    }
    case 3: // a header of noise
        for (std::size_t i = 0; i < std::min<std::size_t>(360, bytes.size()); ++i) bytes[i] = noise();
        break;
    case 4: // records of noise behind a sound header
        for (std::size_t i = 360; i < bytes.size(); ++i) bytes[i] = noise();
        break;
    case 5: // the end cut away within a record, the rest copied twice
        bytes.resize(bytes.size() - 1 - at(std::min<std::size_t>(bytes.size() - 361, 300)));
        bytes.insert(bytes.end(), bytes.begin() + 360, bytes.end());
        break;
    default: { // a file of another program
        const std::string text = "<html><body>not a data file</body></html>\n";
        bytes.assign(text.begin(), text.end());
        if (kind == 7) bytes.assign(at(4096), 0);
    }
    }
    return bytes;
}

void ExpectStatusZeroOrAMessage(const CliResult& r, const std::string& what) {
    EXPECT_TRUE(r.Status == 0 || r.Status == 1) << what << ": status " << r.Status << "\n" << r.Err;
    if (r.Status == 1) {
        EXPECT_FALSE(r.Err.empty()) << what << ": failed without a message";
    }
}

TEST_F(DamagedFiles, EveryCommandEndsWithStatusZeroOrOneAndAMessage) {
    std::mt19937 rng(20240301);
    int copy = 0;
    for (const std::string extension : {".KL1", ".KL2", ".KL3"}) {
        const Bytes source = Source(extension);
        ASSERT_GT(source.size(), 1000u);
        for (int kind = 0; kind <= 7; ++kind) {
            for (int round = 0; round < 2; ++round) {
                const std::string folder = dir_->File("copy" + std::to_string(++copy));
                fs::create_directories(folder);
                const std::string file = folder + "/D" + extension;
                testing::WriteFileBytes(file, Damage(kind, source, rng));
                const std::string what = file + " (damage " + std::to_string(kind) + ")";
                ExpectStatusZeroOrAMessage(RunKelpCli({"info", file}), "info " + what);
                ExpectStatusZeroOrAMessage(RunKelpCli({"clicks", file, "-o", folder + "/c.txt"}),
                                           "clicks " + what);
                ExpectStatusZeroOrAMessage(RunKelpCli({"render", file, "-o", folder + "/r.png"}),
                                           "render " + what);
                if (extension != ".KL3")
                    ExpectStatusZeroOrAMessage(RunKelpCli({"--quiet", "trains", file}), "trains " + what);
            }
        }
    }
}

} // namespace
} // namespace kelp
