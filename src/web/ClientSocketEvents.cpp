// SPDX-License-Identifier: GPL-3.0-or-later
// AsyncSelect and Poll: the socket's by-name surface that the player never runs.
#include "web/ClientSocketEvents.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <memory>

namespace lumora {

namespace {

// The notifiers of an AsyncSelect registration, living on the thread that
// registered.
struct Notifiers : ClientSocket::EventWatch {
    QPointer<QObject> receiver;
    QEvent::Type type = QEvent::None;
    long events = 0;
    int fd = -1;
    std::unique_ptr<QSocketNotifier> read;
    std::unique_ptr<QSocketNotifier> write;
    bool closePosted = false;

    void Post(long event, int error) const {
        if (receiver) QCoreApplication::postEvent(receiver, new SocketEvent(type, fd, event, error));
    }

    // Data waiting, end of stream or an error: find out which without
    // consuming anything. Read events pause until the next Receive, so a
    // level-triggered notifier does not flood the receiver.
    void OnReadable() {
        char byte = 0;
        const ssize_t n = recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
        read->setEnabled(false);
        if (n > 0) {
            if (events & kSocketRead) Post(kSocketRead, 0);
            return;
        }
        closePosted = true;
        if (events & kSocketClose) Post(kSocketClose, n == 0 ? 0 : errno);
    }

    void OnWritable() {
        write->setEnabled(false);
        Post(kSocketWrite, 0);
    }

    void RearmRead() override {
        if (read && !closePosted) read->setEnabled(true);
    }

    void RearmWrite() override {
        if (write) write->setEnabled(true);
    }
};

}  // namespace

bool ClientSocket::AsyncSelect(QObject* receiver, int message, long events) {
    if (fd_ < 0) return false;
    DropNotifiers();
    if (events == 0) return true;
    if (!receiver || message < QEvent::User || message > QEvent::MaxUser) return false;

    auto notifiers = std::make_unique<Notifiers>();
    notifiers->receiver = receiver;
    notifiers->type = static_cast<QEvent::Type>(message);
    notifiers->events = events;
    notifiers->fd = fd_;
    Notifiers* self = notifiers.get();
    if (events & (kSocketRead | kSocketClose)) {
        notifiers->read = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifiers->read.get(), &QSocketNotifier::activated, notifiers->read.get(),
                         [self] { self->OnReadable(); });
    }
    if (events & kSocketWrite) {
        notifiers->write = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
        QObject::connect(notifiers->write.get(), &QSocketNotifier::activated, notifiers->write.get(),
                         [self] { self->OnWritable(); });
    }
    notifiers_ = std::move(notifiers);
    nonBlocking_ = true;
    return true;
}

int ClientSocket::Poll() const {
    if (fd_ < 0) return -1;
    pollfd entry{fd_, POLLIN | POLLPRI, 0};
    int ready = 0;
    do {
        ready = poll(&entry, 1, 0);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0 || (entry.revents & POLLNVAL)) return -1;
    return ready > 0 ? 0 : 1;
}

}  // namespace lumora
