// Start-up pieces that need no second process: the command-line split and
// the payloads the handoff port acts on.
#include "app/Handoff.h"
#include "app/SingleInstance.h"
#include "base/Config.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumora {
namespace {

std::vector<std::string> Bytes(const std::vector<Text>& texts)
{
    std::vector<std::string> bytes;
    for (const Text& text : texts)
        bytes.push_back(text.Bytes());
    return bytes;
}

TEST(StartupTest, CommandLineSplitsIntoArgumentsWithoutTheProgramPath)
{
    struct Case {
        Text line;
        std::vector<std::string> arguments;  // GBK bytes
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"   ", {}},
        {"lumora", {}},
        {"lumora http://a/b.mp4", {"http://a/b.mp4"}},
        {"\"/opt/my apps/lumora\" http://a/b.mp4", {"http://a/b.mp4"}},
        {"lumora \"http://a/b c.mp4\" second", {"http://a/b c.mp4", "second"}},
        // Every byte below 0x21 separates, not only the blank.
        {Text::Gbk("lumora\ta\x01" "b\x1f" "c  d"), {"a", "b", "c", "d"}},
        // An unquoted argument ends where a quote begins.
        {"lumora ab\"c d\"e", {"ab", "c d", "e"}},
        {"lumora \"\" x", {"", "x"}},
        {"lumora \"runs to the end", {"runs to the end"}},
        {"lumora 视频 片", {Text("视频").Bytes(), Text("片").Bytes()}},
        // A double-byte character is taken whole, whatever its second byte.
        {Text::Gbk("lumora \x81\x22x y"), {"\x81\x22x", "y"}},
        {Text::Gbk("lumora \"\x81\x22\" z"), {"\x81\x22", "z"}},
        // A lead byte at the very end stands alone.
        {Text::Gbk("lumora a\x81"), {"a\x81"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.ToUtf8());
        EXPECT_EQ(Bytes(SplitCommandLine(c.line)), c.arguments);
    }
}

TEST(StartupTest, ArgumentsSurviveTheTripThroughACommandLine)
{
    const std::vector<Text> arguments = {"/usr/bin/lumora", "http://a/b c.mp4", "", "视频 1.flv", "x\ty", "plain"};
    const std::vector<Text> expected(arguments.begin() + 1, arguments.end());
    EXPECT_EQ(SplitCommandLine(CommandLineOf(arguments)), expected);
    EXPECT_EQ(CommandLineOf({"/p/lumora", "a b"}), Text("/p/lumora \"a b\""));
}

TEST(StartupTest, HandoffPayloadsActedOn)
{
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
    for (const Case& c : cases)
        EXPECT_EQ(AcceptableHandoff(c.payload), c.accepted) << c.payload.left(40).toStdString();
}

TEST(StartupTest, HandoffPortAndMarkerComeFromTheEnvironment)
{
    struct Case {
        const char* value;  // LUMORA_HANDOFF_PORT; null: unset
        int port;
    };
    const std::vector<Case> cases = {
        {nullptr, 12500}, {"", 12500},     {"12600", 12600},   {" 4000 ", 4000}, {"1", 1},
        {"65535", 65535}, {"0", 12500},    {"65536", 12500},   {"-5", 12500},    {"12a", 12500},
        {"0x30", 12500},  {"1e3", 12500},  {"99999999999999999999", 12500},
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

TEST(StartupTest, MarkerNameTooLongForASocketAddressIsNeverTaken)
{
    InstanceMarker marker(std::string(1, '\0') + std::string(200, 'm'));
    EXPECT_FALSE(marker.Acquire());
    EXPECT_FALSE(marker.Held());
    EXPECT_FALSE(marker.TakenElsewhere());
}

}  // namespace
}  // namespace lumora
