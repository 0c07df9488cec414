// Where an address finally leads and what its server announces there.
//
// The record is a GBK text of tagged parts: "[Length]…[/Length]" and
// "[Type]…[/Type]" in the order of their lines in the head, then always
// "[File]final address[/File]" last.
#pragma once

#include "base/Text.h"

#include <chrono>

namespace lumora {

struct ProbeLimits {
    std::chrono::milliseconds socketProbe{10'000};     // each SocketHeadProbe
    std::chrono::milliseconds redirectLookup{10'000};  // each RedirectTarget
    int maxRedirects = 10;
};

Text ProbeStream(const Text& address, const ProbeLimits& limits = {});
// The Length and Type parts of a response head (no File part).
Text HeaderRecord(const Text& head);

}  // namespace lumora
