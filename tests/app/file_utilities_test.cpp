// The file utility buttons of "Metadata", "Files - View" and "dev": each runs its utility on
// the open files, and the pages follow; the Metadata page's mirrors of the display's switches.
#include <filesystem>
#include <functional>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/dev_page.h"
#include "app/file_controls.h"
#include "app/file_utility_buttons.h"
#include "app/files_view_page.h"
#include "app/filter_controls.h"
#include "app/metadata_page.h"
#include "core/file_slot.h"
#include "download/read_sd_page.h"
#include "tests/app/app_test_support.h"

using namespace kelp;
using namespace kelp::testing;
namespace fs = std::filesystem;

namespace {

std::uintmax_t SizeOf(const std::string& name) {
    return fs::exists(name) ? fs::file_size(name) : 0;
}

bool AnyNameContains(const TempDir& dir, const std::string& part) {
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        if (entry.path().filename().string().find(part) != std::string::npos) return true;
    return false;
}

} // namespace

class FileUtilitiesTest : public QObject {
    Q_OBJECT
private slots:
    void ButtonsRunTheirUtilities() {
        struct Files {
            std::string Kl1, Kl3;
        };
        struct Case {
            const char* Name;
            // Prepares the dialogs' answers and the boxes; returns the button to click.
            std::function<QPushButton*(AppUnderTest&, const TempDir&, const Files&)> Prepare;
            std::function<void(AppUnderTest&, const TempDir&, const Files&)> Check;
        };
        auto metadata = [](AppUnderTest& a) {
            return static_cast<MetadataPage*>(a.window->PageNamed("Metadata"));
        };
        auto utilities = [metadata](AppUnderTest& a) { return metadata(a)->Utilities(); };
        const std::vector<Case> cases = {
            {"paste",
             [&](AppUnderTest& a, const TempDir&, const Files&) {
                 QLineEdit* location = metadata(a)->Boxes(1).Location;
                 location->clear();
                 QTest::keyClicks(location, "Skerry");
                 return utilities(a)->PasteButton();
             },
             [&](AppUnderTest& a, const TempDir&, const Files& f) {
                 // Only File 1 is open: its header carries the text at the location's place.
                 const auto bytes = ReadFileBytes(f.Kl1);
                 QCOMPARE(std::string(bytes.begin() + 33, bytes.begin() + 40), std::string("Skerry\0", 7));
                 QCOMPARE(utilities(a)->PasteButton()->text(), QString("Save file 1 text to all"));
             }},
            {"rename",
             [&](AppUnderTest& a, const TempDir& dir, const Files&) {
                 a.host.SaveAnswers.push_back(dir.File("renamed.KL1"));
                 return utilities(a)->RenameButton();
             },
             [&](AppUnderTest& a, const TempDir& dir, const Files& f) {
                 QVERIFY(fs::exists(dir.File("renamed.KL1")) && fs::exists(dir.File("renamed.KL3")));
                 QVERIFY(!fs::exists(f.Kl1));
                 QCOMPARE(a.program.OpenCount(), 0);
             }},
            {"delete",
             [&](AppUnderTest& a, const TempDir&, const Files&) {
                 a.host.YesNoAnswers.push_back(true);
                 return utilities(a)->DeleteButton();
             },
             [&](AppUnderTest&, const TempDir&, const Files& f) {
                 QVERIFY(!fs::exists(f.Kl1) && !fs::exists(f.Kl3));
             }},
            {"copy selection",
             [&](AppUnderTest& a, const TempDir&, const Files&) {
                 return static_cast<FilesViewPage*>(a.window->PageNamed("Files - View"))
                     ->Files()
                     ->CopySelectionButton();
             },
             [&](AppUnderTest& a, const TempDir& dir, const Files&) {
                 QVERIFY(AnyNameContains(dir, "pair PART "));
                 QCOMPARE(static_cast<FilesViewPage*>(a.window->PageNamed("Files - View"))
                              ->Files()
                              ->CopySelectionButton()
                              ->text(),
                          QString("Copy selection"));
             }},
            {"same span",
             [&](AppUnderTest& a, const TempDir&, const Files& f) {
                 a.host.OpenAnswers.push_back({f.Kl3});
                 return utilities(a)->SameSpanButton();
             },
             [&](AppUnderTest& a, const TempDir& dir, const Files&) {
                 QVERIFY(AnyNameContains(dir, ".KL3") && AnyNameContains(dir, " PART "));
                 QCOMPARE(utilities(a)->SameSpanButton()->text(),
                          QString("Create copies with same time span"));
             }},
            {"change start",
             [&](AppUnderTest& a, const TempDir&, const Files&) {
                 ReadSDPage& page = ReadSDPageOf(a.program);
                 page.StartYear = "2021";
                 page.StartMonth = "6";
                 page.StartDay = "15";
                 page.StartHour = "12";
                 page.StartMinute = "0";
                 a.host.YesNoAnswers.push_back(true);
                 return utilities(a)->ChangeStartButton();
             },
             [&](AppUnderTest& a, const TempDir&, const Files&) {
                 QCOMPARE(a.program.Slot(1).FirstMinute, MakeMinute(2021, 6, 15, 12, 0));
             }},
            {"append",
             [&](AppUnderTest& a, const TempDir& dir, const Files& f) {
                 fs::copy_file(f.Kl1, dir.File("more.KL1"));
                 a.host.OpenAnswers.push_back({dir.File("more.KL1")});
                 return utilities(a)->AppendButton();
             },
             [&](AppUnderTest& a, const TempDir& dir, const Files& f) {
                 QVERIFY(SizeOf(f.Kl1) > SizeOf(dir.File("more.KL1")));
                 QCOMPARE(utilities(a)->AppendButton()->text(), QString("Append files"));
             }},
            {"edit copies",
             [&](AppUnderTest& a, const TempDir&, const Files& f) {
                 a.host.OpenAnswers.push_back({f.Kl3});
                 return utilities(a)->EditCopiesButton();
             },
             [&](AppUnderTest&, const TempDir& dir, const Files& f) {
                 QCOMPARE(SizeOf(dir.File("pair EDIT.KL3")), SizeOf(f.Kl3));
             }},
            {"verify",
             [&](AppUnderTest& a, const TempDir&, const Files&) { return utilities(a)->VerifyButton(); },
             [&](AppUnderTest& a, const TempDir&, const Files&) {
                 QVERIFY(!a.host.Boxes.empty());
                 QVERIFY(a.host.Boxes.back().find("pair.KL1  Times are in sequence") == 0);
             }},
            {"spike",
             [&](AppUnderTest& a, const TempDir& dir, const Files& f) {
                 fs::copy_file(f.Kl1, dir.File("x SPIKE.KL1"));
                 a.host.YesNoAnswers.push_back(true);
                 a.host.OpenAnswers.push_back({dir.File("x SPIKE.KL1")});
                 return static_cast<DevPage*>(a.window->PageNamed("dev"))->SpikeButton();
             },
             [&](AppUnderTest&, const TempDir& dir, const Files& f) {
                 QVERIFY(SizeOf(dir.File("x SPIKE.KL1")) > SizeOf(f.Kl1));
             }},
        };
        for (const Case& c : cases) {
            qInfo() << c.Name;
            TempDir dir;
            const auto [kl1, kl3] = WriteFilePair(dir);
            const Files files{kl1, kl3};
            AppUnderTest app;
            app.window->OpenAtStart({kl1});
            QPushButton* button = c.Prepare(app, dir, files);
            QVERIFY(button->isEnabled());
            button->click();
            c.Check(app, dir, files);
            if (QTest::currentTestFailed()) return;
        }
    }

