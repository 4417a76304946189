// The keep-awake request over D-Bus, against a private bus with stand-ins of the login
// manager and the screen saver served from a second thread.
#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QProcess>
#include <QThread>
#include <QtTest>

#include "app/keep_awake.h"

using namespace kelp;

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QAtomicInt Inhibits = 0;
    QAtomicInt Released = 0; // the cookie given back
public slots:
    uint Inhibit(const QString&, const QString&) {
        Inhibits.ref();
        return 41;
    }
    void UnInhibit(uint cookie) { Released.storeRelaxed(static_cast<int>(cookie)); }
};

class FakeLogin1 : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    QAtomicInt Inhibits = 0;
    int HeldEnd = -1; // our end of the lock: it reads end of file once the lock is let go
public slots:
    QDBusUnixFileDescriptor Inhibit(const QString&, const QString&, const QString&, const QString&) {
        Inhibits.ref();
        int ends[2];
        if (::pipe(ends) != 0) return {};
        HeldEnd = ends[0];
        QDBusUnixFileDescriptor lock(ends[1]); // takes a copy
        ::close(ends[1]);
        return lock;
    }
};

namespace {

// Whether every copy of the other end of a pipe is closed: a read finds the end of file
// (while one is open, the read finds nothing yet).
bool LockReleased(int fd) {
    ::fcntl(fd, F_SETFL, O_NONBLOCK);
    char c;
    return ::read(fd, &c, 1) == 0;
}

} // namespace

class KeepAwakeTest : public QObject {
    Q_OBJECT
    QProcess bus_;
    QThread serviceThread_;
    QString address_;
    std::vector<std::unique_ptr<QObject>> services_; // deleted once their thread has ended

    // Registers a service on its own connection, answered in the service thread.
    void Serve(QObject* service, const char* name, const char* path) {
        services_.emplace_back(service);
        service->moveToThread(&serviceThread_);
        QDBusConnection c = QDBusConnection::connectToBus(address_, name);
        QVERIFY(c.isConnected());
        QVERIFY(c.registerObject(path, service, QDBusConnection::ExportAllSlots));
        QVERIFY(c.registerService(name));
    }

private slots:
    void initTestCase() {
        bus_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QVERIFY2(bus_.waitForStarted(), "dbus-daemon (Debian package dbus-daemon) is needed");
        QTRY_VERIFY(bus_.canReadLine());
        address_ = QString::fromUtf8(bus_.readLine()).trimmed();
        // Both the session and the system bus are this private one.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address_.toUtf8());
        serviceThread_.start();
    }
    void cleanupTestCase() {
        serviceThread_.quit();
        serviceThread_.wait();
        services_.clear();
        bus_.kill();
        bus_.waitForFinished();
    }

    // One test in three steps: the services join the bus one after the other.
    void UsesTheLoginManagerElseTheScreenSaverElseNothing() {
        {
            SleepInhibitor none;
            QVERIFY(!none.Request());
            QVERIFY(!none.Active());
            none.Release();
        }
        auto* saver = new FakeScreenSaver;
        Serve(saver, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver");
        {
            SleepInhibitor inhibitor;
            QVERIFY(inhibitor.Request());
            QVERIFY(inhibitor.Request()); // asked again while on: no second request
            QCOMPARE(saver->Inhibits.loadRelaxed(), 1);
            inhibitor.Release();
            QVERIFY(!inhibitor.Active());
            QCOMPARE(saver->Released.loadRelaxed(), 41);
        }
        auto* login = new FakeLogin1;
        Serve(login, "org.freedesktop.login1", "/org/freedesktop/login1");
        {
            SleepInhibitor inhibitor;
            QVERIFY(inhibitor.Request());
            QCOMPARE(login->Inhibits.loadRelaxed(), 1);
            QCOMPARE(saver->Inhibits.loadRelaxed(), 1);
            QVERIFY(inhibitor.Active());
            QVERIFY(!LockReleased(login->HeldEnd));
            inhibitor.Release();
            QTRY_VERIFY(LockReleased(login->HeldEnd));
        }
    }
};

QTEST_GUILESS_MAIN(KeepAwakeTest)
#include "keep_awake_test.moc"
