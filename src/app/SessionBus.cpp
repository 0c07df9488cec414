// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SessionBus.h"

#include <QByteArray>
#include <QFileInfo>
#include <QString>
#include <QtGlobal>

#include <cstdlib>

namespace lumora {

bool SessionBusExpected() {
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (address == kNoSessionBus) return false;
    if (!address.isEmpty()) return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

void KeepFromLaunchingSessionBus() {
    if (!SessionBusExpected()) ::setenv("DBUS_SESSION_BUS_ADDRESS", kNoSessionBus, 1);
}

}  // namespace lumora
