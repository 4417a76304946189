#include "app/keep_awake.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFileInfo>
#include <QtGlobal>

namespace kelp {
namespace {

constexpr int ReplyTimeoutMs = 2000;
const char* const Reason = "Reading the logger's SD card";

// Only a bus that is there is asked: connecting to an absent session bus could start one.
bool SessionBusPresent() {
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS")) return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + "/bus");
}

bool SystemBusPresent() {
    return qEnvironmentVariableIsSet("DBUS_SYSTEM_BUS_ADDRESS") ||
           QFileInfo::exists("/run/dbus/system_bus_socket") ||
           QFileInfo::exists("/var/run/dbus/system_bus_socket");
}

bool HasService(const QDBusConnection& bus, const char* service) {
    if (!bus.isConnected() || bus.interface() == nullptr) return false;
    const QDBusReply<bool> reply = bus.interface()->isServiceRegistered(QString::fromLatin1(service));
    return reply.isValid() && reply.value();
}

} // namespace

bool SleepInhibitor::Request() {
    if (Active()) return true;
    if (SystemBusPresent()) {
        QDBusConnection system = QDBusConnection::systemBus();
        if (HasService(system, "org.freedesktop.login1")) {
            QDBusMessage call =
                QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                               "org.freedesktop.login1.Manager", "Inhibit");
            call << QString("sleep:idle") << QString("KELP") << QString(Reason) << QString("block");
            const QDBusReply<QDBusUnixFileDescriptor> reply = system.call(call, QDBus::Block, ReplyTimeoutMs);
            if (reply.isValid() && reply.value().isValid()) {
                sleepLock_ = reply.value();
                return true;
            }
        }
    }
    if (!SessionBusPresent()) return false;
    QDBusConnection session = QDBusConnection::sessionBus();
    if (HasService(session, "org.freedesktop.ScreenSaver")) {
        QDBusMessage call =
            QDBusMessage::createMethodCall("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                           "org.freedesktop.ScreenSaver", "Inhibit");
        call << QString("KELP") << QString(Reason);
        const QDBusReply<unsigned> reply = session.call(call, QDBus::Block, ReplyTimeoutMs);
        if (reply.isValid()) {
            screenSaverCookie_ = reply.value();
            haveCookie_ = true;
            return true;
        }
    }
    return false;
}

void SleepInhibitor::Release() {
    // Closing the login manager's descriptor ends its lock.
    sleepLock_ = QDBusUnixFileDescriptor();
    if (haveCookie_) {
        QDBusMessage call =
            QDBusMessage::createMethodCall("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                           "org.freedesktop.ScreenSaver", "UnInhibit");
        call << screenSaverCookie_;
        QDBusConnection::sessionBus().call(call, QDBus::Block, ReplyTimeoutMs);
        haveCookie_ = false;
    }
}

} // namespace kelp
