// SPDX-License-Identifier: GPL-3.0-or-later
// The items of a play list written as one address: the pieces between its
// ";" characters, in order.
#pragma once

#include "base/Text.h"
#include "resolve/PlayState.h"

#include <vector>

namespace lumora {

// Every piece for a list the user chose. A list that came from the network
// keeps only the pieces that a single network address may be (network
// streams, IsNetworkStreamAddress): a page or a service reply never makes
// the player open a local file, whatever it hides behind a ";".
std::vector<Text> PlaylistItems(const Text& address, AddressOrigin origin);

}  // namespace lumora
