// SPDX-License-Identifier: GPL-3.0-or-later
#include "site/SiteServer.h"

#include "site/ConnectionThreads.h"
#include "site/GuardedHttpServer.h"
#include "site/Pages.h"
#include "site/Services.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>

namespace lumora::site {

namespace {

using namespace std::chrono_literals;

constexpr const char* kFlvClip = "demo.flv";
constexpr const char* kDefaultRedirectTarget = "/media/demo-a.mp4";
constexpr long kMaxRedirectHops = 1000;
constexpr long kMaxBenchEntries = 200000;
constexpr long kMaxHostileSeconds = 600;
constexpr std::size_t kStreamChunk = 4096;
constexpr std::size_t kGeneratedListChunk = 256 * 1024;
// Each connection has a thread of its own, up to this many at once.
constexpr std::size_t kMaxConnectionThreads = 512;
// Requests one connection may carry before the answer says "Connection: close".
constexpr std::size_t kRequestsPerConnection = 100;

bool IsIpv6Literal(const std::string& address) { return address.find(':') != std::string::npos; }

std::string HostPort(const std::string& address, int port) {
    const std::string host = IsIpv6Literal(address) ? "[" + address + "]" : address;
    return host + ":" + std::to_string(port);
}

// The site's own "host[:port]" as the client addressed it. A Host header
// that could break out of an address (quotes, blanks, slashes, control
// bytes) is not trusted; the listener's address is used instead.
std::string HostOf(const httplib::Request& req) {
    const std::string host = req.get_header_value("Host");
    const bool plain =
        !host.empty() && host.size() <= 255 && std::all_of(host.begin(), host.end(), [](unsigned char c) {
            return std::isalnum(c) || c == '.' || c == '-' || c == ':' || c == '[' || c == ']' || c == '_';
        });
    return plain ? host : HostPort(req.local_addr, req.local_port);
}

// `text` with every byte that `keep` refuses written as %XX.
std::string PercentEncoded(const std::string& text, bool (*keep)(unsigned char)) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (keep(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

// Request targets as log text: bytes outside printable ASCII as %XX.
std::string Printable(const std::string& text) {
    return PercentEncoded(text, [](unsigned char c) { return c > 0x20 && c < 0x7f; });
}

// Everything but unreserved characters and "/" percent-encoded, for a path
// carried in a query.
std::string QueryEncode(const std::string& text) {
    return PercentEncoded(text, [](unsigned char c) {
        return std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~' || c == '/';
    });
}

int HexValue(char digit) {
    return std::isdigit(static_cast<unsigned char>(digit)) ? digit - '0'
                                                           : std::tolower(static_cast<unsigned char>(digit)) - 'a' + 10;
}

// A query value of the request, read from the raw target: the first
// parameter named `name`, split at its first "=" (so a value may hold "="),
// %XX decoded to bytes and "+" kept as it is (the player's keyword codings
// write a space as %20 and leave "+" alone). No value when absent.
std::optional<std::string> Query(const httplib::Request& req, std::string_view name) {
    const std::size_t question = req.target.find('?');
    if (question == std::string::npos) return std::nullopt;
    const std::string_view query = std::string_view(req.target).substr(question + 1);
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string_view::npos) end = query.size();
        const std::string_view pair = query.substr(start, end - start);
        const std::size_t equals = pair.find('=');
        if (pair.substr(0, equals) == name) {
            std::string value;
            const std::string_view raw =
                equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1);
            for (std::size_t i = 0; i < raw.size(); ++i) {
                if (raw[i] == '%' && i + 2 < raw.size() && std::isxdigit(static_cast<unsigned char>(raw[i + 1])) &&
                    std::isxdigit(static_cast<unsigned char>(raw[i + 2]))) {
                    value += static_cast<char>(HexValue(raw[i + 1]) * 16 + HexValue(raw[i + 2]));
                    i += 2;
                } else {
                    value += raw[i];
                }
            }
            return value;
        }
        start = end + 1;
    }
    return std::nullopt;
}

std::string QueryOr(const httplib::Request& req, std::string_view name, std::string fallback = {}) {
    return Query(req, name).value_or(std::move(fallback));
}

// A decimal count of at most `max`; no value for anything else.
std::optional<long> ParseCount(const std::string& text, long max) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    const long value = std::stol(text);
    if (value > max) return std::nullopt;
    return value;
}