    void PasteAndCopyNeedAnOpenFile() {
        AppUnderTest app;
        auto* metadata = static_cast<MetadataPage*>(app.window->PageNamed("Metadata"));
        auto* files = static_cast<FilesViewPage*>(app.window->PageNamed("Files - View"))->Files();
        QVERIFY(!metadata->Utilities()->PasteButton()->isEnabled());
        QVERIFY(!files->CopySelectionButton()->isEnabled());
        QVERIFY(metadata->Utilities()->EditCopiesButton()->isEnabled());
    }

    void ChangeStartAsksBeforeItReadsTheStartTimeBoxes() {
        TempDir dir;
        const auto [kl1, kl3] = WriteFilePair(dir);
        AppUnderTest app;
        QPushButton* button =
            static_cast<MetadataPage*>(app.window->PageNamed("Metadata"))->Utilities()->ChangeStartButton();
        ReadSDPage& page = ReadSDPageOf(app.program);
        page.StartYear = "20x1";
        // With no file open the boxes are not looked at; with the file open the question
        // comes first, and the file stays as it was.
        button->click();
        QCOMPARE(app.host.Boxes, std::vector<std::string>{"This requires File 1 only to be open"});
        app.window->OpenAtStart({kl1});
        const auto before = ReadFileBytes(kl1);
        app.host.Boxes.clear();
        app.host.YesNoAnswers.push_back(true);
        button->click();
        QCOMPARE(app.host.Boxes, (std::vector<std::string>{
                                     "Is the new start time in the start time boxes on the Read SD page?",
                                     InvalidStartTimeBoxesText}));
        QCOMPARE(ReadFileBytes(kl1), before);
    }

    void MirroredSwitchesFollowEachOther() {
        AppUnderTest app;
        auto* metadata = static_cast<MetadataPage*>(app.window->PageNamed("Metadata"));
        auto* view = static_cast<FilesViewPage*>(app.window->PageNamed("Files - View"));
        metadata->UseSavedEndpointsBox()->click();
        QVERIFY(view->Files()->UseEndpointsBox()->isChecked());
        metadata->IgnoreAllFiltersBox()->click();
        QVERIFY(view->Filters()->IgnoreBox()->isChecked());
        view->Filters()->IgnoreBox()->click();
        QVERIFY(!metadata->IgnoreAllFiltersBox()->isChecked());
    }
};

QTEST_MAIN(FileUtilitiesTest)
#include "file_utilities_test.moc"
