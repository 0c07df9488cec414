// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DesktopNotice.h"

#include "app/SessionBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace lumora {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
// The service answers at once or not at all; a notice late by more is no use.
constexpr int kCallTimeoutMs = 5000;

QDBusMessage Call(const QString& method) { return QDBusMessage::createMethodCall(kService, kPath, kService, method); }

// Runs `then` with the answer to `message`, when one comes; drops errors.
template <typename Then>
void CallThen(QDBusConnection bus, const QDBusMessage& message, Then then) {
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, kCallTimeoutMs), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [then](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        if (!finished->isError()) then(*finished);
    });
}

}  // namespace

void ShowDesktopNotice(const QString& summary, const QString& body) {
    if (!QCoreApplication::instance() || !SessionBusExpected()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    // A service that reads markup in the body gets the text escaped, so a
    // title holding "<" or "&" shows as it is.
    CallThen(bus, Call(QStringLiteral("GetCapabilities")), [bus, summary, body](QDBusPendingCallWatcher& answer) {
        const QDBusPendingReply<QStringList> capabilities = answer;
        const bool markup = capabilities.isValid() && capabilities.value().contains(QStringLiteral("body-markup"));
        QDBusMessage notify = Call(QStringLiteral("Notify"));
        notify << QStringLiteral("Lumora") << 0u << QString() << summary << (markup ? body.toHtmlEscaped() : body)
               << QStringList() << QVariantMap() << -1;
        CallThen(bus, notify, [](QDBusPendingCallWatcher&) {});
    });
}

}  // namespace lumora
