#include "engines/MediaPlayerEngine.h"

#include "Fakes.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

using testing::MediaPlayerFake;
using Lines = std::vector<std::string>;

struct Attached {
    MediaPlayerFake fake;
    MediaPlayerEngine engine;
    Attached() { engine.control = fake.Object(); }
};

TEST(MediaPlayerEngine, SetUpWritesDisplayAndVolumeInOrder) {
    Attached player;
    player.engine.SetUpControl({});
    EXPECT_EQ(player.fake.log->Answered(), (Lines{
                                               R"(player.put uiMode("none"))",
                                               R"(player.put enableContextMenu("false"))",
                                               R"(player.put StretchToFit("true"))",
                                               "player.get Settings",
                                               "Settings.put volume(100)",
                                           }));
}

TEST(MediaPlayerEngine, TimeTextAddsHoursToAnEarlyPositionOfALongMedium) {
    struct Case {
        const char* duration;
        const char* position;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"03:20", "01:05", "01:05/03:20"},
        {"01:02:03", "04:05", "00:04:05/01:02:03"},
        {"01:02:03", "01:00:01", "01:00:01/01:02:03"},
        {"", "", "00:00/00:00"},
        {"", "00:07", "00:07/00:00"},
        {"5", "00:01", "00:00:01/5"},
        {"5", "7", "7/5"},
    };
    for (const Case& test : cases) {
        Attached player;
        player.fake.currentMedia->Property("durationString") = Text(test.duration);
        player.fake.controls->Property("currentPositionString") = Text(test.position);
        EXPECT_EQ(player.engine.TimeText(), test.expected) << test.duration << " " << test.position;
    }
}

