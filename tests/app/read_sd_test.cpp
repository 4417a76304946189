// The "Read SD" page: a download typed into the page and answered in its dialogs writes what
// kelp-cli download writes from the same inputs, with the computer kept awake meanwhile; a
// download refused or cancelled writes nothing and leaves the card as it was; the card
// checks report on the file chosen.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "app/read_sd_tab.h"
#include "download/read_sd_page.h"
#include "download/sd_card.h"
#include "settings/settings_page.h"
#include "tests/app/app_test_support.h"
#include "tests/app/kelp_cli.h"

using namespace kelp;
using namespace kelp::testing;

namespace {

void Type(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
    emit box->editingFinished();
}

ReadSDTab* PageOf(TF& w) {
    return static_cast<ReadSDTab*>(w.PageNamed("Read SD"));
}

// A small simulated card, as kelp-cli simulate writes it.
std::string SimulateCard(const TempDir& dir) {
    const std::string card = dir.File("card");
    const CliRun run = RunCli({"simulate", "--out", card, "--minutes", "40", "--seed", "7", "--scenario",
                               "porpoise", "--erased-tail", "2048"});
    if (run.ExitCode != 0) qWarning("%s", run.Err.c_str());
    return card;
}

} // namespace

class ReadSDTest : public QObject {
    Q_OBJECT
private slots:
    void ADownloadFromThePageWritesWhatTheCommandLineWrites() {
#ifdef KELP_CLI_PATH
        TempDir dir;
        const std::string card = SimulateCard(dir);
        std::filesystem::create_directories(dir.File("cli KELP"));
        std::filesystem::create_directories(dir.File("page KELP"));
        const std::string name = "Bay 2024 06 01 KELP1036.KL1";
        const CliRun cli = RunCli({"download",
                                   card,
                                   dir.File("cli KELP/" + name),
                                   "--start",
                                   "2024-06-01 08:00",
                                   "--now",
                                   "2024-06-02 12:00",
                                   "--location",
                                   "Bay",
                                   "--notes",
                                   "first drop",
                                   "--lat",
                                   "55.1N",
                                   "--long",
                                   "3.2W",
                                   "--water-depth",
                                   "20",
                                   "--deployment-depth",
                                   "5",
                                   "--blanks",
                                   "2"});
        QVERIFY2(cli.ExitCode == 0, cli.Err.c_str());

        AppUnderTest app;
        ReadSDTab* page = PageOf(*app.window);
        page->SetClock([] { return *ParseIsoMinute("2024-06-02 12:00"); });
        Type(page->Box(ReadSDBox::StartYear), "2024");
        Type(page->Box(ReadSDBox::StartMonth), "6");
        Type(page->Box(ReadSDBox::StartDay), "1");
        Type(page->Box(ReadSDBox::StartHour), "8");
        Type(page->Box(ReadSDBox::StartMinute), "0");
        QCOMPARE(page->StartTimeLabel()->text(), QString("01/06/2024 08:00"));
        Type(page->Box(ReadSDBox::NameLocation), "Bay");
        Type(page->Box(ReadSDBox::NameYear), "2024");
        Type(page->Box(ReadSDBox::NameMonth), "6");
        Type(page->Box(ReadSDBox::NameDay), "1");
        Type(page->Box(ReadSDBox::Location), "Bay");
        Type(page->Box(ReadSDBox::Notes), "first drop");
        Type(page->Box(ReadSDBox::Lat), "55.1N");
        Type(page->Box(ReadSDBox::Long), "3.2W");
        Type(page->Box(ReadSDBox::WaterDepth), "20");
        Type(page->Box(ReadSDBox::DeploymentDepth), "5");
        Type(page->Box(ReadSDBox::Blanks), "1"); // below 2: "2" comes back when the box is left
        QCOMPARE(page->Box(ReadSDBox::Blanks)->text(), QString("2"));

        app.host.OpenAnswers.push_back({JoinPath(card, "DATA0.ORV")});
        app.host.SaveAnswers.push_back(dir.File("page KELP/" + name));
        bool awakeDuring = false;
        const auto before = app.host.BeforeProcessEvents;
        app.host.BeforeProcessEvents = [&] {
            awakeDuring = awakeDuring || app.host.KeepAwake().State();
            if (before) before();
        };
        page->ReadButton()->click();
        app.host.BeforeProcessEvents = before;

        QVERIFY(awakeDuring);
        QVERIFY(!app.host.KeepAwake().State());
        QCOMPARE(app.host.Dialogs.at(1).InitialName, name); // the proposed name
        const std::vector<std::string> written = FilesWith(dir.File("page KELP"), ".KL1");
        QCOMPARE(written, FilesWith(dir.File("cli KELP"), ".KL1"));
        QVERIFY(!written.empty());
        for (const std::string& file : written)
            QVERIFY2(Bytes(dir.File("page KELP/" + file)) == Bytes(dir.File("cli KELP/" + file)),
                     file.c_str());
        QStringList upload;
        for (const std::string& line : Lines(cli.Out))
            if (line.rfind("upload\t", 0) == 0)
                upload << QString::fromStdString(line.substr(7)).replace("cli KELP", "page KELP");
        QCOMPARE(page->UploadList()->toPlainText(), upload.join('\n'));
        QVERIFY(page->MinutesReadLabel()->text().startsWith("Max blanks "));
        // "open file when finished": the first file is open on "Files - View".
        QCOMPARE(app.program.Slot(1).ShortName, written.front());
        QVERIFY(page->ReadButton()->isEnabled() && !page->StopButton()->isEnabled());
#else
        QSKIP("kelp-cli is not built");
#endif
    }

