// Start-up of the main window, development mode and its key sequence, the command line.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include "app/command_line.h"
#include "app/dev_page.h"
#include "app/display_widget.h"
#include "app/file_controls.h"
#include "app/files_view_page.h"
#include "app/filter_controls.h"
#include "app/program_texts.h"
#include "app/window_state.h"
#include "display/display_state.h"
#include "tda/tda_settings.h"
#include "tests/app/app_test_support.h"

using namespace kelp;
using namespace kelp::testing;

class StartupTest : public QObject {
    Q_OBJECT
private:
    static FilterControls* Filters(TF& w) {
        return static_cast<FilesViewPage*>(w.PageNamed("Files - View"))->Filters();
    }
    static void Type(TF& w, const char* letters) {
        for (const char* c = letters; *c != '\0'; ++c)
            QTest::keyClick(w.Display(), static_cast<Qt::Key>(Qt::Key_A + (*c - 'A')), Qt::ControlModifier);
    }

private slots:
    void StartsInNormalModeWithTheDefaults() {
        AppUnderTest app;
        TF& w = *app.window;
        Program& p = app.program;
        QVERIFY(!p.Options.DevelopmentMode);
        QCOMPARE(w.windowTitle(), QString("KELP.exe v1.054"));
        QStringList captions;
        for (int i = 0; i < w.Tabs()->count(); ++i) captions << w.Tabs()->tabText(i);
        QCOMPARE(captions, QStringList({"Read SD", "Files - View", "view +", "Trains", "Settings", "Metadata",
                                        "About", "dev", "Export", "Results", "Analysis"}));
        QCOMPARE(w.Tabs()->currentWidget(), w.PageNamed("Files - View"));
        // "Lo" and "?" were ticked and unticked again; "Hi", "Mod" and all species stay ticked.
        FilterControls* f = Filters(w);
        QVERIFY(f->QualityBox(3)->isChecked() && f->QualityBox(2)->isChecked());
        QVERIFY(!f->QualityBox(1)->isChecked() && !f->QualityBox(0)->isChecked());
        for (int sp = 0; sp < 5; ++sp) QVERIFY(f->SpeciesBox(sp)->isChecked());
        QCOMPARE(TdaSettingsOf(app.program).TrainFilterVersion, 1);
        QVERIFY(!DisplayStateOf(p).Settings.WhiteVirtualIciLines && !p.Options.ShowTimeErrorAsClk);
        auto* dev = static_cast<DevPage*>(w.PageNamed("dev"));
        QCOMPARE(dev->BlockingPanel()->width(), BlockingPanelWidth);
        QVERIFY(!dev->BlockingPanel()->isHidden());
        // The display's defaults and the welcome texts.
        const DisplayState& s = DisplayStateOf(p);
        QCOMPARE(s.TimeScale, 7);
        QCOMPARE(s.DisplayParameter, 3);
        QCOMPARE(p.SharedEnd, 999'999'999);
        QCOMPARE(p.SourceBox.front(), std::string("Welcome to KELP.exe   v1.054   (3 May 2010)"));
        QCOMPARE(w.Display()->SourceBox()->toPlainText().split('\n').size(), 4);
        QCOMPARE(p.ProgressLabel, std::string(ProgressLabelWelcome));
        QCOMPARE(p.ShowAsLabel, std::string(ShowAsLabelWelcome));
        QCOMPARE(p.ClickCountLabel, std::string(ClickCountLabelWelcome));
        QCOMPARE(w.Display()->YScaleBox()->text(), QString("2.0"));
    }

