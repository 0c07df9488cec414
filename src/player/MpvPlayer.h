// SPDX-License-Identifier: GPL-3.0-or-later
// The player over one libmpv session whose picture draws into a host widget.
#pragma once

#include "player/Player.h"

#include <memory>

namespace lumora {

class MpvSession;
struct PlaybackOptions;

class MpvPlayer final : public Player {
    Q_OBJECT
public:
    // The session takes the process's playback options; unless its outputs
    // are null, its picture shows inside `host` once its core is there.
    explicit MpvPlayer(QWidget* host);
    // The same with options of its own (the tests' headless sessions).
    MpvPlayer(QWidget* host, const PlaybackOptions& options);
    ~MpvPlayer() override;

    MpvSession& Session() { return *session_; }

    void Open(const Text& address) override;
    void Stop() override;
    void Restart() override;
    void SetPaused(bool paused) override;
    void Seek(double seconds) override;
    void SetVolume(int volume) override;
    void SetMute(bool mute) override;
    void SetChannelGains(double left, double right) override;
    void SetMonoMix() override;
    void SetPlayCount(int count) override;
    void SetVideoOption(const char* name, const char* value) override;
    void SetSpeed(double speed) override;
    void SetSubtitlesShown(bool shown) override;
    bool AddSubtitle(const std::string& path) override;
    bool SaveScreenshot(const std::string& path) override;
    void SelectTrack(MediaTrack::Kind kind, std::int64_t id) override;
    void SetChapter(int chapter) override;
    bool ShowText(const std::string& text, int milliseconds) override;

    Phase CurrentPhase() const override;
    const Text& Address() const override;
    bool Paused() const override;
    bool Buffering() const override;
    int BufferPercent() const override;
    int DownloadPercent() const override;
    double Position() const override;
    double Duration() const override;
    int VideoWidth() const override;
    int VideoHeight() const override;
    Text Metadata(std::initializer_list<const char*> keys) const override;
    std::string FileFormat() const override;
    int Volume() const override;
    bool Muted() const override;
    double Speed() const override;
    bool SubtitlesShown() const override;
    std::string SubtitleText() const override;
    std::vector<MediaTrack> Tracks() const override;
    std::vector<MediaChapter> Chapters() const override;
    int Chapter() const override;
    std::string FailureReason() const override;

private:
    // A setting the player keeps changed: Changed follows.
    void TellSettingChanged();
    // The session reported a change: Ended or Failed when it reached either.
    void FollowSession();

    std::unique_ptr<MpvSession> session_;
    bool settingToldPending_ = false;
    Phase lastPhase_ = Phase::Empty;
};

}  // namespace lumora
