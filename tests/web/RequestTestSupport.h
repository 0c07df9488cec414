// Helpers shared by the tests of the requests that wait on a worker.
#pragma once

#include <QTimer>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace lumora::test {

using Clock = std::chrono::steady_clock;

inline std::chrono::milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

// Counts the ticks of a 10 ms timer on the calling thread: proof that the
// thread's events keep being handled during a wait.
class Ticker {
public:
    Ticker() {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { ++ticks; });
        timer_.start(10);
    }
    int ticks = 0;

private:
    QTimer timer_;
};

// Polls `condition` every few milliseconds until it holds or `limit` passes.
inline bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

inline std::string RequestLine(const std::string& request) { return request.substr(0, request.find("\r\n")); }

// The header lines of a recorded request, in order.
inline std::vector<std::string> HeaderLines(const std::string& request) {
    std::vector<std::string> lines;
    const std::size_t end = request.find("\r\n\r\n");
    std::size_t at = request.find("\r\n");
    while (at != std::string::npos && at < end) {
        const std::size_t next = request.find("\r\n", at + 2);
        lines.push_back(request.substr(at + 2, next - at - 2));
        at = next;
    }
    return lines;
}

inline std::string RequestBody(const std::string& request) {
    const std::size_t end = request.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : request.substr(end + 4);
}

inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace lumora::test
