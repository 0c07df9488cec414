// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/SocketProbeRequest.h"

#include "base/NumberText.h"
#include "web/WebText.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <memory>
#include <string>

namespace lumora {

namespace {

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

}  // namespace

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

}  // namespace lumora
