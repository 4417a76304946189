#include <gtest/gtest.h>

#include "core/file_io.h"
#include "core/header.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

std::string Kl1(const testing::TempDir& dir, const std::string& name, int minutes) {
    testing::DataFileBuilder b(FileKind::KL1, MakeMinute(2024, 5, 1, 10, 0));
    for (int m = 0; m < minutes; ++m) b.Minute().Click(testing::MakeClick(100 + m));
    return b.Write(dir.File(name));
}

TEST(FilesCommandTest, HelpListsEverySubCommand) {
    const CliResult r = RunKelpCli({"files", "--help"});
    EXPECT_EQ(r.Status, 0);
    for (const char* c : {"copy-period", "copy-span", "append", "change-start", "edit-copies", "verify",
                          "spike", "metadata", "rename", "rename-one", "delete", "--yes", "--force"})
        EXPECT_NE(r.Out.find(c), std::string::npos) << c;
}

TEST(FilesCommandTest, CommandsReplaceOnlyWithForceAndDeleteOnlyWithYes) {
    testing::TempDir dir;
    const std::string site = Kl1(dir, "site.KL1", 90);
    const std::string part = dir.File("site PART 1h .KL1");
    const std::vector<std::string> period = {"--from", "01/05/2024 10:10", "--to", "01/05/2024 11:09"};
    auto copy = std::vector<std::string>{"files", "copy-period", site};
    copy.insert(copy.end(), period.begin(), period.end());
    struct Step {
        std::vector<std::string> Args;
        int Status;
        std::string Out; // stdout exactly
    };
    const std::vector<Step> steps = {
        {copy, 0, part + "\n"},
        {copy, 1, ""}, // the copy exists
        {[&] {
             auto a = copy;
             a.push_back("--force");
             return a;
         }(),
         0, part + "\n"},
        {{"files", "copy-period", site, "--from", "1 May", "--to", "01/05/2024 11:09"}, 2, ""},
        {{"files", "metadata", part, "--location", "Bay", "--depth", "7"}, 0, part + "\n"},
        {{"files", "metadata", site, "--from", part}, 0, site + "\n"},
        {{"files", "rename", part, dir.File("cut")}, 0, dir.File("cut.KL1") + "\n"},
        {{"files", "delete", dir.File("cut.KL1")}, 1, ""},
        {{"files", "delete", dir.File("cut.KL1"), "--yes"}, 0, dir.File("cut.KL1") + "\n"},
        {{"files", "verify", site},
         0,
         "site.KL1  Times are in sequence    88 minutes logged   0 empty minutes    0 255s\n"},
    };
    for (const Step& s : steps) {
        std::string line;
        for (const auto& a : s.Args) line += a + " ";
        SCOPED_TRACE(line);
        const CliResult r = RunKelpCli(s.Args);
        EXPECT_EQ(r.Status, s.Status) << r.Err;
        EXPECT_EQ(r.Out, s.Out);
    }
    DataFileHeader h;
    const auto bytes = testing::ReadFileBytes(site);
    std::copy_n(bytes.begin(), DataFileHeader::Size, h.Bytes.begin());
    EXPECT_EQ(h.Location(), "Bay");
    EXPECT_EQ(h.DeploymentDepth(), 7);
    EXPECT_FALSE(FileExists(dir.File("cut.KL1")));
}

} // namespace
} // namespace kelp
