// SPDX-License-Identifier: GPL-3.0-or-later
// Addresses that come from the network: a server's Location, a detail page,
// a service reply. Only the user picks local files, so such an address is
// taken only when it names a network stream.
#pragma once

#include "base/Text.h"

namespace lumora {

// True for http and https addresses and for the stream schemes the player
// knows (rtmp and its variants, mms, rtsp), letters in any case. A path, a
// file address or any other scheme is false.
bool IsNetworkStreamAddress(const Text& address);

// `location` resolved against `base` as a browser resolves a reference
// (RFC 3986): absolute, relative to the host or to the path. Empty when the
// result is not an http or https address or either text does not parse.
Text ResolveWebReference(const Text& base, const Text& location);

}  // namespace lumora
