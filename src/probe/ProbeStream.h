// Where an address finally leads and what its server announces there.
//
// ProbeAddress gives the parts as a value. ProbeStream gives the same as the
// record text `lumora-cli probe` prints: a GBK text of tagged parts,
// "[Length]…[/Length]" and "[Type]…[/Type]" in the order of their lines in
// the head, then always "[File]final address[/File]" last.
#pragma once

#include "base/Text.h"

#include <chrono>
#include <vector>

namespace lumora {

struct ProbeLimits {
    std::chrono::milliseconds socketProbe{10'000};     // each SocketHeadProbe
    std::chrono::milliseconds redirectLookup{10'000};  // each RedirectTarget
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

StreamProbe ProbeAddress(const Text& address, const ProbeLimits& limits = {});
Text ProbeStream(const Text& address, const ProbeLimits& limits = {});

// The Length and Type parts of a response head, and as record text (no File part).
std::vector<HeadPart> HeadParts(const Text& head);
Text HeaderRecord(const Text& head);

}  // namespace lumora
