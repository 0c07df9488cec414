// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QSocketNotifier>

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

// The user the holder of a taken marker runs as: its credentials from a
// connection to it; empty when it cannot be asked.
std::optional<unsigned> AskHolder(const sockaddr_un& address, socklen_t length) {
    // A holder that has just bound the name listens a moment later: it is
    // asked again for up to a second.
    for (int attempt = 0; attempt < 50; ++attempt) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return std::nullopt;
        const int connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length);
        const int error = errno;
        if (connected == 0) {
            ucred credentials{};
            socklen_t size = sizeof credentials;
            const bool known = ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0;
            ::close(fd);
            if (known) return credentials.uid;
            return std::nullopt;
        }
        ::close(fd);
        if (error != ECONNREFUSED && error != EAGAIN) return std::nullopt;
        ::usleep(20'000);
    }
    return std::nullopt;
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
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name_.data(), name_.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name_.size());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        takenElsewhere_ = errno == EADDRINUSE;
        ::close(fd);
        if (takenElsewhere_) holderUid_ = AskHolder(address, length);
        return false;
    }
    ::listen(fd, SOMAXCONN);
    fd_ = fd;
    return true;
}

namespace {

// Never released: the name lives exactly as long as this process.
InstanceMarker& Marker() {
    static InstanceMarker marker;
    return marker;
}

}  // namespace

bool InstanceAlreadyRunning() {
    InstanceMarker& marker = Marker();
    if (marker.Held()) return false;
    if (!marker.Acquire() && !marker.TakenElsewhere())
        std::fprintf(stderr, "lumora: the instance marker could not be taken; running as the only copy\n");
    if (!marker.TakenElsewhere()) return false;
    if (marker.HolderUid() != ::getuid()) {
        if (marker.HolderUid())
            std::fprintf(stderr, "lumora: the instance marker is held by another user (uid %u); running as a copy "
                                 "of its own\n", *marker.HolderUid());
        else
            std::fprintf(stderr, "lumora: the instance marker is held by a process that does not answer; running "
                                 "as a copy of its own\n");
        return false;
    }
    return true;
}

void AnswerInstanceChecks() {
    const int fd = Marker().Socket();
    if (fd < 0 || !QCoreApplication::instance()) return;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [fd] {
        for (int taken; (taken = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) ::close(taken);
    });
}

}  // namespace lumora
