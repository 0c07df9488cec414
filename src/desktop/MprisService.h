// SPDX-License-Identifier: GPL-3.0-or-later
// The player on the session bus as an MPRIS 2 media player
// (org.mpris.MediaPlayer2 and org.mpris.MediaPlayer2.Player at
// /org/mpris/MediaPlayer2), so that media keys, the desktop's media controls
// and playerctl see and drive it. It reads and steers the player only through
// MediaControls; Refresh, called on every change the player reports, sends
// PropertiesChanged for what changed and Seeked for a jump of the position.
#pragma once

#include "desktop/MediaControls.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace lumora {

class MprisService : public QObject {
    Q_OBJECT
public:
    // The bus name asked for first; when another player holds it,
    // kBusName + ".instance" + the process id.
    static constexpr const char* kBusName = "org.mpris.MediaPlayer2.lumora";

    MprisService(MediaControls& controls, QDBusConnection bus, QObject* parent = nullptr);
    ~MprisService() override;

    // Publishes the object and asks for the bus name; the answer comes
    // through the event loop (Named follows). False when the object could
    // not be published.
    bool Publish();
    // The name held on the bus; empty until it is granted.
    const QString& BusName() const { return busName_; }

    // The player may have changed: tells the bus what did.
    void Refresh();

    // For the adaptors.
    MediaControls& Controls() { return controls_; }
    QDBusConnection& Bus() { return bus_; }
    static QDBusObjectPath TrackId(quint64 mediaNumber);
    static QVariantMap Metadata(const MediaSnapshot& snapshot);
    static QString StatusName(MediaSnapshot::Status status);
    void SeekBy(qint64 offsetUs);
    void SetPosition(const QDBusObjectPath& track, qint64 positionUs);

signals:
    // The bus granted `name`.
    void Named(const QString& name);
    // Sent on the bus as org.mpris.MediaPlayer2.Player.Seeked.
    void Seeked(qint64 positionUs);

private:
    void RequestName(const QString& name, bool last);
    void SendPropertiesChanged(const QVariantMap& changed);
    // Whether the position moved otherwise than playback moves it.
    bool Jumped(const MediaSnapshot& now);

    MediaControls& controls_;
    QDBusConnection bus_;
    QString busName_;
    bool published_ = false;
    MediaSnapshot last_;
    QElapsedTimer sinceLast_;
    // Where a seek asked for over the bus goes: reaching it is announced.
    std::optional<qint64> seekTarget_;
};

}  // namespace lumora
