#include "probe/ProbeStream.h"

#include "script/Codings.h"
#include "web/NetworkAddress.h"
#include "threads/ThreadControl.h"
#include "web/ProbeSession.h"

#include <algorithm>
#include <memory>
#include <mutex>

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

// How long the caller waits past the sum of the step limits: curl's own
// time-outs may overrun them a little.
constexpr std::chrono::milliseconds kWorkerMargin{1000};

// What the caller and the worker share; the worker holds it by reference
// count too, so one that outlives its caller writes into a live object.
struct ProbeExchange {
    std::mutex mutex;
    Text current;  // the address reached so far
    Text record;   // the result, once the worker is done
};

int WalkChain(const std::shared_ptr<ProbeExchange>& exchange, const ProbeLimits& limits) {
    ProbeSession session;
    Text current;
    {
        std::lock_guard lock(exchange->mutex);
        current = exchange->current;
    }
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
        {
            std::lock_guard lock(exchange->mutex);
            exchange->current = current;
        }
        head = session.Head(current, limits.socketProbe);
    }
    std::lock_guard lock(exchange->mutex);
    exchange->record = HeaderRecord(head) + "[File]" + current + "[/File]";
    return 1;
}

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

Text ProbeStream(const Text& address, const ProbeLimits& limits) {
    const Text decoded = UriDecode(address);
    // Only "http://" addresses are probed at all; the rest is recorded as it is.
    if (decoded.Left(7) != Text("http://") || limits.socketProbe.count() <= 0)
        return HeaderRecord(Text()) + "[File]" + decoded + "[/File]";

    // The whole walk runs on one worker with one session, so the hops share
    // a connection; each step keeps its own limit there. The caller waits
    // for all of them, and keeps the address reached so far if the worker
    // overruns.
    auto exchange = std::make_shared<ProbeExchange>();
    exchange->current = decoded;
    const auto steps = limits.socketProbe + std::max(0, limits.maxRedirects) *
                                                (limits.redirectLookup + limits.socketProbe);
    ThreadHandle handle = 0;
    if (!ThreadControl::Start([exchange, limits] { return WalkChain(exchange, limits); }, &handle))
        return HeaderRecord(Text()) + "[File]" + decoded + "[/File]";
    const WaitOutcome outcome = ThreadControl::WaitUntilEnded(handle, steps + kWorkerMargin);
    ThreadControl::Terminate(handle);
    ThreadControl::Close(handle);
    std::lock_guard lock(exchange->mutex);
    if (outcome != WaitOutcome::Ended) return HeaderRecord(Text()) + "[File]" + exchange->current + "[/File]";
    return exchange->record;
}

}  // namespace lumora
