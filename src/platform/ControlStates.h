// SPDX-License-Identifier: GPL-3.0-or-later
// The play states the two player controls report, by name. Over the by-name
// surface they travel as numbers: the media player control's "playState" and
// the movie's getPlayState callback; each numbering has one pair of
// conversions. A number outside a numbering converts to a value that names
// no state, and back to the same number.
#pragma once

namespace lumora {

// The media player control's play states.
enum class MediaPlayerState : int {
    Undefined = 0,
    Stopped = 1,
    Paused = 2,
    Playing = 3,
    ScanForward = 4,
    ScanReverse = 5,
    Buffering = 6,
    Waiting = 7,
    MediaEnded = 8,
    Transitioning = 9,
    Ready = 10,
    Reconnecting = 11,
};

constexpr int MediaPlayerStateCode(MediaPlayerState state) { return static_cast<int>(state); }
constexpr MediaPlayerState MediaPlayerStateFromCode(int code) { return static_cast<MediaPlayerState>(code); }

// The carried movie's play states.
enum class MovieState : int {
    Stopped = 0,
    Buffering = 1,
    Paused = 2,
    Playing = 3,
    Loading = 4,
    Failed = 5,
};

constexpr int MovieStateCode(MovieState state) { return static_cast<int>(state); }
constexpr MovieState MovieStateFromCode(int code) { return static_cast<MovieState>(code); }

}  // namespace lumora
