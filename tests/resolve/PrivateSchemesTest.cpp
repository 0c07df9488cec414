// SPDX-License-Identifier: GPL-3.0-or-later
// The private address forms: the text operations they are built from and
// what ResolveOpen hands to Play for each form.
#include "resolve/PrivateSchemes.h"

#include "ServiceServers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumora {
namespace {

using test::ServiceStub;

TEST(PrivateSchemeTexts, IsNumberText) {
    const std::vector<std::pair<const char*, bool>> cases = {
        {"12345", true}, {"0", true},    {"-5", true},  {"9223372036854775807", true},
        {"007", false},  {"12a", false}, {"", false},   {"+5", false},
        {" 5", false},   {"-0", false},  {"5 ", false}, {"99999999999999999999", false},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(IsNumberText(Text(text)), expected) << text;
}

TEST(PrivateSchemeTexts, HexOfText) {
    const std::vector<std::pair<Text, const char*>> cases = {
        {Text("ab"), "6162"},
        {Text(""), ""},
        {Text::Gbk(std::string("\x05\x10\x0f\xff", 4)), "510FFF"},
        {Text::Gbk(std::string(1, '\0')), "0"},
        {Text("周"), "D6DC"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(HexOfText(text), Text(expected)) << expected;
}

TEST(PrivateSchemeTexts, MusicVideoAddressUsesTheRelayBase) {
    Config config = Config::Defaults();
    config.relayBase = Text("http://relay.test:81/mv/");
    const ScopedConfigOverride relay(config);
    EXPECT_EQ(MusicVideoAddress(Text("12345")), Text("http://relay.test:81/mv/12345/temp.flv"));
}

TEST(PrivateSchemeTexts, DecodePayload) {
    const char* const tag = "8225500";
    struct Case {
        const char* payload;
        const char* sourceTag;
        Text expected;
    };
    const std::vector<Case> cases = {
        {"aHR0cDovL20udGVzdC9hLmZsdg==", tag, Text("http://m.test/a.flv")},
        {"aHR0cDovL20udGVzdC9hLmZsdg", tag, Text("http://m.test/a.flv")},  // padding left out
        {"aHR0cDovL20udGVzdC9hLmZsdg==", "other", Text("http://m.test/a.flv")},
        {"aHR0cDovL20udGVzdC9hLmZsdg", "other", Text()},  // the plain decoder wants whole groups
        // the GBK bytes of "http://m.test/v/视频.flv"
        {"aHR0cDovL20udGVzdC92L8rTxrUuZmx2", tag, Text("http://m.test/v/视频.flv")},
        // "http://m.test/v/%u89C6%u9891%20a.flv", escaped
        {"aHR0cDovL20udGVzdC92LyV1ODlDNiV1OTg5MSUyMGEuZmx2", tag, Text("http://m.test/v/视频 a.flv")},
        {"http://m.test/a.flv", tag, Text("http://m.test/a.flv")},  // "/" and "." are no Base64
        {"m.test/a%20b", tag, Text("m.test/a%20b")},                // nor unescaped when plain
        {"", tag, Text()},
        {"a===", tag, Text()},  // looks Base64, decodes to nothing
    };
    for (const Case& c : cases) EXPECT_EQ(DecodePayload(Text(c.payload), Text(c.sourceTag)), c.expected) << c.payload;
}

// The forms that need no service, with the relay at relay.test.
TEST(ResolveOpen, FormsWithoutServices) {
    Config config = Config::Defaults();
    config.relayBase = Text("http://relay.test/mv/");
    const ScopedConfigOverride relay(config);
    struct Case {
        const char* address;
        const char* title;
        EngineRequest engineType;
        Resolution expected;
    };
    using enum EngineRequest;
    const Text relay6162("http://relay.test/mv/6162/temp.flv");
    const std::vector<Case> cases = {
        {"12345", "", Choose, {Choose, Text("http://relay.test/mv/12345/temp.flv"), Text()}},
        {"-5", "", Flash, {Flash, Text("http://relay.test/mv/-5/temp.flv"), Text()}},
        {"007", "", Choose, {Choose, Text("007"), Text()}},
        {"12345|演唱会", "", Choose, {Choose, Text("http://relay.test/mv/12345/temp.flv"), Text("演唱会")}},
        {"yyt://ab", "", Choose, {Player, relay6162, Text("ab")}},
        {"YYT://ab", "", Flash, {Player, relay6162, Text("ab")}},
        {"yyt://12345", "ignored", Choose, {Player, Text("http://relay.test/mv/12345/temp.flv"), Text()}},
        {"yyt://周", "", Choose, {Player, Text("http://relay.test/mv/D6DC/temp.flv"), Text("周")}},
        {"quil://aHR0cDovL20udGVzdC9hLmZsdg==", "", Choose, {Choose, Text("http://m.test/a.flv"), Text()}},
        {"QUIL://aHR0cDovL20udGVzdC9hLmZsdg==/", "", Choose, {Choose, Text("http://m.test/a.flv"), Text()}},
        {"Quil://aHR0cDovL20udGVzdC92L8rTxrUuZmx2", "", Choose, {Choose, Text("http://m.test/v/视频.flv"), Text()}},
        {"quil://aHR0cDovL20udGVzdC92LyV1ODlDNiV1OTg5MSUyMGEuZmx2",
         "",
         Player,
         {Player, Text("http://m.test/v/视频 a.flv"), Text()}},
        {"quil://http://m.test/a.flv/", "", Choose, {Choose, Text("http://m.test/a.flv"), Text()}},
        {"quil://m.test/a.flv", "", Choose, {Choose, Text("m.test/a.flv"), Text()}},
        {"quil://", "", Choose, {Choose, Text(), Text()}},
        {"quil://http://m.test/a.flv|标题", "", Choose, {Choose, Text("http://m.test/a.flv"), Text("标题")}},
        {"x||y", "", Choose, {Choose, Text("x"), Text("x")}},
        {"x|", "", Choose, {Choose, Text("x|"), Text()}},
        {"http://m.test/a.flv|标题", "", Player, {Player, Text("http://m.test/a.flv"), Text("标题")}},
        {"http://m.test/a.flv|标题", "给定", Choose, {Choose, Text("http://m.test/a.flv"), Text("给定"), true, true}},
        {"/media/clip.flv", "片名", Flash, {Flash, Text("/media/clip.flv"), Text("片名"), true, true}},
        {"http://m.test/singer$$song.mp3", "", Choose, {Choose, Text("http://m.test/singer-song.mp3"), Text()}},
        {"http://other.test/vid-12.html", "", Choose, {Choose, Text("http://other.test/vid-12.html"), Text()}},
    };
    for (const Case& c : cases) {
        const Resolution r = ResolveOpen(Text(c.address), Text(c.title), c.engineType);
        EXPECT_EQ(r.engineType, c.expected.engineType) << c.address;
        EXPECT_EQ(r.address.ToUtf8(), c.expected.address.ToUtf8()) << c.address;
        EXPECT_EQ(r.titleOverride.ToUtf8(), c.expected.titleOverride.ToUtf8()) << c.address;
        EXPECT_EQ(r.play, c.expected.play) << c.address;
        EXPECT_EQ(r.titleFromCaller, c.expected.titleFromCaller) << c.address;
    }
}

// The 56 number is cut after "vid-" when the address holds it, else after
// "v_"; the domain and both markers are matched in exact case.
TEST(ResolveOpen, Video56NumberOnTheWire) {
    ServiceStub stub;
    stub.Answer("/json/111/", R"({"Subject":"一一一","rfiles":[{"url":"http://v.test/111.mp4"}]})");
    stub.Answer("/json/MTAwMDAx/", R"({"Subject":"二","rfiles":[{"url":"http://v.test/222.mp4"}]})");
    struct Case {
        const char* address;
        std::vector<std::string> targets;
        const char* played;
        const char* title;
    };
    const std::vector<Case> cases = {
        {"http://www.56.lumora.test/v_MTAwMDAx.html", {"/json/MTAwMDAx/"}, "http://v.test/222.mp4", "二"},
        {"http://www.56.lumora.test/u/v_MTAwMDAx/vid-111.html", {"/json/111/"}, "http://v.test/111.mp4", "一一一"},
        {"http://www.56.lumora.test/V_MTAwMDAx.html", {}, "http://www.56.lumora.test/V_MTAwMDAx.html", ""},
        {"http://www.56.LUMORA.test/v_MTAwMDAx.html", {}, "http://www.56.LUMORA.test/v_MTAwMDAx.html", ""},
        // "VID-" is no "vid-", so the number follows "v_" (found in any case)
        {"http://www.56.lumora.test/VID-111/v_MTAwMDAx.html", {"/json/MTAwMDAx/"}, "http://v.test/222.mp4", "二"},
    };
    for (const Case& c : cases) {
        const Resolution r = ResolveOpen(Text(c.address), Text(), EngineRequest::Choose);
        EXPECT_EQ(stub.TakeTargets(), c.targets) << c.address;
        EXPECT_EQ(r.address.ToUtf8(), c.played) << c.address;
        EXPECT_EQ(r.titleOverride.ToUtf8(), c.title) << c.address;
        EXPECT_EQ(r.engineType, c.targets.empty() ? EngineRequest::Choose : EngineRequest::Flash) << c.address;
        EXPECT_TRUE(r.play) << c.address;
    }
}

// When the 56 service knows nothing, or the address names no number, there
// is nothing to play.
TEST(ResolveOpen, Video56WithoutAVideoPlaysNothing) {
    ServiceStub stub;
    stub.Answer("/json/12/", R"({"Subject":"短","rfiles":[{"url":"http://a.bc"}]})");  // 11 bytes
    for (const char* address : {"http://www.56.lumora.test/v_12.html", "http://www.56.lumora.test/v_99.html",
                                "http://www.56.lumora.test/v_", "http://www.56.lumora.test/vid-.html"}) {
        const Resolution r = ResolveOpen(Text(address), Text("给定"), EngineRequest::Choose);
        EXPECT_FALSE(r.play) << address;
        EXPECT_TRUE(r.address.Empty()) << address;
        EXPECT_EQ(r.engineType, EngineRequest::Flash) << address;
    }
    // no number: no request
    EXPECT_EQ(stub.TakeTargets(), (std::vector<std::string>{"/json/12/", "/json/99/"}));
}

// A service names network streams only: a reply that names a local file (a
// file address or a path) plays nothing, while the stream schemes pass.
TEST(ResolveOpen, ServiceRepliesNeverNameLocalFiles) {
    ServiceStub stub;
    const std::string page = "http://" + stub.Host() + "/song-page";
    stub.Answer("/yueku/intro/musina_mmi_search.php", "{\"MP3_URL\":\"" + page + "\"}");
    stub.Answer("/song-page", "<a url=\"/home/someone/secret-song.mp3\">");
    EXPECT_EQ(ResolveOpen(Text("mp3://a - b")).address, Text());

    struct Case {
        const char* url;
        bool plays;
    };
    const std::vector<Case> cases = {
        {"file:///etc/passwd-and-more", false},    {"/home/someone/video.mp4", false},
        {"FILE:///home/someone/video.mp4", false}, {"rtmp://v.test/live/stream", true},
        {"RTSP://v.test:554/stream", true},        {"HTTPS://v.test/v.mp4", true},
    };
    for (const Case& c : cases) {
        stub.Answer("/json/5/", std::string(R"({"Subject":"s","rfiles":[{"url":")") + c.url + R"("}]})");
        const Resolution r = ResolveOpen(Text("http://www.56.lumora.test/v_5.html"));
        EXPECT_EQ(r.play, c.plays) << c.url;
        EXPECT_EQ(r.address.ToUtf8(), c.plays ? c.url : "") << c.url;
    }
}

// "$$" becomes "-" before anything else, so the song text of "mp3://"
// reaches the song services as singer-song; the title is the song text.
TEST(ResolveOpen, SongTextReachesTheServicesNormalised) {
    ServiceStub stub;
    stub.Answer("/new/app/i/search.php", R"({"data":{"info":[{"hash":"H1"}]}})");
    stub.Answer("/i/", R"({"url":"http:\/\/a.test\/media\/h1.mp3"})");
    const Resolution r = ResolveOpen(Text("mp3://singer$$song"), Text("ignored"), EngineRequest::Flash);
    EXPECT_EQ(r.address, Text("http://a.test/media/h1.mp3"));
    EXPECT_EQ(r.titleOverride, Text("singer-song"));
    EXPECT_EQ(r.engineType, EngineRequest::Player);
    const std::vector<std::string> targets = stub.TakeTargets();
    ASSERT_FALSE(targets.empty());
    EXPECT_EQ(targets[0], "/new/app/i/search.php?cmd=300&pagesize=1&keyword=singer-song");
}

}  // namespace
}  // namespace lumora
