// SPDX-License-Identifier: GPL-3.0-or-later
// The requests of one stream probe, made on the calling thread through one
// libcurl handle that the session keeps, so the head probes and the Location
// lookups along a redirect chain share its connections: a chain that stays
// on one server uses one connection, as a browser following it would.
#pragma once

#include "base/Text.h"
#include "web/CurlHandles.h"

#include <chrono>
#include <cstddef>

namespace lumora {

class ProbeSession {
public:
    // The most of an answer a head probe keeps.
    static constexpr std::size_t kHeadBytes = 2048;

    ProbeSession();
    ProbeSession(const ProbeSession&) = delete;
    ProbeSession& operator=(const ProbeSession&) = delete;

    // SocketHeadProbe's exchange (the same request line and header lines)
    // on the session's connection: the status line, the header lines and the
    // body bytes that came with them, at most kHeadBytes, up to their first
    // zero byte. An answer that is no HTTP head counts as its bytes. Empty
    // when the address does not begin with "http://" (exact case), can't be
    // probed (ComposeSocketProbeRequest), nothing arrived, or `limit` passed
    // first. The body of an answer whose bytes say "Location" is read to its
    // end (so the connection serves the lookup that follows); any other
    // answer ends the transfer once its first body bytes are in, or soon
    // after its head when no body bytes follow it.
    Text Head(const Text& address, std::chrono::milliseconds limit);

    // RedirectTarget's lookup ("loca@": a GET without following, the value of
    // its Location header) on the session's connection, within `limit`.
    Text Location(const Text& address, std::chrono::milliseconds limit);

private:
    CurlEasy easy_;
};

}  // namespace lumora
