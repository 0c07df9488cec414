// SPDX-License-Identifier: GPL-3.0-or-later
// Continuing a download cut at half, beside `curl -C - -o` on the same cut.
//
// nginx (started here with a private prefix and configuration, on a free
// port of 127.0.0.1) serves a SIZE MiB file. A first `lumora-cli download`
// gets the whole speed up to half the file and then a trickle (nginx's
// limit_rate for requests without Range); it is killed once its .part holds
// half the file, and the .part is cut to exactly half. curl's file is a copy
// of that half. Then, taking turns ROUNDS times, each continues from that
// same cut: `curl -s -C - -o FILE URL` and `lumora-cli download URL FILE`,
// each started directly (no shell) with its output thrown away. Prints the
// bytes nginx sent for the second half (its access log: body, and with the
// response headers), the median throughput over the missing bytes, and each
// process's peak resident set (ru_maxrss), then checks both files against
// the source.
//
//   resume_bench WORK_DIR LUMORA_CLI [SIZE_MIB] [ROUNDS]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "resume_bench: %s\n", what.c_str());
    std::exit(1);
}

off_t FileSize(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

pid_t Spawn(const std::vector<std::string>& args, const std::string& out = "/dev/null") {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    return failed == 0 ? pid : -1;
}

struct Run {
    double seconds = -1;
    long peakKiB = -1;
};

// Wall time and peak resident set of one process run to its end. (This
// process stays a few MiB, below what it measures: a child's ru_maxrss
// starts from the size of the process it was spawned from.)
Run Timed(const std::vector<std::string>& args) {
    Run run;
    const auto start = Clock::now();
    const pid_t pid = Spawn(args);
    if (pid < 0) return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return run;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.peakKiB = usage.ru_maxrss;
    return run;
}

int FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        Fail("no free port on 127.0.0.1");
    close(s);
    return ntohs(address.sin_port);
}

bool Listening(int port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(s);
    return ok;
}

// SIZE bytes that differ from block to block (xorshift), written once.
void MakeSource(const std::string& path, std::int64_t size) {
    std::ofstream out(path, std::ios::binary);
    std::vector<std::uint64_t> block(1 << 17);
    std::uint64_t x = 0x9E3779B97F4A7C15ull;
    for (std::int64_t written = 0; written < size;) {
        for (std::uint64_t& word : block) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            word = x;
        }
        const auto n = static_cast<std::streamsize>(std::min<std::int64_t>(size - written, block.size() * 8));
        out.write(reinterpret_cast<const char*>(block.data()), n);
        written += n;
    }
    if (!out) Fail("cannot write " + path);
}

bool SameBytes(const std::string& a, const std::string& b) {
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    std::vector<char> p(1 << 20), q(1 << 20);
    while (x && y) {
        x.read(p.data(), static_cast<std::streamsize>(p.size()));
        y.read(q.data(), static_cast<std::streamsize>(q.size()));
        if (x.gcount() != y.gcount() || std::memcmp(p.data(), q.data(), static_cast<std::size_t>(x.gcount())) != 0)
            return false;
    }
    return !x && !y;
}

