// The real lumora binary in separate processes: a later copy hands its first
// argument to the running one and ends at once; the running copy plays what
// it is handed; the marker goes with its holder, a crash included; the
// program gets by without its handoff port and says so without a display.
#include "app/Handoff.h"
#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <optional>

namespace lumora {
namespace {

// Where the catalogue is looked for: a port nothing listens on, so the list
// fetch fails at once.
const QString kDeadSite = QStringLiteral("127.0.0.1:1");

// A free UDP port on 127.0.0.1 (free when this returns; nobody else is
// expected to take it within the test).
quint16 FreeUdpPort()
{
    QUdpSocket probe;
    if (!probe.bind(QHostAddress(QHostAddress::LocalHost), 0, QAbstractSocket::DontShareAddress))
        return 0;
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

QProcessEnvironment LumoraEnvironment(const Instance& instance)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LUMORA_CATALOGUE_HOST"), kDeadSite);
    environment.insert(QStringLiteral("LUMORA_SERVICE_HOST"), kDeadSite);
    environment.insert(QStringLiteral("LUMORA_INSTANCE_MARKER"), instance.marker);
    environment.insert(QStringLiteral("LUMORA_HANDOFF_PORT"), QString::number(instance.port));
    return environment;
}

void Start(QProcess& process, const QStringList& arguments, const QProcessEnvironment& environment)
{
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(LUMORA_APP_BINARY), arguments);
    ASSERT_TRUE(process.waitForStarted(10'000));
}

// Reads the process's standard output until a line equal to `line` (or
// starting with it, when `prefix`) has come; all of it stays in `seen`.
bool WaitForLine(QProcess& process, QString& seen, const QString& line, bool prefix = false, int limitMs = 15'000)
{
    QElapsedTimer clock;
    clock.start();
    while (true) {
        seen += QString::fromUtf8(process.readAllStandardOutput());
        for (const QString& got : seen.split(QLatin1Char('\n')))
            if (prefix ? got.startsWith(line) : got == line)
                return true;
        if (clock.elapsed() > limitMs || process.state() == QProcess::NotRunning)
            return false;
        process.waitForReadyRead(100);
    }
}

void Stop(QProcess& process)
{
    process.terminate();
    if (!process.waitForFinished(10'000)) {
        process.kill();
        process.waitForFinished(5'000);
    }
}

TEST(HandoffProcessTest, LaterCopyHandsItsFirstArgumentOverAndEnds)
{
    // This test is the running copy: it holds the marker and the port.
    QUdpSocket port;
    ASSERT_TRUE(port.bind(QHostAddress(QHostAddress::LocalHost), 0, QAbstractSocket::DontShareAddress));
    Instance instance;
    instance.port = port.localPort();
    InstanceMarker marker(instance.MarkerName());
    ASSERT_TRUE(marker.Acquire());

    struct Case {
        QStringList arguments;
        std::optional<QByteArray> datagram;
    };
    const std::vector<Case> cases = {
        {{QStringLiteral("http://127.0.0.1/a b.mp4")}, QByteArray("http://127.0.0.1/a b.mp4")},
        {{QStringLiteral("视频 地址.flv"), QStringLiteral("second")},
         QByteArray::fromStdString(Text("视频 地址.flv").Bytes())},
        {{QStringLiteral("--report-state"), QStringLiteral("ab")}, QByteArray("ab")},
        {{QStringLiteral("a")}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char('|')).toStdString());
        QProcess later;
        Start(later, QStringList{QStringLiteral("--report-state")} + c.arguments, LumoraEnvironment(instance));
        ASSERT_TRUE(later.waitForFinished(20'000));
        EXPECT_EQ(later.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(later.exitCode(), 0);
        const QString output = QString::fromUtf8(later.readAllStandardOutput());
        EXPECT_FALSE(output.contains(QStringLiteral("ready:"))) << "ended before setting the window up";

        // The datagram went out before the process ended.
        if (c.datagram) {
            ASSERT_TRUE(port.hasPendingDatagrams() || port.waitForReadyRead(3'000));
            const QNetworkDatagram datagram = port.receiveDatagram();
            EXPECT_EQ(datagram.data(), *c.datagram);
        }
        EXPECT_FALSE(port.hasPendingDatagrams() || port.waitForReadyRead(200)) << "one datagram at most";
    }
}

TEST(HandoffProcessTest, RunningCopyPlaysWhatItIsHandedAndItsOwnArgument)
{
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

TEST(HandoffProcessTest, MarkerIsHeldByOneHolderAtATime)
{
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

TEST(HandoffProcessTest, PortTakenByAnotherProgramLeavesTheWindowWorking)
{
    QUdpSocket other;
    ASSERT_TRUE(other.bind(QHostAddress(QHostAddress::LocalHost), 0, QAbstractSocket::DontShareAddress));
    Instance instance;
    instance.port = other.localPort();
    QProcess lumora;
    Start(lumora, {QStringLiteral("--report-state")}, LumoraEnvironment(instance));
    QString seen;
    EXPECT_TRUE(WaitForLine(lumora, seen, QStringLiteral("title: 第1批共14批搜索到：0个视频"))) << seen.toStdString();
    EXPECT_TRUE(seen.contains(QStringLiteral("ready:")));
    EXPECT_EQ(lumora.state(), QProcess::Running);
    Stop(lumora);
    EXPECT_TRUE(QString::fromUtf8(lumora.readAllStandardError()).contains(
        QStringLiteral("port %1 is taken").arg(instance.port)));
}

TEST(HandoffProcessTest, WithoutADisplayItSaysSoAndEnds)
{
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

}  // namespace
}  // namespace lumora
