// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the screen from blanking or locking while asked to (a video playing):
// through the desktop portal (org.freedesktop.portal.Inhibit, idle), else the
// screen-saver service (org.freedesktop.ScreenSaver), else by resetting the X
// screen saver's timer. Every call goes through the event loop; a way that
// fails once is not tried again. Released at once when no longer asked for,
// and when the inhibitor goes.
#pragma once

#include "desktop/XScreenSaverReset.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>

#include <optional>

namespace lumora {

class IdleInhibitor : public QObject {
    Q_OBJECT
public:
    enum class Way { None, Portal, ScreenSaver, XReset };

    // `bus`: the session bus, or nullopt without one; `xReset`: the X screen
    // saver may be reset (the program runs on X).
    IdleInhibitor(std::optional<QDBusConnection> bus, bool xReset, QObject* parent = nullptr);
    ~IdleInhibitor() override;

    void SetInhibited(bool inhibited);
    bool Inhibited() const { return wanted_; }
    // The way that holds the inhibition now; None while a call is on its way.
    Way Holding() const { return way_; }

signals:
    // The way holding it changed.
    void HoldingChanged(Way way);

private:
    // Tries the next way that has not failed.
    void Begin();
    void Held(Way way);
    void Release(bool atExit);
    void CallPortal();
    void CallScreenSaver();

    std::optional<QDBusConnection> bus_;
    bool xResetAllowed_;
    bool wanted_ = false;
    bool pending_ = false;
    bool portalFailed_ = false;
    bool screenSaverFailed_ = false;
    Way way_ = Way::None;
    QDBusObjectPath portalRequest_;
    uint screenSaverCookie_ = 0;
    XScreenSaverReset xReset_;
};

}  // namespace lumora
