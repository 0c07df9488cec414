// SPDX-License-Identifier: GPL-3.0-or-later
// A typed player that plays nothing: it logs every command it receives, in
// order, into a list a test shares between players ("flash open=ADDRESS",
// "player stop", ...), and answers reads from fields the test sets. The
// state is set as the engine's own code (`code`), which the player turns
// into the phase that code stands for.
#pragma once

#include "player/Player.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace lumora::test {

// Entries such as "flash open=http://a/b.flv" or "player stop" (UTF-8).
using CallLog = std::vector<std::string>;

// The entries of `log` that start with `prefix`.
std::vector<std::string> Entries(const CallLog& log, const std::string& prefix);

class RecordingPlayer : public Player {
public:
    // The numbering `code` is read in: the movie's (0 stopped, 1 buffering,
    // 2 paused, 3 playing, 4 loading, 5 failed) or the media player's (0
    // undefined, 1 stopped, 2 paused, 3 playing, 6 buffering, 8 ended, 9
    // transitioning, 10 ready: could not be opened).
    enum class Numbering { Movie, MediaPlayer };

    RecordingPlayer(CallLog& log, std::string name, Numbering numbering);

    std::function<void()> onOpen;  // runs when an address is opened
    int code = 0;
    Text url;
    std::map<std::string, Text> metadata;  // "title", "artist"
    std::string fileFormat;
    double duration = 0, position = 0;
    int width = 0, height = 0, buffer = 0, download = 0;
    bool muted = false;
    int volume = 100;
    double speed = 1;
    bool subtitlesShown = true;
    std::vector<MediaTrack> tracks;
    std::vector<MediaChapter> chapters;
    int chapter = -1;

    // Tells the watchers that something changed (as a real player does
    // after its engine's events).
    void Tell() { emit Changed(); }

    void Open(const Text& address) override;
    void Stop() override;
    void Restart() override;
    void SetPaused(bool paused) override;
    void Seek(double seconds) override;
    void SetVolume(int value) override;
    void SetMute(bool mute) override;
    void SetChannelGains(double left, double right) override;
    void SetMonoMix() override;
    void SetPlayCount(int count) override;
    void SetVideoOption(const char* option, const char* value) override;
    void SetSpeed(double value) override;
    void SetSubtitlesShown(bool shown) override;
    bool AddSubtitle(const std::string& path) override;
    bool SaveScreenshot(const std::string& path) override;
    void SelectTrack(MediaTrack::Kind kind, std::int64_t id) override;
    void SetChapter(int chapter) override;
    bool ShowText(const std::string& text, int milliseconds) override;

    Phase CurrentPhase() const override;
    const Text& Address() const override { return url; }
    bool Paused() const override;
    bool Buffering() const override;
    int BufferPercent() const override { return buffer; }
    int DownloadPercent() const override { return download; }
    double Position() const override { return position; }
    double Duration() const override { return duration; }
    int VideoWidth() const override { return width; }
    int VideoHeight() const override { return height; }
    Text Metadata(std::initializer_list<const char*> keys) const override;
    std::string FileFormat() const override { return fileFormat; }
    int Volume() const override { return volume; }
    bool Muted() const override { return muted; }
    double Speed() const override { return speed; }
    bool SubtitlesShown() const override { return subtitlesShown; }
    std::string SubtitleText() const override { return {}; }
    std::vector<MediaTrack> Tracks() const override { return tracks; }
    std::vector<MediaChapter> Chapters() const override { return chapters; }
    int Chapter() const override { return chapter; }
    std::string FailureReason() const override { return CurrentPhase() == Phase::Failed ? "failed" : ""; }

    // The name its log entries begin with.
    const std::string& Name() const { return name_; }

private:
    void Log(const std::string& entry) { log_.push_back(name_ + " " + entry); }
    bool IsMovie() const { return numbering_ == Numbering::Movie; }

    CallLog& log_;
    std::string name_;
    Numbering numbering_;
};

}  // namespace lumora::test
