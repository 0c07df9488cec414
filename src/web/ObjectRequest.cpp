// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/ObjectRequest.h"

#include "threads/ThreadControl.h"
#include "web/CurlHandles.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace lumora {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How long a worker's transfer may go on after its caller's limit, so an
// abandoned worker ends soon by itself.
constexpr std::chrono::milliseconds kWorkerMargin = 1s;

std::atomic<std::size_t> gWorkersStarted{0};

// What the caller and its worker share, by reference count: a worker that
// outlives its caller writes into a live object that nobody reads any more.
struct RequestExchange {
    Text url;
    ObjectRequestArgs args;
    Clock::time_point deadline;  // the worker's own end
    std::mutex mutex;
    ByteSet result;
};

int RequestWorker(const std::shared_ptr<RequestExchange>& exchange) {
    ByteSet result = ObjectTransfer(nullptr, exchange->url, exchange->args, exchange->deadline);
    if (result.empty()) return 0;
    std::lock_guard lock(exchange->mutex);
    exchange->result = std::move(result);
    return 1;
}

}  // namespace

ByteSet ObjectRequest(const Text& url, const ObjectRequestArgs& args) {
    // A local file is read without a thread.
    if (!(url.StartsWith(Text("http://")) || url.StartsWith(Text("https://")) || url.StartsWith(Text("head@")) ||
          url.StartsWith(Text("loca@"))))
        return ObjectTransfer(nullptr, url, args, Clock::now());

    const std::chrono::milliseconds limit = ObjectRequestLimit(args);
    CurlReady();  // once, before any worker uses curl
    auto exchange = std::make_shared<RequestExchange>();
    exchange->url = url;
    exchange->args = args;
    exchange->deadline = Clock::now() + limit + kWorkerMargin;
    ThreadHandle handle = 0;
    if (!ThreadControl::Start([exchange] { return RequestWorker(exchange); }, &handle)) return {};
    ++gWorkersStarted;

    const WaitOutcome outcome = ThreadControl::WaitUntilEnded(handle, limit);
    ThreadControl::Terminate(handle);
    ThreadControl::Close(handle);
    if (outcome != WaitOutcome::Ended) return {};
    std::lock_guard lock(exchange->mutex);
    return exchange->result;
}

Text ObjectRequestText(const Text& url, const ObjectRequestArgs& args) {
    const ByteSet bytes = ObjectRequest(url, args);
    return Text::Gbk(bytes.substr(0, bytes.find('\0')));
}

Text RedirectTarget(const Text& url, std::chrono::milliseconds limit) {
    ObjectRequestArgs args;
    args.limit = limit;
    return ObjectRequestText(Text("loca@") + url, args);
}

std::size_t ObjectRequestWorkersStarted() { return gWorkersStarted.load(); }

}  // namespace lumora
