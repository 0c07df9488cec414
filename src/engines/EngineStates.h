// SPDX-License-Identifier: GPL-3.0-or-later
// The state of a typed player in the numbering each engine reports it in:
// one table per numbering, shared by the engine and its by-name control.
#pragma once

#include "base/Text.h"
#include "platform/ControlStates.h"
#include "player/Player.h"

namespace lumora {

// The media player's state. The first read of an ended medium gives
// MediaEnded and sets `endReported`; later reads give Stopped.
MediaPlayerState MediaPlayerStateOf(const Player& player, bool& endReported);

// The carried movie's state (getPlayState).
MovieState MovieStateOf(const Player& player);

// The carried movie's info code (getInfoCode). `urlGiven`: an address was
// set since the movie loaded.
Text MovieInfoCode(const Player& player, bool urlGiven);

}  // namespace lumora
