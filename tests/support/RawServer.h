// SPDX-License-Identifier: GPL-3.0-or-later
// A small HTTP stand-in on 127.0.0.1 for tests that need the exact bytes a
// client sends, or a server that misbehaves on purpose.
//
// One thread accepts connections one after another on an ephemeral port,
// reads one request per connection (up to the end of its header block and
// Content-Length body, or until the client goes quiet), records it, and
// answers with what the handler returns. Every wait is bounded.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumora::test {

class RawServer {
public:
    // Bytes sent a while after the reply's first bytes.
    struct Piece {
        std::chrono::milliseconds delay;  // after the previous bytes went out
        std::string bytes;
    };
    struct Reply {
        std::string bytes;              // written as they are
        bool holdOpen = false;          // then keep the connection open and silent until the server stops
        std::vector<Piece> later = {};  // sent after `bytes`, before the connection is closed or held
    };
    // Called with the request's bytes and its 0-based number.
    using Handler = std::function<Reply(const std::string& request, int index)>;

    explicit RawServer(Handler handler);
    ~RawServer();
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by `path`.
    std::string Url(const std::string& path = "/") const;
    std::vector<std::string> Requests() const;
    // Held connections (holdOpen) that the client closed before the server stopped.
    int ClosedByClient() const;

private:
    void Run();
    void Serve(int client, int index);
    bool Stopping() const;

    Handler handler_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    int port_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    int closedByClient_ = 0;
    std::thread thread_;
};

// "HTTP/1.1 <status>\r\n", the given lines, Content-Length and
// "Connection: close", a blank line and the body.
std::string HttpReply(const std::string& status, const std::vector<std::string>& lines, const std::string& body);

// A port on 127.0.0.1 that nothing listens on (bound, then released).
int ClosedPort();

}  // namespace lumora::test
