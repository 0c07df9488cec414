// SPDX-License-Identifier: GPL-3.0-or-later
// The player movie the program carries inside itself: a small compressed SWF
// whose metadata declares the call protocol of the movie control. It is made
// by scripts/make-player-movie.py and embedded as a Qt resource.
#pragma once

#include "base/Text.h"

class QString;

namespace lumora {

// The movie's bytes, exactly as carried.
const ByteSet& CarriedMovie();

// Puts the carried movie at `path`: a file already there is deleted first;
// if it can't be deleted it stays as it is and is not overwritten. True when
// the carried movie was written.
bool WriteCarriedMovie(const QString& path);

}  // namespace lumora