    void EscapeStopsTheDownload() {
#ifdef KELP_CLI_PATH
        TempDir dir;
        const std::string card = SimulateCard(dir);
        std::filesystem::create_directories(dir.File("KELP files"));
        AppUnderTest app;
        ReadSDTab* page = PageOf(*app.window);
        app.host.OpenAnswers.push_back({JoinPath(card, "DATA0.ORV")});
        app.host.SaveAnswers.push_back(dir.File("KELP files/stopped.KL1"));
        bool pressed = false;
        app.host.BeforeProcessEvents = [&] {
            if (pressed || !ReadSDPageOf(app.program).Converting) return;
            QTest::keyClick(page->Box(ReadSDBox::Notes), Qt::Key_Escape);
            pressed = true;
        };
        page->ReadButton()->click();
        app.host.BeforeProcessEvents = nullptr;
        QVERIFY(page->UploadList()->toPlainText().contains("Download stopped by user before end of data"));
        QCOMPARE(page->SummaryList()->toPlainText(), QString("Part read from: "));
        QVERIFY(!app.host.KeepAwake().State() && page->ReadButton()->isEnabled());
#else
        QSKIP("kelp-cli is not built");
#endif
    }

    void ARefusedOrCancelledDownloadWritesNothing() {
#ifdef KELP_CLI_PATH
        TempDir dir;
        const std::string card = SimulateCard(dir);
        const std::vector<std::uint8_t> data0 = Bytes(JoinPath(card, "DATA0.ORV"));
        std::filesystem::create_directories(dir.File("KELP files"));
        struct Row {
            const char* Case;
            std::vector<std::string> Open; // the open dialog's answer (empty: cancelled)
            std::optional<std::string> Save;
            const char* Message; // the message box shown, or ""
        };
        const std::string first = JoinPath(card, "DATA0.ORV");
        QTemporaryDir plain(QDir::tempPath() + "/card-copy-XXXXXX"); // a folder without the word
        const std::string plainFile = plain.filePath("out.KL1").toStdString();
        const std::vector<Row> rows = {
            {"open dialog cancelled", {}, std::nullopt, ""},
            {"not DATA0.ORV",
             {JoinPath(card, "SETUP.ORV")},
             std::nullopt,
             "Data copying must start with file DATA0.ORV"},
            {"save dialog cancelled", {first}, std::nullopt, ""},
            {"a folder without KELP in its name",
             {first},
             plainFile,
             "You may have tried to save the file to the SD card, or to another folder with a name that does "
             "not "
             "include the word 'KELP' or 'kelp'"},
        };
        for (const Row& row : rows) {
            AppUnderTest app;
            if (!row.Open.empty()) app.host.OpenAnswers.push_back(row.Open);
            if (row.Save) app.host.SaveAnswers.push_back(row.Save);
            PageOf(*app.window)->ReadButton()->click();
            const std::string expected = row.Message;
            QVERIFY2(expected.empty() ? app.host.Boxes.empty()
                                      : !app.host.Boxes.empty() && app.host.Boxes.front() == expected,
                     row.Case);
            QVERIFY2(FilesWith(dir.File("KELP files"), ".KL1").empty() && !FileExists(plainFile), row.Case);
            QVERIFY2(!app.host.KeepAwake().State(), row.Case);
        }
        // A folder that cannot be written to: the upload list says why, and no file is left.
        AppUnderTest app;
        app.host.OpenAnswers.push_back({first});
        app.host.SaveAnswers.push_back(dir.File("KELP missing/x.KL1"));
        PageOf(*app.window)->ReadButton()->click();
        QVERIFY(PageOf(*app.window)->UploadList()->toPlainText().contains("Failed to create .KL1 file: "));
        QVERIFY(!std::filesystem::exists(dir.File("KELP missing")));
        QVERIFY(Bytes(JoinPath(card, "DATA0.ORV")) == data0);
#else
        QSKIP("kelp-cli is not built");
#endif
    }

