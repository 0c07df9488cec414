// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/EngineStates.h"

namespace lumora {

MediaPlayerState MediaPlayerStateOf(const Player& player, bool& endReported) {
    switch (player.CurrentPhase()) {
        case Player::Phase::Empty:
            return MediaPlayerState::Undefined;
        case Player::Phase::Opening:
            return MediaPlayerState::Transitioning;
        case Player::Phase::Loaded:
            if (player.Paused()) return MediaPlayerState::Paused;
            return player.Buffering() ? MediaPlayerState::Buffering : MediaPlayerState::Playing;
        case Player::Phase::Ended:
            if (!endReported) {
                endReported = true;
                return MediaPlayerState::MediaEnded;
            }
            return MediaPlayerState::Stopped;
        case Player::Phase::Stopped:
            return MediaPlayerState::Stopped;
        case Player::Phase::Failed:
            return MediaPlayerState::Ready;
    }
    return MediaPlayerState::Undefined;
}

MovieState MovieStateOf(const Player& player) {
    switch (player.CurrentPhase()) {
        case Player::Phase::Opening:
            return MovieState::Loading;
        case Player::Phase::Loaded:
            if (player.Paused()) return MovieState::Paused;
            return player.Buffering() ? MovieState::Buffering : MovieState::Playing;
        case Player::Phase::Failed:
            return MovieState::Failed;
        default:
            return MovieState::Stopped;
    }
}

Text MovieInfoCode(const Player& player, bool urlGiven) {
    switch (player.CurrentPhase()) {
        case Player::Phase::Empty:
            return urlGiven ? "NetStream.Play.Stop" : "undefined";
        case Player::Phase::Opening:
            return "NetStream.Play.Start";
        case Player::Phase::Loaded:
            if (player.Paused()) return "NetStream.Pause.Notify";
            return player.Buffering() ? "NetStream.Buffer.Empty" : "NetStream.Buffer.Full";
        case Player::Phase::Ended:
        case Player::Phase::Stopped:
            return "NetStream.Play.Stop";
        case Player::Phase::Failed:
            return "NetStream.Play.StreamNotFound";
    }
    return "undefined";
}

}  // namespace lumora
