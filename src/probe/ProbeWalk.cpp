// SPDX-License-Identifier: GPL-3.0-or-later
#include "probe/ProbeWalk.h"

#include "script/Codings.h"
#include "web/NetworkAddress.h"
#include "web/ProbeSession.h"

namespace lumora {

namespace {

// One part for every line of `head` that names the header `name` (exact
// case), its value being the line without any spelling of the name.
void AppendPart(std::vector<HeadPart>& parts, const Text& line, const Text& name, HeadPart::Kind kind) {
    if (!line.Contains(name)) return;
    parts.push_back({kind, line.ReplacedAll(name, Text(), /*ignoreCase=*/true).Trimmed()});
}

Text PartsRecord(const std::vector<HeadPart>& parts) {
    Text record;
    for (const HeadPart& part : parts) {
        const char* tag = part.kind == HeadPart::Kind::Length ? "Length" : "Type";
        record += Text("[") + tag + "]" + part.value + "[/" + tag + "]";
    }
    return record;
}

// "Location" anywhere in the head, exact case: a Content-Location line counts too.
bool Redirects(const Text& head) { return head.Contains("Location"); }

}  // namespace

std::vector<HeadPart> HeadParts(const Text& head) {
    std::vector<HeadPart> parts;
    // The head is the first bytes of the answer, so body lines after the blank line are scanned as well.
    for (const Text& line : head.Split("\r\n")) {
        AppendPart(parts, line, "Content-Length:", HeadPart::Kind::Length);
        AppendPart(parts, line, "Content-Type:", HeadPart::Kind::Type);
    }
    return parts;
}

Text HeaderRecord(const Text& head) { return PartsRecord(HeadParts(head)); }

Text StreamProbe::FirstType() const {
    for (const HeadPart& part : parts)
        if (part.kind == HeadPart::Kind::Type) return part.value;
    return Text();
}

Text StreamProbe::Record() const { return PartsRecord(parts) + "[File]" + finalAddress + "[/File]"; }

StreamProbe WalkProbe(const Text& address, const ProbeLimits& limits,
                      const std::function<void(const Text&)>& reached) {
    Text current = UriDecode(address);
    if (current.Left(7) != Text("http://") || limits.socketProbe.count() <= 0) return {{}, current};
    ProbeSession session;
    Text head = session.Head(current, limits.socketProbe);
    // An empty lookup result empties `current`; its probe is empty too, which ends the loop.
    for (int hop = 0; hop < limits.maxRedirects && Redirects(head); ++hop) {
        const Text location = session.Location(current, limits.redirectLookup);
        if (location.Empty()) {
            current = location;
        } else {
            // A server names only web addresses: a relative Location counts from
            // the address it came from, and a local file or another scheme ends
            // the probe at the last web address.
            const Text next = ResolveWebReference(current, location);
            if (next.Empty()) break;
            current = next;
        }
        if (reached) reached(current);
        head = session.Head(current, limits.socketProbe);
    }
    return {HeadParts(head), current};
}

}  // namespace lumora
