// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/MprisService.h"

#include "desktop/MprisAdaptors.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include <cmath>
#include <cstdlib>

namespace lumora {

namespace {

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
// RequestName's flag and answers, as the bus daemon numbers them.
constexpr uint kDoNotQueue = 4;
constexpr uint kPrimaryOwner = 1;
constexpr uint kAlreadyOwner = 4;
constexpr int kCallTimeoutMs = 5000;
// How far the position may move otherwise than playback moves it before the
// move counts as a seek: a late or early position report is no seek.
constexpr qint64 kJumpUs = 1'500'000;
constexpr qint64 kBackUs = 500'000;
// A seek goes to whole seconds.
constexpr qint64 kSeekSlackUs = 1'000'000;

}  // namespace

MprisService::MprisService(MediaControls& controls, QDBusConnection bus, QObject* parent)
    : QObject(parent), controls_(controls), bus_(std::move(bus)) {
    new MprisRootAdaptor(*this);
    new MprisPlayerAdaptor(*this);
}

MprisService::~MprisService() {
    if (!published_) return;
    bus_.unregisterObject(kObjectPath);
    if (!busName_.isEmpty()) bus_.unregisterService(busName_);
}

bool MprisService::Publish() {
    if (published_) return true;
    if (!bus_.isConnected() || !bus_.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors)) return false;
    published_ = true;
    last_ = controls_.Snapshot();
    sinceLast_.start();
    RequestName(QString::fromLatin1(kBusName), false);
    return true;
}

void MprisService::RequestName(const QString& name, bool last) {
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    request << name << kDoNotQueue;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(request, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, name, last](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        const QDBusPendingReply<uint> reply = *answer;
        if (reply.isValid() && (reply.value() == kPrimaryOwner || reply.value() == kAlreadyOwner)) {
            busName_ = name;
            emit Named(name);
        } else if (!last && reply.isValid()) {
            // Another player took the plain name: one of this process's own.
            RequestName(QString::fromLatin1(kBusName) + QStringLiteral(".instance") +
                            QString::number(QCoreApplication::applicationPid()),
                        true);
        }
    });
}

QDBusObjectPath MprisService::TrackId(quint64 mediaNumber) {
    if (mediaNumber == 0) return QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
    return QDBusObjectPath(QStringLiteral("/io/lumora/Lumora/track/") + QString::number(mediaNumber));
}

QVariantMap MprisService::Metadata(const MediaSnapshot& snapshot) {
    QVariantMap metadata;
    metadata.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackId(snapshot.mediaNumber)));
    if (snapshot.mediaNumber == 0) return metadata;
    if (!snapshot.title.isEmpty()) metadata.insert(QStringLiteral("xesam:title"), snapshot.title);
    if (!snapshot.url.isEmpty()) metadata.insert(QStringLiteral("xesam:url"), snapshot.url);
    if (snapshot.lengthUs > 0) metadata.insert(QStringLiteral("mpris:length"), qlonglong(snapshot.lengthUs));
    return metadata;
}

QString MprisService::StatusName(MediaSnapshot::Status status) {
    switch (status) {
        case MediaSnapshot::Status::Playing: return QStringLiteral("Playing");
        case MediaSnapshot::Status::Paused: return QStringLiteral("Paused");
        case MediaSnapshot::Status::Stopped: break;
    }
    return QStringLiteral("Stopped");
}

void MprisService::SeekBy(qint64 offsetUs) {
    const MediaSnapshot now = controls_.Snapshot();
    if (!now.canSeek) return;
    qint64 target = now.positionUs + offsetUs;
    if (target < 0) target = 0;
    // Past the end: the next track, when there is one; else the end.
    if (now.lengthUs > 0 && target > now.lengthUs) {
        if (now.canGoNext) {
            controls_.Next();
            return;
        }
        target = now.lengthUs;
    }
    seekTarget_ = target;
    controls_.SeekTo(target);
}

void MprisService::SetPosition(const QDBusObjectPath& track, qint64 positionUs) {
    const MediaSnapshot now = controls_.Snapshot();
    // Only for the track playing, and only within it.
    if (!now.canSeek || track != TrackId(now.mediaNumber) || positionUs < 0 ||
        (now.lengthUs > 0 && positionUs > now.lengthUs))
        return;
    seekTarget_ = positionUs;
    controls_.SeekTo(positionUs);
}

bool MprisService::Jumped(const MediaSnapshot& now) {
    if (now.mediaNumber != last_.mediaNumber || now.status == MediaSnapshot::Status::Stopped) {
        seekTarget_.reset();
        return false;
    }
    const qint64 moved = now.positionUs - last_.positionUs;
    if (moved == 0) return false;
    // The position reached a seek asked for over the bus (whole seconds).
    if (seekTarget_ && std::llabs(now.positionUs - *seekTarget_) < kSeekSlackUs) {
        seekTarget_.reset();
        return true;
    }
    // What playback alone moves it by since the last look, with some slack.
    const qint64 played = last_.status == MediaSnapshot::Status::Playing
                              ? static_cast<qint64>(std::ceil(sinceLast_.nsecsElapsed() / 1000.0 * now.rate))
                              : 0;
    if (moved >= -kBackUs && moved <= played + kJumpUs) return false;
    seekTarget_.reset();
    return true;
}

void MprisService::Refresh() {
    if (!published_) return;
    const MediaSnapshot now = controls_.Snapshot();
    const bool jumped = Jumped(now);
    QVariantMap changed;
    if (now.status != last_.status) changed.insert(QStringLiteral("PlaybackStatus"), StatusName(now.status));
    if (now.mediaNumber != last_.mediaNumber || now.title != last_.title || now.url != last_.url ||
        now.lengthUs != last_.lengthUs)
        changed.insert(QStringLiteral("Metadata"), Metadata(now));
    if (now.volume != last_.volume) changed.insert(QStringLiteral("Volume"), now.volume);
    if (now.rate != last_.rate) changed.insert(QStringLiteral("Rate"), now.rate);
    if (now.canPlay != last_.canPlay) changed.insert(QStringLiteral("CanPlay"), now.canPlay);
    if (now.canPause != last_.canPause) changed.insert(QStringLiteral("CanPause"), now.canPause);
    if (now.canSeek != last_.canSeek) changed.insert(QStringLiteral("CanSeek"), now.canSeek);
    if (now.canGoNext != last_.canGoNext) changed.insert(QStringLiteral("CanGoNext"), now.canGoNext);
    if (now.canGoPrevious != last_.canGoPrevious) changed.insert(QStringLiteral("CanGoPrevious"), now.canGoPrevious);
    last_ = now;
    sinceLast_.restart();
    if (!changed.isEmpty()) SendPropertiesChanged(changed);
    if (jumped) emit Seeked(now.positionUs);
}

void MprisService::SendPropertiesChanged(const QVariantMap& changed) {
    QDBusMessage signal = QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    bus_.send(signal);
}

}  // namespace lumora
