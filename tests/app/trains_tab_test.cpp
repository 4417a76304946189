// The "Trains" page: a batch run from the page writes the KL3 files and results lines that
// kelp-cli trains writes for the same files, and fills the report boxes; ESC ends a batch
// after the file in hand; "Mark landmark sequences" marks the open KL3 files; the pre-filter
// boxes step and reset as their captions say.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include "app/controls.h"
#include "app/development_mode.h"
#include "app/display_widget.h"
#include "app/trains_tab.h"
#include "core/slots.h"
#include "tda/landmarks.h"
#include "tda/tda_settings.h"
#include "tests/app/app_test_support.h"
#include "tests/app/kelp_cli.h"

using namespace kelp;
using namespace kelp::testing;

namespace {

TrainsTab* PageOf(TF& w) {
    return static_cast<TrainsTab*>(w.PageNamed("Trains"));
}

// KL1 files of two small simulated deployments, downloaded by kelp-cli into `folder`.
std::vector<std::string> DownloadedFiles(const TempDir& dir, const std::string& folder) {
    std::filesystem::create_directories(dir.File(folder));
    std::vector<std::string> files;
    for (const char* seed : {"3", "4"}) {
        const std::string card = dir.File(std::string("card") + seed);
        RunCli({"simulate", "--out", card, "--minutes", "30", "--seed", seed, "--scenario", "mixed"});
        const std::string kl1 = dir.File(folder + "/deployment " + seed + ".KL1");
        const CliRun run =
            RunCli({"download", card, kl1, "--start", "2024-06-01 08:00", "--now", "2024-06-02 12:00"});
        if (run.ExitCode != 0) qWarning("%s", run.Err.c_str());
        files.push_back(kl1);
    }
    return files;
}

} // namespace

class TrainsTabTest : public QObject {
    Q_OBJECT
private slots:
    void ABatchFromThePageWritesWhatTheCommandLineWrites() {
#ifdef KELP_CLI_PATH
        TempDir dir;
        const std::vector<std::string> files = DownloadedFiles(dir, "page KELP");
        std::filesystem::create_directories(dir.File("cli KELP"));
        std::vector<std::string> args = {"trains"};
        for (const std::string& f : files) {
            const std::string copy = dir.File("cli KELP/" + ShortNameOf(f));
            std::filesystem::copy_file(f, copy);
            args.push_back(copy);
        }
        const CliRun cli = RunCli(args);
        QVERIFY2(cli.ExitCode == 0, cli.Err.c_str());

        AppUnderTest app;
        TrainsTab* page = PageOf(*app.window);
        app.host.OpenAnswers.push_back(files);
        page->BatchButton()->click();

        QCOMPARE(app.host.Dialogs.front().Title, std::string(BatchDialogTitle));
        QVERIFY(app.host.Dialogs.front().MultiSelect);
        for (const std::string& f : files) {
            const std::string kl3 = WithExtension(f, ".KL3");
            QVERIFY2(!Bytes(kl3).empty() && Bytes(kl3) == Bytes(dir.File("cli KELP/" + ShortNameOf(kl3))),
                     kl3.c_str());
            QVERIFY2(!FileExists(WithExtension(f, ".KL2")),
                     "the KL2 file is deleted outside development mode");
        }
        QVERIFY(app.host.Results().Lines() == Lines(cli.Out));
        // The report box holds the header and one results line per file; the window ends on "Results".
        const ReportBox& processed = page->ProcessedReport();
        QCOMPARE(processed.Count->text(), QString("2"));
        QCOMPARE(processed.Lines->toPlainText().toStdString(), cli.Out.substr(0, cli.Out.size() - 1));
        QVERIFY(page->SkippedReport().Text.empty() && !page->SkippedReport().Frame->isVisible());
        QCOMPARE(app.window->Tabs()->currentWidget(), app.window->PageNamed("Results"));
        QCOMPARE(app.program.SourceBox.back(), std::string("Files processed\t2/2"));
        QCOMPARE(page->BatchLabel()->text(), QString("KELP completed"));
        QVERIFY(page->ResultLabels()->text().contains(" as Hi"));
#else
        QSKIP("kelp-cli is not built");
#endif
    }

