#include <gtest/gtest.h>

#include <sstream>

#include "cli/registry.h"
#include "core/file_io.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::MakeClick;

class ClustersCommandTest : public ::testing::Test {
protected:
    std::string Kl1(const std::string& name) {
        DataFileBuilder b(FileKind::KL1, MakeMinute(2024, 7, 1, 8, 0));
        b.Minute();
        for (int i = 0; i < 6; ++i) b.Click(MakeClick(10000 + i * 20000, i < 3 ? 130 : 150, 10, 80));
        b.Minute();
        return b.Write(dir.File(name));
    }
    testing::TempDir dir;
};

TEST_F(ClustersCommandTest, WritesAKl2FileForEachKl1File) {
    const std::string a = Kl1("a.KL1");
    const std::string b = Kl1("b.KL1");
    const CliResult r = RunKelpCli({"clusters", a, b});
    EXPECT_EQ(r.Status, 0) << r.Err;
    // Six isolated clicks: the last one's cluster runs to the end of the minute.
    EXPECT_EQ(r.Out, dir.File("a.KL2") + "\t2\t6\t7\t1\n" + dir.File("b.KL2") + "\t2\t6\t7\t1\n");
    EXPECT_TRUE(FileExists(dir.File("a.KL2")));
    EXPECT_TRUE(FileExists(dir.File("b.KL2")));
}

TEST_F(ClustersCommandTest, PreFilterOptionsReachTheSettings) {
    const std::string a = Kl1("a.KL1");
    // The kHz limit alone keeps everything; with a minute limit it applies.
    EXPECT_EQ(RunKelpCli({"clusters", a, "--khz-max", "140"}).Out, dir.File("a.KL2") + "\t2\t6\t7\t1\n");
    EXPECT_EQ(RunKelpCli({"clusters", a, "--khz-max", "140", "--minute-limit", "100"}).Out,
              dir.File("a.KL2") + "\t2\t6\t0\t0\n");
    EXPECT_EQ(RunKelpCli({"clusters", a, "--spl-min", "81"}).Out, dir.File("a.KL2") + "\t2\t6\t0\t0\n");
}

TEST_F(ClustersCommandTest, BadInputAndBadOptions) {
    const std::string a = Kl1("a.KL1");
    EXPECT_EQ(RunKelpCli({"clusters", a, "--spl-min", "x"}).Status, 2);
    EXPECT_EQ(RunKelpCli({"clusters", a, "--tda-version", "2"}).Status, 2);
    EXPECT_EQ(RunKelpCli({"clusters", a, "--dev", "--tda-version", "2"}).Status, 0);

    DataFileBuilder kl3(FileKind::KL3);
    kl3.Minute().Click(MakeClick(1000), 5);
    const std::string c = kl3.Write(dir.File("c.KL3"));
    const CliResult r = RunKelpCli({"clusters", c, a});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("Wrong file type."), std::string::npos);
    EXPECT_EQ(r.Out, dir.File("a.KL2") + "\t2\t6\t7\t1\n");
    EXPECT_EQ(RunKelpCli({"clusters", dir.File("missing.KL1")}).Status, 1);
}

} // namespace
} // namespace kelp
