// SPDX-License-Identifier: GPL-3.0-or-later
// The movie control as the Flash movie engine drives it, on real libmpv.
#include "ControlsTestSupport.h"

#include "engines/ControlHost.h"
#include "engines/MediaPlayerControl.h"
#include "engines/MovieControl.h"

#include <QWidget>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace lumora {
namespace {

using namespace controls_test;

TEST(MovieControlTest, HostsCreateTheControlTheirWindowTextNames) {
    SetPlaybackOptions(HeadlessOptions());
    QWidget parent;
    ControlHost movie(&parent, 0, 0, 80, 60, "ShockwaveFlash.ShockwaveFlash.1");
    ControlHost player(&parent, 0, 0, 80, 60, "{6bf52a52-394a-11d3-b153-00c04f79faa6}");
    ControlHost unknown(&parent, 0, 0, 80, 60, "Shell.Explorer.2");
    EXPECT_NE(std::dynamic_pointer_cast<MovieControl>(movie.Control()), nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<MediaPlayerControl>(player.Control()), nullptr);
    EXPECT_EQ(unknown.Control(), nullptr);
}

TEST(MovieControlTest, OnlyAPlayerMovieAnswersTheProtocol) {
    const std::string notMovie = MediaPath("corrupt.mp4");
    MovieParts other;
    other.metadata = "another movie";
    const std::string foreign = WriteTempFile("Other.swf", BuildMovie(other));
    const std::string missing = WriteTempFile("gone.swf", "") + ".missing";
    // A pipe nobody writes to: reading it would wait for good.
    const std::string pipe = WriteTempFile("pipe.swf", "") + ".fifo";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {notMovie, foreign, missing, pipe, std::string("/dev/zero")}) {
        AutomationRef control = MakeMovieControl();
        EXPECT_TRUE(AutomationWrite(control, "Movie", {Text::FromUtf8(path)}));
        EXPECT_EQ(VariantText(AutomationRead(control, "Movie")).ToUtf8(), path);
        EXPECT_FALSE(AutomationCall(control, "CallFunction", {Text::FromUtf8(Invoke("getPlayState"))})) << path;
        // Commands reach no movie: nothing plays.
        EXPECT_TRUE(Send(control, "setPlayUrl", Text::FromUtf8(MediaPath("clip.flv"))));
        EXPECT_EQ(PlayerOf(control).CurrentPhase(), Player::Phase::Empty) << path;
    }

    AutomationRef control = MakeMovieControl();
    LoadValidMovie(control);
    EXPECT_EQ(Reply(control, "getPlayState").Bytes(), "<string>[0]</string>");
    EXPECT_EQ(Reply(control, "getFlvUrl").Bytes(), "<string>[undefined]</string>");

    // Loading something else takes the movie away again.
    AutomationWrite(control, "Movie", {Text::FromUtf8(notMovie)});
    EXPECT_TRUE(Reply(control, "getPlayState").Empty());
}

TEST(MovieControlTest, SetVariableIsAMethodOnly) {
    AutomationRef control = MakeMovieControl();
    LoadValidMovie(control);
    const std::vector<Variant> args = {Text("setVolume"), Text("40")};
    EXPECT_FALSE(control->Invoke("SetVariable", InvokeKind::PropertyPut, args));
    EXPECT_FALSE(control->Invoke("SetVariable", InvokeKind::PropertyPutRef, args));
    EXPECT_TRUE(control->Invoke("setvariable", InvokeKind::Method, args));
    EXPECT_EQ(PlayerOf(control).Volume(), 40);
    // The engine's write therefore lands on the method.
    EXPECT_TRUE(AutomationWrite(control, "setVariable", {Text("setVolume"), Text("70")}));
    EXPECT_EQ(PlayerOf(control).Volume(), 70);
    EXPECT_FALSE(AutomationWrite(control, "setVariable", {Text("setVolume")}));
}

