// The "Export" page: its settings follow the program's export page, choosing a data item or
// a period adjusts the others, and its buttons run the exports.
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "app/development_mode.h"
#include "app/export_page.h"
#include "export/export_page.h"
#include "tests/app/app_test_support.h"

using namespace kelp;
using namespace kelp::testing;

class ExportPageTest : public QObject {
    Q_OBJECT
private:
    static ExportTab* Page(TF& w) { return static_cast<ExportTab*>(w.PageNamed("Export")); }

private slots:
    void ShowsTheDefaultsAndAdjustsThePeriod() {
        AppUnderTest app;
        ExportTab* page = Page(*app.window);
        QVERIFY(page != nullptr);
        QCOMPARE(page->DataItems()->checkedId(), 1);
        QCOMPARE(page->Periods()->checkedId(), 2);
        QCOMPARE(page->Targets()->checkedId(), 1);
        QCOMPARE(page->DateFormats()->checkedId(), 0);
        QCOMPARE(page->DateUnits()->checkedId(), 0);
        QVERIFY(page->FileBox(1)->isChecked() && !page->FileBox(2)->isChecked() &&
                !page->OneFile()->isChecked());
        QCOMPARE(page->DataItems()->button(2)->text(), QString("DP10M    (detection postive 10 minutes)"));
        QCOMPARE(page->OmitNegative()->toolTip(), QString(OmitNegativeHint));
        QVERIFY(page->FullDetailsButton()->isHidden());

        page->DataItems()->button(3)->click(); // DPH
        page->Periods()->button(0)->click();   // "1 min": too short
        QCOMPARE(page->Periods()->checkedId(), 4);
        QCOMPARE(app.host.TimedMessages.back().second, std::string(PeriodChangedForDphText));
        page->DataItems()->button(5)->click(); // "Click repeat time"
        QVERIFY(!page->PeriodGroup()->isEnabled() && !page->OmitNegative()->isEnabled());
        page->Targets()->button(0)->click();
        page->Targets()->button(1)->click(); // "Results" checks "put data in one file"
        QVERIFY(page->OneFile()->isChecked());

        ToggleDevelopmentMode(app.program, app.host);
        QVERIFY(!page->FullDetailsButton()->isHidden());
    }

    void ExportsTheCheckedFileToTheResultsPage() {
        TempDir dir;
        const auto files = WriteFilePair(dir);
        AppUnderTest app({}, 1280, 800);
        app.window->OpenAtStart({files.second});
        ExportTab* page = Page(*app.window);
        app.window->ShowPage("Export");
        QCOMPARE(page->ClickFilterLabel()->text(), QString("No click filters"));
        page->OmitHeader()->click();
        page->ExportButton()->click();
        const auto& lines = app.host.Results().Lines();
        QVERIFY(lines.size() > 1);
        QCOMPARE(lines.front(), std::string("time\tDPM"));
        QCOMPARE(app.window->Tabs()->currentWidget(), app.window->PageNamed("Results"));
        QCOMPARE(page->ExportButton()->text(), QString("Export data from:"));

        // Train details into a text file: every file is closed first.
        const std::string out = dir.File("details.txt");
        app.host.OpenAnswers.push_back({files.second});
        app.host.SaveAnswers.push_back(out);
        page->BriefDetailsButton()->click();
        QVERIFY(QFile::exists(QString::fromStdString(out)));
        QCOMPARE(app.program.OpenCount(), 0);
        QCOMPARE(page->BriefDetailsButton()->text(), QString("Export brief train details"));
    }
};

QTEST_MAIN(ExportPageTest)
#include "export_test.moc"
