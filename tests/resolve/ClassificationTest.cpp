// SPDX-License-Identifier: GPL-3.0-or-later
// Which engine an address goes to and which address that engine is given.
#include "FrontFixture.h"

#include "base/Config.h"

#include <optional>

namespace lumora::test {
namespace {

using ClassificationTest = FrontTest;

TEST_F(ClassificationTest, IsFlashMediaDecidesInStepOrder) {
    records["http://h/get?id=1"] = Record("video/x-flv", "http://h/get?id=1");
    records["http://h/get?id=2"] = Record("APPLICATION/octet-stream", "http://h/get?id=2");
    records["http://h/get?id=3"] = Record("text/html", "http://cdn.test/files/v.FLV");
    records["http://h/get?id=4"] = Record("text/html", "http://cdn.test/channel-Live");
    records["http://h/get?id=5"] = Record("text/html", "rtsp://cdn.test:554/stream");
    records["http://h/get?id=6"] = Record("text/html", "rtmp://cdn.test:1935/stream");  // 1935 is not looked at here
    records["http://h/get?id=7"] = Record("text/html", "http://h/page.html");
    struct Case {
        const char* address;
        bool flash;
        bool probes;
    };
    const std::vector<Case> cases = {
        {"http://h/a.flv?x=.mp3", false, false},  // ".mp3" in the query wins over the path
        {"http://h/a.SWF", false, false},
        {"http://h/a.MKV", false, false},
        {"http://h/a.mp4.wmv", false, false},
        {"http://h/a.mpeg4", false, false},  // ".mpe"
        {"http://h/theme.mid?x=1", false, false},
        {"/home/user/clip.flv", true, false},
        {"http://h/v.mp4?k=1", true, false},
        {"http://h/v.F4V", true, false},
        {"http://h/v.hlv/play", true, false},
        {"http://live-b.lumora.test/channel", true, false},
        {"http://10.20.30.7/ch", true, false},
        {"http://h/PlayLive.php?id=3", true, false},
        {"http://h/streamLIVE", true, false},
        {"mms://h:1755/x", true, false},  // the port before the scheme test
        {"rtsp://h:554/s", true, false},
        {"rtmp://h:1935/app/x", true, false},
        {"rtsp://h/s", false, false},
        {"https://h/x", false, false},  // not probed
        {"ftp://h/x", false, false},
        {"", false, false},
        {"http://h/get?id=1", true, true},
        {"http://h/get?id=2", true, true},
        {"http://h/get?id=3", true, true},
        {"http://h/get?id=4", true, true},
        {"http://h/get?id=5", true, true},
        {"http://h/get?id=6", false, true},
        {"http://h/get?id=7", false, true},
        {"http://h/unknown", false, true},  // the probe answered nothing
    };
    for (const auto& c : cases) {
        probed.clear();
        EXPECT_EQ(front.IsFlashMedia(c.address), c.flash) << c.address;
        EXPECT_EQ(probed.size(), c.probes ? 1u : 0u) << c.address;
    }
    EXPECT_TRUE(front.ProbedAddress().Empty());  // the last probe had no [File] part
    front.IsFlashMedia("http://h/get?id=3");
    EXPECT_EQ(front.ProbedAddress(), Text("http://cdn.test/files/v.FLV"));
}

TEST_F(ClassificationTest, LiveMarkersComeFromTheConfiguration) {
    Config config = Config::Defaults();
    config.liveHosts = {"tv.example.test"};
    config.liveServerPrefix = "192.0.2.";
    ScopedConfigOverride scoped(config);
    EXPECT_TRUE(front.IsFlashMedia("http://TV.example.test/ch1"));
    EXPECT_TRUE(front.IsFlashMedia("http://192.0.2.9/ch1"));
    EXPECT_FALSE(front.IsFlashMedia("https://live-a.lumora.test/ch1"));
    EXPECT_FALSE(front.IsFlashMedia("https://10.20.30.7/ch1"));
}

TEST_F(ClassificationTest, PlayOpensTheChosenEngineWithTheChosenAddress) {
    records["http://h/get?id=1"] = Record("video/x-flv", "http://cdn.test/v.flv?abc");
    records["http://h/get?id=15"] = Record("video/x-flv", "http://h/ab.flv");   // 15 bytes: not used
    records["http://h/get?id=16"] = Record("video/x-flv", "http://h/abc.flv");  // 16 bytes: used
    records["http://h/get?id=2"] = Record("text/html", "http://h/page.html");
    struct Case {
        const char* address;
        EngineRequest engine;
        const char* opened;
        const char* played;  // the address as Play leaves it
    };
    using enum EngineRequest;
    const std::vector<Case> cases = {
        {"http://h/a.flv", Choose, "flash open=http://h/a.flv", "http://h/a.flv"},
        {"http://h/a.wmv", Choose, "player open=http://h/a.wmv", "http://h/a.wmv"},
        {"http://h/a.flv", Player, "player open=http://h/a.flv", "http://h/a.flv"},
        {"http://h/a.wmv", Flash, "flash open=http://h/a.wmv", "http://h/a.wmv"},
        {"rtmp://h/app/@clip", Choose, "flash open=rtmp://h/app/mp4:clip", "rtmp://h/app/mp4:clip"},
        {"RTMPE://h/a|b$c", Choose, "flash open=RTMPE://h/amp4:bmp4:c", "RTMPE://h/amp4:bmp4:c"},
        {"rtmp://h/a@b", Player, "player open=rtmp://h/amp4:b", "rtmp://h/amp4:b"},
        {"http://h/x@y.flv", Choose, "flash open=http://h/x@y.flv", "http://h/x@y.flv"},
        {"http://h/get?id=1", Choose, "flash open=http://cdn.test/v.flv?abc", "http://h/get?id=1"},
        {"http://h/get?id=15", Choose, "flash open=http://h/get?id=15", "http://h/get?id=15"},
        {"http://h/get?id=16", Choose, "flash open=http://h/abc.flv", "http://h/get?id=16"},
        {"http://h/get?id=2", Choose, "player open=http://h/page.html", "http://h/get?id=2"},
        {"", Choose, "player open=", ""},
    };
    for (const auto& c : cases) {
        log.clear();
        Text address = c.address;
        front.Play(address, c.engine);
        Settle();
        EXPECT_EQ(Opened(), std::vector<std::string>{c.opened}) << c.address;
        EXPECT_EQ(address, Text(c.played)) << c.address;
        EXPECT_EQ(front.ActiveEngine(), Text(c.opened).StartsWith("flash") ? Engine::Flash : Engine::Player)
            << c.address;
        EXPECT_NE(front.PlayState(), PlayState::Connecting);
    }
}

TEST_F(ClassificationTest, NetworkAddressStopsBothEnginesAndConnectsWhileProbing) {
    std::optional<PlayState> stateAtOpen;
    player.onOpen = [&] { stateAtOpen = front.PlayState(); };
    front.Play(Text("http://h/clip"));
    EXPECT_EQ(front.PlayState(), PlayState::Connecting);  // the probe is on its way
    Settle();
    EXPECT_EQ(stateAtOpen, PlayState::Connecting);  // still connecting while the engine opens
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "flash stop");
    EXPECT_EQ(log[1], "player stop");
    EXPECT_EQ(Opened(), std::vector<std::string>{"player open=http://h/clip"});
    EXPECT_NE(front.PlayState(), PlayState::Connecting);
}

TEST_F(ClassificationTest, LocalPathNeitherStopsTheEnginesNorConnects) {
    std::optional<PlayState> stateAtOpen;
    movie.onOpen = [&] { stateAtOpen = front.PlayState(); };
    front.Play(Text("/home/user/clip.flv"));
    ASSERT_TRUE(stateAtOpen.has_value());
    EXPECT_NE(*stateAtOpen, PlayState::Connecting);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], "flash open=/home/user/clip.flv");
    EXPECT_TRUE(Entries(log, "flash stop").empty());
    EXPECT_TRUE(probed.empty());
}

}  // namespace
}  // namespace lumora::test
