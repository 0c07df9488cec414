// SPDX-License-Identifier: GPL-3.0-or-later
// The stream probe on loopback, beside the tools it stands in for.
//
// A cpp-httplib server in this process serves a chain /hop/0 -> ... -> /hop/10
// of 302 redirects ending in a small video answer. Timed, each as the median
// of many runs:
//  - ProbeStream over the whole chain against the curl command line tool
//    following the same chain with HEAD requests (`curl -sIL`);
//  - one request through the worker thread and the pumped wait
//    (ObjectRequest, SocketHeadProbe) against the same request made bare on
//    the calling thread (a fresh libcurl easy handle; connect, send, one recv).
//
// With the path of lumora-cli, `lumora-cli probe` is timed against `curl -sIL`
// as well, both as programs started afresh. The server answers without
// delay (TCP_NODELAY) and keeps a connection for 100 requests; how many
// connections one walk of the chain opens is printed too.
//
//   probe_bench [CHAIN_RUNS] [REQUEST_RUNS] [LUMORA_CLI]
#include "probe/ProbeStream.h"
#include "web/ObjectRequest.h"
#include "web/SocketHeadProbe.h"

#include <QCoreApplication>

#include <arpa/inet.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <httplib.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kHops = 10;

struct Row {
    explicit Row(std::string rowName) : name(std::move(rowName)) {}
    std::string name;
    std::vector<double> ms;
    double Median() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
};

// Runs `job` `runs` times after one warm-up run; false as soon as a run fails.
bool Time(Row& row, int runs, const std::function<bool()>& job) {
    if (!job()) return false;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        const bool ok = job();
        row.ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!ok) return false;
    }
    return true;
}