TEST(MovieControlTest, RepliesCarryTheValueInBrackets) {
    AutomationRef control = MakeMovieControl(HeadlessOptions(false));
    LoadValidMovie(control);
    const Text address = Text::FromUtf8(MediaPath("clip.mp4"));
    Send(control, "setPlayUrl", address);
    Send(control, "setPlay", "Play");  // pauses as soon as it plays
    // Paused with the first frame up, so nothing is still buffering.
    ASSERT_TRUE(WaitFor([&] {
        return MoviePlayState(control) == 2 && PlayerOf(control).VideoWidth() > 0 && !PlayerOf(control).Buffering();
    }));

    struct Case {
        std::string request;
        std::string reply;  // empty: no reply
    };
    const std::vector<Case> cases = {
        {Invoke("getPlayState"), "<string>[2]</string>"},
        {Invoke("getPlayWidth"), "<string>[160]</string>"},
        {Invoke("getPlayHeight"), "<string>[120]</string>"},
        {Invoke("getTotalTime"), "<string>[2]</string>"},
        {Invoke("getTotalTimeString"), "<string>[00:02]</string>"},
        {Invoke("getPlayTimeString"), "<string>[00:00/00:02]</string>"},
        {Invoke("getTimeString"), "<string>[00:00]</string>"},
        {Invoke("getBuffer"), "<string>[100]</string>"},
        {Invoke("getDownBuffer"), "<string>[100]</string>"},
        {Invoke("getFlvUrl"), "<string>[" + address.ToUtf8() + "]</string>"},
        {Invoke("getInfoCode"), "<string>[NetStream.Pause.Notify]</string>"},
        {"<invoke name=\"getPlayState\" returntype=\"xml\"><arguments></arguments></invoke>", "<string>[2]</string>"},
        {Invoke("GETPLAYSTATE"), ""},
        {Invoke("noSuchCallback"), ""},
        {"<invoke returntype='xml'></invoke>", ""},
        {"<invoke name='getPlayState", ""},
        {"getPlayState", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VariantText(AutomationCall(control, "CallFunction", {Text::FromUtf8(c.request)})).ToUtf8(), c.reply)
            << c.request;

    EXPECT_EQ(Value(control, "noVolume"), "0");
    EXPECT_EQ(PlayerOf(control).Volume(), 0);
}

TEST(MovieControlTest, PlaysThroughLoadingToPlayingAndStopsAtTheEnd) {
    AutomationRef control = MakeMovieControl(HeadlessOptions(false));
    LoadValidMovie(control);
    StateRecorder recorder(control, [&] { return MoviePlayState(control); });
    Send(control, "setPlayUrl", Text::FromUtf8(MediaPath("clip.flv")));
    double playTime = 0;
    const std::vector<int> states = recorder.RunUntil([&](int state) {
        if (state == 3) playTime = std::max(playTime, std::atof(Value(control, "getPlayTime").c_str()));
        return state == 0 && playTime > 0;
    });
    EXPECT_TRUE(InOrder(states, {0, 4, 3, 0})) << ::testing::PrintToString(states);
    EXPECT_EQ(std::count(states.begin(), states.end(), 5), 0);
    EXPECT_GT(playTime, 0);
    // At the end: stopped, no time, the address still there.
    EXPECT_EQ(Value(control, "getPlayTime"), "0");
    EXPECT_EQ(Value(control, "getFlvUrl"), MediaPath("clip.flv"));
}

TEST(MovieControlTest, PlayTogglesPauseAndRestartsAfterStop) {
    AutomationRef control = MakeMovieControl(HeadlessOptions(false));
    LoadValidMovie(control);
    Send(control, "setPlayUrl", Text::FromUtf8(MediaPath("clip.mp4")));
    ASSERT_TRUE(WaitFor([&] { return MoviePlayState(control) == 3; }));

    Send(control, "setPlay", "Play");
    EXPECT_EQ(MoviePlayState(control), 2);
    Send(control, "setPlay", "Play");
    EXPECT_EQ(MoviePlayState(control), 3);

    Send(control, "setPlay", "Stop");
    EXPECT_EQ(MoviePlayState(control), 0);
    WaitFor([] { return false; }, 200);  // late events of the stopped file change nothing
    EXPECT_EQ(MoviePlayState(control), 0);
    EXPECT_EQ(Value(control, "getPlayTime"), "0");

    // "Play" while stopped starts the same address again.
    StateRecorder recorder(control, [&] { return MoviePlayState(control); });
    Send(control, "setPlay", "Play");
    EXPECT_TRUE(InOrder(recorder.RunUntil(3), {0, 4, 3}));
    EXPECT_EQ(Value(control, "getFlvUrl"), MediaPath("clip.mp4"));
}

TEST(MovieControlTest, SeekMovesThePlayTime) {
    AutomationRef control = MakeMovieControl(HeadlessOptions(false));
    LoadValidMovie(control);
    Send(control, "setPlayUrl", Text::FromUtf8(MediaPath("tone.mp3")));
    Send(control, "setPlay", "Play");
    ASSERT_TRUE(WaitFor([&] { return MoviePlayState(control) == 2 && PlayerOf(control).Duration() > 0; }));
    Send(control, "setSeek", "1");
    EXPECT_TRUE(WaitFor([&] { return std::atof(Value(control, "getPlayTime").c_str()) >= 1.0; }));
    EXPECT_EQ(Value(control, "getTimeString"), "00:01");
}

TEST(MovieControlTest, AnAddressThatCannotBePlayedFails) {
    const std::vector<std::string> addresses = {
        MediaPath("corrupt.mp4"),
        MediaPath("missing.flv"),
        "lavfi://sine",
        "av://lavfi:sine=d=1",
        "memory://FLV",
        "fd://0",
        "-",
    };
    for (const std::string& address : addresses) {
        AutomationRef control = MakeMovieControl();
        LoadValidMovie(control);
        Send(control, "setPlayUrl", Text::FromUtf8(address));
        EXPECT_TRUE(WaitFor([&] { return MoviePlayState(control) == 5; })) << address;
        EXPECT_EQ(Value(control, "getInfoCode"), "NetStream.Play.StreamNotFound") << address;
    }

    // An empty address plays nothing and fails nothing.
    AutomationRef control = MakeMovieControl();
    LoadValidMovie(control);
    Send(control, "setPlayUrl", "");
    EXPECT_EQ(MoviePlayState(control), 0);
    EXPECT_EQ(Value(control, "getFlvUrl"), "");
}

TEST(MovieControlTest, VolumeAcceptsOnlyNumbers) {
    AutomationRef control = MakeMovieControl();
    LoadValidMovie(control);
    struct Case {
        const char* value;
        int volume;
    };
    // Starting from 55 each time; what is no number leaves the volume alone.
    const std::vector<Case> cases = {{"75", 75},  {"0", 0}, {"250", 100}, {"-4", 0},
                                     {"abc", 55}, {"", 55}, {" 30 ", 30}};
    for (const Case& c : cases) {
        Send(control, "setVolume", "55");
        Send(control, "setVolume", c.value);
        EXPECT_EQ(PlayerOf(control).Volume(), c.volume) << c.value;
    }
}

TEST(MovieControlTest, DestroyedWhilePlaying) {
    for (const char* name : {"clip.mp4", "clip.flv", "tone.mp3"}) {
        AutomationRef control = MakeMovieControl(HeadlessOptions(false));
        LoadValidMovie(control);
        Send(control, "setPlayUrl", Text::FromUtf8(MediaPath(name)));
        EXPECT_TRUE(WaitFor([&] { return MoviePlayState(control) == 3; })) << name;
    }
}

}  // namespace
}  // namespace lumora
