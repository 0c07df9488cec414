// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/SocketHeadProbe.h"

#include "threads/ThreadControl.h"
#include "web/ClientSocket.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace lumora {

namespace {

using Clock = std::chrono::steady_clock;

// How long a worker may go on after its caller's limit: its own socket gives
// up then, so an abandoned worker ends soon by itself.
constexpr std::chrono::milliseconds kWorkerMargin{1000};

std::atomic<std::size_t> gWorkersStarted{0};

// What the caller and its worker share. The worker holds it by reference
// count too, so a worker that outlives its caller writes into a live object
// that nobody reads any more.
struct ProbeExchange {
    Text address;
    std::mutex mutex;
    ByteSet result;
};

// The bytes of the answer's first read; empty when the address can't be
// probed or nothing arrived.
ByteSet ProbeOnce(const Text& address, Clock::time_point deadline) {
    const std::optional<SocketProbeRequest> plan = ComposeSocketProbeRequest(address);
    if (!plan) return {};
    const auto remaining = [deadline] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    };
    if (remaining().count() <= 0) return {};
    ClientSocket socket(remaining());
    if (!socket.Connect(plan->server, plan->port)) return {};
    ByteSet received;
    if (remaining().count() > 0) {
        socket.SetTimeout(remaining());
        socket.Send(plan->request.Bytes());
        bool ok = false;
        if (remaining().count() > 0) {
            socket.SetTimeout(remaining());
            received = socket.Receive(ok);
        }
    }
    socket.Close();
    return received;
}

int ProbeWorker(const std::shared_ptr<ProbeExchange>& exchange, Clock::time_point deadline) {
    ByteSet received = ProbeOnce(exchange->address, deadline);
    if (received.empty()) return 0;
    std::lock_guard lock(exchange->mutex);
    exchange->result = std::move(received);
    return 1;
}

}  // namespace

Text SocketHeadProbe(const Text& address, std::chrono::milliseconds limit) {
    if (address.Left(7) != Text("http://") || limit.count() <= 0) return {};

    auto exchange = std::make_shared<ProbeExchange>();
    exchange->address = address;
    const Clock::time_point workerDeadline = Clock::now() + limit + kWorkerMargin;
    ThreadHandle handle = 0;
    if (!ThreadControl::Start([exchange, workerDeadline] { return ProbeWorker(exchange, workerDeadline); }, &handle))
        return {};
    ++gWorkersStarted;

    const WaitOutcome outcome = ThreadControl::WaitUntilEnded(handle, limit);
    ThreadControl::Terminate(handle);
    ThreadControl::Close(handle);
    if (outcome != WaitOutcome::Ended) return {};

    ByteSet bytes;
    {
        std::lock_guard lock(exchange->mutex);
        bytes = exchange->result;
    }
    return Text::Gbk(bytes.substr(0, bytes.find('\0')));
}

std::size_t SocketHeadProbeWorkersStarted() { return gWorkersStarted.load(); }

}  // namespace lumora
