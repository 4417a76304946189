#include <cerrno>

#include "core/file_io.h"
#include "tests/files/files_fixture.h"

namespace kelp {
namespace {

class FileSetTest : public FilesTest {
protected:
    // site.KL1 with its map file, site.KL3 with its map file, and two files of other sets.
    void SetUp() override {
        kl1 = Kl1("site.KL1", Day(1), 3);
        kl3 = Data("site.KL3", FileKind::KL3, Day(1), 3);
        testing::WriteFileBytes(dir.File("site.k1m"), Bytes(16, 1));
        testing::WriteFileBytes(dir.File("site.k3m"), Bytes(16, 3));
        testing::WriteFileBytes(dir.File("site2.KL1"), Bytes(400, 2));
        testing::WriteFileBytes(dir.File("site.txt"), Bytes(4, 4));
    }
    // Every file of the folder with its bytes.
    std::vector<std::pair<std::string, Bytes>> Contents() const {
        std::vector<std::pair<std::string, Bytes>> all;
        for (const std::string& n : Listing()) all.emplace_back(n, Read(dir.File(n)));
        return all;
    }
    void OpenSet() {
        ASSERT_TRUE(Open(kl1, 1));
        ASSERT_TRUE(Open(kl3, 2));
    }
    std::string kl1, kl3;
};

TEST_F(FileSetTest, RenameMovesTheDataAndMapFilesOfTheSet) {
    for (const char* chosen : {"new.KL1", "new", "new.kl3"}) {
        SCOPED_TRACE(chosen);
        const auto before = Contents();
        OpenSet();
        host.SaveAnswers = {dir.File(chosen)};
        host.Messages.clear();
        const FilesOutcome out = RenameFileSet(program, host);

        EXPECT_EQ(host.Dialogs.back().Title, "Save " + kl1 + " as ..");
        EXPECT_EQ(host.Dialogs.back().InitialName, kl1);
        EXPECT_EQ(out.Files, (std::vector<std::string>{dir.File("new.KL1"), dir.File("new.KL3")}));
        EXPECT_EQ(host.MessageTexts(), (std::vector<std::string>{"Saved as " + dir.File("new.KL1"),
                                                                 "Saved as " + dir.File("new.KL3")}));
        EXPECT_EQ(host.DurationOf("Saved as " + dir.File("new.KL1")), 2000);
        EXPECT_EQ(program.OpenCount(), 0);
        auto expected = before;
        for (auto& [name, bytes] : expected)
            if (name.rfind("site.", 0) == 0 && name != "site.txt") name = "new" + name.substr(4);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Contents(), expected);
        // Back again for the next choice.
        ASSERT_TRUE(Open(dir.File("new.KL1"), 1));
        host.SaveAnswers = {dir.File("site")};
        RenameFileSet(program, host);
        EXPECT_EQ(Contents(), before);
    }
}

TEST_F(FileSetTest, RenameThatFailsPutsEveryFileBack) {
    testing::WriteFileBytes(dir.File("new.KL1"), Bytes{9, 9});
    const auto before = Contents();
    struct Case {
        const char* Name;
        bool MayReplace;
        bool FailKl3;
        const char* Message;
    };
    const Case cases[] = {
        {"replacing refused", false, false, "No files renamed"},
        {"third file fails after a replacement", true, true, "FAILED to rename .KL3. No change made"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        OpenSet();
        host.SaveAnswers = {dir.File("new.KL1")};
        host.Messages.clear();
        FileUtilitiesOf(program).MayReplace = [&](const std::string&) { return c.MayReplace; };
        FaultPlan plan;
        if (c.FailKl3) plan.Fail(FileOperation::Rename, 1, EACCES, "site.KL3");
        {
            ScopedFaultPlan installed(plan);
            EXPECT_TRUE(RenameFileSet(program, host).Failed);
        }
        EXPECT_EQ(host.MessageTexts(), std::vector<std::string>{c.Message});
        EXPECT_EQ(Contents(), before);
        CloseAllFiles(program, host);
    }
    // Nothing open, or the dialog cancelled.
    host.Messages.clear();
    RenameFileSet(program, host);
    OpenSet();
    host.SaveAnswers = {std::nullopt};
    RenameFileSet(program, host);
    EXPECT_EQ(host.MessageTexts(), (std::vector<std::string>{"No files renamed", "No files renamed"}));
    EXPECT_EQ(Contents(), before);
}

TEST_F(FileSetTest, RenameOneFileTakesTheFileUnderThePointerAndItsMapFile) {
    testing::WriteFileBytes(dir.File("x.k3m"), Bytes(8, 7)); // a stale map of an earlier x.KL3
    const Bytes data = Read(kl3);
    const Bytes map = Read(dir.File("site.k3m"));
    OpenSet();
    host.SaveAnswers = {dir.File("x.KL3")};
    const FilesOutcome out = RenameOneFile(program, host, 2);
    EXPECT_EQ(host.Dialogs.back().Title, "Save " + kl3 + " as ..");
    EXPECT_EQ(out.Files, std::vector<std::string>{dir.File("x.KL3")});
    EXPECT_TRUE(Showed("Saved as " + dir.File("x.KL3")));
    EXPECT_EQ(Read(dir.File("x.KL3")), data);
    EXPECT_EQ(Read(dir.File("x.k3m")), map);
    EXPECT_FALSE(FileExists(kl3));
    EXPECT_FALSE(FileExists(dir.File("site.k3m")));
    EXPECT_TRUE(program.Slot(1).IsOpen);
    EXPECT_FALSE(program.Slot(2).IsOpen);

    // Over no band: slot 1; a failed rename changes nothing.
    const auto before = Contents();
    host.SaveAnswers = {dir.File("y.KL1")};
    FaultPlan plan;
    plan.Fail(FileOperation::Rename, 0, EACCES);
    {
        ScopedFaultPlan installed(plan);
        EXPECT_TRUE(RenameOneFile(program, host, 0).Failed);
    }
    EXPECT_TRUE(Showed("FAILED to rename file. No change made"));
    EXPECT_EQ(Contents(), before);
    host.Messages.clear();
    EXPECT_TRUE(RenameOneFile(program, host, 3).Failed);
    EXPECT_EQ(host.MessageTexts(), std::vector<std::string>{"No files renamed"});
}

TEST_F(FileSetTest, DeleteAsksAndTakesOnlyTheFilesOfTheSet) {
    testing::WriteFileBytes(dir.File("site.KL2"), Bytes(400, 5));
    testing::WriteFileBytes(dir.File("site.k2m"), Bytes(8, 5));
    const auto before = Contents();
    const std::string question = "Are you SURE you wish to permanently delete all files in the set '" + kl1 +
                                 "'    They will NOT be in the Recycle Bin";
    OpenSet();
    host.YesNoAnswers = {false};
    EXPECT_TRUE(DeleteFileSet(program, host).Failed);
    EXPECT_EQ(host.MessageTexts(), (std::vector<std::string>{question, "No files deleted"}));
    EXPECT_EQ(Contents(), before);
    EXPECT_EQ(program.OpenCount(), 2);

    host.YesNoAnswers = {true};
    FaultPlan plan;
    plan.Fail(FileOperation::Remove, 1, EACCES, "site.k2m");
    {
        ScopedFaultPlan installed(plan);
        EXPECT_TRUE(DeleteFileSet(program, host).Failed);
    }
    EXPECT_TRUE(Showed(SystemErrorText(EACCES)));
    EXPECT_EQ(Listing(), (std::vector<std::string>{"site.k2m", "site.txt", "site2.KL1"}));
    EXPECT_EQ(program.OpenCount(), 0);

    host.Messages.clear();
    EXPECT_TRUE(DeleteFileSet(program, host).Failed);
    EXPECT_EQ(host.MessageTexts(), std::vector<std::string>{"No files open"});
}

} // namespace
} // namespace kelp
