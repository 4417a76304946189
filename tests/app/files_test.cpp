// Opening and closing files on "Files - View" and what follows them: the labels, the
// display and its captions, the source box, the filter boxes and the "Metadata" page.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include "app/controls.h"
#include "app/display_widget.h"
#include "app/file_controls.h"
#include "app/files_view_page.h"
#include "app/filter_controls.h"
#include "app/metadata_page.h"
#include "display/display_state.h"
#include "tests/app/app_test_support.h"

using namespace kelp;
using namespace kelp::testing;

class FilesTest : public QObject {
    Q_OBJECT
private:
    static FilesViewPage* Files(TF& w) { return static_cast<FilesViewPage*>(w.PageNamed("Files - View")); }
    static void ClickAt(QWidget* widget, const QRect& r) {
        QTest::mouseClick(widget, Qt::LeftButton, {}, r.center());
    }

private slots:
    void OpeningAndClosingFollowThroughTheWindow() {
        TempDir dir;
        const auto [kl1, kl3] = WriteFilePair(dir);
        AppUnderTest app;
        TF& w = *app.window;
        FileControls* files = Files(w)->Files();
        app.host.OpenAnswers.push_back({kl1, kl3});
        files->OpenButton()->click();
        QCOMPARE(app.program.OpenCount(), 2);
        QCOMPARE(w.windowTitle(), QString("KELP file  pair.KL3"));
        QCOMPARE(files->OpenButton()->text(), QString("Open 1 file"));
        QCOMPARE(files->NameLabel(1)->text(), QString("pair.KL1"));
        QCOMPARE(files->NameLabel(3)->text(), QString("(File 3 - vacant)"));
        QVERIFY(files->CloseAllButton()->isEnabled());
        const QStringList source = w.Display()->SourceBox()->toPlainText().split('\n');
        QCOMPARE(source.size(), 4);
        QCOMPARE(source[3], QString("(2) pair.KL3  (1) pair.KL1  "));
        auto* metadata = static_cast<MetadataPage*>(w.PageNamed("Metadata"));
        QCOMPARE(metadata->Boxes(2).Session->toPlainText().split('\n').front(), QString("File 2"));
        QCOMPARE(metadata->Boxes(1).KelpId->text(), QString("KELP 1104"));
        // The first screen was drawn: clicks on the black plot of both bands.
        const DisplayState& s = DisplayStateOf(app.program);
        QVERIFY(s.ClicksShown[1] > 0 && s.ClicksShown[2] > 0);

        files->NameLabel(2)->clicked();
        QCOMPARE(app.program.OpenCount(), 1);
        QCOMPARE(files->NameLabel(2)->text(), QString("(File 2 - vacant)"));
        QCOMPARE(files->OpenButton()->text(), QString("Open up to 2 files"));
        QCOMPARE(w.windowTitle(), QString("KELP file  pair.KL1"));
        QCOMPARE(metadata->Boxes(2).Session->toPlainText(), QString("File 2  not open"));

        files->CloseAllButton()->click();
        QCOMPARE(app.program.OpenCount(), 0);
        QCOMPARE(w.windowTitle(), QString("KELP.exe v1.054   no files open"));
        QCOMPARE(w.Display()->SourceBox()->toPlainText(), QString("No files open"));
        QVERIFY(!files->CloseAllButton()->isEnabled());
    }

    void CaptionsChooseTheScaleAndTheParameter() {
        TempDir dir;
        const auto [kl1, kl3] = WriteFilePair(dir);
        AppUnderTest app;
        app.window->OpenAtStart({kl1, kl3});
        DisplayWidget* display = app.window->Display();
        const DisplayState& s = DisplayStateOf(app.program);
        ClickAt(display, display->ScaleCaptionRect(14));
        QCOMPARE(s.TimeScale, 14);
        const QImage frame = display->FrameImage();
        QVERIFY(HasRed(frame, display->ScaleCaptionRect(14)));
        QVERIFY(!HasRed(frame, display->ScaleCaptionRect(7)));
        ClickAt(display, display->ParameterCaptionRect(8));
        QCOMPARE(s.DisplayParameter, 8);
        QVERIFY(HasRed(display->FrameImage(), display->ParameterCaptionRect(8)));
        ClickAt(display, display->ShowAllRect());
        QCOMPARE(s.TimeScale, 11); // ten minutes fit in one-minute bins
        // The noise caption is for the bin scales only.
        ClickAt(display, display->ScaleCaptionRect(7));
        ClickAt(display, display->ParameterCaptionRect(9));
        QCOMPARE(s.DisplayParameter, 8);
    }

    void TheScreenIsTheCommandLinesPicture() {
#ifdef KELP_CLI_PATH
        TempDir dir;
        const auto [kl1, kl3] = WriteFilePair(dir);
        AppUnderTest app;
        app.window->OpenAtStart({kl1, kl3});
        DisplayWidget* display = app.window->Display();
        const QString png = QString::fromStdString(dir.File("render.png"));
        QProcess render;
        render.start(KELP_CLI_PATH, {"render", QString::fromStdString(kl1), QString::fromStdString(kl3),
                                     "--width", QString::number(display->width()), "--height",
                                     QString::number(display->height()), "-o", png});
        QVERIFY(render.waitForFinished(60'000));
        QVERIFY2(render.exitCode() == 0, render.readAllStandardError().constData());
        const QImage expected = QImage(png).convertToFormat(QImage::Format_RGB32);
        const QImage shown = display->FrameImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), expected.size());
        int differing = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) differing += shown.pixel(x, y) != expected.pixel(x, y);
        QCOMPARE(differing, 0);
#else
        QSKIP("kelp-cli is not part of this build");
#endif
    }

    void FilterBoxesAreParsedAsTyped() {
        AppUnderTest app;
        FilterControls* f = Files(*app.window)->Filters();
        QLineEdit* maxKhz = f->RangeBox(FilterBox::FrequencyMax);
        maxKhz->selectAll();
        QTest::keyClicks(maxKhz, "160");
        QCOMPARE(app.program.Clicks.Frequency.Max.Value, 160);
        QCOMPARE(app.program.ClickFilterText, std::string("Click filter:   Freq: 0-160kHz, "));
        QCOMPARE(app.window->Display()->SourceBox()->toPlainText().split('\n').value(1),
                 QString("Click filter:   Freq: 0-160kHz, "));
        QLineEdit* maxSlope = f->RangeBox(FilterBox::EnvelopeMax);
        maxSlope->selectAll();
        QTest::keyClicks(maxSlope, "x");
        QCOMPARE(maxSlope->text(), QString("15"));
        emit static_cast<EntryBox*>(maxKhz)->doubleClicked();
        QCOMPARE(maxKhz->text(), QString("255"));
        f->QualityBox(2)->click(); // "Mod" off
        QCOMPARE(app.program.TrainFilterText, std::string("Quality: Hi.  "));
        f->IgnoreBox()->click();
        QVERIFY(!f->QualityBox(3)->isEnabled() && f->AllQualitiesBox()->isEnabled());
        QLineEdit* upper = f->UpperIciBox();
        upper->selectAll();
        QTest::keyClicks(upper, "1500");
        QCOMPARE(upper->text(), QString("1000"));
    }
};

QTEST_MAIN(FilesTest)
#include "files_test.moc"
