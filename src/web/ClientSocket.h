// SPDX-License-Identifier: GPL-3.0-or-later
// One TCP client socket over IPv4: connect to a dotted address, send, one
// bounded read. Event delivery to a Qt object (AsyncSelect) and the
// readiness check (Poll) are by-name surface the player never runs: they
// are built in ClientSocketEvents.cpp (library lumora_web_compat).
//
// Nothing needs starting up or cleaning up for POSIX sockets, so creating
// and releasing the object only opens and closes its socket. The socket is
// closed when the object is destroyed.
//
// Every blocking step (connect, send, receive) waits at most the object's
// time-out, so a dead or silent server can never hold the calling thread.
#pragma once

#include "base/Text.h"

#include <chrono>
#include <memory>

class QObject;

namespace lumora {

class ClientSocket {
public:
    // Read size of Receive.
    static constexpr std::size_t kReceiveSize = 2048;
    static constexpr std::chrono::milliseconds kDefaultTimeout{10'000};

    explicit ClientSocket(std::chrono::milliseconds timeout = kDefaultTimeout);
    ~ClientSocket();
    ClientSocket(const ClientSocket&) = delete;
    ClientSocket& operator=(const ClientSocket&) = delete;

    // The longest any one connect, send or receive waits; applies from the
    // next call on. Zero or less means the default.
    void SetTimeout(std::chrono::milliseconds timeout);
    std::chrono::milliseconds Timeout() const { return timeout_; }

    // Closes a socket that is still open, then opens a new one and connects
    // it to `address` (dotted IPv4 text, such as "127.0.0.1") and `port`
    // (1 to 65535). Blocks until connected, refused or timed out. True when
    // connected.
    bool Connect(const Text& address, int port);

    // Closes the socket (and drops its AsyncSelect registration). False when
    // there was no open socket.
    bool Close();

    // Sends all of `bytes`, waiting at most the time-out for room. True when
    // every byte went out. (A broken connection is a failure, never a signal.)
    bool Send(const ByteSet& bytes);

    // One read of at most kReceiveSize bytes: what arrived, possibly nothing
    // when the peer has closed, with `ok` true; empty with `ok` false when
    // the read failed or nothing arrived within the time-out. After
    // AsyncSelect the socket is non-blocking, and a read with nothing to
    // read fails at once (as a non-blocking socket would).
    ByteSet Receive(bool& ok);

    // Asks for socket events (the kSocket* bits of ClientSocketEvents.h) to be posted to `receiver` as SocketEvent
    // objects of type `message` (a registered or user event type) while the
    // calling thread runs its event loop. kSocketRead is posted when data is
    // waiting and again only after the next Receive; kSocketWrite once when
    // the socket can take data and again after a Send that found no room;
    // kSocketClose once when the peer has closed or the connection failed.
    // Makes the socket non-blocking. `events` 0 cancels the registration.
    // The registration belongs to the calling thread: Close, Connect and
    // destroy the object on that thread too. False without an open socket,
    // without a receiver or with an event type outside the user range.
    bool AsyncSelect(QObject* receiver, int message, long events);

    // Whether the socket can be read now without waiting (data, end of
    // stream or an error waiting): 0 readable, 1 not readable, -1 when the
    // check failed or there is no open socket. Does not wait.
    int Poll() const;

    // The descriptor, -1 when closed (0 is a valid descriptor here).
    int Handle() const { return fd_; }

    // What AsyncSelect leaves watching the socket; told when a read or a
    // send has happened, so it can report the next event.
    class EventWatch {
    public:
        virtual ~EventWatch() = default;
        virtual void RearmRead() = 0;
        virtual void RearmWrite() = 0;
    };

private:
    void DropNotifiers();
    void RearmRead();
    void RearmWrite();

    int fd_ = -1;
    bool nonBlocking_ = false;
    std::chrono::milliseconds timeout_;
    std::unique_ptr<EventWatch> notifiers_;
};

}  // namespace lumora
