// SPDX-License-Identifier: GPL-3.0-or-later
// The engines over the real controls: libmpv behind them, null outputs, the
// committed test media.
#include "engines/CarriedMovie.h"
#include "engines/FlashMovieEngine.h"
#include "engines/MediaPlayerEngine.h"
#include "platform/PlaybackOptions.h"
#include "platform/RightClickRegistry.h"
#include "TestSupport.h"
#include "RawServer.h"

#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include <algorithm>

#include <gtest/gtest.h>

namespace lumora {
namespace {

using testing::RunUntil;
using testing::TemporaryDirectory;

Text Media(const char* name) { return Text::FromUtf8(std::string(LUMORA_TEST_DATA) + "/media/" + name); }

// Untimed runs finish a clip in a fraction of a second; timed ones play it
// in real time, for tests that must catch it while it plays.
void UseNullOutputs(bool untimed) {
    PlaybackOptions options;
    options.nullOutputs = true;
    options.untimed = untimed;
    SetPlaybackOptions(options);
}

// The distinct states a poll went through, in order.
struct Trail {
    std::vector<int> states;
    int Note(int state) {
        if (states.empty() || states.back() != state) states.push_back(state);
        return state;
    }
    bool Contains(int state) const { return std::find(states.begin(), states.end(), state) != states.end(); }
};

bool IsRegistered(QWidget* widget) {
    const auto& records = SubclassedWindows();
    return std::any_of(records.begin(), records.end(), [&](const SubclassRecord& r) { return r.window == widget; });
}

class FlashPlayback : public ::testing::Test {
protected:
    void Start(bool untimed) {
        UseNullOutputs(untimed);
        engine.Create(&parent, 0, 0, 160, 120);
        ASSERT_NE(engine.Movie(), nullptr);
    }
    bool WaitFor(int state) {
        return RunUntil([&] { return trail.Note(engine.GetPlayState()) == state; });
    }
    // Until the movie, having started, is stopped (0) or failed (5).
    bool WaitForOutcome() {
        return RunUntil([&] {
            const int state = trail.Note(engine.GetPlayState());
            return state == 5 || (state == 0 && trail.states.size() > 1);
        });
    }

    TemporaryDirectory temp;
    QWidget parent;
    FlashMovieEngine engine;
    Trail trail;
};

TEST_F(FlashPlayback, CreateLoadsTheCarriedMovieAndLeavesNoFile) {
    {
        QFile stale(temp.MoviePath());
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("not a movie");
    }
    Start(true);
    // The movie came from a private directory, now gone; a file of that name
    // in the shared directory is someone else's and stays.
    EXPECT_TRUE(QFileInfo(temp.MoviePath()).isFile());
    EXPECT_NE(engine.moviePath.ToUtf8(), temp.MoviePath().toStdString());
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(QString::fromStdString(engine.moviePath.ToUtf8())).path()));
    // A loaded movie answers; before any address it has none.
    EXPECT_NE(engine.Movie(), nullptr);
    EXPECT_EQ(engine.GetPlayState(), 0);
    EXPECT_EQ(engine.GetFlvUrl(), "");
    EXPECT_EQ(engine.GetPlayTimeString().Empty(), false);
    EXPECT_TRUE(IsRegistered(&parent));
    EXPECT_TRUE(IsRegistered(engine.movieHost.HostWindow()));
}

TEST_F(FlashPlayback, PlaysAFileToItsEnd) {
    Start(true);
    engine.SetPlayUrl(Media("clip.flv"));
    EXPECT_EQ(engine.GetFlvUrl(), Media("clip.flv"));
    ASSERT_TRUE(WaitForOutcome());
    EXPECT_EQ(trail.states.back(), 0);
    EXPECT_FALSE(trail.Contains(5));
}