void CopyFirst(const std::string& from, const std::string& to, off_t size) {
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    off_t done = 0;
    while (in >= 0 && out >= 0 && done < size) {
        const ssize_t n = copy_file_range(in, nullptr, out, nullptr, static_cast<std::size_t>(size - done), 0);
        if (n <= 0) break;
        done += n;
    }
    if (in >= 0) close(in);
    if (out >= 0) close(out);
    if (done != size) Fail("cannot copy the cut into " + to);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Body bytes and all bytes of the last request in nginx's access log.
std::pair<long long, long long> LastSent(const std::string& log) {
    const std::string text = ReadAll(log);
    const std::size_t end = text.find_last_not_of('\n');
    const std::size_t start = text.rfind('\n', end);
    std::istringstream line(text.substr(start == std::string::npos ? 0 : start + 1));
    long long body = -1, all = -1;
    line >> body >> all;
    return {body, all};
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

struct Row {
    explicit Row(const char* rowName) : name(rowName) {}
    const char* name;
    std::vector<double> seconds;
    std::vector<double> body;
    std::vector<double> all;
    long peakKiB = -1;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: resume_bench WORK_DIR LUMORA_CLI [SIZE_MIB] [ROUNDS]\n");
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    const std::string work = argv[1];
    const std::string cli = argv[2];
    const long sizeMiB = argc > 3 ? std::max(2L, std::atol(argv[3])) : 512;
    const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;
    const off_t size = static_cast<off_t>(sizeMiB) << 20;
    const off_t half = size / 2;
    const double missingMiB = static_cast<double>(size - half) / (1 << 20);

    // nginx's workers may run as another user (nobody, when started as root).
    chmod(work.c_str(), 0755);
    mkdir((work + "/www").c_str(), 0755);
    mkdir((work + "/lumora").c_str(), 0755);
    mkdir((work + "/curl").c_str(), 0755);
    const std::string source = work + "/www/big.bin";
    MakeSource(source, size);

    // Requests without Range get half the file at full speed, then 256 KiB/s:
    // the first download is cut at half; the continuations run unhindered.
    const int port = FreePort();
    const std::string log = work + "/access.log";
    std::ofstream(work + "/nginx.conf") << "worker_processes 1;\ndaemon off;\npid " << work << "/nginx.pid;\nerror_log "
                                        << work << "/error.log;\n"
                                        << "events { worker_connections 64; }\nhttp {\n"
                                        << "  client_body_temp_path " << work << "/tmp-body;\n  proxy_temp_path "
                                        << work << "/tmp-proxy;\n"
                                        << "  fastcgi_temp_path " << work << "/tmp-fastcgi;\n  uwsgi_temp_path " << work
                                        << "/tmp-uwsgi;\n"
                                        << "  scgi_temp_path " << work << "/tmp-scgi;\n"
                                        << "  log_format bench '$body_bytes_sent $bytes_sent';\n  access_log " << log
                                        << " bench;\n"
                                        << "  map $http_range $cut_rate { \"\" 262144; default 0; }\n  sendfile on;\n"
                                        << "  server {\n    listen 127.0.0.1:" << port << ";\n    root " << work
                                        << "/www;\n"
                                        << "    location / { limit_rate_after " << half
                                        << "; limit_rate $cut_rate; }\n  }\n}\n";
    const pid_t nginx = Spawn({"nginx", "-p", work + "/", "-c", work + "/nginx.conf", "-e", work + "/error.log"});
    if (nginx < 0) Fail("cannot start nginx (Debian: apt-get install nginx-light)");
    for (int i = 0; i < 200 && !Listening(port); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!Listening(port)) Fail("nginx does not listen: " + ReadAll(work + "/error.log"));
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/big.bin";

    // The cut.
    const std::string target = work + "/lumora/big.MP4";
    const std::string part = target + ".part";
    const std::string record = target + ".resume";
    const pid_t first = Spawn({cli, "download", url, target});
    const auto deadline = Clock::now() + std::chrono::minutes(5);
    bool ended = false;
    while (FileSize(part) < half && Clock::now() < deadline && !ended) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ended = waitpid(first, nullptr, WNOHANG) == first;
    }
    if (!ended) {
        kill(first, SIGKILL);
        waitpid(first, nullptr, 0);
    }
    if (FileSize(part) < half || truncate(part.c_str(), half) != 0 || FileSize(record) <= 0)
        Fail("the first download did not leave half the file and its record");
    const std::string savedRecord = ReadAll(record);
    const std::string curlFile = work + "/curl/big.bin";
    CopyFirst(part, curlFile, half);

    Row curl("curl -s -C - -o FILE URL");
    Row lumora("lumora-cli download URL FILE");
    const auto runCurl = [&] {
        if (truncate(curlFile.c_str(), half) != 0) Fail("cannot cut " + curlFile);
        const Run run = Timed({"curl", "-s", "-C", "-", "-o", curlFile, url});
        if (run.seconds < 0 || FileSize(curlFile) != size) Fail("curl failed (Debian: apt-get install curl)");
        return run;
    };
    const auto runLumora = [&] {
        if (FileSize(target) == size) rename(target.c_str(), part.c_str());
        if (truncate(part.c_str(), half) != 0) Fail("cannot cut " + part);
        std::ofstream(record, std::ios::binary) << savedRecord;
        const Run run = Timed({cli, "download", url, target});
        if (run.seconds < 0 || FileSize(target) != size) Fail("lumora-cli download failed");
        return run;
    };
    for (int round = 0; round < rounds; ++round) {
        // Taking turns: who goes first alternates, so neither always meets a
        // warmer or a busier machine.
        for (int turn = 0; turn < 2; ++turn) {
            const bool curlNow = (round + turn) % 2 == 0;
            Row& row = curlNow ? curl : lumora;
            const Run run = curlNow ? runCurl() : runLumora();
            const auto [body, all] = LastSent(log);
            row.seconds.push_back(run.seconds);
            row.body.push_back(static_cast<double>(body));
            row.all.push_back(static_cast<double>(all));
            row.peakKiB = std::max(row.peakKiB, run.peakKiB);
        }
    }
    kill(nginx, SIGTERM);
    waitpid(nginx, nullptr, 0);
    const bool curlSame = SameBytes(curlFile, source);
    const bool lumoraSame = SameBytes(target, source);

    const double missing = static_cast<double>(size - half);
    const double curlRate = missingMiB / Median(curl.seconds);
    std::printf("%ld MiB from nginx on 127.0.0.1, cut at %ld MiB, continued; medians of %d rounds taking turns\n\n",
                sizeMiB, sizeMiB / 2, rounds);
    std::printf("%-30s %14s %9s %14s %8s %8s %8s %10s\n", "", "body bytes", "/missing", "with headers", "MiB/s",
                "/curl", "peak MiB", "same file");
    for (const Row* row : {&curl, &lumora}) {
        const double rate = missingMiB / Median(row->seconds);
        std::printf("%-30s %14.0f %9.4f %14.0f %8.0f %8.2f %8.1f %10s\n", row->name, Median(row->body),
                    Median(row->body) / missing, Median(row->all), rate, rate / curlRate, row->peakKiB / 1024.0,
                    (row == &curl ? curlSame : lumoraSame) ? "yes" : "NO");
    }
    std::printf(
        "\nmissing bytes: %.0f; goals for lumora: body bytes <= 1.01 x missing, MiB/s >= 1.0 x curl, "
        "peak <= 32 MiB\n",
        missing);
    return curlSame && lumoraSame ? 0 : 1;
}
