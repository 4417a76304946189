#include <cerrno>
#include <filesystem>

#include "core/file_io.h"
#include "tests/files/files_fixture.h"

namespace kelp {
namespace {

class AppendTest : public FilesTest {
protected:
    // File 1 with the records of `others` after it: each less its end records, the last with them.
    static Bytes Joined(const Bytes& first, const std::vector<Bytes>& others, int R) {
        Bytes b = Slice(first, 0, first.size() - 2 * R);
        for (std::size_t i = 0; i < others.size(); ++i) {
            const Bytes& o = others[i];
            const Bytes records = Slice(o, HeaderLength, o.size() - (i + 1 == others.size() ? 0 : 2 * R));
            b.insert(b.end(), records.begin(), records.end());
        }
        return b;
    }
};

TEST_F(AppendTest, JoinsFilesOfFileOnesExtensionAndEndsWithTheirEndRecords) {
    struct Case {
        const char* Name;
        std::vector<std::string> Chosen; // besides two.KL1 and three.KL1, in this order
    };
    const Case cases[] = {
        {"last chosen is a KL1 file", {"two.KL1", "odd.KL1", "gone.KL1", "other.KL3", "three.KL1"}},
        {"last chosen is skipped", {"two.KL1", "three.KL1", "other.KL3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string one = Kl1("one.KL1", Day(1), 5);
        const Bytes two = Read(Kl1("two.KL1", Day(4), 3));
        const Bytes three = Read(Kl1("three.KL1", Day(6), 4));
        Data("other.KL3", FileKind::KL3, Day(1), 2);
        testing::DataFileBuilder odd(FileKind::KL1, Day(1));
        odd.Header().SetRecordLengthByte(20);
        odd.Minute();
        odd.Write(dir.File("odd.KL1"));
        Bytes expected = Joined(Read(one), {two, three}, 10);
        Put32(expected, 128, (5 + 3 + 4) * 2); // the scan counts the clicks and corrects the last minute
        Put32(expected, 260, Day(1) + 11);
        Put32(expected, 276, Day(1) + 11);

        ASSERT_TRUE(Open(one, 1));
        std::vector<std::string> chosen;
        for (const std::string& n : c.Chosen) chosen.push_back(dir.File(n));
        host.OpenAnswers = {chosen};
        host.Messages.clear();
        const FilesOutcome out = AppendFiles(program, host);

        EXPECT_FALSE(out.Failed);
        EXPECT_EQ(Read(one), expected);
        EXPECT_EQ(out.Files, (std::vector<std::string>{dir.File("two.KL1"), dir.File("three.KL1")}));
        // The KL3 file is passed over without a word; the others are named.
        std::vector<std::string> expectedMessages;
        if (c.Chosen.size() == 5)
            expectedMessages = {"Record length differs.  File not appended: " + dir.File("odd.KL1"),
                                SystemErrorText(ENOENT)};
        EXPECT_EQ(host.MessageTexts(), expectedMessages);
        EXPECT_EQ(program.Slot(1).LastMinute, Day(1) + 11);
        EXPECT_EQ(FileUtilitiesOf(program).AppendCaption, "Append files");
        CloseAllFiles(program, host);
    }
}

TEST_F(AppendTest, NeedsFileOneAloneAndAChoice) {
    const std::string one = Kl1("one.KL1", Day(1), 2);
    const std::string two = Kl1("two.KL1", Day(2), 2);
    struct Case {
        std::vector<std::string> Open;
        const char* Message;
    };
    const Case cases[] = {{{}, "File 1 only must be open"},
                          {{one, two}, "File 1 only must be open"},
                          {{one}, "No files selected"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Message);
        for (std::size_t i = 0; i < c.Open.size(); ++i) ASSERT_TRUE(Open(c.Open[i], static_cast<int>(i) + 1));
        host.Messages.clear();
        EXPECT_TRUE(AppendFiles(program, host).Failed);
        EXPECT_EQ(host.MessageTexts(), std::vector<std::string>{c.Message});
        EXPECT_EQ(host.DurationOf(c.Message), 4000);
        CloseAllFiles(program, host);
    }
}

TEST_F(AppendTest, FailedAppendIsCutOffAgain) {
    struct Case {
        const char* Name;
        bool DiskFull;
        const char* FailingRead; // a chosen file whose records cannot be read
    };
    const Case cases[] = {{"disk full in the second file", true, nullptr},
                          {"unreadable second file", false, "three.KL1"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string one = Kl1("one.KL1", Day(1), 5);
        Kl1("two.KL1", Day(4), 30);
        Kl1("three.KL1", Day(6), 30);
        ASSERT_TRUE(Open(one, 1));
        const Bytes before = Read(one);
        host.OpenAnswers = {{dir.File("two.KL1"), dir.File("three.KL1")}};
        FaultPlan plan;
        if (c.DiskFull) {
            plan.DiskFullAfter(30 * 30 + 5, "one.KL1");
        } else {
            plan.Fail(FileOperation::Read, 2, EIO, c.FailingRead); // byte 1 is read, the records not
        }
        {
            ScopedFaultPlan installed(plan);
            EXPECT_TRUE(AppendFiles(program, host).Failed);
        }
        EXPECT_EQ(plan.Fired(), 1);
        EXPECT_EQ(Read(one), before);
        EXPECT_TRUE(Showed(SystemErrorText(c.DiskFull ? ENOSPC : EIO)));
        EXPECT_TRUE(program.Slot(1).IsOpen);
        CloseAllFiles(program, host);
    }
}

class SpikeTest : public FilesTest {
protected:
    void SetUp() override {
        source = Kl1("sample.KL1", Day(1), 10);
        target = Kl1("my Spike set.KL1", Day(20), 3);
        ASSERT_TRUE(Open(source, 1));
        request.BandSlot = 1;
        request.ScreenStart = Day(1) + 7;
        request.RestoreAndRedraw = [this] { ++redraws; };
    }
    void Select(MinuteNumber from, MinuteNumber to) {
        program.Options.TimeSelectionSet = true;
        program.SharedStart = from;
        program.SharedEnd = to;
    }
    // The target with markers [from, to) of the source appended and its last minute moved on.
    Bytes Expected(std::size_t from, std::size_t to) const {
        const Bytes s = Read(source);
        const auto at = Markers(s, 10);
        Bytes t = Read(target);
        t.resize(t.size() - 20);
        const Bytes records = Slice(s, at[from], at[to]);
        t.insert(t.end(), records.begin(), records.end());
        AddEnd(t, 10);
        const auto minutes = static_cast<std::int32_t>(to - from);
        Put32(t, 260, Day(20) + 2 + minutes);
        Put32(t, 276, Day(20) + 2 + minutes);
        return t;
    }
    std::string source, target;
    SpikeRequest request;
    int redraws = 0;
};

TEST_F(SpikeTest, AppendsTheSelectionOrTheScreensFirstMinute) {
    Select(Day(1), Day(1) + 3); // a selection from the file's first minute is a selection
    const Bytes selected = Expected(0, 4);
    host.YesNoAnswers = {true, true};
    host.OpenAnswers = {{target}};
    EXPECT_FALSE(AppendToSpikeFile(program, host, request).Failed);
    EXPECT_EQ(Read(target), selected);
    EXPECT_TRUE(Showed("Do you wish to add 4 minutes?"));
    EXPECT_EQ(host.DurationOf("8 clicks added to " + target), 1000);
    EXPECT_FALSE(program.Options.TimeSelectionSet);
    EXPECT_EQ(redraws, 1);

    // No selection: the minute at which the screen starts.
    target = Kl1("other SPIKE.KL1", Day(20), 3);
    const Bytes screen = Expected(7, 8);
    host.OpenAnswers = {{target}};
    EXPECT_FALSE(AppendToSpikeFile(program, host, request).Failed);
    EXPECT_EQ(Read(target), screen);
    EXPECT_TRUE(Showed("Do you wish to add 1 minutes?"));
    EXPECT_TRUE(Showed("2 clicks added to " + target));
}

TEST_F(SpikeTest, RefusedTargetsAreLeftAlone) {
    std::filesystem::create_directory(dir.File("spikes"));
    const std::string plain = Kl1("spikes/plain.KL1", Day(20), 3);
    testing::DataFileBuilder wide(FileKind::KL2, Day(20));
    wide.Minute();
    const std::string kl2 = wide.Write(dir.File("wide spike.KL2"));
    struct Case {
        const char* Name;
        bool Yes;
        std::vector<std::string> Chosen;
        const char* Message; // nullptr: none
        int Redraws;
    };
    const Case cases[] = {
        {"answered No", false, {target}, nullptr, 0},
        {"nothing chosen", true, {}, "File name does not contain spike", 1},
        {"only the folder says spike", true, {plain}, "File name does not contain spike", 1},
        {"other record length", true, {kl2}, "SpikeRecBytes = 20  Sample RecBytes = 10", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const Bytes before = Read(c.Chosen.empty() ? target : c.Chosen.front());
        host.Messages.clear();
        redraws = 0;
        host.YesNoAnswers = {c.Yes};
        host.OpenAnswers = {c.Chosen};
        EXPECT_TRUE(AppendToSpikeFile(program, host, request).Failed);
        EXPECT_EQ(Read(c.Chosen.empty() ? target : c.Chosen.front()), before);
        if (c.Message) {
            EXPECT_EQ(host.MessageTexts().back(), c.Message);
        }
        EXPECT_EQ(redraws, c.Redraws);
    }
    // Nothing happens without an open KL1 file.
    CloseAllFiles(program, host);
    host.Messages.clear();
    EXPECT_TRUE(AppendToSpikeFile(program, host, request).Failed);
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(SpikeTest, FailedAppendLeavesTheSpikeFileAsItWas) {
    const Bytes before = Read(target);
    const int faults[][2] = {{0, 25}, {1, 3}}; // {disk full after bytes, failing write number}
    for (const auto& f : faults) {
        FaultPlan plan;
        if (f[0] == 0) {
            plan.DiskFullAfter(f[1], "Spike");
        } else {
            plan.Fail(FileOperation::Write, f[1], EIO, "Spike"); // records and end go, the header does not
        }
        host.YesNoAnswers = {true};
        host.OpenAnswers = {{target}};
        {
            ScopedFaultPlan installed(plan);
            EXPECT_TRUE(AppendToSpikeFile(program, host, request).Failed);
        }
        EXPECT_EQ(plan.Fired(), 1);
        EXPECT_EQ(Read(target), before);
    }
}

} // namespace
} // namespace kelp
