// SPDX-License-Identifier: GPL-3.0-or-later
// A cpp-httplib server on 127.0.0.1 for tests: routes are set on Server()
// before Start, which binds a free port and returns once the server accepts.
// The destructor stops it; every wait is bounded.
#pragma once

#include <httplib.h>

#include <string>
#include <thread>

namespace lumora::test {

class LoopbackHttp {
public:
    LoopbackHttp() = default;
    ~LoopbackHttp() { Stop(); }
    LoopbackHttp(const LoopbackHttp&) = delete;
    LoopbackHttp& operator=(const LoopbackHttp&) = delete;

    httplib::Server& Server() { return server_; }

    // False when no port could be bound.
    bool Start();
    // Idempotent; afterwards nothing listens on Port() any more.
    void Stop();

    int Port() const { return port_; }
    // "127.0.0.1:<port>"
    std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
    // "http://127.0.0.1:<port>" followed by `path`.
    std::string Url(const std::string& path = "") const { return "http://" + Host() + path; }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
};

}  // namespace lumora::test