bool HasControlBytes(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](unsigned char c) { return c < 0x20 || c == 0x7f; });
}

void BadRequest(httplib::Response& res, const std::string& why) {
    res.status = 400;
    res.set_content(why + "\n", "text/plain; charset=utf-8");
}

void NotFound(httplib::Response& res) {
    res.status = 404;
    res.set_content("<html><body><h1>404 Not Found</h1></body></html>\n", "text/html; charset=utf-8");
}

}  // namespace

bool IsLoopbackAddress(std::string_view address) {
    std::string text(address);
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') text = text.substr(1, text.size() - 2);
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower == "localhost") return true;
    in_addr v4{};
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (inet_pton(AF_INET6, text.c_str(), &v6) == 1)
        return IN6_IS_ADDR_LOOPBACK(&v6) || (IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127);
    return false;
}

std::shared_ptr<const std::string> SiteServer::GeneratedList(const std::string& path) {
    {
        const std::lock_guard lock(benchMutex_);
        if (const auto made = generatedLists_.find(path); made != generatedLists_.end()) return made->second;
    }
    // Made outside the lock: requests for pages made already never wait for
    // another page being made. Two requests racing for one page keep the first.
    // FNV-1a of the path: each page its own ids and titles, the same every run.
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : path) hash = (hash ^ c) * 16777619u;
    const long firstId = 100000 + static_cast<long>(hash % 4096) * (kMaxBenchEntries + 1);
    auto page = std::make_shared<const std::string>(
        BenchListHtml(std::min(options_.listEntries, kMaxBenchEntries), firstId, hash));
    const std::lock_guard lock(benchMutex_);
    return generatedLists_.emplace(path, std::move(page)).first->second;
}

void SiteServer::SendGeneratedList(httplib::Response& res, const std::string& path) {
    // Sent from the kept page itself: no copy of megabytes per request.
    std::shared_ptr<const std::string> page = GeneratedList(path);
    const std::size_t size = page->size();
    res.set_content_provider(size, "text/html; charset=utf-8",
                             [page = std::move(page)](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                 return sink.write(page->data() + offset, std::min(length, kGeneratedListChunk));
                             });
}

SiteServer::SiteServer(SiteData data, SiteOptions options)
    : data_(std::move(data)), options_(std::move(options)), server_(std::make_unique<GuardedHttpServer>(options_.requestHeadLimit)) {
    // "[::1]" names the same address as "::1"; the resolver wants it bare.
    std::string& address = options_.listenAddress;
    if (address.size() >= 2 && address.front() == '[' && address.back() == ']')
        address = address.substr(1, address.size() - 2);
    // Stalled answers, open keep-alive connections and clients still sending
    // their request each hold a thread, so none of them keeps others waiting.
    server_->new_task_queue = [] { return new ConnectionThreads(kMaxConnectionThreads); };
    server_->set_keep_alive_timeout(2);
    server_->set_keep_alive_max_count(kRequestsPerConnection);
    // Reuse of the address only: httplib's default also sets SO_REUSEPORT,
    // which lets a second site bind the same port and take half the requests.
    server_->set_socket_options([](socket_t socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    server_->set_error_handler(
        httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
            if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
            res.set_content("<html><body><h1>" + std::to_string(res.status) + "</h1></body></html>\n",
                            "text/html; charset=utf-8");
            return httplib::Server::HandlerResponse::Handled;
        }));
    if (options_.requestLog) {
        server_->set_logger([log = options_.requestLog](const httplib::Request& req, const httplib::Response& res) {
            log(req.method + " " + Printable(req.target.empty() ? req.path : req.target) + " " +
                std::to_string(res.status));
        });
    }
    AddRoutes();
}

