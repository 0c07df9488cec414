// SPDX-License-Identifier: GPL-3.0-or-later
// How new player sessions reach the outside world: real video and sound
// devices, or the null outputs for runs without a display or sound card.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace lumora {

struct PlaybackOptions {
    // vo=null and ao=null: nothing is shown or heard, playback still runs.
    bool nullOutputs = false;
    // With the null outputs: play as fast as the decoder goes instead of in
    // real time (untimed=yes, ao-null-untimed=yes). For tests.
    bool untimed = false;
    // Further mpv options (name, value), applied after the ones above.
    std::vector<std::pair<std::string, std::string>> extraOptions;
    // Called on the GUI thread once per medium, as soon as its first video
    // frame has been decoded (mpv's first playback start of a loaded file
    // with a picture). For timing the way to the picture.
    std::function<void()> onFirstFrame;
};

// The options a new session starts with. Until SetPlaybackOptions is called,
// the null outputs are chosen when the Qt platform has no real display
// ("offscreen", "minimal") and the devices otherwise.
PlaybackOptions CurrentPlaybackOptions();
void SetPlaybackOptions(const PlaybackOptions& options);

}  // namespace lumora