// Runs a program with its output thrown away; true when it exits with 0.
bool Run(std::vector<std::string> args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return failed == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// `curl -sIL -o /dev/null URL`.
bool CurlCli(const std::string& url) { return Run({"curl", "-sIL", "-o", "/dev/null", url}); }

size_t Keep(char* data, size_t size, size_t count, void* body) {
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

// A GET through a fresh easy handle, on a new connection each time.
bool BareCurl(const std::string& url, std::string& body) {
    body.clear();
    CURL* curl = curl_easy_init();
    if (!curl) return false;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Keep);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 10'000L);
    const bool ok = curl_easy_perform(curl) == CURLE_OK;
    curl_easy_cleanup(curl);
    return ok;
}

// `curl -sIL` without the process: HEAD requests following every redirect.
bool CurlFollow(const std::string& url) {
    CURL* curl = curl_easy_init();
    if (!curl) return false;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 10'000L);
    long status = 0;
    const bool ok = curl_easy_perform(curl) == CURLE_OK &&
                    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status == 200;
    curl_easy_cleanup(curl);
    return ok;
}

// The socket probe's exchange without the worker: connect, send, one recv.
bool BareSocket(int port, const std::string& request, std::string& head) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
              send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size());
    char buffer[2048];
    const ssize_t n = ok ? recv(fd, buffer, sizeof buffer, 0) : -1;
    head.assign(buffer, n > 0 ? static_cast<size_t>(n) : 0);
    if (fd >= 0) close(fd);
    return ok && n > 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int chainRuns = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const int requestRuns = argc > 2 ? std::max(1, std::atoi(argv[2])) : 500;
    curl_global_init(CURL_GLOBAL_DEFAULT);

    const std::string lumoraCli = argc > 3 ? argv[3] : "";
    httplib::Server server;
    server.set_tcp_nodelay(true);
    server.set_keep_alive_max_count(100);
    std::mutex portsMutex;
    std::set<int> clientPorts;  // one per connection
    // Before the answer goes out, so a walk's last request is counted before the walk ends.
    server.set_pre_routing_handler([&](const httplib::Request& request, httplib::Response&) {
        std::lock_guard lock(portsMutex);
        clientPorts.insert(request.remote_port);
        return httplib::Server::HandlerResponse::Unhandled;
    });
    // The connections `walk` opens.
    const auto connections = [&](const std::function<bool()>& walk) {
        {
            std::lock_guard lock(portsMutex);
            clientPorts.clear();
        }
        walk();
        std::lock_guard lock(portsMutex);
        return clientPorts.size();
    };
    int port = 0;
    server.Get(R"(/hop/(\d+))", [&port](const httplib::Request& request, httplib::Response& response) {
        const int hop = std::stoi(request.matches[1].str());
        if (hop < kHops) {
            response.set_redirect("http://127.0.0.1:" + std::to_string(port) + "/hop/" + std::to_string(hop + 1));
            return;
        }
        response.set_content(std::string(1024, 'v'), "video/x-flv");
    });
    port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        std::fprintf(stderr, "no port on 127.0.0.1\n");
        return 1;
    }
    // Connections made before the loop runs wait in the listen backlog.
    std::thread serving([&server] { server.listen_after_bind(); });

    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    const std::string start = base + "/hop/0";
    const std::string last = base + "/hop/" + std::to_string(kHops);
    const lumora::Text expected(("[Length]1024[/Length][Type]video/x-flv[/Type][File]" + last + "[/File]").c_str());

    Row probe("lumora ProbeStream"), cli("curl -sIL (command line)"), follow("libcurl HEAD following, in process");
    Row lumoraCommand("lumora-cli probe (command line)"), curlCommand("curl -sIL (command line)");
    Row object("lumora ObjectRequest GET"), easy("libcurl easy GET, fresh handle");
    Row socketProbe("lumora SocketHeadProbe"), bareSocket("bare connect/send/recv");
    std::string body;
    const std::string request = "GET /hop/" + std::to_string(kHops) +
                                " HTTP/1.1\r\nUser-Agent: QuilPlayer/QQ100200300\r\nAccept: */*\r\n"
                                "Referer: " +
                                base + "/\r\nHost: 127.0.0.1\r\n\r\n";
    const lumora::Text lastText(last.c_str());

    const char* failed = nullptr;
    if (const lumora::Text record = lumora::ProbeStream(lumora::Text(start.c_str())); record != expected)
        std::fprintf(stderr, "record: %s\n", record.ToUtf8().c_str());
    if (!Time(probe, chainRuns, [&] { return lumora::ProbeStream(lumora::Text(start.c_str())) == expected; }))
        failed = "ProbeStream did not reach the end of the chain";
    else if (!Time(cli, chainRuns, [&] { return CurlCli(start); }))
        failed = "curl -sIL failed (Debian: apt-get install curl)";
    else if (!Time(follow, chainRuns, [&] { return CurlFollow(start); }))
        failed = "libcurl did not follow the chain";
    else if (!lumoraCli.empty() && !Time(lumoraCommand, chainRuns, [&] { return Run({lumoraCli, "probe", start}); }))
        failed = "lumora-cli probe failed";
    else if (!lumoraCli.empty() && !Time(curlCommand, chainRuns, [&] { return CurlCli(start); }))
        failed = "curl -sIL failed";
    else if (!Time(object, requestRuns, [&] { return lumora::ObjectRequest(lastText).size() == 1024; }))
        failed = "ObjectRequest failed";
    else if (!Time(easy, requestRuns, [&] { return BareCurl(last, body) && body.size() == 1024; }))
        failed = "libcurl request failed";
    else if (!Time(socketProbe, requestRuns, [&] { return !lumora::SocketHeadProbe(lastText).Empty(); }))
        failed = "SocketHeadProbe failed";
    else if (!Time(bareSocket, requestRuns, [&] { return BareSocket(port, request, body); }))
        failed = "bare socket request failed";

    const std::size_t probeConnections =
        connections([&] { return lumora::ProbeStream(lumora::Text(start.c_str())) == expected; });
    const std::size_t curlConnections = connections([&] { return CurlCli(start); });

    server.stop();
    serving.join();
    curl_global_cleanup();
    if (failed) {
        std::fprintf(stderr, "%s\n", failed);
        return 1;
    }

    std::printf("%d-hop redirect chain on 127.0.0.1, %d runs; single requests, %d runs\n\n", kHops, chainRuns,
                requestRuns);
    // Each group: lumora's row first, then its peers with lumora's median over theirs.
    std::printf("%-36s %10s %14s\n", "", "median ms", "lumora/this");
    const auto print = [](const Row& lumora, const std::vector<const Row*>& peers) {
        std::printf("%-36s %10.3f\n", lumora.name.c_str(), lumora.Median());
        for (const Row* peer : peers)
            std::printf("%-36s %10.3f %14.2f\n", peer->name.c_str(), peer->Median(), lumora.Median() / peer->Median());
        std::printf("\n");
    };
    if (!lumoraCli.empty()) print(lumoraCommand, {&curlCommand});
    print(probe, {&cli, &follow});
    print(object, {&easy});
    print(socketProbe, {&bareSocket});
    std::printf("connections per walk of the chain: lumora %zu, curl -sIL %zu\n", probeConnections, curlConnections);
    std::printf("goal: lumora-cli probe at most 1.5 x curl -sIL\n");
    return 0;
}