SiteServer::~SiteServer() { Stop(); }

bool SiteServer::Start(std::string* error) {
    if (listener_.joinable() || stopping_) {
        if (error != nullptr) *error = "already started";
        return false;
    }
    const std::string& address = options_.listenAddress;
    if (options_.port == 0) {
        port_ = server_->bind_to_any_port(address);
    } else {
        port_ = options_.port > 0 && options_.port < 65536 && server_->bind_to_port(address, options_.port)
                    ? options_.port
                    : -1;
    }
    if (port_ <= 0) {
        port_ = 0;
        if (error != nullptr) *error = "cannot listen on " + HostPort(address, options_.port);
        return false;
    }
    server_->WidenBacklog();
    listener_ = std::thread([this] {
        server_->listen_after_bind();
        listenerDone_ = true;
    });
    for (int i = 0; i < 500 && !server_->is_running() && !listenerDone_; ++i) std::this_thread::sleep_for(10ms);
    return true;
}

void SiteServer::Stop() {
    stopping_ = true;
    if (!listener_.joinable()) return;
    // stop() takes effect only once the listener runs; repeat until it ends.
    while (!listenerDone_) {
        server_->DropConnections();
        server_->stop();
        for (int i = 0; i < 10 && !listenerDone_; ++i) std::this_thread::sleep_for(5ms);
    }
    listener_.join();
}

bool SiteServer::Running() const { return listener_.joinable() && !listenerDone_ && !stopping_; }

std::string SiteServer::BaseAddress() const { return "http://" + HostPort(options_.listenAddress, port_); }

