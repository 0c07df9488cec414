// SPDX-License-Identifier: GPL-3.0-or-later
// What the desktop's media controls (MPRIS) read from the player and ask of
// it. The window implements it; the bus side knows nothing of widgets.
#pragma once

#include <QString>
#include <QtGlobal>

namespace lumora {

// What the player shows now, in the terms the desktop uses.
struct MediaSnapshot {
    enum class Status { Stopped, Playing, Paused };
    Status status = Status::Stopped;
    // Counts the media opened: a new number is a new track.
    quint64 mediaNumber = 0;
    QString title;
    QString url;  // a local file as a file:// address
    qint64 lengthUs = 0;    // 0 when unknown
    qint64 positionUs = 0;
    double volume = 0;  // 0 to 1
    double rate = 1;
    bool canPlay = false;
    bool canPause = false;
    bool canSeek = false;
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool operator==(const MediaSnapshot&) const = default;
};

class MediaControls {
public:
    virtual ~MediaControls() = default;

    virtual MediaSnapshot Snapshot() = 0;

    virtual void Raise() = 0;
    // Ends the program as its exit button does.
    virtual void Quit() = 0;
    virtual void PlayPause() = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    virtual void Next() = 0;
    virtual void Previous() = 0;
    virtual void SeekTo(qint64 positionUs) = 0;
    virtual void SetVolume(double volume) = 0;  // 0 to 1
    virtual void SetRate(double rate) = 0;
    // Plays an address another program asks for; false (and nothing played)
    // when it is not one the player takes from outside.
    virtual bool OpenAddress(const QString& uri) = 0;
};

}  // namespace lumora
