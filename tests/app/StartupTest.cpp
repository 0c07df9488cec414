// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up pieces that need no second process: the command line, the
// payloads the handoff port acts on, the owners of UDP sockets as Linux lists
// them, and the log rules.
#include "app/CommandLine.h"
#include "app/Handoff.h"
#include "app/SessionBus.h"
#include "app/SingleInstance.h"
#include "app/UdpSocketOwner.h"
#include "base/Config.h"
#include "base/Log.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <optional>

#include <string>
#include <vector>

namespace lumora {
namespace {

TEST(StartupTest, HandoffPayloadsActedOn) {
    struct Case {
        QByteArray payload;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"", false},
        {"a", true},
        {"http://127.0.0.1/a b.mp4", true},
        {QByteArray::fromStdString(Text("视频地址.flv").Bytes()), true},
        {QByteArray(kMaxHandoffBytes, 'a'), true},
        {QByteArray(kMaxHandoffBytes + 1, 'a'), false},
        {"http://a/\nb", false},
        {"\thttp://a/b", false},
        {QByteArray("a\0b", 3), false},
        {"a\x7f", false},
    };
    for (const Case& c : cases) EXPECT_EQ(AcceptableHandoff(c.payload), c.accepted) << c.payload.left(40).toStdString();
}

TEST(StartupTest, HandoffPortAndMarkerComeFromTheEnvironment) {
    struct Case {
        const char* value;  // LUMORA_HANDOFF_PORT; null: unset
        int port;
    };
    const std::vector<Case> cases = {
        {nullptr, 12500},
        {"", 12500},
        {"12600", 12600},
        {" 4000 ", 4000},
        {"1", 1},
        {"65535", 65535},
        {"0", 12500},
        {"65536", 12500},
        {"-5", 12500},
        {"12a", 12500},
        {"0x30", 12500},
        {"1e3", 12500},
        {"99999999999999999999", 12500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(unset)");
        const Config config = Config::FromEnvironment([&](const char* name) -> const char* {
            return std::string(name) == "LUMORA_HANDOFF_PORT" ? c.value : nullptr;
        });
        EXPECT_EQ(config.handoffPort, c.port);
    }

    Config config = Config::Defaults();
    {
        ScopedConfigOverride scoped(config);
        EXPECT_EQ(HandoffPort(), 12500);
        EXPECT_EQ(InstanceMarkerName(),
                  std::string(1, '\0') + "视频播放器 by:tavrin uid=" + std::to_string(::getuid()));
    }
    config.instanceMarker = Text("私有 marker");
    config.handoffPort = 40123;
    ScopedConfigOverride scoped(config);
    EXPECT_EQ(HandoffPort(), 40123);
    EXPECT_EQ(InstanceMarkerName(), std::string(1, '\0') + "私有 marker");
}

TEST(StartupTest, OwnOptionsAreTakenOutOfTheArguments) {
    struct Case {
        std::vector<const char*> argv;  // without the program path
        bool help, version, reportState;
        std::string unknown;
        std::vector<std::string> rest;
        std::size_t afterDoubleDash;
    };
    const std::vector<Case> cases = {
        {{}, false, false, false, "", {}, 0},
        {{"http://a/b\"c.mp4"}, false, false, false, "", {"http://a/b\"c.mp4"}, 0},
        {{"a b.mp4", "--report-state"}, false, false, true, "", {"a b.mp4"}, 0},
        {{"x", "--help"}, true, false, false, "", {"x"}, 0},
        {{"-h"}, true, false, false, "", {}, 0},
        {{"--", "-h"}, false, false, false, "", {"-h"}, 1},
        {{"--version"}, false, true, false, "", {}, 0},
        // Qt's options have one dash and stay for Qt.
        {{"-platform", "offscreen", "x"}, false, false, false, "", {"-platform", "offscreen", "x"}, 0},
        {{"--bogus", "--help", "--other"}, true, false, false, "--bogus", {}, 0},
        {{"--report-state=1"}, false, false, false, "--report-state=1", {}, 0},
        // After "--" nothing is an option.
        {{"--", "--help", "-style"}, false, false, false, "", {"--help", "-style"}, 2},
        {{"a", "--", "--"}, false, false, false, "", {"a", "--"}, 1},
        {{"-", "-x"}, false, false, false, "", {"-", "-x"}, 0},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv = {"lumora"};
        argv.insert(argv.end(), c.argv.begin(), c.argv.end());
        SCOPED_TRACE(testing::PrintToString(c.argv));
        const ProgramOptions options = ParseProgramOptions(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(options.help, c.help);
        EXPECT_EQ(options.version, c.version);
        EXPECT_EQ(options.reportState, c.reportState);
        EXPECT_EQ(options.unknown, c.unknown);
        EXPECT_EQ(options.rest, c.rest);
        EXPECT_EQ(options.afterDoubleDash, c.afterDoubleDash);
    }
}

TEST(StartupTest, RelativeFileArgumentsBecomeAbsoluteAndAddressesStayAsGiven) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    for (const char* name : {"my clip.mp4", "a\"b.mp4", "视频.flv", "12345"}) {
        QFile file(directory.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(directory.path()));
    const std::string here = directory.path().toStdString();
    struct Case {
        std::string argument;
        std::string address;  // UTF-8
    };
    const std::vector<Case> cases = {
        {"my clip.mp4", here + "/my clip.mp4"},
        {"a\"b.mp4", here + "/a\"b.mp4"},
        {"视频.flv", here + "/视频.flv"},
        // A file wins over the bare music-video number it looks like.
        {"12345", here + "/12345"},
        {"missing.mp4", "missing.mp4"},
        {"/no/such/file.mp4", "/no/such/file.mp4"},
        {here + "/my clip.mp4", here + "/my clip.mp4"},
        {"http://host/a\"b.mp4", "http://host/a\"b.mp4"},
        {"mp3://周杰伦-晴天", "mp3://周杰伦-晴天"},
        // The desktop entry's %U: file managers pass file:// addresses.
        {"file://" + here + "/my%20clip.mp4", here + "/my clip.mp4"},
        {"file:///%E8%A7%86%E9%A2%91/a%23b.flv", "/视频/a#b.flv"},
        {"FILE://localhost/tmp/x.mp4", "/tmp/x.mp4"},
        {"file://otherhost/x.mp4", "file://otherhost/x.mp4"},
        {"file://", "file://"},
        {"54321", "54321"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(AddressOfArgument(c.argument).ToUtf8(), c.address) << c.argument;
    QDir::setCurrent(previous);
}

TEST(StartupTest, HelpAndVersionTexts) {
    EXPECT_TRUE(ProgramHelp().starts_with("Usage: lumora "));
    for (const char* option : {"--report-state", "--help", "--version"})
        EXPECT_NE(ProgramHelp().find(option), std::string::npos) << option;
    EXPECT_TRUE(ProgramVersionLine().starts_with("lumora ")) << ProgramVersionLine();
    EXPECT_TRUE(ProgramVersionLine().ends_with("\n"));
}

TEST(StartupTest, UdpSocketRowsAsLinuxListsThem) {
    if constexpr (std::endian::native != std::endian::little)
        GTEST_SKIP() << "the sample lines are those of a little-endian machine";
    const std::string header =
        "   sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode ref "
        "pointer drops";
    const std::string loopback =
        " 4486: 0100007F:30D4 00000000:0000 07 00000000:00000000 00:00000000 00000000  1000        0 101309 2 "
        "0000000043f438af 0";
    const std::string any =
        "  12: 00000000:A001 0100007F:30D4 01 00000000:00000000 00:00000000 00000000     0 0 1 2 0 0";
    const std::string other =
        "  13: 0200007F:A002 00000000:0000 07 00000000:00000000 00:00000000 00000000   33 0 1 2 0 0";
    const std::string mapped =
        "15371: 0000000000000000FFFF00000100007F:1B59 00000000000000000000000000000000:0000 07 00000000:00000000 "
        "00:00000000 00000000   1001        0 161954 2 000000009c180428 0";
    const std::string v6any =
        "1: 00000000000000000000000000000000:A001 00000000000000000000000000000000:0000 07 0:0 00:0 0 1000 0 1 2 0 0";
    const std::string v6loopback =
        "2: 00000000000000000000000001000000:1B5A 00000000000000000000000000000000:0000 07 0:0 00:0 0 7 0 1 2 0 0";

    struct Row {
        std::string line;
        bool v6;
        std::optional<std::array<std::uint8_t, 4>> ipv4;  // when !v6
        std::uint16_t port;
        std::uint32_t uid;
        bool parses;
    };
    const std::vector<Row> rows = {
        {loopback, false, std::array<std::uint8_t, 4>{127, 0, 0, 1}, 12500, 1000, true},
        {any, false, std::array<std::uint8_t, 4>{0, 0, 0, 0}, 0xA001, 0, true},
        {other, false, std::array<std::uint8_t, 4>{127, 0, 0, 2}, 0xA002, 33, true},
        {mapped, true, std::nullopt, 7001, 1001, true},
        {header, false, std::nullopt, 0, 0, false},
        {"", false, std::nullopt, 0, 0, false},
        {" 1: 0100007F:30D4 00000000:0000 07", false, std::nullopt, 0, 0, false},
        {" 1: 0100007:30D4 0:0 07 0:0 0:0 0 5", false, std::nullopt, 0, 0, false},
        {" 1: 0100007F:30D45 0:0 07 0:0 0:0 0 5", false, std::nullopt, 0, 0, false},
        {" 1: 0100007G:30D4 0:0 07 0:0 0:0 0 5", false, std::nullopt, 0, 0, false},
        {" 1: 0100007F:30D4 0:0 07 0:0 0:0 0 -5", false, std::nullopt, 0, 0, false},
        {" 1: 0100007F:30D4 0:0 07 0:0 0:0 0 99999999999", false, std::nullopt, 0, 0, false},
        // An IPv4 address read as an IPv6 table's line does not fit.
        {loopback, true, std::nullopt, 0, 0, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        const std::optional<UdpSocketRow> row = ParseUdpTableLine(r.line, r.v6);
        ASSERT_EQ(row.has_value(), r.parses);
        if (!row) continue;
        EXPECT_EQ(row->port, r.port);
        EXPECT_EQ(row->uid, r.uid);
        if (r.ipv4) {
            EXPECT_TRUE(std::equal(r.ipv4->begin(), r.ipv4->end(), row->address.begin()));
        }
    }
    const std::array<std::uint8_t, 16> mappedAddress = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 127, 0, 0, 1};
    EXPECT_EQ(ParseUdpTableLine(mapped, true)->address, mappedAddress);

    // Who sent from 127.0.0.1:PORT.
    const std::string udp = header + "\n" + loopback + "\n" + any + "\n" + other + "\n";
    const std::string udp6 = header + "\n" + mapped + "\n" + v6loopback + "\n";
    const std::array<std::uint8_t, 4> local = {127, 0, 0, 1};
    struct Owner {
        std::string udp, udp6;
        std::uint16_t port;
        std::optional<std::uint32_t> owner;
    };
    const std::vector<Owner> owners = {
        {udp, udp6, 12500, 1000},
        {udp, udp6, 0xA001, 0},             // bound to the wildcard address
        {udp, udp6, 0xA002, std::nullopt},  // 127.0.0.2 is another address
        {udp, udp6, 7001, 1001},            // IPv6 socket on ::ffff:127.0.0.1
        {udp, udp6, 0x1B5A, std::nullopt},  // ::1 is not where IPv4 comes from
        {udp, udp6, 4242, std::nullopt},    // gone
        {"", "", 12500, std::nullopt},
        // Two sockets on one port with different owners: nobody's for sure.
        {udp, header + "\n" + v6any + "\n", 0xA001, std::nullopt},
        {udp + v6any, "", 0xA001, 0},  // an IPv6 line in the IPv4 table does not read
    };
    for (const Owner& o : owners) EXPECT_EQ(UdpSocketOwner(o.udp, o.udp6, local, o.port), o.owner) << o.port;
}

TEST(StartupTest, LogRulesFollowQtsSyntax) {
    struct Case {
        std::string rules;
        std::string category;
        LogLevel level;
        bool fallback, enabled;
    };
    const std::vector<Case> cases = {
        {"", "lumora.web", LogLevel::Debug, false, false},
        {"", "lumora.web", LogLevel::Warning, true, true},
        {"lumora.web.debug=true", "lumora.web", LogLevel::Debug, false, true},
        {"lumora.web.debug=true", "lumora.download", LogLevel::Debug, false, false},
        {"lumora.*.debug=true", "lumora.playback", LogLevel::Debug, false, true},
        {"lumora.*=true", "lumora.playback", LogLevel::Debug, false, true},
        {"*.debug=true", "lumora.handoff", LogLevel::Debug, false, true},
        {"*web.debug=true", "lumora.web", LogLevel::Debug, false, true},
        {"*web*.debug=true", "lumora.web", LogLevel::Debug, false, true},
        {"lumora.*.debug=true\nlumora.web.debug=false", "lumora.web", LogLevel::Debug, false, false},
        {"lumora.web.debug=false;lumora.*.debug=true", "lumora.web", LogLevel::Debug, false, true},
        {" lumora.web.debug = true ", "lumora.web", LogLevel::Debug, false, true},
        {"lumora.web.warning=false", "lumora.web", LogLevel::Warning, true, false},
        {"lumora.web.warning=false", "lumora.web", LogLevel::Debug, true, true},
        {"lumora.web=false", "lumora.web", LogLevel::Warning, true, false},
        {"lumora.web.debug=yes", "lumora.web", LogLevel::Debug, false, false},
        {"lumora.web.debug", "lumora.web", LogLevel::Debug, false, false},
        {"lumora.we.debug=true", "lumora.web", LogLevel::Debug, false, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LogRulesEnable(c.rules, c.category, c.level, c.fallback), c.enabled)
            << c.rules << " / " << c.category;
}

TEST(StartupTest, MarkerNameTooLongForASocketAddressIsNeverTaken) {
    InstanceMarker marker(std::string(1, '\0') + std::string(200, 'm'));
    EXPECT_FALSE(marker.Acquire());
    EXPECT_FALSE(marker.Held());
    EXPECT_FALSE(marker.TakenElsewhere());
}

// Without a bus to reach, the program marks the bus as absent rather than
// letting libdbus launch one; a given address or a per-user socket is kept.
TEST(StartupTest, AMissingSessionBusIsNotLaunched) {
    const QByteArray savedAddress = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir withBus, withoutBus;
    ASSERT_TRUE(QFile(withBus.filePath("bus")).open(QIODevice::WriteOnly));
    struct Case {
        const char* address;  // nullptr: unset
        QString runtime;
        const char* after;  // the address afterwards, nullptr: unset
        bool expected;      // a bus to talk to
    } cases[] = {
        {nullptr, withoutBus.path(), kNoSessionBus, false},
        {nullptr, QString(), kNoSessionBus, false},
        {nullptr, withBus.path(), nullptr, true},
        {"unix:path=/run/user/1000/bus", withoutBus.path(), "unix:path=/run/user/1000/bus", true},
        {kNoSessionBus, withBus.path(), kNoSessionBus, false},
    };
    for (const Case& c : cases) {
        if (c.address)
            qputenv("DBUS_SESSION_BUS_ADDRESS", c.address);
        else
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("XDG_RUNTIME_DIR", c.runtime.toLocal8Bit());
        KeepFromLaunchingSessionBus();
        const char* now = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        EXPECT_EQ(now ? std::string(now) : "(unset)", c.after ? std::string(c.after) : "(unset)")
            << (c.address ? c.address : "(unset)") << " in " << c.runtime.toStdString();
        EXPECT_EQ(SessionBusExpected(), c.expected) << (c.address ? c.address : "(unset)");
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", savedAddress);
    if (savedAddress.isNull()) qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    if (savedRuntime.isNull()) qunsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace lumora