void SiteServer::AddRoutes() {
    httplib::Server& svr = *server_;

    // Sends a service reply; a stalling one sends its start and then holds
    // the connection until `seconds` pass or the server stops.
    auto send = [this](httplib::Response& res, Reply reply, long seconds) {
        res.status = reply.status;
        if (!reply.stall) {
            res.set_content(reply.body, reply.contentType);
            return;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        res.set_chunked_content_provider(
            reply.contentType,
            [this, body = std::move(reply.body), deadline, sent = false](std::size_t, httplib::DataSink& sink) mutable {
                if (!sent) {
                    sent = true;
                    return sink.write(body.data(), body.size());
                }
                if (stopping_ || std::chrono::steady_clock::now() >= deadline) return false;  // drop the connection
                std::this_thread::sleep_for(20ms);
                return true;
            });
    };
    auto stallSeconds = [this](const httplib::Request& req) -> long {
        const std::optional<std::string> seconds = Query(req, "seconds");
        if (!seconds) return options_.stallSeconds;
        return ParseCount(*seconds, kMaxHostileSeconds).value_or(options_.stallSeconds);
    };
    auto serveMedia = [this](const httplib::Request& req, httplib::Response& res, const std::string& name) {
        const MediaFile* media = name.empty() ? nullptr : data_.FindMedia(name);
        if (media == nullptr) return NotFound(res);
        // httplib parses the Range header before routing and cuts the body
        // after it, but writes an end past the file into Content-Range as
        // asked: clamp such ends to the last byte. (The request is httplib's
        // own non-const object, handed to handlers as const.)
        const auto size = static_cast<ssize_t>(media->bytes.size());
        for (httplib::Range& range : const_cast<httplib::Request&>(req).ranges)
            if (range.first >= 0 && range.first < size && range.second >= size) range.second = size - 1;
        res.set_header("Accept-Ranges", "bytes");
        res.set_content(media->bytes, media->contentType);
    };

    // --- the catalogue ---
    svr.Get("/", [this](const httplib::Request&, httplib::Response& res) {
        if (options_.listEntries > 0) return SendGeneratedList(res, "/");
        const ListPage* page = data_.FindPage("/");
        if (page == nullptr) return NotFound(res);
        res.set_content(ListPageHtml(data_, *page), "text/html; charset=utf-8");
    });
    svr.Get("/vodlist/index.php", [this](const httplib::Request& req, httplib::Response& res) {
        if (options_.listEntries > 0)
            return SendGeneratedList(res, ListPagePath(QueryOr(req, "id"), QueryOr(req, "page")));
        const ListPage* page = data_.FindPage(ListPagePath(QueryOr(req, "id"), QueryOr(req, "page")));
        if (page == nullptr) {
            res.status = 404;
            res.set_content(MissingListPageHtml(), "text/html; charset=utf-8");
            return;
        }
        res.set_content(ListPageHtml(data_, *page), "text/html; charset=utf-8");
    });
    svr.Get("/vod/index.php", [this](const httplib::Request& req, httplib::Response& res) {
        const CatalogueEntry* video = data_.FindVideo(QueryOr(req, "id"));
        if (video == nullptr) res.status = 404;
        const std::string address = video ? MediaAddress(*video, HostOf(req)) : std::string();
        res.set_content(DetailPageHtml(video, address), "text/html; charset=utf-8");
    });
    svr.Get("/img/([^/]+)\\.jpg", [this](const httplib::Request& req, httplib::Response& res) {
        const std::string* image = data_.FindListImage(req.matches[1]);
        if (image == nullptr) return NotFound(res);
        res.set_content(*image, "image/jpeg");
    });
    svr.Get("/bench/list", [this](const httplib::Request& req, httplib::Response& res) {
        const std::optional<long> entries = ParseCount(QueryOr(req, "entries", "10000"), kMaxBenchEntries);
        if (!entries) return BadRequest(res, "entries: 0 to " + std::to_string(kMaxBenchEntries));
        // The benchmark asks for the same page again and again: keep the last one.
        const std::string images = QueryOr(req, "images");
        if (!images.empty() && images != "bench") return BadRequest(res, "images: bench or nothing");
        const bool benchImages = !images.empty();
        std::lock_guard lock(benchMutex_);
        if (benchEntries_ != *entries || benchImages_ != benchImages || benchPage_.empty()) {
            benchPage_ = BenchListHtml(*entries, 100000, 20240601, benchImages);
            benchEntries_ = *entries;
            benchImages_ = benchImages;
        }
        res.set_content(benchPage_, "text/html; charset=utf-8");
    });

    // One of the demo images for every number, so each row of a large list
    // has an image of its own address.
    svr.Get("/bench/img/([0-9]{1,9})\\.jpg", [this](const httplib::Request& req, httplib::Response& res) {
        static const char* const kImages[] = {"demo-a.jpg", "demo-b.jpg", "demo.jpg"};
        const auto image = data_.images.find(kImages[std::stoul(req.matches[1]) % 3]);
        if (image == data_.images.end()) return NotFound(res);
        res.set_content(image->second, "image/jpeg");
    });

    // --- media ---
    svr.Get("/media/(.+)", [this, serveMedia](const httplib::Request& req, httplib::Response& res) {
        const std::string name = req.matches[1];
        serveMedia(req, res, name.find('/') == std::string::npos ? name : ServiceMediaFile(data_, name));
    });
    svr.Get("/mv/([^/]+)/temp\\.flv",
            [serveMedia](const httplib::Request& req, httplib::Response& res) { serveMedia(req, res, kFlvClip); });
    svr.Get("/([A-Za-z0-9_-]+)\\.flv", [this, serveMedia](const httplib::Request& req, httplib::Response& res) {
        const std::string id = req.matches[1];
        for (const MusicVideo& mv : data_.musicVideos)
            if (mv.videoId == id) return serveMedia(req, res, mv.media);
        serveMedia(req, res, kFlvClip);
    });
    svr.Get("/stream(/[A-Za-z0-9_-]+)?/live", [this](const httplib::Request&, httplib::Response& res) {
        const MediaFile* clip = data_.FindMedia(kFlvClip);
        if (clip == nullptr) return NotFound(res);
        res.set_chunked_content_provider("video/x-flv", [this, clip](std::size_t offset, httplib::DataSink& sink) {
            if (stopping_) return false;
            if (offset >= clip->bytes.size()) {
                sink.done();
                return true;
            }
            return sink.write(clip->bytes.data() + offset, std::min(kStreamChunk, clip->bytes.size() - offset));
        });
    });

    // --- the services ---
    svr.Get("/new/app/i/search\\.php", [this, send](const httplib::Request& req, httplib::Response& res) {
        send(res, SongSearchA(data_, QueryOr(req, "keyword")), options_.stallSeconds);
    });
    svr.Get("/i/", [this, send](const httplib::Request& req, httplib::Response& res) {
        send(res, TrackLocatorA(data_, QueryOr(req, "hash"), QueryOr(req, "key"), HostOf(req)), options_.stallSeconds);
    });
    svr.Get("/x", [this, send](const httplib::Request& req, httplib::Response& res) {
        send(res, SongSearchB(data_, QueryOr(req, "title"), HostOf(req)), options_.stallSeconds);
    });
    svr.Get("/yueku/intro/musina_mmi_search\\.php", [this, send](const httplib::Request& req, httplib::Response& res) {
        send(res, SongSearchC(data_, QueryOr(req, "key"), HostOf(req)), options_.stallSeconds);
    });
    svr.Get("/yueku/page/([^/]+)\\.html", [this, send](const httplib::Request& req, httplib::Response& res) {
        send(res, SongPageC(data_, req.matches[1].str(), HostOf(req)), options_.stallSeconds);
    });
    svr.Get("/fcgi-bin/music_json\\.fcg", [this, send](const httplib::Request& req, httplib::Response& res) {
        send(res, MusicVideoSearch(data_, QueryOr(req, "w")), options_.stallSeconds);
    });
    svr.Get("/json/([^/]+)/", [this, send](const httplib::Request& req, httplib::Response& res) {
        send(res, Video56Info(data_, req.matches[1].str(), HostOf(req)), options_.stallSeconds);
    });

    // --- redirects for probes ---
    svr.Get("/redirect/([0-9]+)", [](const httplib::Request& req, httplib::Response& res) {
        const std::optional<long> hops = ParseCount(req.matches[1].str(), kMaxRedirectHops);
        if (!hops || *hops == 0) return BadRequest(res, "hops: 1 to " + std::to_string(kMaxRedirectHops));
        const std::string to = QueryOr(req, "to", kDefaultRedirectTarget);
        // Only a path on this site: "//host" would leave it.
        if (to.empty() || to[0] != '/' || to.compare(0, 2, "//") == 0 || HasControlBytes(to))
            return BadRequest(res, "to: a path on this site");
        const std::string base = "http://" + HostOf(req);
        res.set_redirect(*hops > 1 ? base + "/redirect/" + std::to_string(*hops - 1) + "?to=" + QueryEncode(to)
                                   : base + to);
    });
    svr.Get("/redirect-to", [](const httplib::Request& req, httplib::Response& res) {
        const std::string url = QueryOr(req, "url");
        if (url.empty() || HasControlBytes(url)) return BadRequest(res, "url: an address without control characters");
        int status = 302;
        if (const std::optional<std::string> asked = Query(req, "status")) {
            status = static_cast<int>(ParseCount(*asked, 999).value_or(0));
            if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308)
                return BadRequest(res, "status: 301, 302, 303, 307 or 308");
        }
        res.set_redirect(url, status);
    });

    // --- hostile answers ---
    svr.Get("/hostile/stall", [send, stallSeconds](const httplib::Request& req, httplib::Response& res) {
        send(res, Reply{200, "text/html; charset=utf-8", "<html><head><title>", true}, stallSeconds(req));
    });
    svr.Get("/hostile/silent", [this, stallSeconds](const httplib::Request& req, httplib::Response& res) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(stallSeconds(req));
        while (!stopping_ && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(20ms);
        res.status = 504;
    });
    svr.Get("/hostile/garbage",
            [](const httplib::Request&, httplib::Response& res) { res.set_content(GarbageBytes(), "text/html"); });
}

}  // namespace lumora::site
