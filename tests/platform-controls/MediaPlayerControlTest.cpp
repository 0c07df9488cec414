// SPDX-License-Identifier: GPL-3.0-or-later
// The media player control as the media player engine drives it, on real libmpv.
#include "ControlsTestSupport.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

using namespace controls_test;

TEST(MediaPlayerControlTest, NormalPlayEndsWithMediaEndedThenStopped) {
    AutomationRef control = MakeMediaPlayerControl(HeadlessOptions(false));
    EXPECT_EQ(PlayerState(control), 0);
    StateRecorder recorder(control, [&] { return PlayerState(control); });
    const Text address = Text::FromUtf8(MediaPath("clip.mp4"));
    EXPECT_TRUE(AutomationWrite(control, "URL", {address}));
    EXPECT_EQ(PlayerState(control), 9);  // opening at once

    double seen = 0;
    const std::vector<int> states = recorder.RunUntil([&](int state) {
        if (state == 3) {
            seen = std::max(seen, VariantNumber(SubRead(control, "controls", "currentPosition")));
            EXPECT_EQ(VariantInt(SubRead(control, "currentMedia", "imageSourceWidth")), 160);
            EXPECT_EQ(VariantInt(SubRead(control, "network", "bufferingProgress")), 100);
        }
        return state == 1;
    });
    EXPECT_TRUE(InOrder(states, {0, 9, 3, 8, 1})) << ::testing::PrintToString(states);
    EXPECT_EQ(std::count(states.begin(), states.end(), 10), 0);
    EXPECT_GT(seen, 0);
    // Ended: the medium stays, at position 0, with its duration.
    EXPECT_EQ(PlayerState(control), 1);
    EXPECT_EQ(VariantText(AutomationRead(control, "Url")), address);
    EXPECT_EQ(VariantNumber(SubRead(control, "controls", "currentPosition")), 0);
    EXPECT_EQ(VariantText(SubRead(control, "currentMedia", "durationString")).Bytes(), "00:02");
}

TEST(MediaPlayerControlTest, PauseResumeStopAndPlayAgain) {
    AutomationRef control = MakeMediaPlayerControl(HeadlessOptions(false));
    AutomationWrite(control, "URL", {Text::FromUtf8(MediaPath("clip.mp4"))});
    ASSERT_TRUE(WaitFor([&] { return PlayerState(control) == 3; }));

    EXPECT_TRUE(SubCall(control, "controls", "pause"));
    EXPECT_EQ(PlayerState(control), 2);
    EXPECT_TRUE(SubCall(control, "controls", "play"));
    EXPECT_EQ(PlayerState(control), 3);

    EXPECT_TRUE(SubCall(control, "controls", "stop"));
    EXPECT_EQ(PlayerState(control), 1);
    WaitFor([] { return false; }, 200);  // late events of the stopped file change nothing
    EXPECT_EQ(PlayerState(control), 1);
    EXPECT_EQ(VariantText(AutomationRead(control, "URL")).ToUtf8(), MediaPath("clip.mp4"));
    EXPECT_TRUE(VariantText(SubRead(control, "controls", "currentPositionString")).Empty());

    StateRecorder recorder(control, [&] { return PlayerState(control); });
    SubCall(control, "controls", "play");
    EXPECT_TRUE(InOrder(recorder.RunUntil(3), {1, 9, 3}));
}

TEST(MediaPlayerControlTest, EndOfAnUntimedMedium) {
    for (const char* name : {"clip.mp4", "clip.flv", "tone.mp3", "stereo.wav"}) {
        AutomationRef control = MakeMediaPlayerControl();
        StateRecorder recorder(control, [&] { return PlayerState(control); });
        AutomationWrite(control, "URL", {Text::FromUtf8(MediaPath(name))});
        const std::vector<int> states = recorder.RunUntil(1);
        EXPECT_TRUE(InOrder(states, {9, 8, 1})) << name << " " << ::testing::PrintToString(states);
        EXPECT_EQ(std::count(states.begin(), states.end(), 10), 0) << name;
    }
}

