// SPDX-License-Identifier: GPL-3.0-or-later
// The real lumora binary in separate processes: a later copy hands its first
// argument, as the shell gave it, to the running one and ends at once; the
// running copy plays what it is handed and its own argument; only sockets of
// the same user are listened to or handed anything; the marker goes with its
// holder, a crash included; the program gets by without its handoff port,
// and --help, --version and usage errors need no display.
#include "app/Handoff.h"
#include "app/SingleInstance.h"
#include "app/UdpSocketOwner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTcpServer>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QUdpSocket>

#include <QTemporaryDir>

#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QThread>
#include <csignal>
#include <ctime>
#include <sys/un.h>
#include <cstring>
#include <cstddef>
#include <gtest/gtest.h>

#include <optional>

namespace lumora {
namespace {

// Where the catalogue is looked for: a port nothing listens on, so the list
// fetch fails at once.
const QString kDeadSite = QStringLiteral("127.0.0.1:1");

// A free UDP port on 127.0.0.1 (free when this returns; nobody else is
// expected to take it within the test).
quint16 FreeUdpPort() {
    QUdpSocket probe;
    if (!probe.bind(QHostAddress(QHostAddress::LocalHost), 0, QAbstractSocket::DontShareAddress)) return 0;
    return probe.localPort();
}

// The marker and the handoff port of the programs one test starts: private
// to the test, so a Lumora of the same user may run meanwhile.
struct Instance {
    QString marker = QStringLiteral("lumora-handoff-test %1 %2")
                         .arg(QCoreApplication::applicationPid())
                         .arg(QRandomGenerator::global()->generate());
    quint16 port = FreeUdpPort();

