// A catalogue site stand-in on 127.0.0.1 for the catalogue tests: answers
// every GET from a handler and records each request's target.
#pragma once

#include <httplib.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace lumora::test {

class CatalogueServer {
public:
    // (target) → (body, content type)
    using Handler = std::function<std::pair<std::string, std::string>(const httplib::Request&)>;

    explicit CatalogueServer(Handler handler) {
        server_.Get(".*", [this, handler](const httplib::Request& request, httplib::Response& response) {
            {
                std::lock_guard lock(mutex_);
                targets_.push_back(request.target);
            }
            auto [body, type] = handler(request);
            response.set_content(std::move(body), type);
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        for (int i = 0; i < 500 && !server_.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~CatalogueServer() { Stop(); }
    CatalogueServer(const CatalogueServer&) = delete;
    CatalogueServer& operator=(const CatalogueServer&) = delete;

    void Stop() {
        if (!thread_.joinable()) return;
        server_.stop();
        thread_.join();
    }

    int Port() const { return port_; }
    std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }

    std::vector<std::string> TakeTargets() {
        std::lock_guard lock(mutex_);
        return std::exchange(targets_, {});
    }

private:
    httplib::Server server_;
    int port_ = -1;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> targets_;
};

}  // namespace lumora::test
