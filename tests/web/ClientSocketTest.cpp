// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/ClientSocketEvents.h"

#include "RawServer.h"
#include "RequestTestSupport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <gtest/gtest.h>

namespace lumora {
namespace {

using namespace std::chrono_literals;
using test::ClosedPort;
using test::Eventually;
using test::RawServer;
using test::Since;

const Text kLoopback("127.0.0.1");
const std::string kRequest = "GET / HTTP/1.1\r\n\r\n";

RawServer::Handler Answer(std::string bytes, bool holdOpen = false, std::vector<RawServer::Piece> later = {}) {
    return [=](const std::string&, int) { return RawServer::Reply{bytes, holdOpen, later}; };
}

TEST(ClientSocket, ConnectSendReceiveClose) {
    const std::string reply(5000, 'r');
    RawServer server(Answer(reply));
    ClientSocket socket;

    ASSERT_TRUE(socket.Connect(kLoopback, server.Port()));
    EXPECT_GE(socket.Handle(), 0);
    EXPECT_TRUE(socket.Send(kRequest));
    // Let the whole reply arrive; one read still takes at most 2048 bytes.
    ASSERT_TRUE(Eventually([&] { return server.Requests().size() == 1; }, 3s));
    std::this_thread::sleep_for(50ms);
    bool ok = false;
    EXPECT_EQ(socket.Receive(ok), reply.substr(0, 2048));
    EXPECT_TRUE(ok);
    EXPECT_TRUE(socket.Close());
    EXPECT_EQ(socket.Handle(), -1);
    EXPECT_FALSE(socket.Close());
    EXPECT_EQ(server.Requests()[0], kRequest);
}

TEST(ClientSocket, ConnectRefusesWhatItCannotUse) {
    RawServer server(Answer("x"));
    struct Case {
        std::string address;
        int port;
    };
    const std::vector<Case> cases = {
        {"localhost", server.Port()},  // a name, not a dotted address
        {"", server.Port()},
        {"256.1.1.1", server.Port()},
        {"255.255.255.255", server.Port()},
        {std::string("127.0.0.1\0junk", 14), server.Port()},
        {"127.0.0.1", 0},
        {"127.0.0.1", 65536},
        {"127.0.0.1", -80},
        {"127.0.0.1", ClosedPort()},
    };
    for (const Case& c : cases) {
        ClientSocket socket;
        EXPECT_FALSE(socket.Connect(Text::Gbk(c.address), c.port)) << c.address << ":" << c.port;
        EXPECT_EQ(socket.Handle(), -1) << c.address << ":" << c.port;
    }
}

TEST(ClientSocket, ReceiveOutcomes) {
    struct Case {
        std::string name;
        RawServer::Reply reply;
        bool ok;
    };
    const std::vector<Case> cases = {
        {"peer closed", {"", false, {}}, true},
        {"silent peer: the time-out passes", {"", true, {}}, false},
    };
    for (const Case& c : cases) {
        RawServer server([&](const std::string&, int) { return c.reply; });
        ClientSocket socket(200ms);
        ASSERT_TRUE(socket.Connect(kLoopback, server.Port())) << c.name;
        ASSERT_TRUE(socket.Send(kRequest)) << c.name;
        const auto start = test::Clock::now();
        bool ok = !c.ok;
        EXPECT_EQ(socket.Receive(ok), "") << c.name;
        EXPECT_EQ(ok, c.ok) << c.name;
        EXPECT_LT(Since(start), 3s) << c.name;
    }
}

TEST(ClientSocket, ClosedSocketFailsEveryStep) {
    ClientSocket socket;
    bool ok = true;
    EXPECT_FALSE(socket.Send("x"));
    EXPECT_EQ(socket.Receive(ok), "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(socket.Poll(), -1);
    QObject receiver;
    EXPECT_FALSE(socket.AsyncSelect(&receiver, QEvent::User + 1, kSocketRead));
}

TEST(ClientSocket, PollTellsWhetherAReadWouldWait) {
    RawServer server(Answer("", true, {{100ms, "late"}}));
    ClientSocket socket;
    ASSERT_TRUE(socket.Connect(kLoopback, server.Port()));
    ASSERT_TRUE(socket.Send(kRequest));
    EXPECT_EQ(socket.Poll(), 1);
    ASSERT_TRUE(Eventually([&] { return socket.Poll() == 0; }, 3s));
    bool ok = false;
    EXPECT_EQ(socket.Receive(ok), "late");
    EXPECT_EQ(socket.Poll(), 1);
}

TEST(ClientSocket, DestructionClosesTheSocket) {
    RawServer server(Answer("", true));
    {
        ClientSocket socket;
        ASSERT_TRUE(socket.Connect(kLoopback, server.Port()));
        ASSERT_TRUE(socket.Send(kRequest));
        ASSERT_TRUE(Eventually([&] { return server.Requests().size() == 1; }, 3s));
    }
    EXPECT_TRUE(Eventually([&] { return server.ClosedByClient() == 1; }, 3s));
}

// Records the socket events posted to it.
class EventLog : public QObject {
public:
    std::vector<long> events;
    int socket = -2;

protected:
    bool event(QEvent* e) override {
        if (e->type() != kType) return QObject::event(e);
        const auto* socketEvent = static_cast<SocketEvent*>(e);
        events.push_back(socketEvent->Event());
        socket = socketEvent->Socket();
        return true;
    }

public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 7);
};

// Handles events until `condition` holds or 3 s pass.
bool PumpUntil(const std::function<bool()>& condition) {
    const auto deadline = test::Clock::now() + 3s;
    while (!condition() && test::Clock::now() < deadline) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

TEST(ClientSocket, AsyncSelectPostsReadWriteAndClose) {
    RawServer server(Answer("", false, {{100ms, "first"}}));
    ClientSocket socket;
    ASSERT_TRUE(socket.Connect(kLoopback, server.Port()));
    ASSERT_TRUE(socket.Send(kRequest));
    EventLog log;
    ASSERT_TRUE(socket.AsyncSelect(&log, EventLog::kType, kSocketRead | kSocketWrite | kSocketClose));

    // Writable at once, reported once.
    ASSERT_TRUE(PumpUntil([&] { return !log.events.empty(); }));
    EXPECT_EQ(log.events, std::vector<long>{kSocketWrite});
    EXPECT_EQ(log.socket, socket.Handle());

    // Data: one read event, repeated only after a Receive.
    ASSERT_TRUE(PumpUntil([&] { return log.events.size() == 2; }));
    EXPECT_EQ(log.events.back(), kSocketRead);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(log.events.size(), 2u);
    bool ok = false;
    EXPECT_EQ(socket.Receive(ok), "first");

    // The server closes after its reply.
    ASSERT_TRUE(PumpUntil([&] { return log.events.size() == 3; }));
    EXPECT_EQ(log.events.back(), kSocketClose);

    // Non-blocking now: the read returns at once.
    const auto start = test::Clock::now();
    EXPECT_EQ(socket.Receive(ok), "");
    EXPECT_TRUE(ok);  // end of stream
    EXPECT_LT(Since(start), 100ms);

    // Cancelled registrations post nothing more.
    EXPECT_TRUE(socket.AsyncSelect(&log, EventLog::kType, 0));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(log.events.size(), 3u);
    EXPECT_FALSE(socket.AsyncSelect(&log, QEvent::None, kSocketRead));
    EXPECT_FALSE(socket.AsyncSelect(nullptr, EventLog::kType, kSocketRead));
}

}  // namespace
}  // namespace lumora
