// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DesktopMedia.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QSlider>
#include <QTimer>
#include <QUrl>

#include <cmath>
#include <optional>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/PlayCommands.h"
#include "app/PlaybackTweaks.h"
#include "app/QtText.h"
#include "app/SessionBus.h"
#include "desktop/IdleInhibitor.h"
#include "desktop/MediaControls.h"
#include "desktop/MprisService.h"
#include "player/Player.h"
#include "resolve/MediaFront.h"
#include "resolve/OutsideAddress.h"

namespace lumora {

namespace {

qint64 Microseconds(double seconds) {
    return std::isfinite(seconds) && seconds > 0 ? static_cast<qint64>(std::llround(seconds * 1e6)) : 0;
}

// A local path as a file:// address; any other address as it is.
QString AddressUrl(const Text& address) {
    if (address.Empty()) return {};
    if (address.StartsWith(Text("/"))) return QUrl::fromLocalFile(ToQString(address)).toString(QUrl::FullyEncoded);
    return ToQString(address);
}

// Playing with moving pictures: not paused, stopped or ended, and not sound
// alone (an audio file's cover is a still picture).
bool VideoPlaying(MediaFront& front) {
    const PlayState state = front.PlayState();
    if (state != PlayState::Playing && state != PlayState::Buffering) return false;
    const Player* player = front.ActivePlayer();
    if (!player) return false;
    for (const MediaTrack& track : player->Tracks())
        if (track.kind == MediaTrack::Kind::Video && track.selected && !track.picture) return true;
    return false;
}

class WindowMediaControls : public MediaControls {
public:
    explicit WindowMediaControls(MainWindow& window) : window_(window) {}

    MediaSnapshot Snapshot() override {
        MediaSnapshot snapshot;
        MediaFront* front = Front();
        if (!front) return snapshot;
        const PlayState state = front->PlayState();
        switch (state) {
            case PlayState::Paused: snapshot.status = MediaSnapshot::Status::Paused; break;
            case PlayState::Playing:
            case PlayState::Buffering:
            case PlayState::Loading:
            case PlayState::Connecting: snapshot.status = MediaSnapshot::Status::Playing; break;
            case PlayState::Stopped:
            case PlayState::Failed: snapshot.status = MediaSnapshot::Status::Stopped; break;
        }
        const Text address = front->CurrentAddress();
        if (address != address_) {
            address_ = address;
            if (!address.Empty()) ++mediaNumber_;
        }
        snapshot.mediaNumber = mediaNumber_;
        if (!address.Empty()) {
            snapshot.title = ToQString(front->MediaTitle());
            snapshot.url = AddressUrl(address);
        }
        const double duration = front->Duration();
        snapshot.lengthUs = Microseconds(duration);
        snapshot.positionUs = Microseconds(front->Position());
        snapshot.volume = window_.Units().volumeSlider->value() / 100.0;
        if (const Player* player = front->ActivePlayer()) snapshot.rate = player->Speed();
        snapshot.canPlay = !address.Empty();
        snapshot.canPause = snapshot.canPlay;
        snapshot.canSeek = snapshot.canPlay && snapshot.status != MediaSnapshot::Status::Stopped && duration > 0;
        const int items = static_cast<int>(front->PlaylistItems().size());
        const int index = front->PlaylistIndex();
        snapshot.canGoNext = items > 1 && index >= 1 && index < items;
        snapshot.canGoPrevious = items > 1 && index >= 1;
        return snapshot;
    }

    void Raise() override {
        if (window_.isMinimized()) window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized);
        window_.show();
        window_.raise();
        window_.activateWindow();
    }

    // As the exit button: once the answer to the call is out.
    void Quit() override {
        QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
    }

    // The play button.
    void PlayPause() override {
        if (MediaFront* front = Front()) front->TogglePause();
    }

    void Play() override {
        MediaFront* front = Front();
        if (!front) return;
        const PlayState state = front->PlayState();
        if (state == PlayState::Paused || state == PlayState::Stopped || state == PlayState::Failed)
            front->TogglePause();
    }

    void Pause() override {
        MediaFront* front = Front();
        if (!front) return;
        const PlayState state = front->PlayState();
        if (state == PlayState::Playing || state == PlayState::Buffering) front->TogglePause();
    }

    // The stop button.
    void Stop() override { StopPlayback(window_); }

    void Next() override {
        if (MediaFront* front = Front()) front->Next();
    }

    void Previous() override {
        if (MediaFront* front = Front()) front->Previous();
    }

    void SeekTo(qint64 positionUs) override {
        if (MediaFront* front = Front()) front->Seek(static_cast<int>(std::llround(positionUs / 1e6)));
    }

    // The volume slider: the players, the status bar and the remembered volume follow it.
    void SetVolume(double volume) override {
        window_.Units().volumeSlider->setValue(static_cast<int>(std::lround(volume * 100)));
    }

    void SetRate(double rate) override { SetSpeed(window_, rate); }

    bool OpenAddress(const QString& uri) override {
        const Text address = FromQString(uri);
        if (!MayPlayFromOutside(address)) return false;
        PlayTypedAddress(window_, address, AddressOrigin::Network);
        return true;
    }

private:
    MediaFront* Front() const { return window_.State().mediaObject.get(); }

    MainWindow& window_;
    Text address_;
    quint64 mediaNumber_ = 0;
};

class WindowDesktopMedia : public QObject, public DesktopMedia {
public:
    explicit WindowDesktopMedia(MainWindow& window) : controls_(window) {
        std::optional<QDBusConnection> bus;
        if (SessionBusExpected()) {
            QDBusConnection session = QDBusConnection::sessionBus();
            if (session.isConnected()) bus = session;
        }
        inhibitor_ = std::make_unique<IdleInhibitor>(bus, QGuiApplication::platformName() == QStringLiteral("xcb"));
        if (bus) {
            mpris_ = std::make_unique<MprisService>(controls_, *bus);
            if (!mpris_->Publish()) mpris_.reset();
        }
        MediaFront* front = window.State().mediaObject.get();
        if (!front) return;
        front_ = front;
        connect(front, &MediaFront::StateChanged, this, &WindowDesktopMedia::Schedule);
        connect(front, &MediaFront::Changed, this, &WindowDesktopMedia::Schedule);
        connect(window.Units().volumeSlider, &QSlider::valueChanged, this, &WindowDesktopMedia::Schedule);
    }

    // The inhibition goes before the bus object; both before the window.
    ~WindowDesktopMedia() override {
        inhibitor_.reset();
        mpris_.reset();
    }

private:
    // One look per pass of the event loop, after the front has finished what
    // it was doing when it told.
    void Schedule() {
        if (scheduled_) return;
        scheduled_ = true;
        QMetaObject::invokeMethod(this, &WindowDesktopMedia::Update, Qt::QueuedConnection);
    }

    void Update() {
        scheduled_ = false;
        if (mpris_) mpris_->Refresh();
        inhibitor_->SetInhibited(front_ && VideoPlaying(*front_));
    }

    WindowMediaControls controls_;
    MediaFront* front_ = nullptr;
    std::unique_ptr<IdleInhibitor> inhibitor_;
    std::unique_ptr<MprisService> mpris_;
    bool scheduled_ = false;
};

}  // namespace

std::unique_ptr<DesktopMedia> StartDesktopMedia(MainWindow& window) {
    return std::make_unique<WindowDesktopMedia>(window);
}

}  // namespace lumora
