#include "probe/ProbeWalk.h"

#include "script/Codings.h"
#include "web/NetworkAddress.h"
#include "web/ProbeSession.h"

namespace lumora {

namespace {

// One tagged part for every line of `head` that names the header `name`
// (exact case), its value being the line without any spelling of the name.
void AppendParts(Text& record, const Text& line, const Text& name, const char* tag) {
    if (!line.Contains(name)) return;
    const Text value = line.ReplacedAll(name, Text(), /*ignoreCase=*/true).Trimmed();
    record += Text("[") + tag + "]" + value + "[/" + tag + "]";
}

// "Location" anywhere in the head, exact case: a Content-Location line counts too.
bool Redirects(const Text& head) { return head.Contains("Location"); }

}  // namespace

Text HeaderRecord(const Text& head) {
    Text record;
    // The head is one raw read, so body lines after the blank line are scanned as well.
    for (const Text& line : head.Split("\r\n")) {
        AppendParts(record, line, "Content-Length:", "Length");
        AppendParts(record, line, "Content-Type:", "Type");
    }
    return record;
}

Text WalkProbe(const Text& address, const ProbeLimits& limits, const std::function<void(const Text&)>& reached) {
    Text current = UriDecode(address);
    if (current.Left(7) != Text("http://") || limits.socketProbe.count() <= 0)
        return HeaderRecord(Text()) + "[File]" + current + "[/File]";
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
    return HeaderRecord(head) + "[File]" + current + "[/File]";
}

}  // namespace lumora
