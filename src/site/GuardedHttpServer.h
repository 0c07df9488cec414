// SPDX-License-Identifier: GPL-3.0-or-later
// cpp-httplib's server with connections it can bound and drop: the request
// line and header lines of each request must arrive within a deadline
// counted from its first byte (a client that trickles them, whatever its
// pace, is cut off), every accepted socket sends without delay (TCP_NODELAY,
// so answers on a kept connection are not held for a delayed ACK), and
// DropConnections ends every open connection at once, so stopping never
// waits for what clients do.
#pragma once

#include <httplib.h>

#include <chrono>
#include <mutex>
#include <set>

namespace lumora::site {

class GuardedHttpServer final : public httplib::Server {
public:
    explicit GuardedHttpServer(std::chrono::milliseconds headDeadline);

    // After binding: lets the kernel queue as many connections as it allows
    // while the listener accepts (httplib asks for 5, so a burst of clients
    // would wait a second each for their connection to be taken).
    void WidenBacklog();

    // Shuts every open connection down (the handlers' writes fail, waits
    // for requests end) and refuses new ones from then on.
    void DropConnections();

private:
    bool process_and_close_socket(socket_t sock) override;
    // False once dropping began; the socket is then not served.
    bool Track(socket_t sock);
    void Untrack(socket_t sock);

    const std::chrono::milliseconds headDeadline_;
    std::mutex mutex_;
    std::set<socket_t> open_;
    bool dropping_ = false;
};

}  // namespace lumora::site
