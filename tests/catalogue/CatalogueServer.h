// SPDX-License-Identifier: GPL-3.0-or-later
// A catalogue site stand-in on 127.0.0.1 for the catalogue tests: answers
// every GET from a handler and records each request's target.
#pragma once

#include "LoopbackHttp.h"

#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace lumora::test {

class CatalogueServer {
public:
    // (target) → (body, content type)
    using Handler = std::function<std::pair<std::string, std::string>(const httplib::Request&)>;

    explicit CatalogueServer(Handler handler) {
        http_.Server().Get(".*", [this, handler](const httplib::Request& request, httplib::Response& response) {
            {
                std::lock_guard lock(mutex_);
                targets_.push_back(request.target);
            }
            auto [body, type] = handler(request);
            response.set_content(std::move(body), type);
        });
        http_.Start();
    }
    // Stopped before the records its handler writes go.
    ~CatalogueServer() { Stop(); }
    CatalogueServer(const CatalogueServer&) = delete;
    CatalogueServer& operator=(const CatalogueServer&) = delete;

    void Stop() { http_.Stop(); }

    int Port() const { return http_.Port(); }
    std::string Host() const { return http_.Host(); }

    std::vector<std::string> TakeTargets() {
        std::lock_guard lock(mutex_);
        return std::exchange(targets_, {});
    }

private:
    LoopbackHttp http_;
    std::mutex mutex_;
    std::vector<std::string> targets_;
};

}  // namespace lumora::test
