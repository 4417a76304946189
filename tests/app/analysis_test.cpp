// The "Analysis" page: the file choice analyses and fills the labels, graphs, bars and text
// box; the frequency graph and the correlations draw on the display's page.
#include <QCheckBox>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

#include "analysis/analysis_graphs.h"
#include "analysis/correlation.h"
#include "app/analysis_tab.h"
#include "tests/app/app_test_support.h"

using namespace kelp;
using namespace kelp::testing;

class AnalysisTest : public QObject {
    Q_OBJECT
private:
    static AnalysisTab* PageOf(TF& w) { return static_cast<AnalysisTab*>(w.PageNamed("Analysis")); }
    static QString Current(TF& w) { return static_cast<kelp::Page*>(w.Tabs()->currentWidget())->Caption(); }

    // True when some pixel of the graph's image is neither black nor white (a coloured bar).
    static bool HasBars(QLabel* image) {
        const QImage picture = image->pixmap().toImage();
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb p = picture.pixel(x, y) & 0xFFFFFF;
                if (p != 0 && p != 0xFFFFFF) return true;
            }
        return false;
    }

private slots:
    void ChoosingAFileAnalysesIt() {
        TempDir dir;
        const auto [kl1, kl3] = WriteFilePair(dir);
        AppUnderTest app;
        app.window->OpenAtStart({kl1, kl3});
        AnalysisTab* page = PageOf(*app.window);

        page->FileItem(2)->click();
        QCOMPARE(page->FigureLabel(0)->text(), QString("pair.KL3"));
        QCOMPARE(page->FigureLabel(1)->text(), QString("File duration analysed: 10m"));
        QCOMPARE(page->FigureLabel(11)->text(), QString("DPM per day 1440"));
        QVERIFY(page->TextBox()->toPlainText().startsWith("Q Hi\t200\n"));
        QVERIFY(page->TextBox()->toPlainText().endsWith("On Mins\t10"));
        QVERIFY(HasBars(page->GraphImage(static_cast<int>(AnalysisGraph::kHz))));
        QVERIFY(!page->QualityBar(0)->isHidden() && page->QualityBar(1)->isHidden());
        QVERIFY(page->AnalyzeButton()->isEnabled());

        // A KL1 file has no trains: no class bars, no class lines.
        page->FileItem(1)->click();
        QCOMPARE(page->FigureLabel(10)->text(), QString("File is KL1 file - no trains defined"));
        QCOMPARE(page->TextBox()->toPlainText(), QString("On Mins\t10"));
        QVERIFY(page->QualityBar(0)->isHidden());
    }

    void DrawingsAreShownOnTheDisplaysPage() {
        TempDir dir;
        const auto [kl1, kl3] = WriteFilePair(dir);
        AppUnderTest app;
        app.window->OpenAtStart({kl1, kl3});
        AnalysisTab* page = PageOf(*app.window);
        app.window->ShowPage("Analysis");

        page->GraphTypeItem(1)->click();
        QCOMPARE(page->GraphButton()->text(), QString("Dur"));
        QCOMPARE(Current(*app.window), QString("Analysis")); // the type alone draws nothing
        page->GraphButton()->click();
        QCOMPARE(Current(*app.window), QString("Files - View"));

        // A KL1 file cannot be cross-correlated: the message, and the page stays.
        app.window->ShowPage("Analysis");
        page->CrossButton()->click();
        QCOMPARE(app.host.TimedMessages.back().second, std::string(KL3FilesMustOverlapText));
        QCOMPARE(Current(*app.window), QString("Analysis"));
        QCOMPARE(page->CrossButton()->text(), QString("cc.F"));
    }
};

QTEST_MAIN(AnalysisTest)
#include "analysis_test.moc"
