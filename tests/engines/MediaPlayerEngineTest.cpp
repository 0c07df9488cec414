// SPDX-License-Identifier: GPL-3.0-or-later
// The media player engine over a recording player: its state numbering with
// the end read once, the swf manners of Stop and TogglePlay, the reads and
// what each command sends.
#include "engines/MediaPlayerEngine.h"

#include "RecordingPlayer.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

using test::CallLog;
using test::RecordingPlayer;

struct Attached {
    CallLog log;
    RecordingPlayer player{log, "player", RecordingPlayer::Numbering::MediaPlayer};
    MediaPlayerEngine engine;
    Attached() { engine.UsePlayer(&player); }
};

TEST(MediaPlayerEngine, SetUpSetsTheDisplayAndTheVolume) {
    Attached a;
    a.engine.SetUpControl({});
    EXPECT_EQ(a.log, (CallLog{"player option video-unscaled=no", "player volume=100"}));
}

TEST(MediaPlayerEngine, StatesInTheMediaPlayersNumbering) {
    Attached a;
    EXPECT_EQ(a.engine.PlayState(), MediaPlayerState::Undefined);
    a.engine.SetUrl("/media/a.wmv");
    const std::vector<std::pair<int, MediaPlayerState>> codes = {
        {9, MediaPlayerState::Transitioning}, {6, MediaPlayerState::Buffering}, {3, MediaPlayerState::Playing},
        {2, MediaPlayerState::Paused},        {10, MediaPlayerState::Ready},    {1, MediaPlayerState::Stopped},
        {8, MediaPlayerState::MediaEnded},  // the end is read once
        {8, MediaPlayerState::Stopped},     // then the medium stands stopped
    };
    for (const auto& [code, state] : codes) {
        a.player.code = code;
        EXPECT_EQ(a.engine.PlayState(), state) << code;
    }
    a.engine.SetUrl("/media/b.wmv");  // a new medium has an end of its own
    a.player.code = 8;
    EXPECT_EQ(a.engine.PlayState(), MediaPlayerState::MediaEnded);
}

TEST(MediaPlayerEngine, StopUnloadsASwfMediumAndTogglePlayLoadsItAgain) {
    Attached a;
    a.engine.SetUrl("http://h/Intro.SWF");
    a.player.code = 3;
    a.log.clear();
    a.engine.Stop();
    EXPECT_EQ(a.engine.Url(), "");
    EXPECT_EQ(a.engine.savedUrl, "http://h/Intro.SWF");
    EXPECT_EQ(a.log, (CallLog{"player stop", "player open="}));

    a.log.clear();
    EXPECT_TRUE(a.engine.TogglePlay());
    EXPECT_EQ(a.engine.Url(), "http://h/Intro.SWF");
    EXPECT_EQ(a.log, CallLog{"player open=http://h/Intro.SWF"});
}

TEST(MediaPlayerEngine, StopKeepsAnyOtherMediumLoaded) {
    for (const char* address : {"/media/a.mp4", "/media/a.swf2", "/media/noext", "http://h/a.wmv?x=.swf"}) {
        Attached a;
        a.engine.SetUrl(address);
        a.player.code = 3;
        a.engine.Stop();
        EXPECT_EQ(a.engine.Url(), address) << address;
        EXPECT_EQ(a.engine.savedUrl, "") << address;
    }
}

TEST(MediaPlayerEngine, TogglePlayPausesWhilePlayingAndPlaysOtherwise) {
    struct Case {
        int code;
        bool paused;       // the answer: true when it paused
        const char* sent;  // nullptr: nothing
    };
    const std::vector<Case> cases = {
        {3, true, "player pause=1"}, {2, false, "player pause=0"}, {9, false, "player pause=0"},
        {1, false, "player restart"}, {8, false, "player restart"}, {10, false, "player restart"},
    };
    for (const Case& c : cases) {
        Attached a;
        a.engine.SetUrl("/media/a.wmv");
        a.player.code = c.code;
        a.log.clear();
        EXPECT_EQ(a.engine.TogglePlay(), c.paused) << c.code;
        EXPECT_EQ(a.log, CallLog{c.sent}) << c.code;
    }
}

