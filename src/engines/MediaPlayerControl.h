// SPDX-License-Identifier: GPL-3.0-or-later
// The media player control: the stand-in of the media player control,
// reached by member name and played by one typed player.
//
// Members of the player object:
//   "URL"            write: opens the address and starts it (empty: unloads);
//                    read (also as "Url"): the address
//   "playState"      0 before any medium, 9 while opening, 6 while waiting
//                    for data, 3 playing, 2 paused, 8 once at the end and 1
//                    after it, 1 after stop, 10 when the medium cannot be
//                    opened or broke off
//   "controls"       play, pause, stop, next, previous, currentPosition
//                    (read and write, seconds), currentPositionString
//   "Settings"       volume (0-100), mute, balance (-100 left to 100 right),
//                    playCount
//   "currentMedia"   duration, durationString, getItemInfo("Title",
//                    "Author", "FileType", "SourceURL"), imageSourceWidth,
//                    imageSourceHeight; no object while no address is set
//   "network"        bufferingprogress, downloadProgress (percent)
//   "uiMode", "fullScreen", "enableContextMenu", "StretchToFit"
// Each read of a sub-object gives a new object. It refers to the player
// weakly: once the player is gone, every member of it fails.
// Time strings: "mm:ss" below an hour, "hh:mm:ss" from an hour on.
#pragma once

#include "platform/MediaTexts.h"

#include "platform/Automation.h"
#include "player/Player.h"

#include <memory>

namespace lumora {

class MediaPlayerControl : public MemberTable {
public:
    explicit MediaPlayerControl(std::unique_ptr<Player> player);
    ~MediaPlayerControl() override;

    Player& Engine();

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace lumora
