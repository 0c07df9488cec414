// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingPlayer.h"

#include "base/NumberText.h"

namespace lumora::test {

namespace {

std::string Number(double value) { return NumberText(value).ToUtf8(); }

}  // namespace

std::vector<std::string> Entries(const CallLog& log, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& entry : log)
        if (entry.starts_with(prefix)) found.push_back(entry);
    return found;
}

RecordingPlayer::RecordingPlayer(CallLog& log, std::string name, Numbering numbering)
    : log_(log), name_(std::move(name)), numbering_(numbering) {}

void RecordingPlayer::Open(const Text& address) {
    url = address;
    Log("open=" + address.ToUtf8());
    if (IsMovie())
        code = address.Empty() ? 0 : 4;  // loading at once
    else
        code = address.Empty() ? 0 : 9;  // transitioning at once
    if (onOpen) onOpen();
}

void RecordingPlayer::Stop() {
    Log("stop");
    if (IsMovie())
        code = 0;
    else if (code != 0)
        code = 1;
}

void RecordingPlayer::Restart() {
    Log("restart");
    code = IsMovie() ? 4 : 3;
}

void RecordingPlayer::SetPaused(bool paused) {
    Log(std::string("pause=") + (paused ? "1" : "0"));
    if (CurrentPhase() == Phase::Loaded) code = paused ? 2 : 3;
}

void RecordingPlayer::Seek(double seconds) { Log("seek=" + Number(seconds)); }

void RecordingPlayer::SetVolume(int value) {
    volume = value;
    Log("volume=" + std::to_string(value));
}

void RecordingPlayer::SetMute(bool mute) {
    muted = mute;
    Log(std::string("mute=") + (mute ? "1" : "0"));
}

void RecordingPlayer::SetChannelGains(double left, double right) {
    Log("gains=" + Number(left) + "," + Number(right));
}

void RecordingPlayer::SetMonoMix() { Log("mono"); }

void RecordingPlayer::SetPlayCount(int count) { Log("playCount=" + std::to_string(count)); }

void RecordingPlayer::SetVideoOption(const char* option, const char* value) {
    Log(std::string("option ") + option + "=" + value);
}

void RecordingPlayer::SetSpeed(double value) {
    speed = value;
    Log("speed=" + Number(value));
}

void RecordingPlayer::SetSubtitlesShown(bool shown) {
    subtitlesShown = shown;
    Log(std::string("subtitles=") + (shown ? "1" : "0"));
}

bool RecordingPlayer::AddSubtitle(const std::string& path) {
    Log("subtitle=" + path);
    return CurrentPhase() == Phase::Loaded;
}

bool RecordingPlayer::SaveScreenshot(const std::string& path) {
    Log("screenshot=" + path);
    return CurrentPhase() == Phase::Loaded;
}

void RecordingPlayer::SelectTrack(MediaTrack::Kind kind, std::int64_t id) {
    const char* name = kind == MediaTrack::Kind::Audio ? "audio" : kind == MediaTrack::Kind::Subtitle ? "sub" : "video";
    Log(std::string("track ") + name + "=" + std::to_string(id));
}

void RecordingPlayer::SetChapter(int value) { Log("chapter=" + std::to_string(value)); }

bool RecordingPlayer::ShowText(const std::string& text, int milliseconds) {
    Log("osd=" + text + " for " + std::to_string(milliseconds));
    return CurrentPhase() == Phase::Loaded;
}

Player::Phase RecordingPlayer::CurrentPhase() const {
    if (IsMovie()) {
        switch (code) {
            case 1:
            case 2:
            case 3:
                return Phase::Loaded;
            case 4:
                return Phase::Opening;
            case 5:
                return Phase::Failed;
            default:
                return url.Empty() ? Phase::Empty : Phase::Stopped;
        }
    }
    switch (code) {
        case 1:
            return Phase::Stopped;
        case 2:
        case 3:
        case 6:
            return Phase::Loaded;
        case 8:
            return Phase::Ended;
        case 9:
            return Phase::Opening;
        case 10:
            return Phase::Failed;
        default:
            return Phase::Empty;
    }
}

bool RecordingPlayer::Paused() const { return code == 2; }

bool RecordingPlayer::Buffering() const { return IsMovie() ? code == 1 : code == 6; }

Text RecordingPlayer::Metadata(std::initializer_list<const char*> keys) const {
    for (const char* key : keys)
        if (const auto found = metadata.find(key); found != metadata.end() && !found->second.Empty())
            return found->second;
    return {};
}

}  // namespace lumora::test