TEST(MediaPlayerEngine, CommandsReachThePlayer) {
    struct Case {
        std::function<void(MediaPlayerEngine&)> operation;
        CallLog sent;
    };
    const std::vector<Case> cases = {
        {[](MediaPlayerEngine& e) { EXPECT_EQ(e.SetBalance(0), 0); }, {"player gains=1,1"}},
        {[](MediaPlayerEngine& e) { EXPECT_EQ(e.SetBalance(1), 1); }, {"player gains=1,0"}},
        {[](MediaPlayerEngine& e) { EXPECT_EQ(e.SetBalance(2), 2); }, {"player gains=0,1"}},
        {[](MediaPlayerEngine& e) { EXPECT_EQ(e.SetBalance(3), 0); }, {}},
        {[](MediaPlayerEngine& e) { e.SetPosition(30); }, {"player seek=30"}},
        {[](MediaPlayerEngine& e) { e.SetVolume(-5); }, {"player volume=0"}},
        {[](MediaPlayerEngine& e) { e.SetPlayCount(3); }, {"player playCount=3"}},
        {[](MediaPlayerEngine& e) { e.SetPlayCount(0); }, {"player playCount=1"}},
        {[](MediaPlayerEngine& e) { e.SetStretchToFit(0); }, {"player option video-unscaled=downscale-big"}},
        {[](MediaPlayerEngine& e) { EXPECT_TRUE(e.ToggleMute()); }, {"player mute=1"}},
        {[](MediaPlayerEngine& e) {
             e.Next();
             e.Previous();
         },
         {}},  // one medium at a time
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        Attached a;
        cases[i].operation(a.engine);
        EXPECT_EQ(a.log, cases[i].sent) << "case " << i;
    }
}

TEST(MediaPlayerEngine, TimeTextAddsHoursToAnEarlyPositionOfALongMedium) {
    struct Case {
        double duration, position;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {200, 65, "01:05/03:20"},
        {3723, 245, "00:04:05/01:02:03"},
        {3723, 3601, "01:00:01/01:02:03"},
        {0, 0, "00:00/00:00"},
        {0, 7, "00:07/00:00"},
    };
    for (const Case& c : cases) {
        Attached a;
        a.engine.SetUrl("/media/a.wmv");
        a.player.code = 3;
        a.player.duration = c.duration;
        a.player.position = c.position;
        EXPECT_EQ(a.engine.TimeText(), c.expected) << c.duration << " " << c.position;
    }
}

TEST(MediaPlayerEngine, ReadsComeFromTheLoadedMedium) {
    Attached a;
    a.player.duration = 12.5;
    a.player.width = 320;
    a.player.metadata = {{"title", "Song"}, {"artist", "Singer"}};
    // Nothing loaded: no medium to ask.
    EXPECT_EQ(a.engine.Duration(), 0);
    EXPECT_EQ(a.engine.Title(), "");
    EXPECT_EQ(a.engine.ImageWidth(), 0);
    EXPECT_EQ(a.engine.FileType(), "");
    EXPECT_EQ(a.engine.PositionString(), "00:00");

    a.engine.SetUrl("http://h/dir/Clip.WMV?x=1");
    EXPECT_EQ(a.engine.Duration(), 12.5);
    EXPECT_EQ(a.engine.DurationString(), "00:12");
    EXPECT_EQ(a.engine.Title(), "Song");
    EXPECT_EQ(a.engine.Author(), "Singer");
    EXPECT_EQ(a.engine.ImageWidth(), 320);
    EXPECT_EQ(a.engine.FileType(), "wmv");
    a.player.url = "http://h/stream";
    a.player.fileFormat = "mov,mp4,m4a";
    EXPECT_EQ(a.engine.FileType(), "mov");  // no extension: the container's first name
}

TEST(MediaPlayerEngine, WithoutAPlayerEverythingReadsEmpty) {
    MediaPlayerEngine engine;
    engine.SetUrl("http://h/a.wmv");
    engine.Stop();
    EXPECT_FALSE(engine.TogglePlay());
    EXPECT_FALSE(engine.ToggleMute());
    EXPECT_EQ(engine.PlayState(), MediaPlayerState::Undefined);
    EXPECT_EQ(engine.Url(), "");
    EXPECT_EQ(engine.TimeText(), "00:00/00:00");
    EXPECT_EQ(engine.BufferingProgress(), 0);
    EXPECT_EQ(engine.ImageHeight(), 0);
    EXPECT_EQ(engine.HostWindow(), nullptr);
}

}  // namespace
}  // namespace lumora