    void TheCardChecksReportOnTheChosenFile() {
#ifdef KELP_CLI_PATH
        TempDir dir;
        const std::string card = SimulateCard(dir);
        const std::string data0 = JoinPath(card, "DATA0.ORV");
        const std::string registry = dir.File("ours.tsv");
        const std::string rows = "1036\t92\n";
        WriteFileBytes(registry, std::vector<std::uint8_t>(rows.begin(), rows.end()));
        AppUnderTest app;
        ReadSDTab* page = PageOf(*app.window);
        // The summary checks the card's gain against the gains registered on "Settings".
        QVERIFY(UseGainRegistry(app.program, app.host, registry));
        app.host.OpenAnswers.push_back({data0});
        page->SummaryButton()->click();
        QCOMPARE(app.host.Dialogs.back().InitialName, std::string("DATA0.ORV"));
        const QString summary = page->SummaryList()->toPlainText();
        QVERIFY2(summary.contains("KELP number 1036") &&
                     summary.contains("\tKELP operated at incorrect gain") && summary.contains("\t92/87"),
                 qPrintable(summary));

        Type(page->Box(ReadSDBox::BlockNumber), "0");
        app.host.OpenAnswers.push_back({data0});
        page->BlockButton()->click();
        QCOMPARE(page->Box(ReadSDBox::BlockNumber)->text(), QString("1"));
        const std::vector<std::uint8_t> bytes = Bytes(data0);
        const QStringList lines = page->SummaryList()->toPlainText().split('\n');
        QCOMPARE(lines.back(), QString("511\t%1").arg(bytes.at(511)));
        QCOMPARE(lines.at(lines.size() - 512), QString("0\t%1").arg(bytes.at(0)));

        app.host.OpenAnswers.push_back({data0});
        page->VerifyButton()->click();
        QVERIFY(!app.host.Results().Lines().empty());
        QVERIFY(app.host.Results().Lines().back().rfind("dropped clicks ", 0) == 0);
        QCOMPARE(app.host.TimedMessages.back().second, std::string("Done"));
#else
        QSKIP("kelp-cli is not built");
#endif
    }
};

QTEST_MAIN(ReadSDTest)
#include "read_sd_test.moc"
