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

}  // namespace lumora
