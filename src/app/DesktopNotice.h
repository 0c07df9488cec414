// SPDX-License-Identifier: GPL-3.0-or-later
// Desktop notifications (a download that ended) through the freedesktop
// notification service (org.freedesktop.Notifications) on the session bus.
#pragma once

#include <QString>

namespace lumora {

// Asks the notification service to show `summary` with `body` as plain text.
// Returns at once: the call and its answer go through the event loop.
// Without a session bus or without the service nothing is shown, and
// nothing else happens. Main thread only.
void ShowDesktopNotice(const QString& summary, const QString& body);

}  // namespace lumora
