// SPDX-License-Identifier: GPL-3.0-or-later
// What makes a movie file the player movie the movie control can play.
//
// A player movie is an SWF file ("FWS", or "CWS" with a zlib-compressed body),
// version 8 or later, whose header length matches its uncompressed size,
// whose tag list parses to its End tag, and which holds a Metadata tag
// (code 77) containing kPlayerMovieMarker: the movie declares the call
// protocol the control then answers.
#pragma once

#include "base/Text.h"

namespace lumora {

inline constexpr const char* kPlayerMovieMarker = "lumora:player-movie-protocol/1";

bool IsPlayerMovie(const ByteSet& file);

}  // namespace lumora
