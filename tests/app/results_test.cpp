// The "Results" page: its buttons and the clipboard, the double-click, and the offer to
// save unsaved results when the window closes.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "app/results_page.h"
#include "tests/app/app_test_support.h"

using namespace kelp;
using namespace kelp::testing;

class ResultsTest : public QObject {
    Q_OBJECT
private:
    static ResultsTab* Page(TF& w) { return static_cast<ResultsTab*>(w.PageNamed("Results")); }

private slots:
    void ButtonsCopyCutAndClear() {
        AppUnderTest app;
        ResultsTab* page = Page(*app.window);
        ResultsPage& results = app.host.Results();
        results.Append(std::vector<std::string>{"file\tHi", "a\t1"});
        results.Append("b\t2");
        QCOMPARE(page->Text()->toPlainText(), QString("file\tHi\na\t1\nb\t2"));
        page->CopyButton()->click();
        QCOMPARE(QApplication::clipboard()->text(), QString("file\tHi\na\t1\nb\t2"));
        QVERIFY(!results.Changed());
        QCOMPARE(page->Text()->toPlainText().size(), 15);
        page->CutButton()->click();
        QCOMPARE(QApplication::clipboard()->text(), QString("file\tHi\na\t1\nb\t2"));
        QVERIFY(page->Text()->toPlainText().isEmpty() && !results.Changed());
        results.Append("c");
        QTest::mouseDClick(page->Text()->viewport(), Qt::LeftButton);
        QVERIFY(results.Lines().empty() && results.Changed());
        results.Append("d");
        page->ClearButton()->click();
        QVERIFY(page->Text()->toPlainText().isEmpty() && !results.Changed());
        // What the user types is the results text.
        QTest::keyClicks(page->Text(), "typed");
        QCOMPARE(results.Text(), std::string("typed"));
        QVERIFY(results.Changed());
    }

    void ClosingOffersToSaveUnsavedResults_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("no extension") << "notes"
                                      << "notes.txt";
        QTest::newRow("an extension of its own") << "notes.csv"
                                                 << "notes.csv";
        QTest::newRow("cancelled") << ""
                                   << "";
    }
    void ClosingOffersToSaveUnsavedResults() {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        TempDir dir;
        AppUnderTest app;
        app.host.Results().Append(std::vector<std::string>{"one", "two"});
        if (chosen.isEmpty())
            app.host.SaveAnswers.push_back(std::nullopt);
        else
            app.host.SaveAnswers.push_back(dir.File(chosen.toStdString()));
        app.window->close();
        QCOMPARE(app.host.Dialogs.size(), std::size_t(1));
        QCOMPARE(app.host.Dialogs[0].Title, std::string("Save DataMemo text as ...."));
        QCOMPARE(app.host.Dialogs[0].InitialName, std::string("Notes on .txt"));
        if (written.isEmpty()) {
            QVERIFY(app.host.Results().Changed());
            return;
        }
        QFile file(QString::fromStdString(dir.File(written.toStdString())));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("one\ntwo\n"));
        QVERIFY(!app.host.Results().Changed());
    }

    void SavedResultsAreNotOfferedAgain() {
        AppUnderTest app;
        app.host.Results().Append("x");
        Page(*app.window)->CopyButton()->click();
        app.window->close();
        QVERIFY(app.host.Dialogs.empty());
    }
};

QTEST_MAIN(ResultsTest)
#include "results_test.moc"
