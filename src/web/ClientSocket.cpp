// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/ClientSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace lumora {

namespace {

using Clock = std::chrono::steady_clock;

// Waits until `fd` shows one of `events` or the deadline passes; retries
// after signals (a suspended thread's system calls may be interrupted).
// The poll result: > 0 ready, 0 timed out, < 0 failed.
int PollUntil(int fd, short events, Clock::time_point deadline, short* revents = nullptr) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd entry{fd, events, 0};
        const int ready = poll(&entry, 1, static_cast<int>(std::clamp<long long>(left, 0, INT_MAX)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0 && Clock::now() < deadline) continue;  // woke a little early
        if (revents) *revents = entry.revents;
        return ready;
    }
}

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

}  // namespace

ClientSocket::ClientSocket(std::chrono::milliseconds timeout) : timeout_(kDefaultTimeout) { SetTimeout(timeout); }

ClientSocket::~ClientSocket() { Close(); }

void ClientSocket::SetTimeout(std::chrono::milliseconds timeout) {
    timeout_ = timeout.count() > 0 ? timeout : kDefaultTimeout;
}

bool ClientSocket::Connect(const Text& address, int port) {
    Close();
    if (port < 1 || port > 65535 || address.Bytes().find('\0') != std::string::npos) return false;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, address.Data(), &target.sin_addr) != 1) return false;

    // The descriptor is always non-blocking; waits are done with poll, which
    // is what bounds them.
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
    if (fd < 0) return false;
    fd_ = fd;
    nonBlocking_ = false;

    bool connected = connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0;
    if (!connected && (errno == EINPROGRESS || errno == EINTR)) {
        short revents = 0;
        if (PollUntil(fd, POLLOUT, Clock::now() + timeout_, &revents) > 0) {
            int error = 0;
            socklen_t size = sizeof error;
            connected = getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
        }
    }
    if (!connected) Close();  // a socket whose connect failed is of no further use
    return connected;
}

bool ClientSocket::Close() {
    if (fd_ < 0) return false;
    DropNotifiers();  // before the descriptor goes: the notifiers watch it
    const int fd = fd_;
    fd_ = -1;
    nonBlocking_ = false;
    // After EINTR the descriptor is released all the same on Linux.
    return close(fd) == 0 || errno == EINTR;
}

bool ClientSocket::Send(const ByteSet& bytes) {
    if (fd_ < 0) return false;
    const auto deadline = Clock::now() + timeout_;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && WouldBlock(errno)) {
            if (nonBlocking_) {
                RearmWrite();
                return false;
            }
            if (PollUntil(fd_, POLLOUT, deadline) > 0) continue;
        }
        return false;
    }
    return true;
}

ByteSet ClientSocket::Receive(bool& ok) {
    ok = false;
    if (fd_ < 0) return {};
    if (!nonBlocking_ && PollUntil(fd_, POLLIN, Clock::now() + timeout_) <= 0) return {};
    char buffer[kReceiveSize];
    ssize_t n = 0;
    do {
        n = recv(fd_, buffer, sizeof buffer, 0);
    } while (n < 0 && errno == EINTR);
    RearmRead();
    if (n < 0) return {};
    ok = true;
    return ByteSet(buffer, static_cast<std::size_t>(n));
}

void ClientSocket::DropNotifiers() { notifiers_.reset(); }

void ClientSocket::RearmRead() {
    if (notifiers_) notifiers_->RearmRead();
}

void ClientSocket::RearmWrite() {
    if (notifiers_) notifiers_->RearmWrite();
}

}  // namespace lumora
