// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/MediaPlayerEngine.h"
#include "engines/EngineStates.h"

#include "base/NumberText.h"
#include "platform/MediaTexts.h"

#include <algorithm>

namespace lumora {

namespace {

Text OrNoTime(Text time) {
    if (time.Empty()) return "00:00";
    return time;
}

// Whether the player has a medium to answer about (the media object exists
// only while an address is loaded).
bool HasMedium(const Player& player) { return !player.Address().Empty(); }

bool Active(const Player& player) {
    return player.CurrentPhase() == Player::Phase::Opening || player.CurrentPhase() == Player::Phase::Loaded;
}

}  // namespace

bool MediaPlayerEngine::Create(QWidget* parent, int left, int top, int width, int height,
                               const RightClickHandler& handler) {
    if (!CreatePlayerHost(parent, left, top, width, height)) return false;
    SetUpControl(handler);
    return true;
}

void MediaPlayerEngine::SetUpControl(const RightClickHandler& handler) {
    SetStretchToFit(1);
    SetVolume(100);
    if (QWidget* host = HostWindow()) SubclassTree(host, handler);
}

void MediaPlayerEngine::SetUrl(const Text& address) {
    Player* player = Engine();
    if (!player) return;
    endReported_ = false;
    player->Open(address);
}

MediaPlayerState MediaPlayerEngine::PlayState() {
    const Player* player = Engine();
    return player ? MediaPlayerStateOf(*player, endReported_) : MediaPlayerState::Undefined;
}

bool MediaPlayerEngine::TogglePlay() {
    Player* player = Engine();
    if (!player) return false;
    if (Url().Empty()) {
        // Stop took the medium away (swf): load it again.
        SetUrl(savedUrl);
        return true;
    }
    if (PlayState() == MediaPlayerState::Playing) {
        if (Active(*player)) player->SetPaused(true);
        return true;
    }
    if (Active(*player)) {
        player->SetPaused(false);
    } else if (player->CurrentPhase() != Player::Phase::Empty) {
        endReported_ = false;
        player->Restart();
    }
    return false;
}

void MediaPlayerEngine::Stop() {
    Player* player = Engine();
    if (!player) return;
    player->Stop();
    // A swf medium is unloaded on stop; TogglePlay loads it again from savedUrl.
    if (FileType() == "swf") {
        savedUrl = Url();
        SetUrl(Text());
    }
}

void MediaPlayerEngine::SetVolume(int volume) {
    if (Player* player = Engine()) player->SetVolume(std::clamp(volume, 0, 100));
}

bool MediaPlayerEngine::ToggleMute() {
    Player* player = Engine();
    if (!player) return false;
    const bool muting = !player->Muted();
    player->SetMute(muting);
    return muting;
}

Text MediaPlayerEngine::PositionString() {
    const Player* player = Engine();
    if (!player || player->CurrentPhase() != Player::Phase::Loaded) return OrNoTime(Text());
    return OrNoTime(ClockText(player->Position()));
}

Text MediaPlayerEngine::DurationString() {
    const Player* player = Engine();
    if (!player || !HasMedium(*player) || player->Duration() <= 0) return OrNoTime(Text());
    return ClockText(player->Duration());
}

void MediaPlayerEngine::SetStretchToFit(int flag) {
    stretchToFit_ = flag == 1;
    if (Player* player = Engine()) player->SetVideoOption("video-unscaled", stretchToFit_ ? "no" : "downscale-big");
}

double MediaPlayerEngine::Duration() {
    const Player* player = Engine();
    return player && HasMedium(*player) ? player->Duration() : 0;
}

double MediaPlayerEngine::Position() {
    const Player* player = Engine();
    return player ? player->Position() : 0;
}

void MediaPlayerEngine::SetPosition(int seconds) {
    if (Player* player = Engine()) player->Seek(seconds);
}

Text MediaPlayerEngine::TimeText() {
    const Text duration = DurationString();
    const Text position = PositionString();
    // Below an hour the player writes two fields; from an hour on three.
    // A medium of an hour or more shows its early position with hours too.
    if (duration.Split(":").size() != 2 && position.Split(":").size() == 2) return "00:" + position + "/" + duration;
    return position + "/" + duration;
}

int MediaPlayerEngine::BufferingProgress() {
    const Player* player = Engine();
    return player ? player->BufferPercent() : 0;
}

Text MediaPlayerEngine::Url() {
    const Player* player = Engine();
    return player ? player->Address() : Text();
}

Text MediaPlayerEngine::Title() {
    const Player* player = Engine();
    return player && HasMedium(*player) ? player->Metadata({"title", "icy-title"}) : Text();
}

Text MediaPlayerEngine::Author() {
    const Player* player = Engine();
    return player && HasMedium(*player) ? player->Metadata({"artist", "author", "album_artist"}) : Text();
}

int MediaPlayerEngine::SetBalance(int channel) {
    static const int balances[] = {0, -100, 100};
    if (channel < 0 || channel > 2) return 0;
    if (Player* player = Engine()) {
        const int balance = balances[channel];
        const double left = balance > 0 ? (100 - balance) / 100.0 : 1.0;
        const double right = balance < 0 ? (100 + balance) / 100.0 : 1.0;
        player->SetChannelGains(left, right);
    }
    return channel;
}

// One medium at a time: the player itself has no next or previous item.
void MediaPlayerEngine::Next() {}

void MediaPlayerEngine::Previous() {}

int MediaPlayerEngine::DownloadProgress() {
    const Player* player = Engine();
    return player ? player->DownloadPercent() : 0;
}

Text MediaPlayerEngine::FileType() {
    const Player* player = Engine();
    if (!player || !HasMedium(*player)) return {};
    return MediaFileType(player->Address(), player->FileFormat()).Lower();
}

void MediaPlayerEngine::SetPlayCount(int count) {
    playCount_ = std::max(1, count);
    if (Player* player = Engine()) player->SetPlayCount(playCount_);
}

double MediaPlayerEngine::ImageWidth() {
    const Player* player = Engine();
    return player && HasMedium(*player) ? player->VideoWidth() : 0;
}

int MediaPlayerEngine::ImageHeight() {
    const Player* player = Engine();
    return player && HasMedium(*player) ? player->VideoHeight() : 0;
}

}  // namespace lumora
