// SPDX-License-Identifier: GPL-3.0-or-later
// The typed player: one medium at a time, driven from the GUI thread.
//
// Everything the window and the address front ask of playback goes through
// these calls; nothing is reached by member name. Every command returns at
// once (the work goes to the engine asynchronously); every read is answered
// from values the player keeps current. Changed() follows each batch of
// engine events that may have altered what the player reports, so listeners
// react to changes instead of polling.
//
// The phases of a medium:
//   Empty    no address (before the first one, or after an empty Open)
//   Opening  the address was handed over; the file is not loaded yet
//   Loaded   loaded: playing, paused or waiting for data
//   Ended    played to its end
//   Stopped  stopped on request
//   Failed   could not be opened or played, or broke off short of its end
#pragma once

#include "base/Text.h"
#include "platform/MediaTracks.h"

#include <QObject>
#include <QString>

#include <initializer_list>
#include <string>
#include <vector>

class QWidget;

namespace lumora {

class Player : public QObject {
    Q_OBJECT
public:
    enum class Phase { Empty, Opening, Loaded, Ended, Stopped, Failed };

    using QObject::QObject;
    ~Player() override = default;

    // Opens and starts `address`; an empty address unloads the medium.
    virtual void Open(const Text& address) = 0;
    // Stops; the address stays, Restart plays it from the start.
    virtual void Stop() = 0;
    virtual void Restart() = 0;
    virtual void SetPaused(bool paused) = 0;
    virtual void Seek(double seconds) = 0;
    virtual void SetVolume(int volume) = 0;  // 0 to 100
    virtual void SetMute(bool mute) = 0;
    // Gain of the left and right output channel, 0 to 1 each.
    virtual void SetChannelGains(double left, double right) = 0;
    // Both output channels play the mix of the source's channels.
    virtual void SetMonoMix() = 0;
    // Times the medium is played in a row (1 or more).
    virtual void SetPlayCount(int count) = 0;
    // A display option by name ("keepaspect", "panscan", "video-unscaled").
    virtual void SetVideoOption(const char* name, const char* value) = 0;
    // Playback speed, 1 for normal; it holds from one medium to the next.
    virtual void SetSpeed(double speed) = 0;
    // Subtitles drawn over the picture or hidden, for every medium.
    virtual void SetSubtitlesShown(bool shown) = 0;
    // Adds a subtitle file to the loaded medium; false when none is loaded
    // or `path` is not a regular file.
    virtual bool AddSubtitle(const std::string& path) = 0;
    // Saves the picture now shown as `path`; ScreenshotSaved follows. False
    // when no medium is loaded.
    virtual bool SaveScreenshot(const std::string& path) = 0;
    // Plays stream `id` of its kind; 0 turns the kind off.
    virtual void SelectTrack(MediaTrack::Kind kind, std::int64_t id) = 0;
    // Jumps to chapter `chapter` (from 0) of the loaded medium.
    virtual void SetChapter(int chapter) = 0;
    // Draws a message (UTF-8) over the picture for `milliseconds`, also in
    // full screen; false when no medium is loaded.
    virtual bool ShowText(const std::string& text, int milliseconds) = 0;

    virtual Phase CurrentPhase() const = 0;
    virtual const Text& Address() const = 0;
    virtual bool Paused() const = 0;
    // Loaded but not yet running: the first frames or a cache refill.
    virtual bool Buffering() const = 0;
    virtual int BufferPercent() const = 0;
    virtual int DownloadPercent() const = 0;
    // Seconds; 0 when unknown.
    virtual double Position() const = 0;
    virtual double Duration() const = 0;
    virtual int VideoWidth() const = 0;
    virtual int VideoHeight() const = 0;
    // The first metadata value under any of `keys` (any case); empty when none.
    virtual Text Metadata(std::initializer_list<const char*> keys) const = 0;
    // The container format's name ("mp3", "mov,mp4,m4a,..."); empty when unknown.
    virtual std::string FileFormat() const = 0;
    virtual int Volume() const = 0;
    virtual bool Muted() const = 0;
    virtual double Speed() const = 0;
    virtual bool SubtitlesShown() const = 0;
    // The subtitle line on screen now (UTF-8).
    virtual std::string SubtitleText() const = 0;
    // The streams and chapters of the loaded medium; empty without one.
    virtual std::vector<MediaTrack> Tracks() const = 0;
    virtual std::vector<MediaChapter> Chapters() const = 0;
    // The chapter playing (from 0); -1 when none.
    virtual int Chapter() const = 0;
    // Why the medium failed, in the engine's words; empty unless Failed.
    virtual std::string FailureReason() const = 0;

signals:
    // After every batch of events that may have changed what the player reports.
    void Changed();
    // The medium played to its end.
    void Ended();
    // The medium could not be opened or played, or broke off; `reason` says why.
    void Failed(const QString& reason);
    // The answer to SaveScreenshot: whether `path` was written.
    void ScreenshotSaved(const QString& path, bool ok);
};

}  // namespace lumora