    // The marker's abstract socket name, as the program makes it.
    std::string MarkerName() const { return std::string(1, '\0') + marker.toStdString(); }
};

QProcessEnvironment LumoraEnvironment(const Instance& instance) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LUMORA_CATALOGUE_HOST"), kDeadSite);
    environment.insert(QStringLiteral("LUMORA_SERVICE_HOST"), kDeadSite);
    environment.insert(QStringLiteral("LUMORA_INSTANCE_MARKER"), instance.marker);
    environment.insert(QStringLiteral("LUMORA_HANDOFF_PORT"), QString::number(instance.port));
    // The history of what it plays stays out of the user's.
    static const QTemporaryDir data;
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    return environment;
}

void Start(QProcess& process, const QStringList& arguments, const QProcessEnvironment& environment) {
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(LUMORA_APP_BINARY), arguments);
    ASSERT_TRUE(process.waitForStarted(10'000));
}

// Reads the process's standard output until a line equal to `line` (or
// starting with it, when `prefix`) has come; all of it stays in `seen`.
bool WaitForLine(QProcess& process, QString& seen, const QString& line, bool prefix = false, int limitMs = 15'000) {
    QElapsedTimer clock;
    clock.start();
    while (true) {
        seen += QString::fromUtf8(process.readAllStandardOutput());
        for (const QString& got : seen.split(QLatin1Char('\n')))
            if (prefix ? got.startsWith(line) : got == line) return true;
        if (clock.elapsed() > limitMs || process.state() == QProcess::NotRunning) return false;
        process.waitForReadyRead(100);
    }
}

void Stop(QProcess& process) {
    process.terminate();
    if (!process.waitForFinished(10'000)) {
        process.kill();
        process.waitForFinished(5'000);
    }
}

// Another local user: runs `body` in a child process as user nobody and
// returns its pid. Only root may do that; -1 otherwise. The child uses raw
// system calls only (it is a fork of a process with threads).
template <typename Body>
pid_t AsOtherUser(Body body) {
    if (::geteuid() != 0) return -1;
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(120);
    ::_exit(body());
}

int ExitCodeOf(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

sockaddr_in Loopback(quint16 port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Answers a later copy's datagram as a running copy does, after checking that
// the sender's socket is still there and is this user's.
void Answer(QUdpSocket& port, const QNetworkDatagram& datagram) {
    const std::array<std::uint8_t, 4> loopback = {127, 0, 0, 1};
    EXPECT_EQ(UdpSocketOwner(loopback, static_cast<std::uint16_t>(datagram.senderPort())), ::getuid())
        << "the sender's socket is gone or is not this user's";
    port.writeDatagram(QByteArray(), datagram.senderAddress(), static_cast<quint16>(datagram.senderPort()));
}

TEST(HandoffProcessTest, LaterCopyHandsItsFirstArgumentOverAndEnds) {
    // This test is the running copy: it holds the marker and the port.
    QUdpSocket port;
    ASSERT_TRUE(port.bind(QHostAddress(QHostAddress::LocalHost), 0, QAbstractSocket::DontShareAddress));
    Instance instance;
    instance.port = port.localPort();
    InstanceMarker marker(instance.MarkerName());
    ASSERT_TRUE(marker.Acquire());

    // A working directory with files whose names a file manager passes.
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    for (const char* name : {"my clip.mp4", "a\"b c.mp4"}) {
        QFile file(directory.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QByteArray here = directory.path().toUtf8();

    struct Case {
        QStringList arguments;
        std::optional<QByteArray> datagram;
    };
    const std::vector<Case> cases = {
        {{QStringLiteral("http://127.0.0.1/a b.mp4")}, QByteArray("http://127.0.0.1/a b.mp4")},
        {{QStringLiteral("视频 地址.flv"), QStringLiteral("second")},
         QByteArray::fromStdString(Text("视频 地址.flv").Bytes())},
        {{QStringLiteral("--report-state"), QStringLiteral("ab")}, QByteArray("ab")},
        // Taken as the shell gave it: quotes are part of it.
        {{QStringLiteral("http://host/a\"b.mp4")}, QByteArray("http://host/a\"b.mp4")},
        {{QStringLiteral("\"quoted\"")}, QByteArray("\"quoted\"")},
        // Relative file names are taken from the current directory.
        {{QStringLiteral("my clip.mp4")}, here + "/my clip.mp4"},
        {{QStringLiteral("a\"b c.mp4")}, here + "/a\"b c.mp4"},
        {{QStringLiteral("missing.mp4")}, QByteArray("missing.mp4")},
        {{QStringLiteral("--"), QStringLiteral("--odd")}, QByteArray("--odd")},
        {{QStringLiteral("a")}, std::nullopt},
        {{}, std::nullopt},
        // Never handed over: they print and end.
        {{QStringLiteral("--help"), QStringLiteral("http://127.0.0.1/x.mp4")}, std::nullopt},
        {{QStringLiteral("--version")}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char('|')).toStdString());
        QProcess later;
        later.setWorkingDirectory(directory.path());
        Start(later, QStringList{QStringLiteral("--report-state")} + c.arguments, LumoraEnvironment(instance));
        // The later copy waits for the answer that tells it the sender was
        // looked at; it gets one once the datagram is read.
        if (c.datagram) {
            ASSERT_TRUE(port.hasPendingDatagrams() || port.waitForReadyRead(10'000));
            const QNetworkDatagram datagram = port.receiveDatagram();
            EXPECT_EQ(datagram.data(), *c.datagram);
            Answer(port, datagram);
        }
        ASSERT_TRUE(later.waitForFinished(20'000));
        EXPECT_EQ(later.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(later.exitCode(), 0);
        const QString output = QString::fromUtf8(later.readAllStandardOutput());
        EXPECT_FALSE(output.contains(QStringLiteral("ready:"))) << "ended before setting the window up";
        EXPECT_FALSE(port.hasPendingDatagrams() || port.waitForReadyRead(200)) << "one datagram at most";
    }
}

TEST(HandoffProcessTest, RunningCopyPlaysWhatItIsHandedAndItsOwnArgument) {
    const Instance instance;
    QProcess first;
    Start(first, {QStringLiteral("--report-state"), QStringLiteral("http://127.0.0.1:1/own.flv")},
          LumoraEnvironment(instance));
    QString seen;
    ASSERT_TRUE(WaitForLine(first, seen, QStringLiteral("ready:"), true)) << seen.toStdString();
    EXPECT_TRUE(WaitForLine(first, seen, QStringLiteral("handoff: http://127.0.0.1:1/own.flv")));
    EXPECT_TRUE(WaitForLine(first, seen, QStringLiteral("title: 第1批共14批搜索到：0个视频"))) << "the site is down";

    QProcess later;
    Start(later, {QStringLiteral("http://127.0.0.1:1/视频 b.flv")}, LumoraEnvironment(instance));
    ASSERT_TRUE(later.waitForFinished(20'000));
    EXPECT_EQ(later.exitCode(), 0);
    EXPECT_TRUE(WaitForLine(first, seen, QStringLiteral("handoff: http://127.0.0.1:1/视频 b.flv")))
        << seen.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);

    // A crash frees the marker as well.
    InstanceMarker marker(instance.MarkerName());
    EXPECT_FALSE(marker.Acquire());
    EXPECT_TRUE(marker.TakenElsewhere());
    first.kill();
    ASSERT_TRUE(first.waitForFinished(10'000));
    EXPECT_TRUE(marker.Acquire());
}

TEST(HandoffProcessTest, MarkerIsHeldByOneHolderAtATime) {
    const Instance instance;
    std::optional<InstanceMarker> first(std::in_place, instance.MarkerName());
    ASSERT_TRUE(first->Acquire());
    EXPECT_FALSE(first->TakenElsewhere());
    InstanceMarker second(instance.MarkerName());
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(second.TakenElsewhere());
    first.reset();
    EXPECT_TRUE(second.Acquire());
    EXPECT_TRUE(second.Held());
}

TEST(HandoffProcessTest, OnlyThisUsersSocketsAreListenedTo) {
    const Instance instance;
    QProcess first;
    Start(first, {QStringLiteral("--report-state")}, LumoraEnvironment(instance));
    QString seen;
    ASSERT_TRUE(WaitForLine(first, seen, QStringLiteral("ready:"), true)) << seen.toStdString();

    // Another user's datagram is refused, logged and not answered.
    const pid_t other = AsOtherUser([port = instance.port] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        const sockaddr_in local = Loopback(0);
        const sockaddr_in target = Loopback(port);
        static const char kPayload[] = "http://127.0.0.1:1/foreign.flv";
        if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
            ::sendto(fd, kPayload, sizeof kPayload - 1, 0, reinterpret_cast<const sockaddr*>(&target), sizeof target) <
                0)
            return 121;
        // The socket stays while the running copy looks; an answer would come now.
        pollfd wait{fd, POLLIN, 0};
        return ::poll(&wait, 1, 3'000) > 0 ? 1 : 0;
    });
    if (other > 0) {
        QString errors;
        QElapsedTimer clock;
        clock.start();
        while (!errors.contains(QStringLiteral("refused a handoff")) && clock.elapsed() < 15'000) {
            first.waitForReadyRead(100);
            errors += QString::fromUtf8(first.readAllStandardError());
        }
        EXPECT_TRUE(errors.contains(QStringLiteral("lumora.handoff: refused a handoff from 127.0.0.1:")))
            << errors.toStdString();
        EXPECT_TRUE(errors.contains(QStringLiteral("(uid 65534, not this user)"))) << errors.toStdString();
        EXPECT_EQ(ExitCodeOf(other), 0) << "another user's sender was answered";
    }

    // This user's socket is answered and its address plays.
    QUdpSocket mine;
    ASSERT_TRUE(mine.bind(QHostAddress(QHostAddress::LocalHost), 0));
    mine.writeDatagram(QByteArray("http://127.0.0.1:1/mine.flv"), QHostAddress(QHostAddress::LocalHost), instance.port);
    EXPECT_TRUE(WaitForLine(first, seen, QStringLiteral("handoff: http://127.0.0.1:1/mine.flv"))) << seen.toStdString();
    ASSERT_TRUE(mine.hasPendingDatagrams() || mine.waitForReadyRead(5'000));
    EXPECT_EQ(mine.receiveDatagram().data(), QByteArray());
    EXPECT_FALSE(seen.contains(QStringLiteral("foreign.flv"))) << seen.toStdString();
    Stop(first);
    if (other <= 0) GTEST_SKIP() << "another user's sender needs root; this user's sender was checked";
}

// Another user flooding the port holds nothing up: this user's handoff gets
// through, and the refusals are logged at most about once a second (there
// was a line for every datagram).
TEST(HandoffProcessTest, AFloodFromAnotherUserHoldsNothingUp) {
    const Instance instance;
    QProcess first;
    Start(first, {QStringLiteral("--report-state")}, LumoraEnvironment(instance));
    QString seen;
    ASSERT_TRUE(WaitForLine(first, seen, QStringLiteral("ready:"), true)) << seen.toStdString();

    constexpr int kFloodMs = 6'000;
    const pid_t flooder = AsOtherUser([port = instance.port] {
        const sockaddr_in target = Loopback(port);
        int sockets[4];
        for (int& fd : sockets) {
            fd = ::socket(AF_INET, SOCK_DGRAM, 0);
            const sockaddr_in local = Loopback(0);
            if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) return 121;
        }
        static const char kPayload[] = "http://127.0.0.1:1/flood.flv";
        timespec start{}, now{};
        ::clock_gettime(CLOCK_MONOTONIC, &start);
        for (long sent = 0;; ++sent) {
            ::sendto(sockets[sent % 4], kPayload, sizeof kPayload - 1, MSG_DONTWAIT,
                     reinterpret_cast<const sockaddr*>(&target), sizeof target);
            // About 1,000 a second, each asking for a look-up of its sender
            // (one log line each, before).
            const timespec pause{0, 1'000'000};
            ::nanosleep(&pause, nullptr);
            ::clock_gettime(CLOCK_MONOTONIC, &now);
            if ((now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1'000'000 > kFloodMs) break;
        }
        return 0;
    });
    if (flooder < 0) GTEST_SKIP() << "another user's flood needs root";

    QThread::msleep(1'000);
    QElapsedTimer clock;
    clock.start();
    QUdpSocket mine;
    ASSERT_TRUE(mine.bind(QHostAddress(QHostAddress::LocalHost), 0));
    // A full receive buffer may drop a datagram before the window sees it
    // (a slow build, a loaded machine): sent again until answered.
    bool handed = false;
    while (!handed && clock.elapsed() < kFloodMs + 10'000) {
        mine.writeDatagram(QByteArray("http://127.0.0.1:1/mine.flv"), QHostAddress(QHostAddress::LocalHost),
                           instance.port);
        handed = WaitForLine(first, seen, QStringLiteral("handoff: http://127.0.0.1:1/mine.flv"), false, 500);
    }
    EXPECT_TRUE(handed) << "no handoff got through the flood: " << seen.toStdString();
    EXPECT_EQ(ExitCodeOf(flooder), 0);

    QString errors = QString::fromUtf8(first.readAllStandardError());
    Stop(first);
    errors += QString::fromUtf8(first.readAllStandardError());
    const qsizetype refusals = errors.count(QStringLiteral("refused a handoff"));
    EXPECT_GE(refusals, 1);
    // A handful a second at most, where a look-up per datagram wrote thousands.
    EXPECT_LE(refusals, 24) << errors.toStdString();
}

// Anyone may take any abstract socket name: a marker held by another user
// never stops this user's window, and it says why it runs on its own.
TEST(HandoffProcessTest, AMarkerHeldByAnotherUserStopsNothing) {
    const Instance instance;
    int ready[2], stop[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(stop), 0);
    const std::string name = instance.MarkerName();
    const pid_t holder = AsOtherUser([&] {
        ::close(ready[0]);
        ::close(stop[1]);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, name.data(), name.size());
        const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
        if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 || ::listen(fd, 8) != 0)
            return 121;
        ::close(ready[1]);
        char byte;
        return ::read(stop[0], &byte, 1) >= 0 ? 0 : 122;  // until the test ends
    });
    ::close(ready[1]);
    ::close(stop[0]);
    if (holder < 0) {
        ::close(ready[0]);
        ::close(stop[1]);
        GTEST_SKIP() << "another user's marker needs root";
    }
    char byte;
    EXPECT_EQ(::read(ready[0], &byte, 1), 0) << "the other user holds the marker";
    ::close(ready[0]);

    QProcess lumora;
    Start(lumora, {QStringLiteral("--report-state")}, LumoraEnvironment(instance));
    QString seen;
    EXPECT_TRUE(WaitForLine(lumora, seen, QStringLiteral("ready: "), true)) << seen.toStdString();
    const QString errors = QString::fromUtf8(lumora.readAllStandardError());
    EXPECT_TRUE(errors.contains(QStringLiteral("held by another user (uid 65534)"))) << errors.toStdString();
    Stop(lumora);
    ::close(stop[1]);
    EXPECT_EQ(ExitCodeOf(holder), 0);
}

// Two copies started together: whichever takes the marker first keeps its
// window and the other ends, however close the starts (the first takes the
// marker before it binds the port); the address plays in the window that
// stays, handed over or as its own argument.
TEST(HandoffProcessTest, CopiesStartedTogetherEndWithOneWindow) {
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        const Instance instance;
        QProcess plain, addressed;
        Start(plain, {QStringLiteral("--report-state")}, LumoraEnvironment(instance));
        QThread::msleep(static_cast<unsigned long>(round * 10));
        Start(addressed, {QStringLiteral("--report-state"), QStringLiteral("http://127.0.0.1:1/together.flv")},
              LumoraEnvironment(instance));
        QElapsedTimer clock;
        clock.start();
        while (plain.state() == QProcess::Running && addressed.state() == QProcess::Running && clock.elapsed() < 10'000)
            if (!plain.waitForFinished(20)) addressed.waitForFinished(20);
        ASSERT_NE(plain.state() == QProcess::Running, addressed.state() == QProcess::Running) << "one window stays";
        QProcess& stays = plain.state() == QProcess::Running ? plain : addressed;
        QProcess& ends = plain.state() == QProcess::Running ? addressed : plain;
        EXPECT_EQ(ends.exitCode(), 0);
        QString seen;
        EXPECT_TRUE(WaitForLine(stays, seen, QStringLiteral("handoff: http://127.0.0.1:1/together.flv")))
            << seen.toStdString();
        Stop(stays);
    }
}

TEST(HandoffProcessTest, PortTakenByAnotherProgramLeavesTheWindowWorking) {
    QUdpSocket other;
    ASSERT_TRUE(other.bind(QHostAddress(QHostAddress::LocalHost), 0, QAbstractSocket::DontShareAddress));
    Instance instance;
    instance.port = other.localPort();
    QProcess lumora;
    Start(lumora, {QStringLiteral("--report-state"), QStringLiteral("http://127.0.0.1:1/own.flv")},
          LumoraEnvironment(instance));
    QString seen;
    EXPECT_TRUE(WaitForLine(lumora, seen, QStringLiteral("title: 第1批共14批搜索到：0个视频"))) << seen.toStdString();
    EXPECT_TRUE(seen.contains(QStringLiteral("ready:")));
    // Its own argument plays all the same, and nothing is sent to the port.
    EXPECT_TRUE(WaitForLine(lumora, seen, QStringLiteral("handoff: http://127.0.0.1:1/own.flv"))) << seen.toStdString();
    EXPECT_FALSE(other.hasPendingDatagrams() || other.waitForReadyRead(300));
    EXPECT_EQ(lumora.state(), QProcess::Running);
    Stop(lumora);
    EXPECT_TRUE(QString::fromUtf8(lumora.readAllStandardError())
                    .contains(QStringLiteral("port %1 is taken").arg(instance.port)));
}

TEST(HandoffProcessTest, PortOfAnotherUserIsHandedNothing) {
    const Instance instance;
    int ready[2], stop[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(stop), 0);
    // Another user holds the port and counts what arrives until told to stop.
    const pid_t holder = AsOtherUser([&] {
        ::close(ready[0]);
        ::close(stop[1]);
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        const sockaddr_in local = Loopback(instance.port);
        if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) return 121;
        ::close(ready[1]);
        int received = 0;
        while (true) {
            pollfd wait[2] = {{fd, POLLIN, 0}, {stop[0], POLLIN, 0}};
            if (::poll(wait, 2, 60'000) <= 0 || wait[1].revents != 0) return received;
            char buffer[64];
            if (::recv(fd, buffer, sizeof buffer, 0) >= 0 && received < 100) ++received;
        }
    });
    ::close(ready[1]);
    ::close(stop[0]);
    if (holder < 0) {
        ::close(ready[0]);
        ::close(stop[1]);
        GTEST_SKIP() << "another user's port needs root";
    }
    char byte;
    EXPECT_EQ(::read(ready[0], &byte, 1), 0) << "the other user's socket is bound";
    ::close(ready[0]);

    QProcess first;
    Start(first, {QStringLiteral("--report-state"), QStringLiteral("http://127.0.0.1:1/first.flv")},
          LumoraEnvironment(instance));
    QString seen;
    EXPECT_TRUE(WaitForLine(first, seen, QStringLiteral("handoff: http://127.0.0.1:1/first.flv")))
        << seen.toStdString();

    // The marker is held, but the port is not this user's: the later copy
    // plays its address in a window of its own instead of handing it over.
    QProcess later;
    Start(later, {QStringLiteral("--report-state"), QStringLiteral("http://127.0.0.1:1/second.flv")},
          LumoraEnvironment(instance));
    QString laterSeen;
    EXPECT_TRUE(WaitForLine(later, laterSeen, QStringLiteral("handoff: http://127.0.0.1:1/second.flv")))
        << laterSeen.toStdString();
    EXPECT_TRUE(laterSeen.contains(QStringLiteral("\nready:"))) << "a window of its own";
    Stop(later);
    Stop(first);
    EXPECT_FALSE(seen.contains(QStringLiteral("second.flv")));
    ::close(stop[1]);
    EXPECT_EQ(ExitCodeOf(holder), 0) << "datagrams reached the other user's port";
}

TEST(HandoffProcessTest, HelpVersionAndUsageErrorsNeedNoDisplay) {
    QProcessEnvironment environment = LumoraEnvironment(Instance());
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    struct Case {
        QStringList arguments;
        int exitCode;
        QString out, err;  // what each begins with
    };
    const std::vector<Case> cases = {
        {{QStringLiteral("--help")}, 0, QStringLiteral("Usage: lumora "), QString()},
        {{QStringLiteral("--version")}, 0, QStringLiteral("lumora "), QString()},
        {{QStringLiteral("http://127.0.0.1:1/a.flv"), QStringLiteral("--help")},
         0,
         QStringLiteral("Usage: lumora "),
         QString()},
        {{QStringLiteral("--no-such-option")}, 2, QString(), QStringLiteral("lumora: unknown option --no-such-option")},
        {{QStringLiteral("--help"), QStringLiteral("--bogus")},
         2,
         QString(),
         QStringLiteral("lumora: unknown option --bogus")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        QProcess lumora;
        Start(lumora, c.arguments, environment);
        ASSERT_TRUE(lumora.waitForFinished(20'000));
        EXPECT_EQ(lumora.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(lumora.exitCode(), c.exitCode);
        const QString out = QString::fromUtf8(lumora.readAllStandardOutput());
        const QString err = QString::fromUtf8(lumora.readAllStandardError());
        EXPECT_TRUE(out.startsWith(c.out)) << out.toStdString();
        EXPECT_TRUE(c.out.isEmpty() == out.isEmpty()) << out.toStdString();
        EXPECT_TRUE(err.startsWith(c.err)) << err.toStdString();
        // A usage error is one line.
        EXPECT_EQ(err.count(QLatin1Char('\n')), c.err.isEmpty() ? 0 : 1) << err.toStdString();
    }
}

TEST(HandoffProcessTest, WithoutADisplayItSaysSoAndEnds) {
    QProcessEnvironment environment = LumoraEnvironment(Instance());
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    QProcess lumora;
    Start(lumora, {QStringLiteral("http://127.0.0.1:1/a.flv")}, environment);
    ASSERT_TRUE(lumora.waitForFinished(20'000));
    EXPECT_EQ(lumora.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(lumora.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(lumora.readAllStandardError()).contains(QStringLiteral("xvfb-run")));
}

// SIGTERM, SIGINT and SIGHUP end the player as its exit button does: exit
// status 0, at any moment of its start as well as once the window is up.
TEST(HandoffProcessTest, QuitSignalsEndItCleanly) {
    QTemporaryDir home;
    const auto environment = [&](const Instance& instance) {
        QProcessEnvironment variables = LumoraEnvironment(instance);
        variables.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        return variables;
    };
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        const Instance instance;
        QProcess lumora;
        Start(lumora, {QStringLiteral("--report-state")}, environment(instance));
        QString seen;
        ASSERT_TRUE(WaitForLine(lumora, seen, QStringLiteral("ready: "), true));
        ::kill(static_cast<pid_t>(lumora.processId()), signal);
        ASSERT_TRUE(lumora.waitForFinished(5'000));
        EXPECT_EQ(lumora.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(lumora.exitCode(), 0);
    }
    // While it starts (the libraries load, the window comes up, the cores
    // start on their workers) it always ends: cleanly once its own handling
    // is in place, by the signal itself before that.
    for (int delayMs : {30, 120, 250, 400, 600, 800, 1000, 1200, 1500}) {
        SCOPED_TRACE(delayMs);
        const Instance instance;
        QProcess lumora;
        Start(lumora, {QStringLiteral("--report-state")}, environment(instance));
        QThread::msleep(delayMs);
        ::kill(static_cast<pid_t>(lumora.processId()), SIGTERM);
        ASSERT_TRUE(lumora.waitForFinished(5'000));
        if (lumora.exitStatus() == QProcess::NormalExit)
            EXPECT_EQ(lumora.exitCode(), 0);
        else
            EXPECT_EQ(lumora.exitCode(), SIGTERM);  // before main could run (a loaded machine may take long)
    }
}

// Quitting never waits for the network: a typed address whose server says
// nothing keeps the probe waiting, and the program still ends at once.
TEST(HandoffProcessTest, QuittingNeverWaitsForTheNetwork) {
    QTcpServer silent;  // takes connections (the kernel does) and never answers
    ASSERT_TRUE(silent.listen(QHostAddress(QHostAddress::LocalHost), 0));
    const QString address = QStringLiteral("http://127.0.0.1:%1/clip").arg(silent.serverPort());
    const Instance instance;
    QProcess lumora;
    Start(lumora, {QStringLiteral("--report-state"), address}, LumoraEnvironment(instance));
    QString seen;
    ASSERT_TRUE(WaitForLine(lumora, seen, QStringLiteral("status0: 正在连接中,请稍后...."))) << seen.toStdString();
    QElapsedTimer clock;
    clock.start();
    ::kill(static_cast<pid_t>(lumora.processId()), SIGTERM);
    ASSERT_TRUE(lumora.waitForFinished(10'000));
    EXPECT_LT(clock.elapsed(), 3'000);
    EXPECT_EQ(lumora.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(lumora.exitCode(), 0);
}

}  // namespace
}  // namespace lumora
