// SPDX-License-Identifier: GPL-3.0-or-later
// lumora-site's HTTP server: the catalogue pages, the media files (with byte
// ranges), the stand-in services, the music-video relay and file host,
// redirects for probes, a live-style stream and a generated list for
// benchmarks, all on one listener (cpp-httplib).
//
// Paths served (every answer that embeds an address uses the request's Host
// header, or the listening address when that is missing or malformed):
//   /                                  home page (list)
//   /vodlist/index.php?id=C[&page=N]   category list pages; 404 for pages the catalogue lacks
//   /vod/index.php?id=N                detail page with var video=['…->video/mp4']; 404 for unknown ids
//   /media/FILE                        demo media (Range supported); /media/a|b|c/… song files of the services
//   /mv/ID/temp.flv                    relay: the FLV clip for any ID
//   /ID.flv                            music-video file host: the clip of that video, or the FLV clip
//   the service endpoints of Services.h
//   /redirect/N?to=/PATH               N hops of 302 (absolute Location), then /PATH (default a demo clip)
//   /redirect-to?url=URL[&status=3xx]  one redirect to URL, whatever its scheme
//   /stream/live, /stream/NAME/live    the FLV clip as a chunked stream without a length
//   /bench/list?entries=N              a generated list page of N entries (default 10,000; at most 200,000)
//   (with SiteOptions::listEntries every list page is generated, for the search benchmarks)
//   /hostile/stall?seconds=S           headers and a few bytes, then nothing for S seconds
//   /hostile/silent?seconds=S          nothing at all for S seconds, then 504
//   /hostile/garbage                   bytes that are no page
#pragma once

#include "site/SiteData.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace httplib {
struct Response;
}

namespace lumora::site {

class GuardedHttpServer;

struct SiteOptions {
    std::string listenAddress = "127.0.0.1";
    int port = 8600;  // 0: an ephemeral port
    // The longest a stalling answer holds its connection; each request may
    // ask for less.
    int stallSeconds = 30;
    // The longest a client may take over a request's line and header lines,
    // counted from its first byte; slower ones are disconnected.
    std::chrono::milliseconds requestHeadLimit{5000};
    // Above 0: every list page ("/" and any "/vodlist/index.php?id=…")
    // is a generated page of this many entries instead of the data's (ids
    // and titles differ from page to page; the same page every time).
    long listEntries = 0;
    // Receives one line per request ("GET /path?query 200"); none: no log.
    std::function<void(const std::string& line)> requestLog;
};

// True for 127.0.0.0/8, ::1 (bracketed or not, also IPv4-mapped 127.x) and
// "localhost"; false for every other address or name.
bool IsLoopbackAddress(std::string_view address);

class SiteServer {
public:
    SiteServer(SiteData data, SiteOptions options);
    ~SiteServer();  // Stop()
    SiteServer(const SiteServer&) = delete;
    SiteServer& operator=(const SiteServer&) = delete;

    // Binds the listening address and serves on a thread of its own. False
    // (with `error` set) when the address can't be bound; once only.
    bool Start(std::string* error = nullptr);

    // Ends serving: every open connection is shut down, stalled answers give
    // up at once, the listener closes and its thread is joined. Safe to call more than once, from any thread but
    // a request handler's.
    void Stop();

    bool Running() const;
    int Port() const { return port_; }
    // "http://ADDRESS:PORT" of the listener.
    std::string BaseAddress() const;

private:
    // The generated list page at `path` (see SiteOptions::listEntries),
    // made once and kept.
    std::shared_ptr<const std::string> GeneratedList(const std::string& path);
    void SendGeneratedList(httplib::Response& res, const std::string& path);

    void AddRoutes();

    SiteData data_;
    SiteOptions options_;
    std::unique_ptr<GuardedHttpServer> server_;
    std::thread listener_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> listenerDone_{false};
    int port_ = 0;
    std::mutex benchMutex_;
    std::string benchPage_;
    long benchEntries_ = -1;
    std::map<std::string, std::shared_ptr<const std::string>> generatedLists_;  // by path and query, under benchMutex_
    bool benchImages_ = false;
};

}  // namespace lumora::site
