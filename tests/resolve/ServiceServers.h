// SPDX-License-Identifier: GPL-3.0-or-later
// The web services the resolvers ask, on 127.0.0.1 at ephemeral ports:
// ServiceStub answers each path with a reply a test sets and records every
// request target; SiteServices runs lumora-site with its demo data. Both
// point every service host of the configuration at themselves while alive.
#pragma once

#include "base/Config.h"
#include "site/SiteData.h"
#include "site/SiteServer.h"

#include <gtest/gtest.h>
#include "LoopbackHttp.h"

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace lumora::test {

// A configuration whose every service endpoint is `host` ("127.0.0.1:PORT").
inline Config ServicesAt(const std::string& host) {
    Config config = Config::Defaults();
    const Text at = Text::FromUtf8(host);
    config.serviceHost = config.songSearchAHost = config.trackLocatorAHost = config.songSearchBHost =
        config.songSearchCHost = config.mvSearchHost = config.mvFileHost = config.video56InfoHost = at;
    config.relayBase = "http://" + at + "/mv/";
    config.video56Domain = Text("56.lumora.test");
    return config;
}

class ServiceStub {
public:
    struct Reply {
        std::string body;
        std::string contentType = "text/plain";
        std::chrono::milliseconds delay{0};  // before answering
    };

    ServiceStub() {
        server_.Server().Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
            Reply reply;
            {
                std::lock_guard lock(mutex_);
                targets_.push_back(request.target);
                const auto found = replies_.find(request.path);
                if (found != replies_.end()) reply = found->second;
            }
            if (reply.delay.count() > 0) std::this_thread::sleep_for(reply.delay);
            response.set_content(reply.body, reply.contentType);
        });
        server_.Start();
        override_.emplace(ServicesAt(Host()));
    }
    ~ServiceStub() {
        override_.reset();
        server_.Stop();
    }
    ServiceStub(const ServiceStub&) = delete;
    ServiceStub& operator=(const ServiceStub&) = delete;

    std::string Host() const { return server_.Host(); }

    // The reply to every request of `path` (query not included); paths
    // without one get an empty body.
    void Answer(const std::string& path, Reply reply) {
        std::lock_guard lock(mutex_);
        replies_[path] = std::move(reply);
    }
    void Answer(const std::string& path, std::string body) { Answer(path, Reply{std::move(body)}); }

    // How many targets were requested since the last TakeTargets.
    std::size_t Requested() {
        std::lock_guard lock(mutex_);
        return targets_.size();
    }

    // The targets requested since the last call, in order.
    std::vector<std::string> TakeTargets() {
        std::lock_guard lock(mutex_);
        return std::exchange(targets_, {});
    }

private:
    lumora::test::LoopbackHttp server_;
    std::mutex mutex_;
    std::map<std::string, Reply> replies_;
    std::vector<std::string> targets_;
    std::optional<ScopedConfigOverride> override_;
};

// lumora-site with its bundled data; a stalling answer holds its connection
// for at most 5 s (the resolvers' limits in the tests are far shorter).
class SiteServices {
public:
    SiteServices() {
        std::string error;
        std::optional<site::SiteData> loaded = site::LoadSiteData(site::BundledDataDir(), &error);
        EXPECT_TRUE(loaded) << error;
        if (!loaded) return;
        data = *loaded;
        site::SiteOptions options;
        options.port = 0;
        options.stallSeconds = 5;
        server_.emplace(std::move(*loaded), options);
        EXPECT_TRUE(server_->Start(&error)) << error;
        override_.emplace(ServicesAt(Host()));
    }
    ~SiteServices() {
        override_.reset();
        if (server_) server_->Stop();
    }
    SiteServices(const SiteServices&) = delete;
    SiteServices& operator=(const SiteServices&) = delete;

    std::string Host() const { return "127.0.0.1:" + std::to_string(server_ ? server_->Port() : 0); }
    // "http://127.0.0.1:PORT" + path, as a text.
    Text Address(const std::string& path) const { return Text::FromUtf8("http://" + Host() + path); }

    // The demo song whose key ("singer-title") is `key`.
    const site::Song* FindSong(const std::string& key) const {
        for (const site::Song& song : data.songs)
            if (song.key == key) return &song;
        return nullptr;
    }

    site::SiteData data;

private:
    std::optional<site::SiteServer> server_;
    std::optional<ScopedConfigOverride> override_;
};

}  // namespace lumora::test
