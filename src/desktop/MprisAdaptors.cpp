// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/MprisAdaptors.h"

#include "desktop/MprisService.h"

#include <QDBusConnection>
#include <QDBusError>

#include <algorithm>
#include <cmath>

namespace lumora {

namespace {

constexpr double kSlowest = 0.25;
constexpr double kFastest = 4.0;

}  // namespace

MprisRootAdaptor::MprisRootAdaptor(MprisService& service) : QDBusAbstractAdaptor(&service), service_(service) {}

QString MprisRootAdaptor::Identity() const { return QStringLiteral("Lumora"); }

QString MprisRootAdaptor::DesktopEntry() const { return QStringLiteral("io.lumora.Lumora"); }

QStringList MprisRootAdaptor::SupportedUriSchemes() const {
    // Addresses from other programs: web addresses only (OpenUri).
    return {QStringLiteral("http"), QStringLiteral("https")};
}

QStringList MprisRootAdaptor::SupportedMimeTypes() const {
    return {QStringLiteral("video/mp4"),        QStringLiteral("video/x-flv"),     QStringLiteral("video/x-ms-wmv"),
            QStringLiteral("video/x-ms-asf"),   QStringLiteral("video/x-msvideo"), QStringLiteral("video/x-matroska"),
            QStringLiteral("video/mpeg"),       QStringLiteral("video/mp2t"),      QStringLiteral("audio/mpeg"),
            QStringLiteral("audio/x-ms-wma"),   QStringLiteral("audio/x-wav")};
}

void MprisRootAdaptor::Raise() { service_.Controls().Raise(); }

void MprisRootAdaptor::Quit() { service_.Controls().Quit(); }

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService& service) : QDBusAbstractAdaptor(&service), service_(service) {
    connect(&service, &MprisService::Seeked, this, &MprisPlayerAdaptor::Seeked);
}

QString MprisPlayerAdaptor::PlaybackStatus() const {
    return MprisService::StatusName(service_.Controls().Snapshot().status);
}

double MprisPlayerAdaptor::Rate() const { return service_.Controls().Snapshot().rate; }

void MprisPlayerAdaptor::SetRate(double rate) {
    // A rate of 0 is a pause; rates outside the range are ignored.
    if (rate == 0) {
        service_.Controls().Pause();
        return;
    }
    if (!std::isfinite(rate) || rate < kSlowest || rate > kFastest) return;
    service_.Controls().SetRate(rate);
}

QVariantMap MprisPlayerAdaptor::Metadata() const { return MprisService::Metadata(service_.Controls().Snapshot()); }

double MprisPlayerAdaptor::Volume() const { return service_.Controls().Snapshot().volume; }

void MprisPlayerAdaptor::SetVolume(double volume) {
    if (!std::isfinite(volume)) return;
    service_.Controls().SetVolume(std::clamp(volume, 0.0, 1.0));
}

qlonglong MprisPlayerAdaptor::Position() const { return service_.Controls().Snapshot().positionUs; }

double MprisPlayerAdaptor::MinimumRate() const { return kSlowest; }

double MprisPlayerAdaptor::MaximumRate() const { return kFastest; }

bool MprisPlayerAdaptor::CanGoNext() const { return service_.Controls().Snapshot().canGoNext; }

bool MprisPlayerAdaptor::CanGoPrevious() const { return service_.Controls().Snapshot().canGoPrevious; }

bool MprisPlayerAdaptor::CanPlay() const { return service_.Controls().Snapshot().canPlay; }

bool MprisPlayerAdaptor::CanPause() const { return service_.Controls().Snapshot().canPause; }

bool MprisPlayerAdaptor::CanSeek() const { return service_.Controls().Snapshot().canSeek; }

void MprisPlayerAdaptor::Next() {
    if (service_.Controls().Snapshot().canGoNext) service_.Controls().Next();
}

void MprisPlayerAdaptor::Previous() {
    if (service_.Controls().Snapshot().canGoPrevious) service_.Controls().Previous();
}

void MprisPlayerAdaptor::Pause() { service_.Controls().Pause(); }

void MprisPlayerAdaptor::PlayPause() { service_.Controls().PlayPause(); }

void MprisPlayerAdaptor::Stop() { service_.Controls().Stop(); }

void MprisPlayerAdaptor::Play() { service_.Controls().Play(); }

void MprisPlayerAdaptor::Seek(qlonglong offset) { service_.SeekBy(offset); }

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& track, qlonglong position) {
    service_.SetPosition(track, position);
}

void MprisPlayerAdaptor::OpenUri(const QString& uri, const QDBusMessage& message) {
    if (service_.Controls().OpenAddress(uri)) return;
    message.setDelayedReply(true);
    service_.Bus().send(message.createErrorReply(
        QDBusError::InvalidArgs, QStringLiteral("Lumora plays only web addresses (http, https) from other programs")));
}

}  // namespace lumora
