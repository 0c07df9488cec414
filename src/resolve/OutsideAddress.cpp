// SPDX-License-Identifier: GPL-3.0-or-later
#include "resolve/OutsideAddress.h"

#include "resolve/AddressText.h"
#include "resolve/PrivateSchemes.h"
#include "web/NetworkAddress.h"

namespace lumora {

namespace {

constexpr std::size_t kLongest = 4096;

bool IsWebScheme(const Text& address) {
    const Text scheme = Scheme(address);
    return scheme == Text("http://") || scheme == Text("https://");
}

bool IsPrivateForm(const Text& address) {
    const Text scheme = Scheme(address);
    return IsNumberText(address) || scheme == Text("yyt://") || scheme == Text("quil://") ||
           scheme == Text("mp3://") || scheme == Text("qqmv://");
}

bool HoldsControlCharacters(const Text& address) {
    for (const unsigned char c : address.Bytes())
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

}  // namespace

bool MayPlayFromOutside(const Text& address) {
    if (address.Empty() || address.Length() > kLongest || HoldsControlCharacters(address)) return false;
    const bool web = IsWebScheme(address);
    if (!web && !IsPrivateForm(address)) return false;
    // The forms that ask services play only network streams they name.
    if (NeedsServices(address)) return true;
    const Resolution resolution = ResolveOpen(address);
    if (!resolution.play) return false;
    // A web address stays one; a private form must lead to a network stream
    // (a quil:// payload could name a file).
    return web ? IsWebScheme(resolution.address) : IsNetworkStreamAddress(resolution.address);
}

}  // namespace lumora
