#include <gtest/gtest.h>

#include "core/bytes.h"
#include "core/endpoints.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::ReadFileBytes;

class EndpointsTest : public ::testing::Test {
protected:
    // A file from `first` to `last` with one marker; its endpoints equal its range.
    std::string File(const std::string& name, MinuteNumber first, MinuteNumber last) {
        DataFileBuilder b(FileKind::KL1, first);
        b.Minute().KeepHeaderMinutes();
        b.Header().SetLastMinute(last);
        b.Header().SetEndpointStart(first);
        b.Header().SetEndpointEnd(last);
        return b.Write(dir.File(name));
    }
    static MinuteNumber Jan(int day) { return MakeMinute(2024, 1, day, 0, 0); }
    static std::pair<MinuteNumber, MinuteNumber> Saved(const std::string& path) {
        const auto bytes = ReadFileBytes(path);
        return {ReadBE32Signed(bytes.data(), 272), ReadBE32Signed(bytes.data(), 276)};
    }
    testing::TempDir dir;
    Program program;
    HeadlessHost host;
};

TEST_F(EndpointsTest, SavingARangeBeyondAFileChangesNothing) {
    const std::string a = File("a.KL1", Jan(1), Jan(10));
    const std::string b = File("b.KL1", Jan(5), Jan(20));
    ASSERT_TRUE(OpenDataFile(program, host, a, 1));
    ASSERT_TRUE(OpenDataFile(program, host, b, 2));
    const auto beforeA = ReadFileBytes(a);
    const auto beforeB = ReadFileBytes(b);
    SaveEndpoints(program, host);
    int refused = 0;
    for (const auto& m : host.Messages)
        if (m.Text == "Time range goes beyond time limits of this file. No change made.") ++refused;
    EXPECT_EQ(refused, 2);
    EXPECT_EQ(ReadFileBytes(a), beforeA);
    EXPECT_EQ(ReadFileBytes(b), beforeB);
    EXPECT_EQ(program.SaveEndpointsLabel, "save endpoints");

    // A selection of 6 to 9 January is saved into both files.
    program.Options.TimeSelectionSet = true;
    program.SharedStart = Jan(6);
    program.SharedEnd = Jan(9);
    SaveEndpoints(program, host);
    EXPECT_EQ(Saved(a), std::make_pair(Jan(6), Jan(9)));
    EXPECT_EQ(Saved(b), std::make_pair(Jan(6), Jan(9)));
    EXPECT_EQ(host.MillisecondsWaited, 2000);
    // Only the endpoint bytes changed.
    auto expected = beforeA;
    WriteBE(expected.data(), 272, 4, static_cast<std::uint32_t>(Jan(6)));
    WriteBE(expected.data(), 276, 4, static_cast<std::uint32_t>(Jan(9)));
    EXPECT_EQ(ReadFileBytes(a), expected);
    // In memory the endpoints change only when the file is opened again.
    EXPECT_EQ(program.Slot(1).EndpointStart, Jan(1));
    CloseDataFile(program, host, 1);
    ASSERT_TRUE(OpenDataFile(program, host, a, 1));
    EXPECT_EQ(program.Slot(1).EndpointStart, Jan(6));
}

TEST_F(EndpointsTest, DeletingPutsTheFullRangeBack) {
    DataFileBuilder b(FileKind::KL1, Jan(1));
    b.Minute().KeepHeaderMinutes();
    b.Header().SetLastMinute(Jan(10));
    b.Header().SetEndpointStart(Jan(3));
    b.Header().SetEndpointEnd(Jan(4));
    const std::string path = b.Write(dir.File("e.KL1"));
    ASSERT_TRUE(OpenDataFile(program, host, path, 3));
    EXPECT_EQ(program.Slot(3).EndpointStart, Jan(3));
    EXPECT_EQ(program.DeleteEndpointsLabel, "delete saved endpoints");
    DeleteSavedEndpoints(program, host);
    EXPECT_EQ(Saved(path), std::make_pair(Jan(1), Jan(10)));
    EXPECT_EQ(program.Slot(3).EndpointStart, Jan(1));
    EXPECT_EQ(program.Slot(3).EndpointEnd, Jan(10));
    EXPECT_EQ(program.DeleteEndpointsLabel, "Delete saved endpoints");
}

TEST_F(EndpointsTest, UsingEndpointsNarrowsTheSharedRange) {
    DataFileBuilder b(FileKind::KL1, Jan(1));
    b.Minute().KeepHeaderMinutes();
    b.Header().SetLastMinute(Jan(10));
    b.Header().SetEndpointStart(Jan(2));
    b.Header().SetEndpointEnd(Jan(12)); // beyond the last minute: clamped
    ASSERT_TRUE(OpenDataFile(program, host, b.Write(dir.File("u.KL1")), 1));
    EXPECT_EQ(program.SharedStart, Jan(1));
    SetUseEndpoints(program, host, true);
    EXPECT_TRUE(program.Options.UseEndpoints);
    EXPECT_EQ(program.SharedStart, Jan(2));
    EXPECT_EQ(program.SharedEnd, Jan(10));
    EXPECT_EQ(program.Slot(1).StartLabel, "Start 02/01/2024 00:00");
    SetUseEndpoints(program, host, false);
    EXPECT_EQ(program.SharedStart, Jan(1));
}

} // namespace
} // namespace kelp