TEST_F(FlashPlayback, PauseResumeStopAndStartAgain) {
    Start(false);
    engine.SetPlayUrl(Media("clip.mp4"));
    ASSERT_TRUE(WaitFor(3));
    engine.Play();
    ASSERT_TRUE(WaitFor(2));
    EXPECT_EQ(engine.GetTotalTime(), 2);
    EXPECT_EQ(engine.GetTotalTimeString(), "00:02");
    EXPECT_EQ(engine.TotalSeconds(), 2);
    EXPECT_EQ(engine.GetPlayWidth(), 160);
    EXPECT_EQ(engine.GetPlayHeight(), 120);
    engine.Play();
    ASSERT_TRUE(WaitFor(3));
    engine.Stop();
    ASSERT_TRUE(WaitFor(0));
    engine.Play();  // stopped: starts the address again
    EXPECT_TRUE(WaitFor(3));
    engine.Stop();
    EXPECT_TRUE(WaitFor(0));
}

TEST_F(FlashPlayback, PercentEscapesAreDecodedBeforeTheMovieSeesThem) {
    const QString spaced = temp.Path() + "/a b.flv";
    ASSERT_TRUE(QFile::copy(QString::fromStdString(Media("clip.flv").ToUtf8()), spaced));
    Start(true);
    engine.SetPlayUrl(Text::FromUtf8(temp.Path().toStdString() + "/a%20b.flv"));
    EXPECT_EQ(engine.GetFlvUrl().ToUtf8(), spaced.toStdString());
    ASSERT_TRUE(WaitForOutcome());
    EXPECT_EQ(trail.states.back(), 0);
}

// The server receives the address's bytes as they were given: UTF-8 escapes
// stay escapes, and escaped "&", "=" and "?" keep their meaning.
TEST_F(FlashPlayback, AWebAddressReachesTheServerAsGiven) {
    test::RawServer server(
        [](const std::string&, int) { return test::RawServer::Reply{test::HttpReply("404 Not Found", {}, "")}; });
    Start(true);
    const std::string path = "/%E4%B8%AD%E6%96%87/a%26b%3Dc%3Fd%20e.flv?q=%26x%3D1";
    engine.SetPlayUrl(Text::FromUtf8(server.Url(path)));
    ASSERT_TRUE(WaitForOutcome());
    ASSERT_FALSE(server.Requests().empty());
    const std::string request = server.Requests()[0];
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET " + path + " HTTP/1.1");
}

TEST_F(FlashPlayback, AddressesThatCannotPlayFail) {
    UseNullOutputs(true);
    for (const Text& address : {Media("corrupt.mp4"), Media("missing.flv"), Text("lavfi://sine")}) {
        FlashMovieEngine failing;
        failing.Create(&parent, 0, 0, 160, 120);
        failing.SetPlayUrl(address);
        Trail seen;
        EXPECT_TRUE(RunUntil([&] { return seen.Note(failing.GetPlayState()) == 5; })) << address.ToUtf8();
        EXPECT_EQ(failing.GetTotalTime(), 0) << address.ToUtf8();
    }
}

class MediaPlayerPlayback : public ::testing::Test {
protected:
    void Start(bool untimed) {
        UseNullOutputs(untimed);
        ASSERT_TRUE(engine.Create(&parent, 0, 0, 160, 120));
    }
    bool WaitFor(MediaPlayerState state) {
        return RunUntil(
            [&] { return trail.Note(MediaPlayerStateCode(engine.PlayState())) == MediaPlayerStateCode(state); });
    }

    TemporaryDirectory temp;
    QWidget parent;
    MediaPlayerEngine engine;
    Trail trail;
};

TEST_F(MediaPlayerPlayback, CreateSetsUpThePlayer) {
    Start(true);
    ASSERT_NE(engine.Engine(), nullptr);
    EXPECT_EQ(engine.Engine()->Volume(), 100);
    EXPECT_EQ(engine.PlayState(), MediaPlayerState::Undefined);
    EXPECT_EQ(engine.PositionString(), "00:00");
    EXPECT_EQ(engine.TimeText(), "00:00/00:00");
    EXPECT_TRUE(IsRegistered(engine.HostWindow()));
}

