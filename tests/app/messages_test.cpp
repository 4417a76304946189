// The timed message window, waiting, the ESC key and the progress bar under the display.
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "app/display_widget.h"
#include "app/timed_message.h"
#include "tests/app/app_test_support.h"

using namespace kelp;
using namespace kelp::testing;

class MessagesTest : public QObject {
    Q_OBJECT
private slots:
    void ShortMessagesHaveNoButtonNorBar_data() {
        QTest::addColumn<int>("milliseconds");
        QTest::addColumn<bool>("long_");
        QTest::newRow("1000") << 1000 << false;
        QTest::newRow("1001") << 1001 << true;
    }
    void ShortMessagesHaveNoButtonNorBar() {
        QFETCH(int, milliseconds);
        QFETCH(bool, long_);
        QWidget owner;
        owner.move(100, 50);
        owner.show();
        TTM message(&owner);
        bool button = !long_, bar = !long_, hint = !long_;
        int interval = 0;
        QPoint at;
        message.OnShown = [&](TTM& m) {
            button = m.OkButton()->isVisible();
            bar = m.Bar()->isVisible();
            hint = m.HintLabel()->isVisible();
            interval = m.ProgressTimer().interval();
            at = m.pos();
            m.OkButton()->isVisible() ? m.OkButton()->click() : m.accept();
        };
        message.ShowTimedMessage(milliseconds, "Close file1 to make space for this file");
        QCOMPARE(button, long_);
        QCOMPARE(bar, long_);
        QCOMPARE(hint, long_);
        if (long_) QCOMPARE(interval, 100);
        QCOMPARE(at, owner.frameGeometry().topLeft() + QPoint(3, 30));
        QCOMPARE(message.size(), QSize(972, 106));
    }

    void ClosesOnTimeOnOkAndOnAKey() {
        TTM message;
        QElapsedTimer clock;
        clock.start();
        message.ShowTimedMessage(60, "a short notice");
        QVERIFY(clock.elapsed() >= 55);

        // The bar fills as the time passes; OK and a released key close the window at once.
        int filled = 0;
        message.OnShown = [&](TTM& m) {
            QTRY_VERIFY_WITH_TIMEOUT(m.Bar()->value() >= 2, 2000);
            filled = m.Bar()->value();
            m.OkButton()->click();
        };
        clock.restart();
        message.ShowTimedMessage(3000, "wait for it");
        QVERIFY(clock.elapsed() < 2500);
        QVERIFY(filled >= 2);
        QCOMPARE(message.Bar()->value(), 0);
        message.OnShown = [](TTM& m) { QTest::keyRelease(&m, Qt::Key_Space); };
        clock.restart();
        message.ShowTimedMessage(10'000, "press a key");
        QVERIFY(clock.elapsed() < 5000);
    }

    void GoMessagesAreLarger() {
        TTM message;
        int go = 0, other = 0;
        message.OnShown = [&](TTM& m) {
            (m.MessageLabel()->text().startsWith("GO") ? go : other) = m.MessageLabel()->font().pointSize();
            m.accept();
        };
        message.ShowTimedMessage(500, "GO: the card is being read");
        message.ShowTimedMessage(500, "Not GO");
        QCOMPARE(go, 14);
        QCOMPARE(other, 10);
    }

    void TheHostsMessageWindowGoesWithTheMainWindow() {
        AppUnderTest app;
        app.host.ShowTimedMessages = true;
        app.host.TimedMessageWindow().OnShown = [](TTM& m) { m.accept(); };
        app.host.ShowTimedMessage(2000, "File type not recognised");
        QCOMPARE(app.host.TimedMessageWindow().parentWidget(), app.window.get());
        app.window.reset(); // takes its message window along; the host must not delete it again
    }

    void ProgressBarFollowsTheStepRule_data() {
        QTest::addColumn<qlonglong>("total");
        QTest::addColumn<qlonglong>("start");
        QTest::addColumn<qlonglong>("value");
        QTest::addColumn<int>("position");
        QTest::newRow("span 150: the value itself") << 1150LL << 1000LL << 1042LL << 42;
        QTest::newRow("span 150: limited to 100") << 1150LL << 1000LL << 1149LL << 100;
        QTest::newRow("span 100,000: step 999") << 100'000LL << 0LL << 99'900LL << 100;
        QTest::newRow("span 100,000: half way") << 100'000LL << 0LL << 49'950LL << 50;
    }
    void ProgressBarFollowsTheStepRule() {
        QFETCH(qlonglong, total);
        QFETCH(qlonglong, start);
        QFETCH(qlonglong, value);
        QFETCH(int, position);
        AppUnderTest app;
        QProgressBar* bar = app.window->Display()->ProgressBar();
        app.host.StartProgress("reading", total, start);
        QVERIFY(bar->isVisible());
        QCOMPARE(app.program.ProgressLabel, std::string("reading"));
        app.host.StepProgress(value);
        QCOMPARE(bar->value(), position);
        app.host.EndProgress("done");
        QVERIFY(!bar->isVisible());
        QCOMPARE(app.program.ProgressLabel, std::string("done"));
    }

    void WaitKeepsTheWindowAliveAndEscapeIsSeen() {
        AppUnderTest app;
        QElapsedTimer clock;
        clock.start();
        app.host.Wait(0);
        QVERIFY(clock.elapsed() < 50);
        bool ran = false;
        QTimer::singleShot(5, [&] { ran = true; });
        app.host.Wait(40);
        QVERIFY(ran && clock.elapsed() >= 35);
        QVERIFY(!app.host.EscapeHeld());
        // A tap of ESC between two looks is still seen once.
        QTest::keyClick(app.window->Display(), Qt::Key_Escape);
        QVERIFY(app.host.EscapeHeld());
        QVERIFY(!app.host.EscapeHeld());
    }
};

QTEST_MAIN(MessagesTest)
#include "messages_test.moc"
