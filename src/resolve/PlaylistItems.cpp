// SPDX-License-Identifier: GPL-3.0-or-later
#include "resolve/PlaylistItems.h"

#include "web/NetworkAddress.h"

namespace lumora {

std::vector<Text> PlaylistItems(const Text& address, AddressOrigin origin) {
    std::vector<Text> items = address.Split(Text(";"));
    if (origin == AddressOrigin::Network)
        std::erase_if(items, [](const Text& item) { return !IsNetworkStreamAddress(item); });
    return items;
}

}  // namespace lumora
