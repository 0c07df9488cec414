// The walk of the stream probe on the calling thread: the head of the
// address, then the redirects it names, one session (and so one connection
// per server) for the whole chain. Needs no event loop; ProbeStream runs it
// on a worker while its caller waits.
//
// The record is a GBK text of tagged parts: "[Length]…[/Length]" and
// "[Type]…[/Type]" in the order of their lines in the head, then always
// "[File]final address[/File]" last.
#pragma once

#include "base/Text.h"

#include <chrono>
#include <functional>

namespace lumora {

struct ProbeLimits {
    std::chrono::milliseconds socketProbe{10'000};     // each head probe
    std::chrono::milliseconds redirectLookup{10'000};  // each Location lookup
    int maxRedirects = 10;
};

// The record of `address` (percent-decoded first). Only "http://" addresses
// (exact case) are asked about; any other gives the File part alone.
// `reached`, when set, is told each address the walk moves on to.
Text WalkProbe(const Text& address, const ProbeLimits& limits = {},
               const std::function<void(const Text& address)>& reached = {});

// The Length and Type parts of a response head (no File part).
Text HeaderRecord(const Text& head);

}  // namespace lumora
