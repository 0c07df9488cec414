// The response head of an "http://" address, read over a plain TCP socket:
// one hand-built GET, one read of at most 2048 bytes, on a worker thread
// while the caller keeps handling its events.
#pragma once

#include "base/Text.h"

#include <chrono>
#include <cstddef>
#include <optional>

namespace lumora {

// The bytes received, up to their first zero byte; empty when the address
// does not begin with "http://" (exact case), on any failure, and when the
// time limit (counted from the start of the wait) passed.
Text SocketHeadProbe(const Text& address, std::chrono::milliseconds limit = std::chrono::seconds(10));

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

// How many probe workers this process has started (for tests: an address
// turned away up front starts none).
std::size_t SocketHeadProbeWorkersStarted();

}  // namespace lumora
