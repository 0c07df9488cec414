#include "app/SingleInstance.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/Config.h"

namespace lumora {

namespace {

constexpr const char kMarkerText[] = "视频播放器 by:tavrin";

bool NeedsQuotes(const std::string& bytes) {
    if (bytes.empty()) return true;
    for (unsigned char c : bytes)
        if (c < 0x21) return true;
    return false;
}

}  // namespace

std::string InstanceMarkerName() {
    // The leading zero byte puts the name into the abstract namespace.
    const Text& configured = Config::Get().instanceMarker;
    std::string name(1, '\0');
    if (!configured.Empty()) return name += configured.ToUtf8();
    name += kMarkerText;
    name += " uid=";
    name += std::to_string(::getuid());
    return name;
}

InstanceMarker::~InstanceMarker() {
    if (fd_ >= 0) ::close(fd_);
}

bool InstanceMarker::Acquire() {
    if (fd_ >= 0) return true;
    takenElsewhere_ = false;
    sockaddr_un address{};
    if (name_.empty() || name_.size() > sizeof address.sun_path) return false;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name_.data(), name_.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name_.size());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        takenElsewhere_ = errno == EADDRINUSE;
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool InstanceAlreadyRunning() {
    // Never released: the name lives exactly as long as this process.
    static InstanceMarker marker;
    if (marker.Held()) return false;
    if (!marker.Acquire() && !marker.TakenElsewhere())
        std::fprintf(stderr, "lumora: the instance marker could not be taken; running as the only copy\n");
    return marker.TakenElsewhere();
}

std::vector<Text> SplitCommandLine(const Text& commandLine) {
    const std::string& s = commandLine.Bytes();
    const std::size_t n = s.size();
    std::vector<Text> arguments;
    std::size_t at = 0;
    bool programPath = true;
    // Takes one character from `at`: a lead byte of 0x80 or above brings its
    // trail byte along when there is one.
    const auto step = [&](std::size_t i) {
        return static_cast<unsigned char>(s[i]) >= 0x80 && i + 1 < n ? i + 2 : i + 1;
    };
    while (true) {
        while (at < n && static_cast<unsigned char>(s[at]) < 0x21) ++at;
        if (at >= n) break;
        std::string argument;
        if (s[at] == '"') {
            std::size_t i = at + 1;
            while (i < n && s[i] != '"') i = step(i);
            argument.assign(s, at + 1, std::min(i, n) - (at + 1));
            at = i < n ? i + 1 : n;
        } else {
            std::size_t i = at;
            while (i < n && static_cast<unsigned char>(s[i]) >= 0x21 && s[i] != '"') i = step(i);
            i = std::min(i, n);
            argument.assign(s, at, i - at);
            at = i;
        }
        if (programPath)
            programPath = false;
        else
            arguments.push_back(Text::Gbk(std::move(argument)));
    }
    return arguments;
}

Text CommandLineOf(const std::vector<Text>& arguments) {
    std::string line;
    for (const Text& argument : arguments) {
        if (!line.empty()) line += ' ';
        if (NeedsQuotes(argument.Bytes()))
            line += '"' + argument.Bytes() + '"';
        else
            line += argument.Bytes();
    }
    return Text::Gbk(std::move(line));
}

}  // namespace lumora