TEST_F(MediaPlayerPlayback, PauseResumeAndStop) {
    Start(false);
    engine.SetUrl(Media("clip.mp4"));
    ASSERT_TRUE(WaitFor(MediaPlayerState::Playing));
    EXPECT_TRUE(engine.TogglePlay());
    ASSERT_TRUE(WaitFor(MediaPlayerState::Paused));
    EXPECT_NEAR(engine.Duration(), 2.0, 0.1);
    EXPECT_EQ(engine.DurationString(), "00:02");
    EXPECT_EQ(engine.FileType(), "mp4");
    EXPECT_EQ(engine.ImageWidth(), 160);
    EXPECT_EQ(engine.ImageHeight(), 120);
    EXPECT_EQ(engine.TimeText(), engine.PositionString() + "/00:02");
    EXPECT_FALSE(engine.TogglePlay());
    ASSERT_TRUE(WaitFor(MediaPlayerState::Playing));
    engine.Stop();
    ASSERT_TRUE(WaitFor(MediaPlayerState::Stopped));
    EXPECT_EQ(engine.Url(), Media("clip.mp4"));
    EXPECT_EQ(engine.savedUrl, "");
}

TEST_F(MediaPlayerPlayback, PlaysToTheEnd) {
    Start(true);
    engine.SetUrl(Media("tone.mp3"));
    ASSERT_TRUE(RunUntil([&] {
        const int state = trail.Note(MediaPlayerStateCode(engine.PlayState()));
        return state == 10 || (state == 1 && trail.Contains(8));
    }));
    EXPECT_FALSE(trail.Contains(10));
    ASSERT_GE(trail.states.size(), 2u);
    EXPECT_EQ(trail.states[trail.states.size() - 2], 8);
}

TEST_F(MediaPlayerPlayback, ACorruptFileCannotBeOpened) {
    Start(true);
    engine.SetUrl(Media("corrupt.mp4"));
    EXPECT_TRUE(WaitFor(MediaPlayerState::Ready));
}

TEST_F(MediaPlayerPlayback, StopUnloadsASwfAndTogglePlayLoadsItAgain) {
    const QString path = temp.Path() + "/Intro.swf";
    {
        QFile swf(path);
        ASSERT_TRUE(swf.open(QIODevice::WriteOnly));
        swf.write(CarriedMovie().data(), static_cast<qint64>(CarriedMovie().size()));
    }
    const Text address = Text::FromUtf8(path.toStdString());
    Start(true);
    engine.SetUrl(address);
    ASSERT_TRUE(RunUntil([&] { return engine.FileType() == "swf"; }));
    engine.Stop();
    EXPECT_EQ(engine.Url(), "");
    EXPECT_EQ(engine.savedUrl, address);
    EXPECT_TRUE(engine.TogglePlay());
    EXPECT_EQ(engine.Url(), address);
}

// As the player's front creates them: the media player first, then the Flash
// engine in the same parent. Each widget keeps the handler it was first
// registered with.
TEST(BothEngines, ShareOneParentAndKeepTheirHandlers) {
    TemporaryDirectory temp;
    UseNullOutputs(true);
    QWidget parent;
    MediaPlayerEngine player;
    FlashMovieEngine flash;
    std::vector<std::string> calls;
    ASSERT_TRUE(player.Create(&parent, 0, 0, 160, 120, [&](int, int) { calls.push_back("player"); }));
    flash.Create(&parent, 0, 0, 160, 120, [&](int, int) { calls.push_back("flash"); });
    ASSERT_NE(flash.Movie(), nullptr);

    const auto handlerOf = [](QWidget* widget) -> RightClickHandler {
        for (const SubclassRecord& record : SubclassedWindows())
            if (record.window == widget) return record.rightClickHandler;
        return {};
    };
    for (QWidget* widget : {player.HostWindow(), &parent, flash.movieHost.HostWindow()}) {
        const RightClickHandler handler = handlerOf(widget);
        ASSERT_TRUE(handler);
        handler(1, 2);
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"player", "flash", "flash"}));
}

}  // namespace
}  // namespace lumora
