// SPDX-License-Identifier: GPL-3.0-or-later
// One libmpv player behind a control, driven from the GUI thread.
//
// Every request to mpv is asynchronous (mpv_command_async,
// mpv_set_property_async, mpv_get_property_async): a call into a core that is
// busy on the network never blocks the window. mpv's wakeup callback queues
// one call that drains every waiting event; the properties the controls
// report are observed and kept here, so each read is answered at once from
// the kept values.
//
// The session follows one medium at a time through its phases:
//   Empty    no address (before the first one, or after Unload)
//   Opening  the address was handed to mpv; the file is not loaded yet
//   Loaded   the file is loaded: playing, paused or waiting for data
//   Ended    played to its end
//   Stopped  stopped on request
//   Failed   could not be opened or played, or it broke off short of its
//            duration (a stream cut mid-way)
// Events of a medium that was replaced are recognised by mpv's playlist
// entry id and ignored.
#pragma once

#include "base/Text.h"
#include "platform/MediaTracks.h"
#include "platform/PlaybackOptions.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct mpv_handle;
struct mpv_event;

namespace lumora {

class WorkerChannel;

class VideoSurface;

// The address mpv is given for `address` (UTF-8), or empty when the address
// must not reach mpv: only the schemes a player opens pass (http, https,
// rtmp*, rtsp, mms*, file://) and local paths of regular files (made
// absolute, so "-" is a file and not standard input); mpv's own protocols
// (lavfi://, av://, memory://, edl://, fd://, ...), directories, pipes,
// devices, missing files and anything else are refused.
std::string PlayableTarget(const std::string& address);

class MpvSession : public QObject {
    Q_OBJECT
public:
    enum class Phase { Empty, Opening, Loaded, Ended, Stopped, Failed };

    explicit MpvSession(const PlaybackOptions& options, QObject* parent = nullptr);
    ~MpvSession() override;

    // Sessions made after DeferCoreStarts() make no core until
    // StartDeferredCores() (which starts theirs on a worker; calling it again
    // changes nothing) or their first Open (which starts it at once): the
    // program's window comes up first.
    static void DeferCoreStarts();
    static void StartDeferredCores();

    // False once the core could not be made; every medium then fails.
    bool Ready() const { return !coreFailed_; }
    // True once the core is there (CoreStarted was emitted).
    bool Started() const { return handle_ != nullptr; }
    // True when video goes through the render API into a VideoSurface.
    bool RendersVideo() const { return !options_.nullOutputs; }
    mpv_handle* Handle() const { return handle_; }

    // The surface that draws the video. Loads wait until it can render
    // (a hidden surface has no GL context yet), at most a short while.
    void AttachSurface(VideoSurface* surface);
    void SurfaceReady(bool ok);
    void SurfaceLost();

    // Opens and starts `address` (a refused address fails at once).
    void Open(const Text& address);
    // Stops playback; the address stays, Restart plays it again.
    void Stop();
    // Stops playback and forgets the address.
    void Unload();
    void Restart();
    void SetPaused(bool paused);
    void Seek(double seconds);
    void SetVolume(int volume);  // 0 to 100
    void SetMute(bool mute);
    // Gain of the left and right output channel, 0 to 1 each; the source is
    // mixed to stereo first, so mono media obey too.
    void SetChannelGains(double left, double right);
    // Both output channels play the mix of the source's channels.
    void SetMonoMix();
    // A display option by name ("keepaspect", "panscan", "video-unscaled").
    void SetVideoOption(const char* name, const char* value);
    // Times the medium is played in a row (1 or more).
    void SetPlayCount(int count);
    // Playback speed, 1 for normal; it holds from one medium to the next.
    void SetSpeed(double speed);
    // Subtitles drawn over the picture or hidden, for every medium.
    void SetSubtitlesShown(bool shown);
    // Adds a subtitle file to the loaded medium and selects it. False when
    // no medium is loaded or `path` is not a regular file.
    bool AddSubtitle(const std::string& path);
    // Plays stream `id` of its kind (mpv's number); 0 turns the kind off.
    // Nothing without a medium.
    void SelectTrack(MediaTrack::Kind kind, std::int64_t id);
    // Jumps to chapter `chapter` (counted from 0) of the loaded medium.
    void SetChapter(int chapter);
    // Saves the picture now shown, subtitles included, as `path` (the
    // extension names the format); ScreenshotSaved follows. False when no
    // medium is loaded.
    bool SaveScreenshot(const std::string& path);
    // Draws `text` (UTF-8, shown as it is) over the picture for
    // `milliseconds`; false when no medium is loaded.
    bool ShowText(const std::string& text, int milliseconds);