    void EscapeEndsTheBatchAfterTheFileInHand() {
        TempDir dir;
        std::filesystem::create_directories(dir.File("KELP"));
        const std::string small = dir.File("KELP/small.KL1");
        WriteFileBytes(small, std::vector<std::uint8_t>(399, 0));
        const std::string other = dir.File("KELP/other.KL1");
        WriteFileBytes(other, std::vector<std::uint8_t>(399, 0));
        AppUnderTest app;
        TrainsTab* page = PageOf(*app.window);
        app.host.OpenAnswers.push_back({small, other});
        QTest::keyPress(app.window.get(), Qt::Key_Escape);
        page->BatchButton()->click();
        QTest::keyRelease(app.window.get(), Qt::Key_Escape);
        QCOMPARE(app.program.SourceBox,
                 (std::vector<std::string>{BatchCompletedText, BatchFailuresText, "Files processed\t0/2"}));
        // The file skipped is reported on the page also outside development mode.
        QCOMPARE(page->SkippedReport().Text, std::vector<std::string>{"small.KL1\t<400 bytes"});
        QVERIFY(page->SkippedReport().Frame->isVisibleTo(page));
        QVERIFY(!page->ProcessedReport().Frame->isVisibleTo(page));
    }

    void MarkLandmarkSequencesMarksTheOpenKL3Files() {
        TempDir dir;
        const auto [kl1, kl3] = WriteFilePair(dir);
        AppUnderTest app;
        TrainsTab* page = PageOf(*app.window);
        QVERIFY(OpenDataFile(app.program, app.host, kl1, 1));
        page->LandmarksButton()->click();
        QCOMPARE(app.host.TimedMessages.back().second, std::string(NoKL3FilesOpenText));
        QVERIFY((Bytes(kl3).at(4) & 1) == 0);

        QVERIFY(OpenDataFile(app.program, app.host, kl3, 2));
        QString searching;
        app.host.BeforeProcessEvents = [&] {
            if (page->LandmarksButton()->text().startsWith(" ..."))
                searching = page->LandmarksButton()->text();
        };
        page->LandmarksButton()->click();
        app.host.BeforeProcessEvents = nullptr;
        QCOMPARE(searching, QString(" ... searching File2..."));
        QCOMPARE(page->LandmarksButton()->text(), QString(MarkLandmarksCaption));
        QVERIFY((Bytes(kl3).at(4) & 1) != 0);
        QVERIFY(!app.program.Clicks.Ignore); // the filters are back as they were
    }

    void ThePreFilterBoxesStepAndReset() {
        AppUnderTest app;
        TrainsTab* page = PageOf(*app.window);
        const TdaSettings& tda = TdaSettingsOf(app.program);
        for (const char* expected : {"4096", "65536", "1024", "4096"}) {
            emit page->MinLimitBox()->doubleClicked();
            QCOMPARE(page->MinLimitBox()->text(), QString(expected));
        }
        page->SplBox()->selectAll();
        QTest::keyClicks(page->SplBox(), "x");
        QCOMPARE(page->SplBox()->text(), QString("0"));
        page->NormalSensitivityLabel()->clicked();
        QCOMPARE(tda.TdaSPLmin.Value, 12);
        QCOMPARE(page->DurationBox()->text(), QString("5"));
        QCOMPARE(page->KHzBox()->text(), QString("145"));
        QCOMPARE(page->MinLimitBox()->text(), QString("4096"));
        // Version 2 and the KL2 commands are offered in development mode only.
        QVERIFY(!page->VersionChoice()->isEnabled() && !page->KL2BatchButton()->isVisibleTo(page));
        ToggleDevelopmentMode(app.program, app.host);
        QVERIFY(page->VersionChoice()->isEnabled() && page->KL2BatchButton()->isVisibleTo(page));
        QCOMPARE(page->VersionChoice()->currentText(), QString("2"));
    }
};

QTEST_MAIN(TrainsTabTest)
#include "trains_tab_test.moc"
