// Play with the real network probe against a server on 127.0.0.1.
#include "FrontFixture.h"

#include <QTimer>

#include <httplib.h>

#include <chrono>
#include <thread>
#include <optional>

namespace lumora::test {
namespace {

class LoopbackProbeTest : public FrontTest {
protected:
    void SetUp() override {
        front.SetProbe({});  // the real ProbeStream
        server.Get("/clip", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(std::string(64, 'x'), "video/x-flv");
        });
        server.Get("/page", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<html></html>", "text/html");
        });
        server.Get("/media/a.mp4", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(std::string(64, 'x'), "video/mp4");
        });
        for (const char* path : {"/relative", "/to-file", "/to-path"}) {
            server.Get(path, [](const httplib::Request& request, httplib::Response& response) {
                const char* location = request.path == "/relative" ? "/media/a.mp4"
                                       : request.path == "/to-file" ? "file:///etc/passwd"
                                                                    : "/etc/passwd";
                response.status = 302;
                response.set_header("Location", location);
            });
        }
        server.Get("/slow", [](const httplib::Request&, httplib::Response& response) {
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            response.set_content(std::string(64, 'x'), "video/x-flv");
        });
        port = server.bind_to_any_port("127.0.0.1");
        ASSERT_GT(port, 0);
        // The socket listens from the bind on; connections wait in its backlog.
        thread = std::thread([this] { server.listen_after_bind(); });
    }
    void TearDown() override {
        // stop() only reaches a server whose accept loop has begun.
        for (int i = 0; i < 400 && !server.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        server.stop();
        if (thread.joinable()) thread.join();
    }
    std::string Address(const char* path) const { return "http://127.0.0.1:" + std::to_string(port) + path; }

    httplib::Server server;
    std::thread thread;
    int port = 0;
};

TEST_F(LoopbackProbeTest, TheAnnouncedContentTypeChoosesTheEngine) {
    front.Play(Text::FromUtf8(Address("/clip")));
    EXPECT_EQ(Opened(), std::vector<std::string>{"flash setPlayUrl=" + Address("/clip")});
    EXPECT_EQ(front.ProbedAddress(), Text::FromUtf8(Address("/clip")));
    log.clear();
    front.Play(Text::FromUtf8(Address("/page")));
    EXPECT_EQ(Opened(), std::vector<std::string>{"player URL=" + Address("/page")});
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
        {"/relative", "flash setPlayUrl=" + Address("/media/a.mp4")},
        // A bare path is a path on the same server (a 404 there, so the media player gets it).
        {"/to-path", "player URL=" + Address("/etc/passwd")},
        // Not followed: the redirecting address itself is played.
        {"/to-file", "player URL=" + Address("/to-file")},
    };
    for (const Case& c : cases) {
        log.clear();
        front.Play(Text::FromUtf8(Address(c.path)));
        EXPECT_EQ(Opened(), std::vector<std::string>{c.opened}) << c.path;
        EXPECT_EQ(front.ProbedAddress().Bytes().find("file:"), std::string::npos) << c.path;
    }
}

TEST_F(LoopbackProbeTest, StopDuringTheProbeWins) {
    std::optional<PlayState> stateWhileWaiting;
    QTimer::singleShot(50, [&] {
        stateWhileWaiting = front.PlayState();
        front.Stop();
    });
    front.Play(Text::FromUtf8(Address("/slow")));
    EXPECT_EQ(stateWhileWaiting, PlayState::Connecting);  // the timer ran inside the wait
    EXPECT_TRUE(Opened().empty());
    EXPECT_NE(front.PlayState(), PlayState::Connecting);
}

}  // namespace
}  // namespace lumora::test
