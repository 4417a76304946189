#include <gtest/gtest.h>

#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "export/click_details.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::MakeClick;

class ClickDetailsTest : public ::testing::Test {
protected:
    std::string Kl1() {
        DataFileBuilder b(FileKind::KL1, MakeMinute(2024, 2, 1, 8, 0));
        b.Minute().Click(MakeClick(1'000'000, 125, 9, 77, 4, 0xA3)).Minute().Minute().Click(MakeClick(5));
        return b.Write(dir.File("site one.KL1"));
    }
    testing::TempDir dir;
    Program program;
    HeadlessHost host;
};

TEST_F(ClickDetailsTest, NeedsFileOne) {
    ASSERT_TRUE(OpenDataFile(program, host, Kl1(), 2));
    EXPECT_FALSE(ExportClickDetails(program, host));
    EXPECT_TRUE(host.Showed("Details can only be exported from File 1"));
    EXPECT_TRUE(host.Dialogs.empty());
}

TEST_F(ClickDetailsTest, ProposesTheFileNameAndWritesTheClicksInTheSharedRange) {
    const std::string path = Kl1();
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    host.SaveAnswers.push_back(dir.File("details"));
    ASSERT_TRUE(ExportClickDetails(program, host));
    EXPECT_EQ(host.Dialogs.back().InitialName, dir.File("site one click details.txt"));
    const auto bytes = testing::ReadFileBytes(dir.File("details.txt"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "site one.KL1\n\nQuality: Hi, Mod.  \n"
              "minute\tmicrosec\tcycles\tSPL\tkHz\tBandwidth\tslope a\tslope b\tend kHz\n"
              "01/02/2024 08:00\t5000000\t9\t77\t125\t4\t3\t10\t125\n"
              "01/02/2024 08:02\t25\t12\t100\t130\t3\t7\t3\t130\n");

    // A selection that leaves out the first minute leaves out its click.
    program.SharedStart = MakeMinute(2024, 2, 1, 8, 1);
    ASSERT_TRUE(WriteClickDetails(program, host, dir.File("later.txt")));
    const auto later = testing::ReadFileBytes(dir.File("later.txt"));
    EXPECT_EQ(std::count(later.begin(), later.end(), '\n'), 5);

    // Cancelling the dialog writes nothing.
    EXPECT_FALSE(ExportClickDetails(program, host));
}

TEST_F(ClickDetailsTest, AFileThatCannotBeCreatedIsReported) {
    ASSERT_TRUE(OpenDataFile(program, host, Kl1(), 1));
    const std::string name = dir.File("no such folder/out.txt");
    EXPECT_FALSE(WriteClickDetails(program, host, name));
    EXPECT_EQ(host.DurationOf("No such file or directory"), 2000);
    EXPECT_EQ(host.DurationOf("Failed to create export file " + name), 60'000);
}

} // namespace
} // namespace kelp
