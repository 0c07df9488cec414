// SPDX-License-Identifier: GPL-3.0-or-later
// The same media from a loopback HTTP server: whole, missing, and broken off.
#include "ControlsTestSupport.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

using namespace controls_test;

TEST(HttpPlaybackTest, MediaPlayerPlaysTheWholeMediumToItsEnd) {
    MediaServer server;
    for (const char* name : {"clip.mp4", "tone.mp3"}) {
        AutomationRef control = MakeMediaPlayerControl();
        StateRecorder recorder(control, [&] { return PlayerState(control); });
        AutomationWrite(control, "URL", {Text::FromUtf8(server.Url(std::string("/media/") + name))});
        const std::vector<int> states = recorder.RunUntil(1);
        EXPECT_TRUE(InOrder(states, {9, 8, 1})) << name << " " << ::testing::PrintToString(states);
        EXPECT_EQ(std::count(states.begin(), states.end(), 10), 0) << name;
    }
}

TEST(HttpPlaybackTest, MovieStreamsFlashVideo) {
    MediaServer server;
    AutomationRef control = MakeMovieControl(HeadlessOptions(false));
    LoadValidMovie(control);
    StateRecorder recorder(control, [&] { return MoviePlayState(control); });
    const std::string url = server.Url("/media/clip.flv");
    Send(control, "setPlayUrl", Text::FromUtf8(url));
    const std::vector<int> states = recorder.RunUntil([&](int state) {
        if (state == 3) {
            EXPECT_EQ(Value(control, "getFlvUrl"), url);
            EXPECT_EQ(Value(control, "getPlayWidth"), "160");
        }
        return state == 0 && recorder.Seen().size() > 2;
    });
    EXPECT_TRUE(InOrder(states, {0, 4, 3, 0})) << ::testing::PrintToString(states);
    EXPECT_EQ(std::count(states.begin(), states.end(), 5), 0);
}

TEST(HttpPlaybackTest, NotFoundFails) {
    MediaServer server;
    AutomationRef player = MakeMediaPlayerControl();
    AutomationWrite(player, "URL", {Text::FromUtf8(server.Url("/nothing/here.mp4"))});
    AutomationRef movie = MakeMovieControl();
    LoadValidMovie(movie);
    Send(movie, "setPlayUrl", Text::FromUtf8(server.Url("/nothing/here.flv")));
    EXPECT_TRUE(WaitFor([&] { return PlayerState(player) == 10 && MoviePlayState(movie) == 5; }));
}

TEST(HttpPlaybackTest, AStreamBrokenOffIsNotPlayedToItsEnd) {
    MediaServer server(0.4);
    // mpv asks a broken-off server for the rest a few times, waiting longer
    // each time; one quick retry is enough here.
    PlaybackOptions options = HeadlessOptions();
    options.extraOptions = {{"stream-lavf-o", "reconnect_delay_max=1"}};
    AutomationRef player = MakeMediaPlayerControl(options);
    StateRecorder recorder(player, [&] { return PlayerState(player); });
    AutomationWrite(player, "URL", {Text::FromUtf8(server.Url("/cut/clip.mp4"))});
    const std::vector<int> states = recorder.RunUntil([](int state) { return state == 10 || state == 1; }, 30000);
    EXPECT_EQ(states.back(), 10) << ::testing::PrintToString(states);
    EXPECT_EQ(std::count(states.begin(), states.end(), 8), 0);

    AutomationRef movie = MakeMovieControl(options);
    LoadValidMovie(movie);
    Send(movie, "setPlayUrl", Text::FromUtf8(server.Url("/cut/clip.flv")));
    EXPECT_TRUE(WaitFor([&] { return MoviePlayState(movie) == 5; }, 30000));
}

}  // namespace
}  // namespace lumora