TEST(MediaPlayerControlTest, OneMediumAfterAnotherEachEnds) {
    // As a playlist steps on at each end: the next address is given the
    // moment the last one ended, some of them the same file again.
    AutomationRef control = MakeMediaPlayerControl();
    const char* names[] = {"tone.mp3", "tone.mp3", "clip.mp4", "stereo.wav", "stereo.wav", "clip.flv"};
    for (const char* name : names) {
        StateRecorder recorder(control, [&] { return PlayerState(control); });
        AutomationWrite(control, "URL", {Text::FromUtf8(MediaPath(name))});
        const std::vector<int> states = recorder.RunUntil(1);
        EXPECT_TRUE(InOrder(states, {9, 8, 1})) << name << " " << ::testing::PrintToString(states);
    }
    // And once more by "play" after the end.
    StateRecorder recorder(control, [&] { return PlayerState(control); });
    SubCall(control, "controls", "play");
    EXPECT_TRUE(InOrder(recorder.RunUntil(1), {1, 9, 8, 1}));
}

TEST(MediaPlayerControlTest, AMediumThatCannotBeOpened) {
    const std::vector<std::string> addresses = {
        MediaPath("corrupt.mp4"), MediaPath("missing.mp4"), "lavfi://sine", "edl://" + MediaPath("clip.mp4") + ",0,1",
        "ftp://127.0.0.1/a.mp4",  LUMORA_TEST_MEDIA,
    };
    for (const std::string& address : addresses) {
        AutomationRef control = MakeMediaPlayerControl();
        AutomationWrite(control, "URL", {Text::FromUtf8(address)});
        EXPECT_TRUE(WaitFor([&] { return PlayerState(control) == 10; })) << address;
        // The medium is there, with nothing to tell about it.
        EXPECT_EQ(VariantText(AutomationRead(control, "Url")).ToUtf8(), address);
        EXPECT_EQ(VariantNumber(SubRead(control, "currentMedia", "duration")), 0) << address;
    }
}

TEST(MediaPlayerControlTest, AnAudioOutputFailureIsNoFailedMedium) {
    // An audio output that cannot start, as without a sound device: the
    // picture plays to its end; a medium of sound alone has nothing to play.
    PlaybackOptions options = HeadlessOptions();
    options.extraOptions = {{"ao", "pcm"}, {"ao-pcm-file", "/nonexistent/folder/out.wav"}};
    for (const char* name : {"clip.mp4", "tone.mp3"}) {
        AutomationRef control = MakeMediaPlayerControl(options);
        StateRecorder recorder(control, [&] { return PlayerState(control); });
        AutomationWrite(control, "URL", {Text::FromUtf8(MediaPath(name))});
        const std::vector<int> states = recorder.RunUntil([](int state) { return state == 1 || state == 10; });
        EXPECT_TRUE(InOrder(states, {9, 8, 1})) << name << " " << ::testing::PrintToString(states);
    }
}

TEST(MediaPlayerControlTest, SubObjectsAreFetchedPerCallAndNeverOutliveThePlayer) {
    AutomationRef control = MakeMediaPlayerControl();
    // No medium: no media object, so its reads are empty.
    EXPECT_EQ(VariantObject(AutomationRead(control, "currentMedia")), nullptr);
    EXPECT_TRUE(VariantText(SubRead(control, "currentMedia", "durationString")).Empty());

    const AutomationRef first = VariantObject(AutomationRead(control, "controls"));
    const AutomationRef second = VariantObject(AutomationRead(control, "Controls"));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);

    AutomationRef settings = VariantObject(AutomationRead(control, "Settings"));
    EXPECT_TRUE(AutomationWrite(settings, "volume", {40}));
    EXPECT_EQ(VariantInt(AutomationRead(settings, "volume")), 40);

    control.reset();
    EXPECT_FALSE(AutomationRead(settings, "volume"));
    EXPECT_FALSE(AutomationWrite(settings, "volume", {50}));
    EXPECT_FALSE(AutomationCall(first, "play"));
}

