#include "web/SocketHeadProbe.h"

#include "base/NumberText.h"
#include "threads/ThreadControl.h"
#include "web/ClientSocket.h"
#include "web/WebText.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

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

bool HasControlBytes(const Text& text) {
    for (unsigned char c : text.Bytes())
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

// The request line's target: the absolute form when the server text differs
// from the host part of the address (a name, or a port written otherwise),
// else everything after the host part, so a path that repeats the host
// stays whole.
Text RequestTarget(const Text& address, const Text& hostPort, const Text& serverText) {
    if (serverText != hostPort) return address;
    const std::size_t at = address.Find(hostPort);
    Text rest = at == 0 ? Text() : address.Mid(at + hostPort.Length());
    // Nothing after the host: the root.
    return rest.Empty() ? Text("/") : rest;
}

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

std::optional<SocketProbeRequest> ComposeSocketProbeRequest(const Text& original) {
    if (original.Left(7).Lower() != Text("http://")) return std::nullopt;
    const Text address = original.Trimmed();
    // Line breaks in the address would forge request lines.
    if (HasControlBytes(address)) return std::nullopt;

    const Text hostPort = SiteOrigin(address, true);
    // An address too short to have a host part comes back whole.
    if (hostPort.Contains(Text("://"))) return std::nullopt;
    Text host = hostPort;
    long long port = 80;
    if (hostPort.Contains(Text(":"))) {
        const std::vector<Text> pieces = hostPort.Split(Text(":"));
        host = pieces.empty() ? Text() : pieces[0];
        port = pieces.size() > 1 ? ReadInteger(pieces[1]) : 0;
    }
    if (port < 1 || port > 65535) return std::nullopt;
    SocketProbeRequest plan;
    plan.server = ResolveIpv4(host);
    if (plan.server.Empty()) return std::nullopt;
    plan.port = static_cast<int>(port);
    const Text serverText = port == 80 ? plan.server : plan.server + ":" + Text::Gbk(std::to_string(port));
    plan.target = RequestTarget(address, hostPort, serverText);
    plan.headers = Text("User-Agent: QuilPlayer/QQ100200300\r\n"
                        "Accept: */*\r\n"
                        "Referer: ") +
                   SiteOrigin(address) +
                   "\r\n"
                   "Host: " +
                   plan.server + "\r\n";
    plan.request = "GET " + plan.target + " HTTP/1.1\r\n" + plan.headers + "\r\n";
    return plan;
}

Text ResolveIpv4(const Text& host) {
    if (host.Empty() || host.Bytes().find('\0') != std::string::npos) return {};
    // "localhost" and names under it are the loopback address whatever the
    // name service says (a bare system may have no hosts file at all).
    const Text lower = host.Lower();
    if (lower == "localhost" || lower.EndsWith(".localhost")) return Text("127.0.0.1");
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.Data(), nullptr, &hints, &found) != 0 || !found) return {};
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(found, freeaddrinfo);
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || !entry->ai_addr) continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text)) return Text::Gbk(text);
    }
    return {};
}

std::size_t SocketHeadProbeWorkersStarted() { return gWorkersStarted.load(); }

}  // namespace lumora
