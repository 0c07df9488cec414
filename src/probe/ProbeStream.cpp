// SPDX-License-Identifier: GPL-3.0-or-later
#include "probe/ProbeStream.h"

#include "script/Codings.h"
#include "threads/ThreadControl.h"

#include <algorithm>
#include <memory>
#include <mutex>

namespace lumora {

namespace {

// How long the caller waits past the sum of the step limits: curl's own
// time-outs may overrun them a little.
constexpr std::chrono::milliseconds kWorkerMargin{1000};

// What the caller and the worker share; the worker holds it by reference
// count too, so one that outlives its caller writes into a live object.
struct ProbeExchange {
    std::mutex mutex;
    Text current;        // the address reached so far
    StreamProbe result;  // once the worker is done
};

}  // namespace

StreamProbe ProbeAddress(const Text& address, const ProbeLimits& limits) {
    const Text decoded = UriDecode(address);
    // What is never asked about needs no worker.
    if (decoded.Left(7) != Text("http://") || limits.socketProbe.count() <= 0) return WalkProbe(address, limits);

    auto exchange = std::make_shared<ProbeExchange>();
    exchange->current = decoded;
    const auto steps =
        limits.socketProbe + std::max(0, limits.maxRedirects) * (limits.redirectLookup + limits.socketProbe);
    ThreadHandle handle = 0;
    const bool started = ThreadControl::Start(
        [exchange, address, limits] {
            StreamProbe result = WalkProbe(address, limits, [&exchange](const Text& reached) {
                std::lock_guard lock(exchange->mutex);
                exchange->current = reached;
            });
            std::lock_guard lock(exchange->mutex);
            exchange->result = std::move(result);
            return 1;
        },
        &handle);
    if (!started) return {{}, decoded};
    const WaitOutcome outcome = ThreadControl::WaitUntilEnded(handle, steps + kWorkerMargin);
    ThreadControl::Terminate(handle);
    ThreadControl::Close(handle);
    std::lock_guard lock(exchange->mutex);
    // A worker that overran: the address reached so far, without a head.
    if (outcome != WaitOutcome::Ended) return {{}, exchange->current};
    return exchange->result;
}

Text ProbeStream(const Text& address, const ProbeLimits& limits) { return ProbeAddress(address, limits).Record(); }

}  // namespace lumora
