// SPDX-License-Identifier: GPL-3.0-or-later
// The names of the playback states and of the two engines.
#pragma once

namespace lumora {

// What MediaFront reports, whichever engine plays, in the status bar's
// order.
enum class PlayState { Stopped, Buffering, Paused, Playing, Loading, Failed, Connecting };

// The status bar's text of each state ("播放已停止", "正在缓冲中,请稍后...", …).
const char* PlayStateText(PlayState state);

// The two playback engines MediaFront holds.
enum class Engine { Flash, Player };

// Who chose an address: the user (a typed address, a file, the command line,
// a handoff) or the network (a detail page, a service reply). A play list
// from the network holds only network streams: its other items are dropped.
enum class AddressOrigin { User, Network };

// The engine a caller asks Play for; Choose lets the address decide.
enum class EngineRequest { Choose, Player, Flash };

// 0 choose, 1 the media player, 2 Flash: the number lumora-cli resolve
// prints.
int EngineRequestCode(EngineRequest request);

}  // namespace lumora
