// SPDX-License-Identifier: GPL-3.0-or-later
#include "RawServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace lumora::test {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kRequestLimit = std::chrono::seconds(5);
constexpr auto kQuietLimit = std::chrono::milliseconds(300);
constexpr auto kHoldLimit = std::chrono::seconds(30);

// Whether `data` holds a whole request: header block plus Content-Length bytes.
bool RequestComplete(const std::string& data) {
    const std::size_t end = data.find("\r\n\r\n");
    if (end == std::string::npos) return false;
    std::size_t length = 0;
    const std::string head = data.substr(0, end + 2);
    for (std::size_t at = head.find("\r\n"); at != std::string::npos; at = head.find("\r\n", at + 2)) {
        const std::string name = "\r\ncontent-length:";
        std::string lowered = head.substr(at, name.size());
        for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lowered == name) length = std::strtoul(head.c_str() + at + name.size(), nullptr, 10);
    }
    return data.size() >= end + 4 + length;
}

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Writes all of `bytes`; false when the connection failed.
bool SendAll(int client, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        pollfd fd{client, POLLOUT, 0};
        if (poll(&fd, 1, 1000) <= 0) return false;
        const ssize_t n = send(client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

RawServer::RawServer(Handler handler) : handler_(std::move(handler)) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(listener_, 16) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        pipe(wake_) != 0)
        throw std::runtime_error("test server: no listening socket");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Run(); });
}

RawServer::~RawServer() {
    const char stop = 1;
    (void)!write(wake_[1], &stop, 1);
    thread_.join();
    close(listener_);
    close(wake_[0]);
    close(wake_[1]);
}

std::string RawServer::Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

std::vector<std::string> RawServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

int RawServer::ClosedByClient() const {
    std::lock_guard lock(mutex_);
    return closedByClient_;
}

bool RawServer::Stopping() const {
    pollfd wake{wake_[0], POLLIN, 0};
    return poll(&wake, 1, 0) > 0;
}

void RawServer::Run() {
    for (int index = 0;; ++index) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        while (poll(fds, 2, 100) <= 0 || !(fds[0].revents & POLLIN)) {
            if (Stopping()) return;
        }
        const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        // Each piece of a reply goes out when it is written, not with the next one.
        const int yes = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        Serve(client, index);
        close(client);
        if (Stopping()) return;
    }
}

void RawServer::Serve(int client, int index) {
    std::string request;
    const auto started = Clock::now();
    auto lastData = started;
    while (!RequestComplete(request) && Clock::now() - started < kRequestLimit) {
        // Bytes that never form a header block (a TLS handshake): stop once the client goes quiet.
        if (!request.empty() && request.find("\r\n\r\n") == std::string::npos && Clock::now() - lastData > kQuietLimit)
            break;
        pollfd fd{client, POLLIN, 0};
        if (poll(&fd, 1, 50) <= 0) continue;
        char buffer[4096];
        const ssize_t n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
        lastData = Clock::now();
    }
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }

    const Reply reply = handler_(request, index);
    bool open = SendAll(client, reply.bytes);
    for (const Piece& piece : reply.later) {
        if (!open) break;
        // Wait out the delay, but not past the server's stop.
        pollfd wake{wake_[0], POLLIN, 0};
        if (poll(&wake, 1, static_cast<int>(piece.delay.count())) > 0) return;
        open = SendAll(client, piece.bytes);
    }
    if (!reply.holdOpen) {
        shutdown(client, SHUT_WR);
        return;
    }
    // Silent until the client gives up or the server stops.
    const auto holdStart = Clock::now();
    while (Clock::now() - holdStart < kHoldLimit) {
        pollfd fds[2] = {{client, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (poll(fds, 2, 100) <= 0) continue;
        if (fds[1].revents) return;
        char buffer[4096];
        if (recv(client, buffer, sizeof buffer, 0) <= 0) {
            std::lock_guard lock(mutex_);
            ++closedByClient_;
            return;
        }
    }
}

std::string HttpReply(const std::string& status, const std::vector<std::string>& lines, const std::string& body) {
    std::string reply = "HTTP/1.1 " + status + "\r\n";
    for (const std::string& line : lines) reply += line + "\r\n";
    reply += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    return reply;
}

int ClosedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

}  // namespace lumora::test
