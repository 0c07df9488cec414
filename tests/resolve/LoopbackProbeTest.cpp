// SPDX-License-Identifier: GPL-3.0-or-later
// Play with the real network probe against a server on 127.0.0.1.
#include "FrontFixture.h"

#include "base/Config.h"

#include <QTimer>

#include "LoopbackHttp.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <optional>

namespace lumora::test {
namespace {

class LoopbackProbeTest : public FrontTest {
protected:
    void SetUp() override {
        front.SetProbe({});  // the real ProbeStream
        server.Server().Get("/clip", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(std::string(64, 'x'), "video/x-flv");
        });
        server.Server().Get("/page", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<html></html>", "text/html");
        });
        server.Server().Get("/media/a.mp4", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(std::string(64, 'x'), "video/mp4");
        });
        for (const char* path : {"/relative", "/to-file", "/to-path"}) {
            server.Server().Get(path, [](const httplib::Request& request, httplib::Response& response) {
                const char* location = request.path == "/relative"  ? "/media/a.mp4"
                                       : request.path == "/to-file" ? "file:///etc/passwd"
                                                                    : "/etc/passwd";
                response.status = 302;
                response.set_header("Location", location);
            });
        }
        server.Server().Get("/slow", [](const httplib::Request&, httplib::Response& response) {
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            response.set_content(std::string(64, 'x'), "video/x-flv");
        });
        server.Server().Get("/go", [this](const httplib::Request&, httplib::Response& response) {
            response.set_redirect(Address("/clip"), 302);
        });
        server.Server().set_pre_routing_handler([this](const httplib::Request&, httplib::Response&) {
            ++hits;
            return httplib::Server::HandlerResponse::Unhandled;
        });
        ASSERT_TRUE(server.Start());
    }
    std::string Address(const char* path) const { return server.Url(path); }

    LoopbackHttp server;
    std::atomic<int> hits{0};  // requests received
};

// ClassifyAddress with the real probe: the choice Play makes, and only plain
// web addresses that no marker decides reach the network.
TEST_F(LoopbackProbeTest, ClassifyChoosesAsPlayDoesAndProbesOnlyPlainWebAddresses) {
    Config config = Config::Defaults();
    config.liveHosts = {"live.lumora.test", "b.test", "c.test"};
    ScopedConfigOverride scoped(config);
    struct Case {
        std::string address;
        bool flash;
        std::string chosen;  // the address the engine gets
        bool probes;         // whether a request reached the server
    };
    const std::string media = std::string(LUMORA_TEST_DATA) + "/media/";
    const std::string mp4 = media + "clip.mp4", mp3 = media + "tone.mp3";
    const std::vector<Case> cases = {
        {mp4, true, mp4, false},
        {mp3, false, mp3, false},
        {Address("/a.flv?x=.mp3"), false, Address("/a.flv?x=.mp3"), false},  // ".mp3" anywhere wins over the extension
        {Address("/v.mp4?k=1"), true, Address("/v.mp4?k=1"), false},
        {Address("/clip"), true, Address("/clip"), true},  // the announced type
        {Address("/page"), false, Address("/page"), true},
        {Address("/go"), true, Address("/clip"), true},  // the final address is handed on
        {Address("/missing"), false, Address("/missing"), true},
        {"http://live.lumora.test/channel", true, "http://live.lumora.test/channel", false},  // configured live host
        {"http://h/streamLIVE", true, "http://h/streamLIVE", false},
        {"mms://h:1755/x", true, "mms://h:1755/x", false},
        {"rtmp://h/app/clip@720", true, "rtmp://h/app/clipmp4:720", false},
        {"https://h/x", false, "https://h/x", false},
        {"ftp://h/x.avi", false, "ftp://h/x.avi", false},
        {mp4 + ";" + mp3, true, mp4, false},                       // item 1 of the playlist
        {"/m/a.flv;/m/b.mp3", false, "/m/a.flv;/m/b.mp3", false},  // 20 bytes or less: one address
        {"", false, "", false},
    };
    for (const Case& c : cases) {
        const int before = hits;
        const EngineChoice choice = ClassifyAddress(Text::FromUtf8(c.address));
        EXPECT_EQ(choice.engine == Engine::Flash, c.flash) << c.address;
        EXPECT_EQ(choice.address.ToUtf8(), c.chosen) << c.address;
        EXPECT_EQ(hits > before, c.probes) << c.address;
    }
}

TEST_F(LoopbackProbeTest, TheAnnouncedContentTypeChoosesTheEngine) {
    front.Play(Text::FromUtf8(Address("/clip")));
    Settle();
    EXPECT_EQ(Opened(), std::vector<std::string>{"flash open=" + Address("/clip")});
    EXPECT_EQ(front.ProbedAddress(), Text::FromUtf8(Address("/clip")));
    log.clear();
    front.Play(Text::FromUtf8(Address("/page")));
    Settle();
    EXPECT_EQ(Opened(), std::vector<std::string>{"player open=" + Address("/page")});
}

// Where a redirect leads is always a web address: a relative Location counts
// from the address it came from, and a server never makes the player open a
// local file.
TEST_F(LoopbackProbeTest, RedirectsLeadOnlyToWebAddresses) {
    struct Case {
        const char* path;
        std::string opened;
    };
    const std::vector<Case> cases = {
        {"/relative", "flash open=" + Address("/media/a.mp4")},
        // A bare path is a path on the same server (a 404 there, so the media player gets it).
        {"/to-path", "player open=" + Address("/etc/passwd")},
        // Not followed: the redirecting address itself is played.
        {"/to-file", "player open=" + Address("/to-file")},
    };
    for (const Case& c : cases) {
        log.clear();
        front.Play(Text::FromUtf8(Address(c.path)));
        Settle();
        EXPECT_EQ(Opened(), std::vector<std::string>{c.opened}) << c.path;
        EXPECT_EQ(front.ProbedAddress().Bytes().find("file:"), std::string::npos) << c.path;
    }
}

TEST_F(LoopbackProbeTest, StopDuringTheProbeWins) {
    front.Play(Text::FromUtf8(Address("/slow")));
    EXPECT_EQ(front.PlayState(), PlayState::Connecting);  // the probe waits on the server
    front.Stop();
    Settle();
    EXPECT_TRUE(Opened().empty());
    EXPECT_NE(front.PlayState(), PlayState::Connecting);
}

}  // namespace
}  // namespace lumora::test
