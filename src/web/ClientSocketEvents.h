// SPDX-License-Identifier: GPL-3.0-or-later
// The socket's events as AsyncSelect posts them to a Qt object.
#pragma once

#include "web/ClientSocket.h"

#include <QEvent>

namespace lumora {

// Event bits of AsyncSelect, with the values of their Winsock names.
inline constexpr long kSocketRead = 0x01;     // FD_READ
inline constexpr long kSocketWrite = 0x02;    // FD_WRITE
inline constexpr long kSocketOob = 0x04;      // FD_OOB (accepted, never delivered)
inline constexpr long kSocketAccept = 0x08;   // FD_ACCEPT (accepted, never delivered)
inline constexpr long kSocketConnect = 0x10;  // FD_CONNECT (connects are synchronous: never delivered)
inline constexpr long kSocketClose = 0x20;    // FD_CLOSE

// What AsyncSelect posts to its receiver: the socket, one event bit and the
// error number that came with it (0 for none).
class SocketEvent : public QEvent {
public:
    SocketEvent(QEvent::Type type, int socket, long event, int error)
        : QEvent(type), socket_(socket), event_(event), error_(error) {}
    int Socket() const { return socket_; }
    long Event() const { return event_; }
    int Error() const { return error_; }

private:
    int socket_;
    long event_;
    int error_;
};

}  // namespace lumora