    Phase CurrentPhase() const { return phase_; }
    // Why the last medium failed (mpv's words, or the session's own); empty
    // while no medium has failed.
    const std::string& FailureReason() const { return failureReason_; }
    const Text& Address() const { return address_; }
    bool Paused() const { return paused_; }
    // Loaded but not yet running: the first frames or a cache refill.
    bool Buffering() const;
    int BufferPercent() const;
    int DownloadPercent() const;
    // Seconds; 0 when there is no position or duration. A live stream (a
    // network stream that can be seeked only within the cache) has none.
    double Position() const;
    double Duration() const;
    bool Live() const;
    int VideoWidth() const;
    int VideoHeight() const;
    // The first metadata value under any of `keys` (compared without regard
    // to case), as text; empty when none.
    Text Metadata(std::initializer_list<const char*> keys) const;
    // mpv's name of the container format ("mp3", "mov,mp4,m4a,...").
    const std::string& FileFormat() const;
    int Volume() const { return volume_; }
    bool Muted() const { return muted_; }
    double Speed() const { return speed_; }
    bool SubtitlesShown() const { return subtitlesShown_; }
    // The subtitle line on screen now (UTF-8); empty when none.
    const std::string& SubtitleText() const { return subtitleText_; }
    // The streams and chapters of the medium loaded now; empty otherwise.
    std::vector<MediaTrack> Tracks() const { return Active() ? tracks_ : std::vector<MediaTrack>{}; }
    std::vector<MediaChapter> Chapters() const { return Active() ? chapters_ : std::vector<MediaChapter>{}; }
    // The chapter playing (from 0); -1 when none.
    int Chapter() const { return Active() ? chapter_ : -1; }

signals:
    // The core is there; a surface can draw its video now.
    void CoreStarted();
    // After every batch of events that may have changed what the session reports.
    void Changed();
    // mpv's answer to SaveScreenshot: whether `path` was written.
    void ScreenshotSaved(const QString& path, bool ok);

private:
    bool Active() const { return phase_ == Phase::Loaded; }
    static mpv_handle* CreateCore(const PlaybackOptions& options);
    void AdoptCore(mpv_handle* handle);
    void StartCore();
    void StartCoreAside();
    static void Wakeup(void* context);
    void Drain();
    void HandleEvent(const mpv_event& event);
    void HandleProperty(std::uint64_t id, const void* data, int format);
    void ApplyEntryEvents();
    void IssueLoad();
    void CheckEnd();
    void CheckFirstFrame();
    void FinishAtEnd(double reached, bool reliable);
    void Fail(const char* reason);
    void Command(std::uint64_t tag, std::initializer_list<const char*> words);
    void SetString(const char* name, const std::string& value);
    void ResetMedia();
    void KeepInformation();
    void ForgetInformation();
    mpv_handle* CollectMadeCore();

    mpv_handle* handle_ = nullptr;
    PlaybackOptions options_;
    bool coreFailed_ = false;
    // A core being made on a worker: the worker leaves it in the slot.
    struct MadeCore;
    std::shared_ptr<MadeCore> coreComing_;
    std::unique_ptr<WorkerChannel> coreMaker_;
    // String properties set before the core was there, in order.
    std::vector<std::pair<std::string, std::string>> settingsBeforeCore_;
    bool surfaceReady_ = false;
    QPointer<VideoSurface> surface_;
    QTimer surfaceWait_;
    QTimer endPoll_;
    std::atomic<bool> drainQueued_{false};

    Phase phase_ = Phase::Empty;
    std::string failureReason_;
    std::string lastError_;  // mpv's last error message since the last Open
    bool detailWanted_ = false;  // the failure awaits mpv's words on it
    Text address_;
    std::string target_;        // what mpv is given for address_
    bool loadPending_ = false;  // waiting for the surface before loading
    bool localFile_ = false;
    std::uint64_t generation_ = 0;  // grows with every Open/Stop/Unload
    std::int64_t expectedEntry_ = -1;
    // The last entries mpv started, loaded, restarted and ended.
    std::int64_t startedEntry_ = -1;
    std::int64_t loadedEntry_ = -1;
    std::int64_t restartedEntry_ = -1;
    struct EntryEnd {
        std::int64_t entry = -1;
        int reason = 0;
        int error = 0;
        std::int64_t insertId = 0;
        int insertCount = 0;
    } lastEnd_;
    bool acceptNextStart_ = false;
    bool restarted_ = false;  // playback ran since the file loaded
    bool endCheckPending_ = false;
    bool videoLost_ = false;
    bool firstFrameSeen_ = false;  // options_.onFirstFrame ran for this medium

    bool paused_ = false;
    int volume_ = 100;
    bool muted_ = false;
    double speed_ = 1;
    bool subtitlesShown_ = true;
    int speedSetsPending_ = 0;  // our sets mpv has not answered yet
    int subVisibilitySetsPending_ = 0;
    std::string subtitleText_;
    std::vector<std::string> besideSubtitles_;  // added once the medium is loaded
    std::vector<MediaTrack> tracks_;
    std::vector<MediaChapter> chapters_;
    int chapter_ = -1;
    // Screenshots asked for and not yet answered, by their number.
    std::uint64_t screenshotNumber_ = 0;
    std::vector<std::pair<std::uint64_t, QString>> pendingScreenshots_;

    // Observed values, as mpv last reported them.
    double timePos_ = 0;
    std::optional<double> seekWhenLoaded_;  // asked for while opening
    double duration_ = 0;
    // What is known of a medium that ended or stopped.
    double keptDuration_ = 0;
    std::vector<std::pair<std::string, std::string>> keptMetadata_;
    std::string keptFileFormat_;
    bool pausedForCache_ = false;
    int cacheBuffering_ = 0;
    double cacheEnd_ = 0;
    bool cacheEof_ = false;
    int width_ = 0, height_ = 0;
    bool eofReached_ = false;
    bool partiallySeekable_ = false;  // seekable only within the cache
    std::string fileFormat_;
    std::vector<std::pair<std::string, std::string>> metadata_;
};

}  // namespace lumora
