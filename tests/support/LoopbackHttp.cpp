// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoopbackHttp.h"

#include <chrono>

namespace lumora::test {

namespace {

// stop() reaches only a server whose accept loop has begun.
void AwaitRunning(const httplib::Server& server) {
    for (int i = 0; i < 1000 && !server.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

}  // namespace

bool LoopbackHttp::Start() {
    // Answers go out at once, so a kept-alive request is not held for a delayed ACK.
    server_.set_tcp_nodelay(true);
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) return false;
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    AwaitRunning(server_);
    return true;
}

void LoopbackHttp::Stop() {
    if (!thread_.joinable()) return;
    AwaitRunning(server_);
    server_.stop();
    thread_.join();
}

}  // namespace lumora::test
