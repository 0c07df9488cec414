// SPDX-License-Identifier: GPL-3.0-or-later
// MediaFront over recording players: playlists, the state mappings and the
// end-of-media reaction, overtaken Plays, titles, channels, mute and
// placement.
#include "FrontFixture.h"

#include <QFile>
#include <QTemporaryDir>

#include <future>
#include <thread>

namespace lumora::test {
namespace {

using PlaylistTest = FrontTest;

TEST_F(PlaylistTest, OnlyJoinedAddressesLongerThan20BytesStartAPlaylist) {
    struct Case {
        const char* address;
        const char* opened;
        std::vector<Text> items;
    };
    const std::vector<Case> cases = {
        {"/mm/a.flv;/mm/bb.flv", "flash open=/mm/a.flv;/mm/bb.flv", {}},  // 20 bytes: one address
        {"/mm/aa.flv;/mm/bb.flv", "flash open=/mm/aa.flv", {"/mm/aa.flv", "/mm/bb.flv"}},
        {"/media/one.flv;;/media/three.flv",
         "flash open=/media/one.flv",
         {"/media/one.flv", "", "/media/three.flv"}},
        {"/media/one.flv;/media/two.flv;", "flash open=/media/one.flv", {"/media/one.flv", "/media/two.flv"}},
    };
    for (const auto& c : cases) {
        log.clear();
        Text address = c.address;
        front.Play(address);
        EXPECT_EQ(Opened(), std::vector<std::string>{c.opened}) << c.address;
        EXPECT_EQ(front.PlaylistItems(), c.items) << c.address;
        EXPECT_EQ(front.PlaylistActive(), !c.items.empty()) << c.address;
        EXPECT_EQ(front.PlaylistIndex(), c.items.empty() ? 0 : 1) << c.address;
        if (!c.items.empty()) {
            EXPECT_EQ(address, c.items.front()) << c.address;
        }
    }
}

TEST_F(PlaylistTest, NextAndPreviousWalkTheItems) {
    front.Next();
    front.Previous();
    EXPECT_TRUE(log.empty());  // no playlist yet: the player has no items of its own

    front.Play(Text("http://h/one.flv;http://h/two.wmv;http://h/three.flv"));
    struct Step {
        void (MediaFront::*move)();
        const char* opened;  // nullptr: the player's own operation
        int index;
        int active;
    };
    const std::vector<Step> steps = {
        {&MediaFront::Next, "player open=http://h/two.wmv", 2, 1},
        {&MediaFront::Next, "flash open=http://h/three.flv", 0, 0},      // the last item ends the playlist
        {&MediaFront::Next, "flash open=http://h/one.flv", 1, 0},        // and Next starts it again
        {&MediaFront::Previous, "flash open=http://h/three.flv", 0, 0},  // from item 1 to the last
        {&MediaFront::Previous, nullptr, 0, 0},
        {&MediaFront::Next, "flash open=http://h/one.flv", 1, 0},
        {&MediaFront::Next, "player open=http://h/two.wmv", 2, 0},  // restarted by Next: not active again
        {&MediaFront::Previous, "flash open=http://h/one.flv", 1, 0},
    };
    int number = 0;
    for (const auto& step : steps) {
        log.clear();
        (front.*step.move)();
        ++number;
        if (step.opened) {
            EXPECT_EQ(Opened(), std::vector<std::string>{step.opened}) << "step " << number;
        } else {
            EXPECT_TRUE(Opened().empty()) << "step " << number;
        }
        EXPECT_EQ(front.PlaylistIndex(), step.index) << "step " << number;
        EXPECT_EQ(front.PlaylistActive(), step.active == 1) << "step " << number;
    }
}

// Files chosen together play whole, one after the other, in the order
// chosen: ";", "|" and "$$" in a name are part of it.
TEST_F(PlaylistTest, FilesChosenTogetherPlayWholeInTheirOrder) {
    std::vector<Text> files;
    std::vector<std::string> expected;
    for (int i = 100; i > 0; --i) {
        files.push_back(Text::FromUtf8("/m/clip " + std::to_string(i) + ";x|y$$z.flv"));
        expected.push_back("flash open=" + files.back().ToUtf8());
    }
    front.PlayFiles(files);
    EXPECT_EQ(front.PlaylistItems(), files);
    for (std::size_t played = 1; played < files.size(); ++played) {
        movie.code = 3;
        front.PlayState();
        movie.code = 0;
        front.PlayState();  // the end of one file starts the next
    }
    EXPECT_EQ(Opened(), expected);
    EXPECT_FALSE(front.PlaylistActive());  // the last file plays
}

// A local file whose name holds ";" is one file, however long.
TEST_F(PlaylistTest, AnExistingFileWithASemicolonIsNoPlaylist) {
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("clip one;two.flv"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    front.Play(Text::FromUtf8(path.toStdString()));
    EXPECT_EQ(Opened(), std::vector<std::string>{"flash open=" + path.toStdString()});
    EXPECT_FALSE(front.PlaylistActive());
}

// A play list from a detail page or a service reply never makes the player
// open a local file: only its network streams are items.
TEST_F(PlaylistTest, APlaylistFromTheNetworkHoldsOnlyNetworkStreams) {
    const Text address("http://site.test/media/a.flv;/home/user/secret.mp4;file:///etc/passwd;"
                       "rtmp://site.test/live/b;lavfi://sine;http://site.test/c.flv");
    front.Play(address, EngineRequest::Choose, false, AddressOrigin::Network);
    EXPECT_EQ(front.PlaylistItems(), (std::vector<Text>{"http://site.test/media/a.flv", "rtmp://site.test/live/b",
                                                        "http://site.test/c.flv"}));
    for (int item = 0; item < 2; ++item) {
        movie.code = 3;
        front.PlayState();
        movie.code = 0;
        front.PlayState();
    }
    EXPECT_EQ(Opened(), (std::vector<std::string>{"flash open=http://site.test/media/a.flv",
                                                  "flash open=rtmp://site.test/live/b",
                                                  "flash open=http://site.test/c.flv"}));

    // Typed by the user, the same text keeps its local items.
    front.Play(address);
    EXPECT_EQ(front.PlaylistItems().size(), 6u);

    // Nothing left to play: nothing is opened but an empty address.
    log.clear();
    front.Play(Text("/home/user/a.flv;/home/user/b.flv"), EngineRequest::Choose, false, AddressOrigin::Network);
    EXPECT_EQ(Opened(), std::vector<std::string>{"player open="});
}

using PlayStateTest = FrontTest;

TEST_F(PlayStateTest, MediaPlayerCodesMapToFrontStates) {
    front.Play(Text("/media/a.wmv"));
    ASSERT_EQ(front.ActiveEngine(), Engine::Player);
    using enum PlayState;
    const std::vector<std::pair<int, PlayState>> codes = {
        {9, Loading}, {6, Buffering}, {3, Playing}, {2, Paused}, {3, Playing},
        {10, Failed},  // ready: it could not be opened
        {8, Stopped},  // ended
        {8, Stopped},  // the same code again changes nothing
        {1, Stopped}, {0, Stopped},   {3, Playing}, {6, Buffering},
    };
    for (const auto& [code, expected] : codes) {
        player.code = code;
        EXPECT_EQ(front.PlayState(), expected) << "code " << code;
    }
    // A swf medium the engine could not play has failed as any other.
    player.code = 3;
    EXPECT_EQ(front.PlayState(), PlayState::Playing);
    player.url = "/media/a.SWF";
    player.code = 10;
    EXPECT_EQ(front.PlayState(), PlayState::Failed);
}

TEST_F(PlayStateTest, FlashCodesAreTakenOver) {
    front.Play(Text("/media/a.flv"));
    ASSERT_EQ(front.ActiveEngine(), Engine::Flash);
    using enum PlayState;
    const std::vector<std::pair<int, PlayState>> codes = {
        {4, Loading}, {1, Buffering}, {3, Playing}, {2, Paused}, {3, Playing},
        {5, Failed},  {0, Stopped},   {0, Stopped}, {3, Playing}, {0, Stopped},
    };
    for (const auto& [code, expected] : codes) {
        movie.code = code;
        EXPECT_EQ(front.PlayState(), expected) << "code " << code;
    }
}

TEST_F(PlayStateTest, EndOfEachItemStepsThePlaylist) {
    front.Play(Text("/media/one.flv;/media/two.flv;/media/three.flv"));
    for (const char* next : {"flash open=/media/two.flv", "flash open=/media/three.flv"}) {
        EXPECT_EQ(front.PlayState(), PlayState::Loading);
        movie.code = 3;
        EXPECT_EQ(front.PlayState(), PlayState::Playing);
        log.clear();
        movie.code = 0;
        EXPECT_EQ(front.PlayState(), PlayState::Buffering) << next;  // buffering the next item
        EXPECT_EQ(Opened(), std::vector<std::string>{next});
    }
    EXPECT_FALSE(front.PlaylistActive());  // the last item is playing
    movie.code = 3;
    EXPECT_EQ(front.PlayState(), PlayState::Playing);
    log.clear();
    movie.code = 0;
    EXPECT_EQ(front.PlayState(), PlayState::Stopped);
    EXPECT_TRUE(Opened().empty());

    // The media player ends an item with code 8.
    front.Play(Text("/media/one.wmv;/media/two.wmv"));
    player.code = 3;
    EXPECT_EQ(front.PlayState(), PlayState::Playing);
    log.clear();
    player.code = 8;
    EXPECT_EQ(front.PlayState(), PlayState::Buffering);
    EXPECT_EQ(Opened(), std::vector<std::string>{"player open=/media/two.wmv"});
    player.code = 3;
    EXPECT_EQ(front.PlayState(), PlayState::Playing);
    player.code = 8;
    EXPECT_EQ(front.PlayState(), PlayState::Stopped);
}

// The two engines number their states differently: after a switch the new
// engine's first code means what its own numbering says, whatever number
// the engine shown before reported last.
TEST_F(PlayStateTest, TheFirstCodeAfterAnEngineSwitchIsReadInItsOwnNumbering) {
    using enum PlayState;
    struct Case {
        const char* name;
        std::vector<int> playerCodes;  // polled in turn before the switch
        int movieCode;                 // the movie's first code after it
        PlayState expected;
    };
    const std::vector<Case> cases = {
        {"ended, then buffering", {3, 8, 1}, 1, Buffering},  // the player's 1 is stopped
        {"failed, then failed", {3, 10}, 5, Failed},         // the player's 10 is ready
        {"playing, then paused", {3, 2, 3}, 2, Paused},
    };
    for (const auto& c : cases) {
        front.Play(Text("/m/a.wmv"));
        for (const int code : c.playerCodes) {
            player.code = code;
            front.PlayState();
        }
        front.Play(Text("/m/b.flv"));
        ASSERT_EQ(front.ActiveEngine(), Engine::Flash) << c.name;
        movie.code = c.movieCode;  // reached before the next poll
        EXPECT_EQ(front.PlayState(), c.expected) << c.name;
        movie.code = 3;
        EXPECT_EQ(front.PlayState(), Playing) << c.name;
    }
}

TEST_F(PlayStateTest, APlaylistStepsOnceAcrossAnEngineSwitch) {
    front.Play(Text("/m/one.wmv;/m/two.flv;/m/three.flv"));
    player.code = 3;
    EXPECT_EQ(front.PlayState(), PlayState::Playing);
    log.clear();
    player.code = 8;
    EXPECT_EQ(front.PlayState(), PlayState::Buffering);
    EXPECT_EQ(Opened(), std::vector<std::string>{"flash open=/m/two.flv"});

    // The movie, stopped while the player was shown, has not started the
    // item yet: that is not the item's end.
    movie.code = 0;
    EXPECT_EQ(front.PlayState(), PlayState::Buffering);
    EXPECT_EQ(Opened(), std::vector<std::string>{"flash open=/m/two.flv"});
    EXPECT_EQ(front.PlaylistIndex(), 2);

    movie.code = 3;
    EXPECT_EQ(front.PlayState(), PlayState::Playing);
    movie.code = 0;
    EXPECT_EQ(front.PlayState(), PlayState::Buffering);  // item 2 ended: item 3
    EXPECT_EQ(Opened(), (std::vector<std::string>{"flash open=/m/two.flv", "flash open=/m/three.flv"}));
}

using OvertakenTest = FrontTest;

TEST_F(OvertakenTest, ALaterActionDuringTheProbeWins) {
    struct Case {
        const char* name;
        std::function<void(MediaFront&)> act;
        std::vector<std::string> opened;
    };
    const std::vector<Case> cases = {
        {"Play", [](MediaFront& f) { f.Play(Text("/media/other.wmv")); }, {"player open=/media/other.wmv"}},
        {"Open",
         [](MediaFront& f) { f.Open(Text("/media/other.flv"), Text("Other")); },
         {"flash open=/media/other.flv"}},
        {"Stop", [](MediaFront& f) { f.Stop(); }, {}},
    };
    for (const auto& c : cases) {
        log.clear();
        // The probe answers only once the other action has run.
        std::promise<void> acted;
        std::shared_future<void> answered = acted.get_future().share();
        front.SetProbe([answered](const Text&) {
            answered.wait();
            return Record("video/x-flv", "http://cdn.test/slow.flv");
        });
        Text address = "http://h/slow";
        front.Play(address);
        EXPECT_EQ(front.PlayState(), PlayState::Connecting) << c.name;
        EXPECT_TRUE(Opened().empty()) << c.name;  // nothing opens before the probe answers
        c.act(front);
        acted.set_value();
        Settle();
        EXPECT_EQ(Opened(), c.opened) << c.name;
        EXPECT_TRUE(front.ProbedAddress().Empty()) << c.name;
        EXPECT_NE(front.PlayState(), PlayState::Connecting) << c.name;
    }
    EXPECT_EQ(front.TitleOverride(), Text("Other"));  // set by Open after its own Play, kept
}

TEST_F(OvertakenTest, TheProbeRunsOffTheWindowsThread) {
    records["http://h/clip"] = Record("video/x-flv", "http://cdn.test/final.flv");
    std::thread::id probedOn;
    front.SetProbe([this, &probedOn](const Text& address) {
        probedOn = std::this_thread::get_id();
        return records[address.ToUtf8()];
    });
    front.Play(Text("http://h/clip"));
    EXPECT_EQ(front.PlayState(), PlayState::Connecting);
    Settle();
    EXPECT_NE(probedOn, std::this_thread::get_id());
    EXPECT_EQ(Opened(), std::vector<std::string>{"flash open=http://cdn.test/final.flv"});
    EXPECT_EQ(front.ProbedAddress(), Text("http://cdn.test/final.flv"));
    EXPECT_EQ(front.PlayState(), PlayState::Loading);
}

TEST_F(OvertakenTest, StopWhileTheNextItemProbesEndsThePlaylist) {
    front.Play(Text("http://h/one.flv;http://h/two;http://h/three.flv"));
    movie.code = 3;
    EXPECT_EQ(front.PlayState(), PlayState::Playing);
    log.clear();
    movie.code = 0;
    front.PlayState();  // the end of item 1 starts item 2, whose probe is then overtaken
    front.Stop();
    Settle();
    EXPECT_TRUE(Opened().empty());
    EXPECT_EQ(front.PlayState(), PlayState::Stopped);
    EXPECT_FALSE(front.PlaylistActive());
}

using TitleTest = FrontTest;

TEST_F(TitleTest, MediaTitle) {
    struct Case {
        const char* engineFile;  // played first, chooses the engine
        const char* address;     // what the engine reports
        const char* override;
        const char* itemTitle;
        const char* itemAuthor;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"/m/a.flv", "http://h/x.flv", "歌$$名∮版", "", "", "歌-名-版"},
        {"/m/a.flv", "http://h/x.flv", "My%20Song", "", "", "My Song"},
        {"/m/a.flv", "http://h/dir/My%20Clip.flv", "", "", "", "My Clip"},
        {"/m/a.flv", "http://h/d/Vid.FLV?X=1", "", "", "", "vid"},
        {"/m/a.flv", "http://h/path/noext", "", "", "", "noext"},
        {"/m/a.flv", "http://h/a.b.c.flv", "", "", "", "a.b.c"},
        {"/m/a.flv", "http://h/dir/", "", "", "", "http://h/dir/"},
        {"/m/a.flv", "", "", "Song", "Singer", ""},  // Flash: no item information
        {"/m/a.wmv", "/m/a.wmv", "", "Song", "Singer", "Song-Singer"},
        {"/m/a.wmv", "/m/a.wmv", "", "Song", "", "Song"},
        {"/m/a.wmv", "/m/a.wmv", "", "", "Singer", "a"},
        {"/m/a.wmv", "/m/a.wmv", "", "Song$$Live", "", "Song-Live"},
    };
    for (const auto& c : cases) {
        front.Open(Text(c.engineFile), Text(c.override));  // a caller's title is the override
        movie.url = c.address;
        player.url = c.address;
        player.metadata["title"] = c.itemTitle;
        player.metadata["artist"] = c.itemAuthor;
        EXPECT_EQ(front.MediaTitle(), Text(c.expected)) << c.address << " " << c.override;
    }
}

TEST_F(TitleTest, SetChannelNamesTheChannel) {
    struct Case {
        int channel;
        const char* name;
        CallLog sent;
    };
    const std::vector<Case> cases = {
        {0, "立体音", {"player gains=1,1", "flash gains=1,1"}},
        {1, "左声道", {"player gains=1,0", "flash gains=1,0"}},
        {2, "右声道", {"player gains=0,1", "flash gains=0,1"}},
        {3, "", {}},
        {-1, "", {}},
    };
    for (const auto& c : cases) {
        log.clear();
        EXPECT_EQ(front.SetChannel(c.channel), Text(c.name)) << c.channel;
        EXPECT_EQ(log, c.sent) << c.channel;
    }
}

using ForwardingTest = FrontTest;

TEST_F(ForwardingTest, MuteStaysTheSameOnBothEngines) {
    EXPECT_EQ(front.ToggleMute(), 1);
    EXPECT_EQ(Entries(log, "flash volume="), CallLog{"flash volume=0"});
    EXPECT_TRUE(player.muted);
    log.clear();
    EXPECT_EQ(front.ToggleMute(), 0);
    EXPECT_EQ(Entries(log, "flash volume="), CallLog{"flash volume=100"});
    EXPECT_FALSE(player.muted);

    // A volume change unmutes both, so the next toggle mutes both again.
    front.ToggleMute();
    EXPECT_EQ(front.SetVolume(40), 40);
    EXPECT_FALSE(player.muted);
    EXPECT_EQ(front.ToggleMute(), 1);
    EXPECT_TRUE(player.muted);
    EXPECT_EQ(front.ToggleMute(), 0);
    EXPECT_EQ(Entries(log, "flash volume=").back(), "flash volume=40");
}

TEST_F(ForwardingTest, ReadsAndCommandsGoToTheActiveEngine) {
    movie.duration = 3725;
    movie.position = 59;
    movie.buffer = 80;
    movie.download = 30;
    movie.width = 640;
    movie.height = 360;
    player.duration = 3725.9;
    player.position = 59.5;
    player.buffer = 100;
    player.download = 70;
    player.width = 320;
    player.height = 240;
    player.metadata = {{"title", "Song"}, {"artist", "Singer"}};

    front.Play(Text("/m/a.flv"));
    movie.code = 3;
    EXPECT_EQ(front.DurationText(), Text("01:02:05"));
    EXPECT_EQ(front.PositionText(), Text("00:00:59"));
    EXPECT_EQ(front.Duration(), 3725);
    EXPECT_EQ(front.Position(), 59);
    EXPECT_EQ(front.BufferText(), Text("80%"));
    EXPECT_EQ(front.DownloadProgress(), 30);
    EXPECT_EQ(front.VideoWidth(), 640);
    EXPECT_EQ(front.VideoHeight(), 360);
    EXPECT_EQ(front.TimeText(), Text("00:59/62:05"));
    EXPECT_EQ(front.CurrentAddress(), Text("/m/a.flv"));
    EXPECT_EQ(front.MediaType(), Text("flv"));
    EXPECT_TRUE(front.MediaItemTitle().Empty());
    EXPECT_EQ(front.ParentWindow(), video);
    log.clear();
    front.Seek(30);
    front.SetPlayCount(3);  // the media player only
    EXPECT_EQ(front.SetScaleMode(2), 2);
    front.TogglePause();
    EXPECT_TRUE(front.PlaylistActive());
    front.Stop();
    EXPECT_FALSE(front.PlaylistActive());
    EXPECT_EQ(log, (CallLog{"flash seek=30", "flash option keepaspect=yes", "flash option panscan=1.0",
                            "flash option video-unscaled=no", "flash pause=1", "flash stop"}));

    front.Play(Text("/m/a.wmv"));
    player.code = 3;
    EXPECT_EQ(front.DurationText(), Text("01:02:05"));
    EXPECT_EQ(front.PositionText(), Text("00:00:59"));
    EXPECT_DOUBLE_EQ(front.Duration(), 3725.9);
    EXPECT_DOUBLE_EQ(front.Position(), 59.5);
    EXPECT_EQ(front.BufferText(), Text("100%"));
    EXPECT_EQ(front.DownloadProgress(), 70);
    EXPECT_EQ(front.VideoWidth(), 320);
    EXPECT_EQ(front.VideoHeight(), 240);
    EXPECT_EQ(front.MediaType(), Text("wmv"));
    EXPECT_EQ(front.MediaItemTitle(), Text("Song"));
    EXPECT_EQ(front.MediaItemAuthor(), Text("Singer"));
    log.clear();
    front.Seek(30);
    front.SetPlayCount(3);
    front.TogglePause();  // playing: pause
    front.Stop();
    EXPECT_EQ(log, (CallLog{"player seek=30", "player playCount=3", "player pause=1", "player stop"}));
    EXPECT_EQ(front.DownloadProgress(), 0);  // stopped
}

using PlacementTest = FrontTest;

QRect Placed(const HostedControl& engine) {
    return QRect(engine.Left(), engine.Top(), engine.Width(), engine.Height());
}

TEST_F(PlacementTest, TheActiveEngineIsShownAtTheArea) {
    EXPECT_EQ(front.Resize(5, 6, 300, 200), 1);
    EXPECT_EQ(QRect(front.Left(), front.Top(), front.Width(), front.Height()), QRect(5, 6, 300, 200));
    EXPECT_EQ(Placed(front.FlashEngine().movieHost), QRect(5, 6, 300, 200));
    EXPECT_EQ(Placed(front.PlayerEngine()), QRect(-100, -100, 0, 0));

    log.clear();
    front.Play(Text("/m/a.wmv"));
    EXPECT_EQ(front.ActiveEngine(), Engine::Player);
    EXPECT_EQ(Placed(front.PlayerEngine()), QRect(5, 6, 300, 200));
    EXPECT_EQ(Placed(front.FlashEngine().movieHost), QRect(0, 0, 0, 0));
    EXPECT_EQ(Entries(log, "flash stop").size(), 1u);
    ASSERT_NE(front.FlashEngine().movieHost.HostWindow(), nullptr);
    EXPECT_TRUE(front.FlashEngine().movieHost.HostWindow()->isHidden());
    EXPECT_FALSE(front.PlayerEngine().HostWindow()->isHidden());

    log.clear();
    front.Play(Text("/m/b.wmv"));  // already shown: nothing moves or stops
    EXPECT_EQ(log, CallLog{"player open=/m/b.wmv"});
    EXPECT_EQ(front.ShowActiveEngine(), Engine::Player);

    EXPECT_EQ(front.SetVisible(), 1);
    EXPECT_EQ(front.SetVisible(7), 7);  // anything but 1 hides
    EXPECT_TRUE(front.PlayerEngine().HostWindow()->isHidden());
    EXPECT_EQ(front.SetVisible(1), 1);
    EXPECT_FALSE(front.PlayerEngine().HostWindow()->isHidden());
}

TEST(DetachedFrontTest, OperationsWithoutEnginesReadEmpty) {
    MediaFront front;
    Text address = "rtmp://h/app/@clip";
    front.Play(address);
    EXPECT_EQ(address, Text("rtmp://h/app/mp4:clip"));
    EXPECT_EQ(front.PlayState(), PlayState::Stopped);
    EXPECT_EQ(front.DurationText(), Text("00:00:00"));
    EXPECT_EQ(front.BufferText(), Text("0%"));
    EXPECT_TRUE(front.MediaTitle().Empty());
    EXPECT_EQ(front.ParentWindow(), nullptr);
}

}  // namespace
}  // namespace lumora::test
