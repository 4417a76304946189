// The "Settings" page: settings clicked and typed into the page are written as the KLS file
// kelp-cli settings new writes for the same settings, and read back onto the page; a card's
// SETUP.ORV changes in its settings only; settings without a logger number are shown as for
// the number typed; a lab's gain registry chosen on the page gives the logger its gain; a
// logger that is not registered, or has no gain, gets no file; development mode shows the
// detector boxes and uncovers the trigger tests.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/controls.h"
#include "app/development_mode.h"
#include "app/settings_tab.h"
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

// The whole text at once, as pasted.
void Paste(QLineEdit* box, const QString& text) {
    box->setText(text);
    emit box->textEdited(text);
    emit box->editingFinished();
}

void WriteText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

SettingsTab* PageOf(TF& w) {
    return static_cast<SettingsTab*>(w.PageNamed("Settings"));
}

} // namespace

class SettingsTabTest : public QObject {
    Q_OBJECT
private slots:
    void TheSettingsFileIsTheOneTheCommandLineWrites() {
#ifdef KELP_CLI_PATH
        TempDir dir;
        const CliRun cli = RunCli({"settings", "new",
                                   "--logger", "1036",
                                   "--set",    "filter=3",
                                   "--set",    "minutes-off=2",
                                   "--set",    "to=216",
                                   "--set",    "delay=30",
                                   "--set",    "alerting=high",
                                   "--set",    "alerting-khz=130",
                                   "--set",    "trigger=on",
                                   "--set",    "trigger-clicks=9",
                                   "-o",       dir.File("cli.KLS")});
        QVERIFY2(cli.ExitCode == 0, cli.Err.c_str());

        AppUnderTest app;
        SettingsTab* page = PageOf(*app.window);
        ToggleDevelopmentMode(app.program, app.host); // "Create settings file" is a development control
        Type(page->Box(SettingsBox::TargetKELPNumber), "1036");
        QCOMPARE(page->Box(SettingsBox::Gain)->text(), QString("87"));
        page->FilterCaption()->clicked(); // 20kHz -> 10kHz
        QCOMPARE(page->FilterCaption()->text(), QString("10kHz"));
        page->MinutesOffCaption()->clicked();
        page->MinutesOffCaption()->clicked();
        QCOMPARE(page->MinutesOffCaption()->text(), QString("1 min ON, 2 mins OFF"));
        Type(page->Box(SettingsBox::SwitchAngleTo), "300"); // beyond the limits: the default comes back
        QCOMPARE(page->Box(SettingsBox::SwitchAngleTo)->text(), QString("110"));
        Type(page->Box(SettingsBox::SwitchAngleTo), "216");
        Type(page->Box(SettingsBox::StartDelay), "30");
        page->AlertingCaption()->clicked();
        QCOMPARE(page->AlertingCaption()->text(), QString("High power"));
        Type(page->Box(SettingsBox::AlertingkHz), "130");
        page->TriggerBox()->click();
        QCOMPARE(page->TriggerBox()->text(), QString("ON (if present)"));
        Type(page->Box(SettingsBox::TriggerClicks), "9");

        app.host.SaveAnswers.push_back(dir.File("page.KLS"));
        page->CreateFileButton()->click();
        QCOMPARE(app.host.Dialogs.back().InitialName, std::string("Temporary Gain87 sea  settings.KLS"));
        QVERIFY(Bytes(dir.File("page.KLS")) == Bytes(dir.File("cli.KLS")));
        QCOMPARE(app.host.TimedMessages.back().second, dir.File("page.KLS") + " written");

        // Read back from the file: the page shows what it holds.
        ToggleDevelopmentMode(app.program, app.host);
        Type(page->Box(SettingsBox::TargetKELPNumber), "6");
        app.host.OpenAnswers.push_back({dir.File("page.KLS")});
        page->ReadSettingsButton()->click();
        QCOMPARE(page->SourceLabel()->text(), QString("From page.KLS"));
        QCOMPARE(page->MinutesOffCaption()->text(), QString("1 min ON, 2 mins OFF"));
        QCOMPARE(page->Box(SettingsBox::SwitchAngleTo)->text(), QString("255"));
        QCOMPARE(page->Box(SettingsBox::Gain)->text(), QString("87"));
#else
        QSKIP("kelp-cli is not built");
#endif
    }

