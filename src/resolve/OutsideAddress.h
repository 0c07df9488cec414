// SPDX-License-Identifier: GPL-3.0-or-later
// Addresses that other programs ask the player to play (the desktop's media
// controls): only the user chooses local files, so another program may name
// web addresses and the private forms that lead to network streams, never a
// local file, a file:// address or any other scheme.
#pragma once

#include "base/Text.h"

namespace lumora {

// True for an http or https address, and for a private form (PrivateSchemes.h)
// that resolves to a network stream or asks the services (whose answers are
// network streams only). Control characters, an empty text and texts over
// 4 KiB are refused. Asks no service.
bool MayPlayFromOutside(const Text& address);

}  // namespace lumora
