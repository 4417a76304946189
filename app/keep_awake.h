#pragma once
// Keeps the computer from going to sleep while an SD card is read, through the desktop's
// D-Bus inhibit services: the login manager's sleep lock (org.freedesktop.login1) or the
// screen saver's inhibit call (org.freedesktop.ScreenSaver). Where neither answers,
// nothing happens and nothing is said.
#include <QDBusUnixFileDescriptor>

namespace kelp {

class SleepInhibitor {
public:
    SleepInhibitor() = default;
    ~SleepInhibitor() { Release(); }
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    // True when one of the services took the request.
    bool Request();
    void Release();
    bool Active() const { return sleepLock_.isValid() || haveCookie_; }

private:
    QDBusUnixFileDescriptor sleepLock_;
    unsigned screenSaverCookie_ = 0;
    bool haveCookie_ = false;
};

} // namespace kelp