TEST(MediaPlayerEngine, StopUnloadsASwfMediumAndTogglePlayLoadsItAgain) {
    Attached player;
    player.fake.Player("URL") = Text("http://h/Intro.swf");
    player.fake.Player("playState") = 3;
    player.fake.itemInfo["FileType"] = "SWF";

    player.engine.Stop();
    EXPECT_EQ(player.engine.Url(), "");
    EXPECT_EQ(player.engine.savedUrl, "http://h/Intro.swf");
    EXPECT_EQ(player.engine.PlayState(), MediaPlayerState::Stopped);

    player.fake.log->Clear();
    EXPECT_TRUE(player.engine.TogglePlay());
    EXPECT_EQ(player.engine.Url(), "http://h/Intro.swf");
    EXPECT_EQ(player.fake.log->Answered(),
              (Lines{"player.get Url", R"(player.put URL("http://h/Intro.swf"))", "player.get Url"}));
}

TEST(MediaPlayerEngine, StopKeepsAnyOtherMediumLoaded) {
    for (const char* fileType : {"mp4", "swf2", "", "wmv"}) {
        Attached player;
        player.fake.Player("URL") = Text("/media/a.mp4");
        player.fake.Player("playState") = 3;
        player.fake.itemInfo["FileType"] = fileType;
        player.engine.Stop();
        EXPECT_EQ(player.engine.Url(), "/media/a.mp4") << fileType;
        EXPECT_EQ(player.engine.savedUrl, "") << fileType;
        EXPECT_EQ(player.engine.PlayState(), MediaPlayerState::Stopped) << fileType;
    }
}

TEST(MediaPlayerEngine, TogglePlayPausesWhilePlayingAndPlaysOtherwise) {
    struct Case {
        int state;
        bool result;
        int stateAfter;
    };
    for (const Case& test : std::vector<Case>{{3, true, 2}, {2, false, 3}, {1, false, 3}, {10, false, 3}}) {
        Attached player;
        player.fake.Player("URL") = Text("/media/a.mp4");
        player.fake.Player("playState") = test.state;
        EXPECT_EQ(player.engine.TogglePlay(), test.result) << test.state;
        EXPECT_EQ(MediaPlayerStateCode(player.engine.PlayState()), test.stateAfter) << test.state;
    }
}

TEST(MediaPlayerEngine, TogglePlayWithNothingLoadedWritesTheSavedAddress) {
    Attached player;
    EXPECT_TRUE(player.engine.TogglePlay());
    EXPECT_EQ(player.fake.log->Answered(), (Lines{"player.get Url", R"(player.put URL(""))"}));
}

TEST(MediaPlayerEngine, ToggleMuteTwiceRestoresMute) {
    Attached player;
    EXPECT_TRUE(player.engine.ToggleMute());
    EXPECT_FALSE(player.engine.ToggleMute());
    EXPECT_EQ(player.fake.settings->Property("mute"), Variant(0));
    Lines writes;
    for (const std::string& line : player.fake.log->Answered())
        if (line.starts_with("Settings.put")) writes.push_back(line);
    EXPECT_EQ(writes, (Lines{"Settings.put mute(1)", "Settings.put mute(0)"}));
}

TEST(MediaPlayerEngine, ToggleMuteReadsMuteAsANumber) {
    for (const Variant& mute : {Variant(true), Variant(1), Variant(-1), Variant(0.5), Variant(Text("1"))}) {
        Attached player;
        player.fake.settings->Property("mute") = mute;
        EXPECT_FALSE(player.engine.ToggleMute()) << testing::Render(mute);
    }
    for (const Variant& mute : {Variant(false), Variant(0), Variant(0.00000001), Variant(Text("")), Variant()}) {
        Attached player;
        player.fake.settings->Property("mute") = mute;
        EXPECT_TRUE(player.engine.ToggleMute()) << testing::Render(mute);
    }
}

TEST(MediaPlayerEngine, SetBalanceWritesTheChannelsBalance) {
    struct Case {
        int channel;
        int result;
        Lines writes;
    };
    const std::vector<Case> cases = {
        {0, 0, {"Settings.put balance(0)"}},
        {1, 1, {"Settings.put balance(-100)"}},
        {2, 2, {"Settings.put balance(100)"}},
        {3, 0, {}},
        {-1, 0, {}},
    };
    for (const Case& test : cases) {
        Attached player;
        player.fake.settings->Property("balance") = 7;
        EXPECT_EQ(player.engine.SetBalance(test.channel), test.result) << test.channel;
        Lines writes;
        for (const std::string& line : player.fake.log->Answered())
            if (line.find(".put") != std::string::npos) writes.push_back(line);
        EXPECT_EQ(writes, test.writes) << test.channel;
    }
}

TEST(MediaPlayerEngine, FlagsAndModesAreWrittenAsTexts) {
    struct Case {
        std::function<void(MediaPlayerEngine&)> operation;
        Lines writes;
    };
    const std::vector<Case> cases = {
        {[](MediaPlayerEngine& e) { e.SetUiMode(0); }, {R"(player.put uiMode("none"))"}},
        {[](MediaPlayerEngine& e) { e.SetUiMode(1); }, {R"(player.put uiMode("invisible"))"}},
        {[](MediaPlayerEngine& e) { e.SetUiMode(2); }, {R"(player.put uiMode("mini"))"}},
        {[](MediaPlayerEngine& e) { e.SetUiMode(3); }, {R"(player.put uiMode("full"))"}},
        {[](MediaPlayerEngine& e) { e.SetUiMode(4); }, {}},
        {[](MediaPlayerEngine& e) { e.SetUiMode(-1); }, {}},
        {[](MediaPlayerEngine& e) { e.SetFullScreen(1); }, {R"(player.put fullScreen("true"))"}},
        {[](MediaPlayerEngine& e) { e.SetFullScreen(2); }, {R"(player.put fullScreen("false"))"}},
        {[](MediaPlayerEngine& e) { e.SetContextMenu(1); }, {R"(player.put enableContextMenu("true"))"}},
        {[](MediaPlayerEngine& e) { e.SetStretchToFit(0); }, {R"(player.put StretchToFit("false"))"}},
        {[](MediaPlayerEngine& e) { e.SetUrl("/media/a.wav"); }, {R"(player.put URL("/media/a.wav"))"}},
        {[](MediaPlayerEngine& e) { e.SetVolume(35); }, {"Settings.put volume(35)"}},
        {[](MediaPlayerEngine& e) { e.SetPlayCount(2); }, {"Settings.put playCount(2)"}},
        {[](MediaPlayerEngine& e) { e.SetPosition(61); }, {"controls.put currentPosition(61)"}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        Attached player;
        cases[i].operation(player.engine);
        Lines writes;
        for (const std::string& line : player.fake.log->All())
            if (line.find(".put") != std::string::npos) writes.push_back(line);
        EXPECT_EQ(writes, cases[i].writes) << "case " << i;
    }
}

TEST(MediaPlayerEngine, ReadsConvertTheControlsValues) {
    Attached player;
    auto& fake = player.fake;
    fake.controls->Property("currentPosition") = Text("12.25");
    fake.currentMedia->Property("duration") = 125.5;
    fake.currentMedia->Property("imageSourceWidth") = 320;
    fake.currentMedia->Property("imageSourceHeight") = 240.9;
    fake.network->Property("bufferingprogress") = 40;
    fake.network->Property("downloadProgress") = Text("75");
    fake.itemInfo = {{"Title", "Clip"}, {"Author", "Someone"}, {"FileType", "MP4"}, {"SourceURL", "HTTP://H/A.MP4"}};

    EXPECT_DOUBLE_EQ(player.engine.Position(), 12.25);
    EXPECT_DOUBLE_EQ(player.engine.Duration(), 125.5);
    EXPECT_DOUBLE_EQ(player.engine.ImageWidth(), 320);
    EXPECT_EQ(player.engine.ImageHeight(), 240);
    EXPECT_EQ(player.engine.BufferingProgress(), 40);
    EXPECT_EQ(player.engine.DownloadProgress(), 75);
    EXPECT_EQ(player.engine.Title(), "Clip");
    EXPECT_EQ(player.engine.Author(), "Someone");
    EXPECT_EQ(player.engine.FileType(), "mp4");
    EXPECT_EQ(player.engine.SourceUrl(), "http://h/a.mp4");

    fake.controls->Property("currentPosition") = 7.5;
    EXPECT_DOUBLE_EQ(player.engine.Position(), 7.5);
}

TEST(MediaPlayerEngine, SubObjectsAreFetchedPerCallAndReleased) {
    Attached player;
    player.engine.PositionString();
    player.engine.PositionString();
    player.engine.ToggleMute();
    player.engine.Next();
    player.engine.Previous();
    player.engine.DurationString();
    Lines fetches;
    for (const std::string& line : player.fake.log->All())
        if (line.starts_with("player.get")) fetches.push_back(line);
    EXPECT_EQ(fetches,
              (Lines{"player.get controls", "player.get controls", "player.get Settings", "player.get Settings",
                     "player.get controls", "player.get controls", "player.get currentMedia"}));
    ASSERT_EQ(player.fake.log->issued.size(), 7u);
    for (const auto& issued : player.fake.log->issued) EXPECT_TRUE(issued.expired());
    EXPECT_EQ(player.engine.PlayState(), MediaPlayerState::Transitioning);
}

TEST(MediaPlayerEngine, PositionStringBeforeAnyMediumIsZero) {
    // A control without a current medium answers no "currentMedia" at all.
    Attached player;
    player.fake.members->children.erase("currentmedia");
    EXPECT_EQ(player.engine.PositionString(), "00:00");
    EXPECT_EQ(player.engine.DurationString(), "00:00");
    EXPECT_EQ(player.engine.TimeText(), "00:00/00:00");
    EXPECT_EQ(player.engine.FileType(), "");
    EXPECT_EQ(player.engine.Duration(), 0);
}

TEST(MediaPlayerEngine, WithoutAControlEverythingReadsEmpty) {
    MediaPlayerEngine engine;
    EXPECT_FALSE(engine.Create(nullptr, 0, 0, 320, 240));
    engine.SetUrl("/media/a.mp4");
    engine.SetFullScreen(1);
    engine.Stop();
    engine.SetVolume(10);
    engine.SetContextMenu(1);
    engine.SetStretchToFit(1);
    engine.SetUiMode(1);
    engine.SetPosition(3);
    engine.Next();
    engine.Previous();
    engine.SetPlayCount(2);
    EXPECT_EQ(engine.PlayState(), MediaPlayerState::Undefined);
    EXPECT_TRUE(engine.TogglePlay());  // nothing loaded: the (empty) saved address is written
    EXPECT_TRUE(engine.ToggleMute());  // mute reads 0, so the toggle turns it on, into nothing
    EXPECT_EQ(engine.PositionString(), "00:00");
    EXPECT_EQ(engine.DurationString(), "00:00");
    EXPECT_EQ(engine.TimeText(), "00:00/00:00");
    EXPECT_EQ(engine.Duration(), 0);
    EXPECT_EQ(engine.Position(), 0);
    EXPECT_EQ(engine.BufferingProgress(), 0);
    EXPECT_EQ(engine.Url(), "");
    EXPECT_EQ(engine.Title(), "");
    EXPECT_EQ(engine.Author(), "");
    EXPECT_EQ(engine.SetBalance(1), 1);
    EXPECT_EQ(engine.DownloadProgress(), 0);
    EXPECT_EQ(engine.FileType(), "");
    EXPECT_EQ(engine.SourceUrl(), "");
    EXPECT_EQ(engine.ImageWidth(), 0);
    EXPECT_EQ(engine.ImageHeight(), 0);
    EXPECT_EQ(engine.savedUrl, "");
}

}  // namespace
}  // namespace lumora