    void NoFileIsWrittenForALoggerWithoutARegisteredGain() {
        TempDir dir;
        struct Row {
            const char* Logger;
            std::string Message;
        };
        const std::vector<Row> rows = {{"2001", NotRegisteredMessage(2001)}, {"1500", GainRequiredMessage}};
        for (const Row& row : rows) {
            AppUnderTest app;
            SettingsTab* page = PageOf(*app.window);
            ToggleDevelopmentMode(app.program, app.host);
            Paste(page->Box(SettingsBox::TargetKELPNumber), row.Logger);
            app.host.SaveAnswers.push_back(dir.File("refused.KLS"));
            app.host.OpenAnswers.push_back({dir.File("SETUP.ORV")});
            page->CreateFileButton()->click();
            page->ChangeSetupButton()->click();
            QVERIFY2(app.host.Dialogs.empty(), row.Logger);
            QVERIFY2(!app.host.TimedMessages.empty() && app.host.TimedMessages.back().second == row.Message,
                     row.Logger);
            QVERIFY2(!FileExists(dir.File("refused.KLS")), row.Logger);
        }
    }

    void TheCardsSetupFileIsRewrittenInPlaceAndReadsBack() {
        TempDir dir;
        const std::string setup = dir.File("SETUP.ORV");
        const std::vector<std::uint8_t> before(4096, 0x5A);
        WriteFileBytes(setup, before);
        std::filesystem::create_directories(dir.File("locked/SETUP.ORV")); // cannot be opened for writing
        AppUnderTest app;
        SettingsTab* page = PageOf(*app.window);
        Type(page->Box(SettingsBox::TargetKELPNumber), "1036");

        page->ChangeSetupButton()->click(); // the dialog cancelled
        QVERIFY(Bytes(setup) == before && app.host.TimedMessages.empty());
        app.host.OpenAnswers.push_back({dir.File("locked/SETUP.ORV")});
        page->ChangeSetupButton()->click();
        QCOMPARE(app.host.Boxes, std::vector<std::string>{"SETUP.ORV not opened successfully"});

        QString captionWhileWaiting;
        app.host.BeforeProcessEvents = [&] {
            if (app.host.Waiting()) captionWhileWaiting = page->ChangeSetupButton()->text();
        };
        app.host.OpenAnswers.push_back({setup});
        page->ChangeSetupButton()->click();
        app.host.BeforeProcessEvents = nullptr;
        QCOMPARE(captionWhileWaiting, QString(" please wait "));
        QCOMPARE(page->ChangeSetupButton()->text(), QString("Change SETUP on SD card"));
        QCOMPARE(app.host.TimedMessages.back().second, std::string("SETUP file changed"));
        const std::vector<std::uint8_t> after = Bytes(setup);
        QCOMPARE(after.size(), before.size());
        QVERIFY(std::equal(after.begin() + 128, after.end(), before.begin() + 128));

        // A file named SETUP.ORV names its logger at bytes 126..127.
        Type(page->Box(SettingsBox::TargetKELPNumber), "6");
        app.host.OpenAnswers.push_back({setup});
        page->ReadSettingsButton()->click();
        QCOMPARE(page->LoggerNumberLabel()->text(), QString("1036"));
        QCOMPARE(page->Box(SettingsBox::Gain)->text(), QString("87"));
    }

