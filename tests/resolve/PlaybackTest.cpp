// SPDX-License-Identifier: GPL-3.0-or-later
// MediaFront over the real controls and libmpv: committed media from disk
// and over loopback HTTP, headless and untimed, polled every 10 ms the way
// the status display polls.
#include "platform/PlaybackOptions.h"
#include "resolve/MediaFront.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>
#include "LoopbackHttp.h"
#include "EventWait.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>
#include <vector>

namespace lumora {
namespace {

const std::string kMedia = std::string(LUMORA_TEST_DATA) + "/media/";

// Untimed runs end a 2-second clip within milliseconds; an audio-only one
// then passes through "playing" faster than a 10 ms poll can see, so those
// play in real time.
class PlaybackTest : public testing::Test {
protected:
    explicit PlaybackTest(bool untimed) {
        PlaybackOptions options;
        options.nullOutputs = true;
        options.untimed = untimed;
        SetPlaybackOptions(options);
        window.resize(640, 480);
        video = new QWidget(&window);
        video->setGeometry(0, 0, 640, 400);
        front.Attach(video, 0, 0, 640, 400);
    }

    // The distinct states seen, polling every 10 ms until `until` holds for
    // a state or the limit passes.
    std::vector<PlayState> Poll(const std::function<bool(PlayState)>& until,
                                std::chrono::milliseconds limit = std::chrono::seconds(15)) {
        std::vector<PlayState> seen;
        QEventLoop loop;
        QTimer tick;
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const PlayState state = front.PlayState();
            if (seen.empty() || seen.back() != state) seen.push_back(state);
            if (until(state) || clock.elapsed() > limit.count()) loop.quit();
        });
        tick.start(10);
        loop.exec();
        return seen;
    }

    // Lets the probe of a web address answer and the engine open it.
    void WaitUntilOpened() { test::WaitUntil([this] { return !front.Busy(); }); }

    static bool Has(const std::vector<PlayState>& seen, PlayState state) {
        return std::find(seen.begin(), seen.end(), state) != seen.end();
    }

    // Plays a committed file and polls until it has played and stopped.
    void ExpectPlaysToItsEnd(const std::string& file, Engine engine) {
        front.Play(Text::FromUtf8(kMedia + file));
        EXPECT_EQ(front.ActiveEngine(), engine) << file;
        bool played = false;
        const std::vector<PlayState> seen = Poll([&](PlayState state) {
            played = played || state == PlayState::Playing;
            return played && state == PlayState::Stopped;
        });
        std::string trace;
        for (PlayState state : seen) trace += std::to_string(static_cast<int>(state)) + " ";
        EXPECT_TRUE(Has(seen, PlayState::Playing)) << file << ": " << trace;
        EXPECT_EQ(seen.back(), PlayState::Stopped) << file << ": " << trace;
        EXPECT_FALSE(Has(seen, PlayState::Failed)) << file << ": " << trace;
    }

    QWidget window;
    QWidget* video = nullptr;
    MediaFront front;
};

class UntimedPlaybackTest : public PlaybackTest {
protected:
    UntimedPlaybackTest() : PlaybackTest(true) {}
};

class RealTimePlaybackTest : public PlaybackTest {
protected:
    RealTimePlaybackTest() : PlaybackTest(false) {}
};

TEST_F(UntimedPlaybackTest, VideoFilesPlayToTheirEndInTheFlashEngine) {
    ExpectPlaysToItsEnd("clip.mp4", Engine::Flash);
    ExpectPlaysToItsEnd("clip.flv", Engine::Flash);
}

TEST_F(RealTimePlaybackTest, AudioFilesPlayToTheirEndInTheMediaPlayer) {
    ExpectPlaysToItsEnd("stereo.wav", Engine::Player);
    ExpectPlaysToItsEnd("tone.mp3", Engine::Player);
}

TEST_F(RealTimePlaybackTest, APlaylistStepsOnAtTheEndOfEachItem) {
    const Text first = Text::FromUtf8(kMedia + "clip.mp4"), second = Text::FromUtf8(kMedia + "tone.mp3");
    front.Play(first + ";" + second);
    EXPECT_EQ(front.PlaylistIndex(), 1);
    Poll([&](PlayState) { return front.ActiveEngine() == Engine::Player; });
    EXPECT_EQ(front.ActiveEngine(), Engine::Player);  // the mp3 went to the media player
    EXPECT_EQ(front.CurrentAddress(), second);
    bool played = false;
    const std::vector<PlayState> seen = Poll([&](PlayState state) {
        played = played || state == PlayState::Playing;
        return played && state == PlayState::Stopped;
    });
    EXPECT_TRUE(Has(seen, PlayState::Playing));
    EXPECT_EQ(seen.back(), PlayState::Stopped);
    EXPECT_FALSE(front.PlaylistActive());
}

TEST_F(UntimedPlaybackTest, MediaThatCannotPlayEndFailedOrStopped) {
    const std::vector<std::string> addresses = {
        kMedia + "corrupt.mp4",
        kMedia + "missing.wmv",
        kMedia + "missing.flv",
        "lavfi://sine",
        "av://lavfi:sine",
        "memory://RIFF",
        "",  // mpv's own protocols open nothing
    };
    for (const std::string& address : addresses) {
        front.Play(Text::FromUtf8(address));
        int stoppedPolls = 0;  // stopped for 200 ms counts as the answer too
        const std::vector<PlayState> seen = Poll(
            [&](PlayState state) {
                stoppedPolls = state == PlayState::Stopped ? stoppedPolls + 1 : 0;
                return state == PlayState::Failed || stoppedPolls >= 20;
            },
            std::chrono::seconds(5));
        EXPECT_TRUE(seen.back() == PlayState::Failed || seen.back() == PlayState::Stopped) << address;
        EXPECT_FALSE(Has(seen, PlayState::Playing)) << address;
    }
}

TEST_F(UntimedPlaybackTest, OverLoopbackTheProbeChoosesAndFailuresShow) {
    std::ifstream file(kMedia + "clip.flv", std::ios::binary);
    const std::string flv((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(flv.empty());
    test::LoopbackHttp server;
    server.Server().Get("/watch", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(flv, "video/x-flv");
    });
    ASSERT_TRUE(server.Start());
    const std::string base = server.Url();

    front.Play(Text::FromUtf8(base + "/watch"));
    WaitUntilOpened();
    EXPECT_EQ(front.ActiveEngine(), Engine::Flash);  // chosen by the announced type
    bool played = false;
    std::vector<PlayState> seen = Poll([&](PlayState state) {
        played = played || state == PlayState::Playing;
        return played && state == PlayState::Stopped;
    });
    EXPECT_TRUE(Has(seen, PlayState::Playing));

    front.Play(Text::FromUtf8(base + "/nothing-here"));  // 404
    WaitUntilOpened();
    EXPECT_EQ(front.ActiveEngine(), Engine::Player);
    seen = Poll([](PlayState state) { return state == PlayState::Failed; }, std::chrono::seconds(10));
    EXPECT_EQ(seen.back(), PlayState::Failed);
}

}  // namespace
}  // namespace lumora