    void KeySequenceTwiceReturnsToNormalMode() {
        AppUnderTest app;
        TF& w = *app.window;
        auto* dev = static_cast<DevPage*>(w.PageNamed("dev"));
        Type(w, "FROG");
        QVERIFY(app.program.Options.DevelopmentMode);
        QVERIFY(dev->BlockingPanel()->isHidden());
        QCOMPARE(TdaSettingsOf(app.program).TrainFilterVersion, 2);
        QVERIFY(app.program.Options.ShowTimeErrorAsClk);
        // "Lo" ticked in development mode is unticked again on the way out.
        Filters(w)->QualityBox(1)->click();
        QVERIFY(app.program.Trains.Quality[1]);
        Type(w, "FRFROG"); // a repeated first letter starts the sequence again
        QVERIFY(!app.program.Options.DevelopmentMode);
        QVERIFY(!dev->BlockingPanel()->isHidden());
        QVERIFY(!Filters(w)->QualityBox(1)->isChecked());
        // Without Ctrl the letters do nothing.
        for (char c : std::string("FROG"))
            QTest::keyClick(w.Display(), static_cast<Qt::Key>(Qt::Key_A + (c - 'A')));
        QVERIFY(!app.program.Options.DevelopmentMode);
    }

    void KeySequenceRule_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("completions");
        QTest::newRow("in order") << "FROG" << 1;
        QTest::newRow("twice") << "FROGFROG" << 2;
        QTest::newRow("broken") << "FRXOG" << 0;
        QTest::newRow("restart on first letter") << "FRFROG" << 1;
        QTest::newRow("other key restarts") << "FROXFROG" << 1;
        QTest::newRow("last letter alone") << "GGGG" << 0;
    }
    void KeySequenceRule() {
        QFETCH(QString, keys);
        QFETCH(int, completions);
        DevelopmentKeySequence sequence;
        int done = 0;
        for (QChar c : keys) done += sequence.KeyWithCtrl(c == 'X' ? '\0' : c.toLatin1()) ? 1 : 0;
        QCOMPARE(done, completions);
    }

    void ArgumentsBecomeTheOpenDialogsName() {
        const CommandLine line = ParseCommandLine({"a", "--size", "1000x700", "b"});
        QVERIFY(line.Error.empty());
        QCOMPARE(line.Width, 1000);
        AppUnderTest app(line.OpenDialogName());
        static_cast<FilesViewPage*>(app.window->PageNamed("Files - View"))->Files()->OpenButton()->click();
        QCOMPARE(app.host.Dialogs.size(), std::size_t(1));
        QCOMPARE(app.host.Dialogs[0].InitialName, std::string("a b"));
        QCOMPARE(app.host.Dialogs[0].Title, std::string("Open KELP data file"));
        QVERIFY(app.host.Dialogs[0].MultiSelect);
    }

    void CommandLineOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("pages");
        QTest::newRow("open two") << QStringList{"--open", "x.KL1", "y.KL3"} << true << 2 << 0;
        QTest::newRow("screenshot pages")
            << QStringList{"--screenshot", "d", "--page", "Metadata", "About"} << true << 0 << 2;
        QTest::newRow("open needs files") << QStringList{"--open"} << false << 0 << 0;
        QTest::newRow("page needs screenshot") << QStringList{"--page", "About"} << false << 0 << 1;
        QTest::newRow("unknown option") << QStringList{"--frog"} << false << 0 << 0;
        QTest::newRow("bad size") << QStringList{"--size", "12x"} << false << 0 << 0;
    }
    void CommandLineOptions() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, ok);
        QFETCH(int, files);
        QFETCH(int, pages);
        std::vector<std::string> a;
        for (const QString& s : arguments) a.push_back(s.toStdString());
        const CommandLine line = ParseCommandLine(a);
        QCOMPARE(line.Error.empty(), ok);
        if (ok) {
            QCOMPARE(static_cast<int>(line.OpenFiles.size()), files);
            QCOMPARE(static_cast<int>(line.Pages.size()), pages);
        }
    }

    void StartTimerPutsTheTipsOnlyForTheHighestDraws() {
        AppUnderTest app;
        app.window->RunStartTimer(490);
        QVERIFY(WindowStateOf(app.program).AnalysisText.empty());
        app.window->RunStartTimer(491);
        QCOMPARE(WindowStateOf(app.program).AnalysisText.size(), std::size_t(34));
        QCOMPARE(WindowStateOf(app.program).AnalysisText.front(), std::string(FixedTextLines()[1]));
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