    void SettingsWithoutALoggerNumberShowAsForTheNumberTyped() {
        TempDir dir;
        AppUnderTest app;
        SettingsTab* page = PageOf(*app.window);
        ToggleDevelopmentMode(app.program, app.host);
        Type(page->Box(SettingsBox::TargetKELPNumber), "6"); // layout 0, gain 120
        app.host.SaveAnswers.push_back(dir.File("six.KLS"));
        page->CreateFileButton()->click();
        app.host.OpenAnswers.push_back({dir.File("six.KLS")});
        page->ReadSettingsButton()->click();
        QCOMPARE(app.host.TimedMessages.back().second,
                 std::string("No KELP number. Enter the number in Show settings as for KELP number ..."));
        QCOMPARE(page->LayoutChoice()->currentText(), QString("1"));
        // Byte 77, the gain in layout 1, holds a byte of the card size in layout 0.
        QCOMPARE(page->Box(SettingsBox::Gain)->text(), QString("132"));
        Type(page->Box(SettingsBox::ShowAsKELPNumber), "6");
        QCOMPARE(page->LayoutChoice()->currentText(), QString("0"));
        QCOMPARE(page->Box(SettingsBox::Gain)->text(), QString("120"));
    }

    void TheGainRegistryChosenOnThePageGivesTheLoggersGain() {
        TempDir dir;
        WriteText(dir.File("ours.tsv"), "# logger\tgain\n1036\t92\n");
        WriteText(dir.File("bad.tsv"), "1036\tninety\n");
        AppUnderTest app;
        SettingsTab* page = PageOf(*app.window);
        Type(page->Box(SettingsBox::TargetKELPNumber), "1036");
        const QString builtIn = page->GainRegistryLabel()->text();
        struct Row {
            const char* Case;
            std::vector<std::string> Answer; // empty: the dialog cancelled
            const char* Gain;
            bool FileNamed;
        };
        for (const Row& row :
             {Row{"cancelled", {}, "87", false}, Row{"ours", {dir.File("ours.tsv")}, "92", true},
              Row{"a bad line", {dir.File("bad.tsv")}, "92", true}}) {
            if (!row.Answer.empty()) app.host.OpenAnswers.push_back(row.Answer);
            page->GainRegistryButton()->click();
            QVERIFY2(page->Box(SettingsBox::Gain)->text() == row.Gain, row.Case);
            QVERIFY2(page->GainRegistryLabel()->text().contains("ours.tsv") == row.FileNamed, row.Case);
        }
        QVERIFY(!app.host.Boxes.empty() && app.host.Boxes.back().find("bad.tsv") != std::string::npos);
        page->BuiltInGainsButton()->click();
        QCOMPARE(page->Box(SettingsBox::Gain)->text(), QString("87"));
        QCOMPARE(page->GainRegistryLabel()->text(), builtIn);
    }

    void DevelopmentModeShowsTheDetectorBoxesAndUncoversTheTriggerTests() {
        AppUnderTest app;
        SettingsTab* page = PageOf(*app.window);
        app.window->ShowPage("Settings");
        for (const bool development : {false, true, false}) {
            if (app.program.Options.DevelopmentMode != development)
                ToggleDevelopmentMode(app.program, app.host);
            app.window->SettleForPicture();
            for (SettingsBox box : {SettingsBox::Hysteresis, SettingsBox::Stmin, SettingsBox::HighBias})
                QCOMPARE(page->BoxRow(box)->isVisibleTo(page), development);
            QVERIFY(page->BoxRow(SettingsBox::Gain)->isVisibleTo(page));
            QCOMPARE(page->Box(SettingsBox::Gain)->isEnabled(), development);
            QCOMPARE(page->CreateFileButton()->isVisibleTo(page), development);
            QCOMPARE(page->TriggerTestScreen()->width(), development ? 5 : 150);
            // The screen covers the test buttons outside development mode.
            const QRect button = page->TestTriggerButton()->geometry();
            QCOMPARE(page->TriggerTestScreen()->geometry().contains(button), !development);
        }
        // Layout 0 disables the layout-1 boxes also in development mode.
        ToggleDevelopmentMode(app.program, app.host);
        Type(page->Box(SettingsBox::TargetKELPNumber), "50");
        QCOMPARE(page->LayoutChoice()->currentText(), QString("0"));
        QVERIFY(!page->Box(SettingsBox::HighBias)->isEnabled());
        QVERIFY(page->Box(SettingsBox::Hysteresis)->isEnabled());
    }
};

QTEST_MAIN(SettingsTabTest)
#include "settings_tab_test.moc"
