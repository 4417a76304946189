// The batch and listing buttons of the "Export" page: they run on the files chosen or open,
// bring the Results page forward and give their captions back; the threshold box takes only
// a count.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include "app/export_page.h"
#include "export/batch_page.h"
#include "export/minute_listings.h"
#include "tests/app/app_test_support.h"

using namespace kelp;
using namespace kelp::testing;

class BatchButtonsTest : public QObject {
    Q_OBJECT
private:
    static ExportTab* Page(TF& w) { return static_cast<ExportTab*>(w.PageNamed("Export")); }

private slots:
    void ListsTheChosenFilesAndTheOpenFile() {
        TempDir dir;
        const auto files = WriteFilePair(dir);
        AppUnderTest app({}, 1280, 800);
        ExportTab* page = Page(*app.window);
        app.window->ShowPage("Export");

        app.host.OpenAnswers.push_back({files.first, dir.File("gone.KL1")});
        page->ListFilesButton()->click();
        const auto& lines = app.host.Results().Lines();
        QCOMPARE(lines.size(), std::size_t{3});
        QCOMPARE(lines[2], "ERROR " + dir.File("gone.KL1"));
        QCOMPARE(app.window->Tabs()->currentWidget(), app.window->PageNamed("Results"));
        QCOMPARE(page->ListFilesButton()->text(), QString("List files"));
        QCOMPARE(app.host.Dialogs.back().Title, std::string("Select one or more files for listing"));

        // The threshold box: a count is taken, anything else gives the default back.
        page->NoiseThresholdBox()->setText("250");
        emit page->NoiseThresholdBox()->textEdited("250");
        QCOMPARE(BatchPageOf(app.program).NoiseThreshold, std::int64_t{250});
        emit page->NoiseThresholdBox()->textEdited("lots");
        emit page->NoiseThresholdBox()->editingFinished();
        QCOMPARE(page->NoiseThresholdBox()->text(), QString("100000"));

        // Minute summaries of the open KL3 file, without the file name line.
        app.window->OpenAtStart({files.second});
        app.host.Results().Clear();
        page->OmitSpreadsheetHeaders()->click();
        page->MinuteSummariesButton()->click();
        QVERIFY(app.host.Results().Lines().size() > 1);
        QCOMPARE(app.host.Results().Lines().front(), std::string(MinuteSummariesKL3Header));
        QCOMPARE(page->MinuteSummariesButton()->text(), QString("Minute summaries"));
        QCOMPARE(app.program.OpenCount(), 1);
    }
};

QTEST_MAIN(BatchButtonsTest)
#include "batch_buttons_test.moc"
