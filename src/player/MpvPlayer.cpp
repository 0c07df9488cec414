// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/MpvPlayer.h"

#include "platform/MpvSession.h"
#include "platform/PlaybackOptions.h"
#include "platform/VideoSurface.h"

#include <QWidget>

namespace lumora {

MpvPlayer::MpvPlayer(QWidget* host) : MpvPlayer(host, CurrentPlaybackOptions()) {}

MpvPlayer::MpvPlayer(QWidget* host, const PlaybackOptions& options)
    : Player(host), session_(std::make_unique<MpvSession>(options)) {
    MpvSession* session = session_.get();
    connect(session, &MpvSession::Changed, this, &MpvPlayer::FollowSession);
    connect(session, &MpvSession::ScreenshotSaved, this, &Player::ScreenshotSaved);
    if (!host || !session->RendersVideo()) return;
    // A core started late gets its surface when it arrives.
    if (session->Started())
        new VideoSurface(session, host);
    else
        connect(
            session, &MpvSession::CoreStarted, host, [session, host] { new VideoSurface(session, host); },
            Qt::SingleShotConnection);
}

MpvPlayer::~MpvPlayer() = default;

void MpvPlayer::FollowSession() {
    const Phase phase = CurrentPhase();
    const bool reached = phase != lastPhase_;
    lastPhase_ = phase;
    emit Changed();
    if (reached && phase == Phase::Ended) emit Ended();
    if (reached && phase == Phase::Failed) emit Failed(QString::fromStdString(session_->FailureReason()));
}

void MpvPlayer::TellSettingChanged() {
    // Later, once: the caller may be in the middle of an operation, and
    // several settings often change together.
    if (settingToldPending_) return;
    settingToldPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            settingToldPending_ = false;
            emit Changed();
        },
        Qt::QueuedConnection);
}

void MpvPlayer::Open(const Text& address) {
    lastPhase_ = Phase::Opening;  // a new medium ends or fails on its own
    if (address.Empty())
        session_->Unload();
    else
        session_->Open(address);
}

void MpvPlayer::Stop() { session_->Stop(); }
void MpvPlayer::Restart() {
    lastPhase_ = Phase::Opening;
    session_->Restart();
}
void MpvPlayer::SetPaused(bool paused) { session_->SetPaused(paused); }
void MpvPlayer::Seek(double seconds) { session_->Seek(seconds); }
void MpvPlayer::SetVolume(int volume) {
    session_->SetVolume(volume);
    TellSettingChanged();
}
void MpvPlayer::SetMute(bool mute) {
    session_->SetMute(mute);
    TellSettingChanged();
}
void MpvPlayer::SetChannelGains(double left, double right) { session_->SetChannelGains(left, right); }
void MpvPlayer::SetMonoMix() { session_->SetMonoMix(); }
void MpvPlayer::SetPlayCount(int count) { session_->SetPlayCount(count); }
void MpvPlayer::SetVideoOption(const char* name, const char* value) { session_->SetVideoOption(name, value); }
void MpvPlayer::SetSpeed(double speed) {
    session_->SetSpeed(speed);
    TellSettingChanged();
}
void MpvPlayer::SetSubtitlesShown(bool shown) {
    session_->SetSubtitlesShown(shown);
    TellSettingChanged();
}
bool MpvPlayer::AddSubtitle(const std::string& path) { return session_->AddSubtitle(path); }
bool MpvPlayer::SaveScreenshot(const std::string& path) { return session_->SaveScreenshot(path); }
void MpvPlayer::SelectTrack(MediaTrack::Kind kind, std::int64_t id) { session_->SelectTrack(kind, id); }
void MpvPlayer::SetChapter(int chapter) { session_->SetChapter(chapter); }

bool MpvPlayer::ShowText(const std::string& text, int milliseconds) { return session_->ShowText(text, milliseconds); }

Player::Phase MpvPlayer::CurrentPhase() const {
    switch (session_->CurrentPhase()) {
        case MpvSession::Phase::Empty:
            return Phase::Empty;
        case MpvSession::Phase::Opening:
            return Phase::Opening;
        case MpvSession::Phase::Loaded:
            return Phase::Loaded;
        case MpvSession::Phase::Ended:
            return Phase::Ended;
        case MpvSession::Phase::Stopped:
            return Phase::Stopped;
        case MpvSession::Phase::Failed:
            return Phase::Failed;
    }
    return Phase::Empty;
}

const Text& MpvPlayer::Address() const { return session_->Address(); }
bool MpvPlayer::Paused() const { return session_->Paused(); }
bool MpvPlayer::Buffering() const { return session_->Buffering(); }
int MpvPlayer::BufferPercent() const { return session_->BufferPercent(); }
int MpvPlayer::DownloadPercent() const { return session_->DownloadPercent(); }
double MpvPlayer::Position() const { return session_->Position(); }
double MpvPlayer::Duration() const { return session_->Duration(); }
int MpvPlayer::VideoWidth() const { return session_->VideoWidth(); }
int MpvPlayer::VideoHeight() const { return session_->VideoHeight(); }
Text MpvPlayer::Metadata(std::initializer_list<const char*> keys) const { return session_->Metadata(keys); }
std::string MpvPlayer::FileFormat() const { return session_->FileFormat(); }
int MpvPlayer::Volume() const { return session_->Volume(); }
bool MpvPlayer::Muted() const { return session_->Muted(); }
double MpvPlayer::Speed() const { return session_->Speed(); }
bool MpvPlayer::SubtitlesShown() const { return session_->SubtitlesShown(); }
std::string MpvPlayer::SubtitleText() const { return session_->SubtitleText(); }
std::vector<MediaTrack> MpvPlayer::Tracks() const { return session_->Tracks(); }
std::vector<MediaChapter> MpvPlayer::Chapters() const { return session_->Chapters(); }
int MpvPlayer::Chapter() const { return session_->Chapter(); }
std::string MpvPlayer::FailureReason() const {
    return CurrentPhase() == Phase::Failed ? session_->FailureReason() : std::string();
}

}  // namespace lumora
