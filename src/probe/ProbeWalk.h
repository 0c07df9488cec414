// SPDX-License-Identifier: GPL-3.0-or-later
// The walk of the stream probe on the calling thread: the head of the
// address, then the redirects it names, one session (and so one connection
// per server) for the whole chain. Needs no event loop; ProbeAddress runs it
// on a worker while its caller waits.
//
// The record text (`lumora-cli probe` prints it) is a GBK text of tagged
// parts, "[Length]…[/Length]" and "[Type]…[/Type]" in the order of their
// lines in the head, then always "[File]final address[/File]" last.
#pragma once

#include "base/Text.h"

#include <chrono>
#include <functional>
#include <vector>

namespace lumora {

struct ProbeLimits {
    std::chrono::milliseconds socketProbe{10'000};     // each head probe
    std::chrono::milliseconds redirectLookup{10'000};  // each Location lookup
    int maxRedirects = 10;
};

// One Content-Length or Content-Type line of a response head.
struct HeadPart {
    enum class Kind { Length, Type } kind;
    Text value;  // the line without the header's name, trimmed
};

struct StreamProbe {
    std::vector<HeadPart> parts;  // the final head's parts, in the order of its lines
    Text finalAddress;            // where the redirects led; empty when nothing answered

    // The value of the first Content-Type line; empty when there is none.
    Text FirstType() const;
    // The tagged record text.
    Text Record() const;
};

// The probe of `address` (percent-decoded first). Only "http://" addresses
// (exact case) are asked about; any other gives its decoded self as the
// final address and no parts. `reached`, when set, is told each address the
// walk moves on to.
StreamProbe WalkProbe(const Text& address, const ProbeLimits& limits = {},
                      const std::function<void(const Text& address)>& reached = {});

// The Length and Type parts of a response head, and as record text (no File part).
std::vector<HeadPart> HeadParts(const Text& head);
Text HeaderRecord(const Text& head);

}  // namespace lumora
