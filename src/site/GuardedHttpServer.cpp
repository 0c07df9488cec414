// SPDX-License-Identifier: GPL-3.0-or-later
#include "site/GuardedHttpServer.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

namespace lumora::site {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The longest one wait inside a read or write lasts before the server's
// state is looked at again.
constexpr auto kSlice = 100ms;

std::chrono::milliseconds Duration(time_t sec, time_t usec) {
    return std::chrono::seconds(sec) + std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::microseconds(usec));
}

void AddressOf(socket_t sock, bool peer, std::string& ip, int& port) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    const int got = peer ? getpeername(sock, reinterpret_cast<sockaddr*>(&address), &length)
                         : getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length);
    char host[NI_MAXHOST] = {};
    char service[NI_MAXSERV] = {};
    if (got != 0 || getnameinfo(reinterpret_cast<sockaddr*>(&address), length, host, sizeof host, service,
                                sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return;
    ip = host;
    port = std::atoi(service);
}

// One connection's socket as httplib reads and writes it, with a buffer
// that lives as long as the connection (so bytes of a next request read
// early are kept) and an optional deadline for reads.
class ConnectionStream final : public httplib::Stream {
public:
    ConnectionStream(socket_t sock, const std::atomic<socket_t>& listener, std::chrono::milliseconds readTimeout,
                     std::chrono::milliseconds writeTimeout)
        : sock_(sock), listener_(listener), readTimeout_(readTimeout), writeTimeout_(writeTimeout) {}

    void SetDeadline(Clock::time_point deadline) { deadline_ = deadline; }
    void ClearDeadline() { deadline_ = Clock::time_point::max(); }
    bool Buffered() const { return start_ < end_; }

    // Waits until the socket can be read, the time-out or the deadline
    // passes, or the server stops.
    bool WaitReadable(std::chrono::milliseconds timeout) const { return Wait(POLLIN, timeout); }

    bool is_readable() const override { return Buffered() || WaitReadable(readTimeout_); }
    bool is_writable() const override { return Wait(POLLOUT, writeTimeout_); }

    ssize_t read(char* ptr, size_t size) override {
        if (!Buffered()) {
            if (!WaitReadable(readTimeout_)) return -1;
            ssize_t n;
            do n = recv(sock_, buffer_, sizeof buffer_, 0);
            while (n < 0 && errno == EINTR);
            if (n <= 0) return n;
            start_ = 0;
            end_ = static_cast<std::size_t>(n);
        }
        const std::size_t n = std::min(size, end_ - start_);
        std::copy(buffer_ + start_, buffer_ + start_ + n, ptr);
        start_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable()) return -1;
        ssize_t n;
        do n = send(sock_, ptr, size, MSG_NOSIGNAL);
        while (n < 0 && errno == EINTR);
        return n;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override { AddressOf(sock_, true, ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { AddressOf(sock_, false, ip, port); }
    socket_t socket() const override { return sock_; }

private:
    bool Wait(short events, std::chrono::milliseconds timeout) const {
        const Clock::time_point end = std::min(Clock::now() + timeout, deadline_);
        for (;;) {
            if (listener_ == INVALID_SOCKET) return false;  // the server stops
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            if (left.count() <= 0) return false;
            pollfd entry{sock_, events, 0};
            const int ready = poll(&entry, 1, static_cast<int>(std::min<std::chrono::milliseconds>(left, kSlice).count()));
            if (ready > 0) return true;  // readable, writable, or an error the next call reports
            if (ready < 0 && errno != EINTR) return false;
        }
    }

    const socket_t sock_;
    const std::atomic<socket_t>& listener_;
    const std::chrono::milliseconds readTimeout_;
    const std::chrono::milliseconds writeTimeout_;
    Clock::time_point deadline_ = Clock::time_point::max();
    char buffer_[4096];
    std::size_t start_ = 0;
    std::size_t end_ = 0;
};

}  // namespace

GuardedHttpServer::GuardedHttpServer(std::chrono::milliseconds headDeadline) : headDeadline_(headDeadline) {}

void GuardedHttpServer::WidenBacklog() {
    const socket_t listener = svr_sock_;
    if (listener != INVALID_SOCKET) ::listen(listener, SOMAXCONN);
}

void GuardedHttpServer::DropConnections() {
    std::lock_guard lock(mutex_);
    dropping_ = true;
    for (socket_t sock : open_) shutdown(sock, SHUT_RDWR);
}

bool GuardedHttpServer::Track(socket_t sock) {
    std::lock_guard lock(mutex_);
    if (dropping_) return false;
    open_.insert(sock);
    return true;
}

void GuardedHttpServer::Untrack(socket_t sock) {
    std::lock_guard lock(mutex_);
    open_.erase(sock);
}

// httplib's own loop over the requests of one connection, with the
// stream above: at most keep_alive_max_count_ requests, each awaited for
// keep_alive_timeout_sec_, the last one answered with "Connection: close".
bool GuardedHttpServer::process_and_close_socket(socket_t sock) {
    const int yes = 1;
    setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    bool served = false;
    if (Track(sock)) {
        ConnectionStream stream(sock, svr_sock_, Duration(read_timeout_sec_, read_timeout_usec_),
                                Duration(write_timeout_sec_, write_timeout_usec_));
        const auto keepAlive = std::chrono::seconds(keep_alive_timeout_sec_);
        for (std::size_t left = keep_alive_max_count_; left > 0 && svr_sock_ != INVALID_SOCKET; --left) {
            if (!stream.Buffered() && !stream.WaitReadable(keepAlive)) break;
            // The request's head must be in by the deadline; its body and the
            // answer have the per-read and per-write limits alone.
            stream.SetDeadline(Clock::now() + headDeadline_);
            bool closed = false;
            served = process_request(stream, left == 1, closed, [&stream](httplib::Request&) { stream.ClearDeadline(); });
            stream.ClearDeadline();
            if (!served || closed) break;
        }
        Untrack(sock);
    }
    shutdown(sock, SHUT_RDWR);
    close(sock);
    return served;
}

}  // namespace lumora::site