TEST(MediaPlayerControlTest, SettingsAndDisplayMembers) {
    AutomationRef control = MakeMediaPlayerControl();
    struct Case {
        const char* object;  // nullptr: the player itself
        const char* member;
        Variant written;
        Variant read;
    };
    const std::vector<Case> cases = {
        {"Settings", "volume", 100, 100},
        {"Settings", "volume", 130, 100},
        {"Settings", "volume", -5, 0},
        {"Settings", "mute", 1, true},
        {"Settings", "mute", 0, false},
        {"Settings", "balance", -100, -100},
        {"Settings", "balance", 250, 100},
        {"Settings", "playCount", 3, 3},
        {"Settings", "playCount", 0, 1},
        {nullptr, "uiMode", Text("none"), Text("none")},
        {nullptr, "uiMode", Text("Mini"), Text("mini")},
        {nullptr, "fullScreen", Text("true"), true},
        {nullptr, "enableContextMenu", Text("false"), false},
        {nullptr, "StretchToFit", Text("true"), true},
    };
    for (const Case& c : cases) {
        if (c.object) {
            EXPECT_TRUE(SubWrite(control, c.object, c.member, c.written)) << c.member;
            EXPECT_EQ(SubRead(control, c.object, c.member), c.read) << c.member;
        } else {
            EXPECT_TRUE(AutomationWrite(control, c.member, {c.written})) << c.member;
            EXPECT_EQ(AutomationRead(control, c.member), c.read) << c.member;
        }
    }
    // A mode the player doesn't have is refused and changes nothing.
    EXPECT_FALSE(AutomationWrite(control, "uiMode", {Text("huge")}));
    EXPECT_EQ(VariantText(AutomationRead(control, "uiMode")).Bytes(), "mini");
}

TEST(MediaPlayerControlTest, MediaInformation) {
    AutomationRef control = MakeMediaPlayerControl();
    const std::string path = MediaPath("clip.mp4");
    AutomationWrite(control, "URL", {Text::FromUtf8(path)});
    SubCall(control, "controls", "pause");
    ASSERT_TRUE(WaitFor([&] { return VariantInt(SubRead(control, "currentMedia", "imageSourceHeight")) == 120; }));
    const AutomationRef media = VariantObject(AutomationRead(control, "currentMedia"));
    auto info = [&](const char* name) {
        return VariantText(AutomationCall(media, "getItemInfo", {Text(name)})).ToUtf8();
    };
    EXPECT_EQ(info("Title"), "Lumora test clip");
    EXPECT_EQ(info("Author"), "Lumora");
    EXPECT_EQ(info("FileType"), "mp4");
    EXPECT_EQ(info("SourceURL"), path);
    EXPECT_EQ(info("Copyright"), "");
    EXPECT_DOUBLE_EQ(VariantNumber(AutomationRead(media, "duration")), 2.0);
    EXPECT_EQ(VariantText(AutomationRead(media, "durationString")).Bytes(), "00:02");
    EXPECT_EQ(VariantInt(AutomationRead(media, "imageSourceWidth")), 160);

    // A seek while paused moves the position and its text.
    EXPECT_TRUE(SubWrite(control, "controls", "currentPosition", 1.0));
    EXPECT_TRUE(WaitFor([&] { return VariantNumber(SubRead(control, "controls", "currentPosition")) >= 1.0; }));
    EXPECT_EQ(VariantText(SubRead(control, "controls", "currentPositionString")).Bytes(), "00:01");

    // An empty address unloads the medium.
    AutomationWrite(control, "URL", {Text()});
    EXPECT_EQ(PlayerState(control), 0);
    EXPECT_EQ(VariantObject(AutomationRead(control, "currentMedia")), nullptr);
}

TEST(MediaPlayerControlTest, PlayCountPlaysTheMediumAgain) {
    AutomationRef control = MakeMediaPlayerControl(HeadlessOptions(false));
    SubWrite(control, "Settings", "playCount", 2);
    StateRecorder recorder(control, [&] { return PlayerState(control); });
    AutomationWrite(control, "URL", {Text::FromUtf8(MediaPath("stereo.wav"))});
    int restarts = 0;
    double last = 0;
    recorder.RunUntil([&](int state) {
        if (state != 3) return state == 1;
        const double position = VariantNumber(SubRead(control, "controls", "currentPosition"));
        if (position + 0.2 < last) ++restarts;
        last = position;
        return false;
    });
    EXPECT_TRUE(InOrder(recorder.Seen(), {9, 3, 8, 1}));
    EXPECT_EQ(restarts, 1);
}

}  // namespace
}  // namespace lumora
