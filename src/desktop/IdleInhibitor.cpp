// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/IdleInhibitor.h"

#include "desktop/DesktopLog.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace lumora {

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kPortalInhibit = QStringLiteral("org.freedesktop.portal.Inhibit");
const QString kPortalRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kScreenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
// The portal's flag for "the session must not go idle".
constexpr uint kInhibitIdle = 8;
// A portal started on demand may take a few seconds to answer.
constexpr int kCallTimeoutMs = 10'000;
// At exit the release goes out before the connection closes.
constexpr int kExitReleaseTimeoutMs = 1000;
const QString kReason = QStringLiteral("正在播放视频");

}  // namespace

IdleInhibitor::IdleInhibitor(std::optional<QDBusConnection> bus, bool xReset, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), xResetAllowed_(xReset) {
    if (bus_ && !bus_->isConnected()) bus_.reset();
}

IdleInhibitor::~IdleInhibitor() {
    wanted_ = false;
    Release(true);
}

void IdleInhibitor::SetInhibited(bool inhibited) {
    if (inhibited == wanted_) return;
    wanted_ = inhibited;
    if (!wanted_) {
        Release(false);
    } else if (way_ == Way::None && !pending_) {
        Begin();
    }
}

void IdleInhibitor::Begin() {
    if (bus_ && !portalFailed_) {
        CallPortal();
    } else if (bus_ && !screenSaverFailed_) {
        CallScreenSaver();
    } else if (xResetAllowed_ && xReset_.Start()) {
        Held(Way::XReset);
    } else {
        qCDebug(lumoraDesktop, "nothing can keep the screen on");
    }
}

namespace {

const char* WayName(IdleInhibitor::Way way) {
    switch (way) {
        case IdleInhibitor::Way::Portal: return "the desktop portal";
        case IdleInhibitor::Way::ScreenSaver: return "the screen-saver service";
        case IdleInhibitor::Way::XReset: return "resetting the X screen saver";
        case IdleInhibitor::Way::None: break;
    }
    return "nothing";
}

}  // namespace

void IdleInhibitor::Held(Way way) {
    way_ = way;
    qCDebug(lumoraDesktop, "the screen is kept on by %s", WayName(way));
    emit HoldingChanged(way);
}

void IdleInhibitor::CallPortal() {
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kPortalInhibit,
                                                       QStringLiteral("Inhibit"));
    call << QString() << kInhibitIdle << QVariantMap{{QStringLiteral("reason"), kReason}};
    pending_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        pending_ = false;
        const QDBusPendingReply<QDBusObjectPath> reply = *answer;
        if (!reply.isValid()) {
            qCDebug(lumoraDesktop) << "the portal's Inhibit failed:" << reply.error().message();
            portalFailed_ = true;
            if (wanted_) Begin();
            return;
        }
        portalRequest_ = reply.value();
        Held(Way::Portal);
        if (!wanted_) Release(false);
    });
}

void IdleInhibitor::CallScreenSaver() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kScreenSaver, kScreenSaverPath, kScreenSaver, QStringLiteral("Inhibit"));
    call << QStringLiteral("Lumora") << kReason;
    pending_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        pending_ = false;
        const QDBusPendingReply<uint> reply = *answer;
        if (!reply.isValid()) {
            qCDebug(lumoraDesktop) << "the screen saver's Inhibit failed:" << reply.error().message();
            screenSaverFailed_ = true;
            if (wanted_) Begin();
            return;
        }
        screenSaverCookie_ = reply.value();
        Held(Way::ScreenSaver);
        if (!wanted_) Release(false);
    });
}

void IdleInhibitor::Release(bool atExit) {
    QDBusMessage call;
    switch (way_) {
        case Way::None: return;
        case Way::Portal:
            call = QDBusMessage::createMethodCall(kPortalService, portalRequest_.path(), kPortalRequest,
                                                  QStringLiteral("Close"));
            break;
        case Way::ScreenSaver:
            call = QDBusMessage::createMethodCall(kScreenSaver, kScreenSaverPath, kScreenSaver,
                                                  QStringLiteral("UnInhibit"));
            call << screenSaverCookie_;
            break;
        case Way::XReset: xReset_.Stop(); break;
    }
    qCDebug(lumoraDesktop, "%s no longer keeps the screen on", WayName(way_));
    way_ = Way::None;
    if (call.type() == QDBusMessage::MethodCallMessage) {
        // At exit, waits (briefly) so that the call is out before the
        // connection closes; otherwise the answer does not matter.
        if (atExit)
            bus_->call(call, QDBus::Block, kExitReleaseTimeoutMs);
        else
            bus_->send(call);
    }
    if (!atExit) emit HoldingChanged(way_);
}

}  // namespace lumora
