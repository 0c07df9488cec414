// SPDX-License-Identifier: GPL-3.0-or-later
// The request a socket head probe sends, and where it sends it.
#pragma once

#include "base/Text.h"

#include <optional>

namespace lumora {

// Where a probe of `address` connects and the exact request it sends there.
struct SocketProbeRequest {
    Text server;  // dotted IPv4 address
    int port = 0;
    Text target;   // of the request line
    Text headers;  // the header lines, each ending in CR LF
    Text request;  // "GET target HTTP/1.1", the header lines and the blank line
};
// Empty when the address can't be probed: its first seven characters are
// not "http://" in any letter case, it holds control characters, its host
// does not resolve or its port is not 1 to 65535.
std::optional<SocketProbeRequest> ComposeSocketProbeRequest(const Text& address);

// The text of the first IPv4 address of a host name (or the dotted address
// itself); empty when it does not resolve.
Text ResolveIpv4(const Text& host);

}  // namespace lumora
