// SPDX-License-Identifier: GPL-3.0-or-later
// The response head of an "http://" address, read over a plain TCP socket:
// one hand-built GET, one read of at most 2048 bytes, on a worker thread
// while the caller keeps handling its events.
#pragma once

#include "base/Text.h"
#include "web/SocketProbeRequest.h"

#include <chrono>
#include <cstddef>

namespace lumora {

// The bytes received, up to their first zero byte; empty when the address
// does not begin with "http://" (exact case), on any failure, and when the
// time limit (counted from the start of the wait) passed.
Text SocketHeadProbe(const Text& address, std::chrono::milliseconds limit = std::chrono::seconds(10));

// How many probe workers this process has started (for tests: an address
// turned away up front starts none).
std::size_t SocketHeadProbeWorkersStarted();

}  // namespace lumora
