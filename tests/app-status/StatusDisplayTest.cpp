// SPDX-License-Identifier: GPL-3.0-or-later
// The status display on a real main window, with MediaFront attached to the
// video area and its engines driving recording stand-ins of the controls:
// the state texts and button rules, the time and slider rules, the programme
// line, the buffering timer and the drag cycle.
#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/PlayCommands.h"
#include "app/QtText.h"
#include "app/StatusBarUnit.h"
#include "app/StatusDisplay.h"
#include "app/TimerInterval.h"
#include "resolve/MediaFront.h"

#include "RecordingPlayer.h"
#include "EventWait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QThread>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lumora {

using test::WaitUntil;
namespace {

using test::CallLog;
using test::RecordingPlayer;

class StatusDisplayTest : public testing::Test {
protected:
    StatusDisplayTest() : units(window.Units()) {
        Front().Attach(units.videoArea, 110, 0, 570, 400);
        Front().FlashEngine().UseMovie(&movie);
        Front().PlayerEngine().UsePlayer(&player);
        Front().WatchEngines();
        Front().SetProbe([](const Text&) { return lumora::StreamProbe(); });
    }

    MediaFront& Front() { return *state.mediaObject; }
    // The movie reports in the front's own numbering.
    static PlayState Shown(int movieState) { return static_cast<PlayState>(movieState); }
    QString Section(int section) const { return units.statusBar->SectionText(section); }
    void Poll() { PollPlayState(state, units, window); }
    void Refresh() { RefreshPosition(state, units, window); }

    // The movie plays at `position` of `duration` seconds, fully buffered,
    // and the display has shown it.
    void Playing(int duration, int position) {
        state.shownState = PlayState::Stopped;  // as PlayAddress leaves it
        movie.code = 3; movie.Tell();
        movie.duration = duration;
        movie.position = position;
        movie.buffer = 100;
        Poll();
        ASSERT_EQ(state.shownState, PlayState::Playing);
    }

    void SetTransport(bool playEnabled, bool othersEnabled) {
        units.playButton->setEnabled(playEnabled);
        for (QPushButton* button : {units.stopButton, units.fullScreenButton, units.muteButton})
            button->setEnabled(othersEnabled);
    }

    bool TransportEnabled() const {
        const bool stop = units.stopButton->isEnabled();
        EXPECT_EQ(units.fullScreenButton->isEnabled(), stop);
        EXPECT_EQ(units.muteButton->isEnabled(), stop);
        return stop;
    }

    // The stand-ins outlive the window, which stops playback when it goes.
    CallLog log;
    RecordingPlayer movie{log, "flash", RecordingPlayer::Numbering::Movie};
    RecordingPlayer player{log, "player", RecordingPlayer::Numbering::MediaPlayer};
    AppState state;
    MainWindow window{state};
    const MainWindowUnits& units;
};

TEST_F(StatusDisplayTest, EachStateChangeWritesItsTextAndSetsTheButtons) {
    struct Case {
        int engineState;  // 6 is the front's own "connecting"
        const char* text;
        std::optional<bool> transport;  // stop, full screen, mute; nothing: left as they were
        std::optional<bool> play;
        bool positionTimer;
    };
    const std::vector<Case> cases = {
        {1, "正在缓冲中,请稍后...", std::nullopt, std::nullopt, false},
        {2, "播放已暂停", std::nullopt, std::nullopt, false},
        {3, "正在播放：", true, true, true},
        {4, "正在加载中,请稍后...", true, true, false},
        {5, "播放失败,已准备就绪.", false, std::nullopt, false},
        {6, "正在连接中,请稍后....", true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.engineState);
        state.shownState = PlayState::Stopped;
        SetTimerInterval(units.positionTimer, 0);
        const bool transportBefore = c.transport ? !*c.transport : true;
        const bool playBefore = c.play ? !*c.play : true;
        SetTransport(playBefore, transportBefore);
        if (c.engineState == 6) {
            // Connecting: Play waits on the probe.
            Front().Play(Text("http://h/clip"));
            Poll();
        } else {
            movie.code = c.engineState; movie.Tell();
            Poll();
        }

        EXPECT_EQ(Section(0), QString::fromUtf8(c.text));
        EXPECT_EQ(state.shownState, Shown(c.engineState));
        EXPECT_EQ(TransportEnabled(), c.transport.value_or(transportBefore));
        EXPECT_EQ(units.playButton->isEnabled(), c.play.value_or(playBefore));
        EXPECT_EQ(units.positionTimer->isActive(), c.positionTimer);
        EXPECT_EQ(units.positionTimer->interval(), c.positionTimer ? 1000 : 0);
    }
}

TEST_F(StatusDisplayTest, AStateAlreadyShownIsNotWrittenAgain) {
    Playing(100, 10);
    units.statusBar->SetSectionText(0, QStringLiteral("正在播放的节目：片名"));
    SetTransport(false, false);
    Poll();
    EXPECT_EQ(Section(0), QStringLiteral("正在播放的节目：片名"));
    EXPECT_FALSE(TransportEnabled());

    // A failure is shown once.
    movie.code = 5; movie.Tell();
    Poll();
    EXPECT_EQ(Section(0), QStringLiteral("播放失败,已准备就绪."));
    units.statusBar->SetSectionText(0, QStringLiteral("x"));
    Poll();
    EXPECT_EQ(Section(0), QStringLiteral("x"));
}

TEST_F(StatusDisplayTest, StoppedIsShownAtTheEndAndAfterAStopAtEveryTick) {
    // The engine ends on its own, from any running state: shown as after the
    // stop button, with no time left on the slider.
    for (int running : {1, 2, 3, 4}) {
        SCOPED_TRACE(running);
        Playing(100, 10);
        Refresh();
        movie.code = running; movie.Tell();
        Poll();
        movie.code = 0; movie.Tell();
        Poll();
        EXPECT_EQ(Section(0), QStringLiteral("播放已停止"));
        EXPECT_FALSE(TransportEnabled());
        EXPECT_EQ(state.shownState, PlayState::Stopped);
        EXPECT_FALSE(units.progressSlider->isEnabled());
        EXPECT_EQ(Section(3), QStringLiteral("00:00:00/00:00:00"));
    }

    // A failure shown stays when the engine then reports stopped.
    Playing(100, 10);
    movie.code = 5; movie.Tell();
    Poll();
    movie.code = 0; movie.Tell();
    Poll();
    EXPECT_EQ(Section(0), QStringLiteral("播放失败,已准备就绪."));
    EXPECT_EQ(state.shownState, PlayState::Failed);

    // The stop button resets shownState: now every tick writes the text.
    state.shownState = PlayState::Stopped;
    units.playButton->setEnabled(true);
    for (int tick = 0; tick < 3; ++tick) {
        units.statusBar->SetSectionText(0, QStringLiteral("x"));
        Poll();
        EXPECT_EQ(Section(0), QStringLiteral("播放已停止"));
    }
    EXPECT_FALSE(TransportEnabled());
    EXPECT_TRUE(units.playButton->isEnabled());
    EXPECT_EQ(state.shownState, PlayState::Stopped);

    // The next state is shown as a change again.
    movie.code = 4; movie.Tell();
    Poll();
    EXPECT_EQ(Section(0), QStringLiteral("正在加载中,请稍后..."));
}

TEST_F(StatusDisplayTest, TheSliderAndTimeFollowTheDuration) {
    struct Case {
        int duration, position;
        bool enabled;
        int maximum, value;
        const char* time;
    };
    const std::vector<Case> cases = {
        {3725, 100, true, 3725, 100, "00:01:40/01:02:05"},
        {2, 1, true, 2, 1, "00:00:01/00:00:02"},
        // A one-second clip enables the slider but never moves its thumb.
        {1, 1, true, 1, 0, "00:00:01/00:00:01"},
        // A live stream: no duration, the position still counts.
        {0, 70, false, 0, 0, "00:01:10/00:00:00"},
        // A duration that formats as 00:00:00 counts as none.
        {-5, 10, false, 0, 0, "00:00:10/00:00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.duration);
        units.progressSlider->setMaximum(0);
        units.progressSlider->setValue(0);
        units.progressSlider->setEnabled(!c.enabled);
        Playing(c.duration, c.position);
        Refresh();
        EXPECT_EQ(units.progressSlider->isEnabled(), c.enabled);
        EXPECT_EQ(units.progressSlider->maximum(), c.maximum);
        EXPECT_EQ(units.progressSlider->value(), c.value);
        EXPECT_EQ(Section(3), QString::fromUtf8(c.time));
        EXPECT_EQ(Section(1), QStringLiteral("缓冲数据： 100%"));
        EXPECT_EQ(state.durationSeconds, c.duration);
        EXPECT_EQ(state.positionSeconds, c.position);
    }
}

TEST_F(StatusDisplayTest, ALiveStreamKeepsTheSliderDisabledWhileTheTimeCounts) {
    Playing(0, 68);
    for (int second = 68; second <= 70; ++second) {
        movie.position = second;
        Refresh();
        Poll();
    }
    EXPECT_FALSE(units.progressSlider->isEnabled());
    EXPECT_EQ(units.progressSlider->maximum(), 0);
    EXPECT_EQ(Section(3), QStringLiteral("00:01:10/00:00:00"));
    EXPECT_EQ(Section(0), QStringLiteral("正在播放的节目："));
    EXPECT_TRUE(units.positionTimer->isActive());
}

TEST_F(StatusDisplayTest, ALiveAddressShowsNoDurationWhateverTheEngineEstimates) {
    // The engine's estimate grows as the stream comes in; the window shows none.
    PlayAddress(window, Text("rtmp://127.0.0.1/app/channel-live"));
    Playing(0, 1);
    for (int second = 2; second <= 4; ++second) {
        movie.position = second;
        movie.duration = second + 5;
        Refresh();
    }
    EXPECT_EQ(Front().Duration(), 0);
    EXPECT_FALSE(units.progressSlider->isEnabled());
    EXPECT_EQ(units.progressSlider->maximum(), 0);
    EXPECT_EQ(Section(3), QStringLiteral("00:00:04/00:00:00"));
}

TEST_F(StatusDisplayTest, TheProgrammeLineNamesTheLocalFileOrThePlayingRow) {
    // The row the user looks at now is never the programme.
    auto* row = new QTreeWidgetItem(units.catalogueList, {QStringLiteral("别的视频"), QString(), QString()});
    units.catalogueList->setCurrentItem(row);
    struct Case {
        bool local;
        const char* chosen;     // state.localProgrammeName
        const char* programme;  // state.programmeName: the title of the row that plays
        const char* expected;
    };
    const std::vector<Case> cases = {
        {true, "/home/u/视频/片头 1.mp4", "第一集", "正在播放的节目：片头 1.mp4"},
        // Several files: the name after the last separator of the whole choice.
        {true, "/m/a.wmv;/m/b.mp3", "第一集", "正在播放的节目：b.mp3"},
        {true, "no-separator.mp4", "第一集", "正在播放的节目："},
        {true, "", "第一集", "正在播放的节目："},
        {false, "/m/a.mp4", "第一集", "正在播放的节目：第一集"},
    };
    Playing(100, 5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        units.localState->setChecked(c.local);
        state.localProgrammeName = Text(c.chosen);
        state.programmeName = Text(c.programme);
        Refresh();
        EXPECT_EQ(Section(0), QString::fromUtf8(c.expected));
    }
}

TEST_F(StatusDisplayTest, TheProgrammeLineWaitsForAFullBufferInStatePlaying) {
    units.localState->setChecked(true);
    state.localProgrammeName = Text("/m/a.mp4");
    Playing(100, 5);
    movie.buffer = 99;
    Refresh();
    EXPECT_EQ(Section(0), QStringLiteral("正在播放："));
    EXPECT_EQ(Section(1), QStringLiteral("缓冲数据： 99%"));

    movie.buffer = 100;
    movie.code = 2; movie.Tell();
    Poll();
    Refresh();
    EXPECT_EQ(Section(0), QStringLiteral("播放已暂停"));
    EXPECT_EQ(Section(1), QStringLiteral("缓冲数据： 100%"));

    movie.code = 3; movie.Tell();
    Poll();
    Refresh();
    EXPECT_EQ(Section(0), QStringLiteral("正在播放的节目：a.mp4"));
}

TEST_F(StatusDisplayTest, LeavingStatePlayingStopsThePositionRefresh) {
    struct Case {
        int engineState, shownState;
        bool sliderReset;
        const char* time;
    };
    const std::vector<Case> cases = {
        {2, 2, false, "00:01:40/01:02:05"},  // paused: the slider keeps its place
        {0, 3, false, "00:01:40/01:02:05"},  // ended on its own, before the state is shown
        {0, 0, true, "00:01:40/01:02:05"},   // stopped by the user
        // Failed: what the engine still holds is the time of the medium before.
        {5, 5, true, "00:00:00/00:00:00"},
        {1, 1, false, "00:01:40/01:02:05"},  // buffering
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.engineState);
        Playing(3725, 100);
        Refresh();
        ASSERT_TRUE(units.positionTimer->isActive());
        movie.code = c.engineState; movie.Tell();
        state.shownState = Shown(c.shownState);
        Refresh();
        EXPECT_FALSE(units.positionTimer->isActive());
        EXPECT_EQ(units.progressSlider->isEnabled(), !c.sliderReset);
        EXPECT_EQ(units.progressSlider->maximum(), c.sliderReset ? 0 : 3725);
        // The time text of the tick replaces the one the reset writes.
        EXPECT_EQ(Section(3), QString::fromUtf8(c.time));
    }

    // Called on its own after a stop, the reset shows no time.
    state.shownState = PlayState::Stopped;
    SetTimerInterval(units.positionTimer, 1000);
    StopPositionRefresh(state, units);
    EXPECT_FALSE(units.positionTimer->isActive());
    EXPECT_EQ(Section(3), QStringLiteral("00:00:00/00:00:00"));
}

TEST_F(StatusDisplayTest, TheDragCycle) {
    Playing(3725, 100);
    Refresh();
    ASSERT_EQ(units.progressSlider->value(), 100);

    OnProgressPressed(window);
    EXPECT_TRUE(state.dragging);
    EXPECT_FALSE(units.positionTimer->isActive());
    units.progressSlider->setValue(600);
    EXPECT_TRUE(WaitUntil([&] { return Section(3) == QStringLiteral("00:10:00/01:02:05"); }));

    // Meanwhile the engine moves on and starts loading: neither shows.
    movie.position = 101;
    movie.code = 4; movie.Tell();
    Poll();
    Refresh();
    EXPECT_EQ(units.progressSlider->value(), 600);
    EXPECT_EQ(Section(0), QStringLiteral("正在播放的节目："));
    EXPECT_EQ(state.shownState, PlayState::Playing);
    units.statusBar->SetSectionText(3, QString());
    EXPECT_TRUE(WaitUntil([&] { return Section(3) == QStringLiteral("00:10:00/01:02:05"); }));

    OnProgressReleased(window);
    EXPECT_EQ(test::Entries(log, "flash seek"), std::vector<std::string>{"flash seek=600"});
    movie.code = 3; movie.Tell();
    movie.position = 601;
    // Settled 500 ms later; the next position refresh another second on.
    EXPECT_TRUE(WaitUntil([&] { return Section(3) == QStringLiteral("00:10:01/01:02:05"); }));
    EXPECT_FALSE(state.dragging);
    EXPECT_FALSE(units.dragTimer->isActive());
    EXPECT_TRUE(units.positionTimer->isActive());
    EXPECT_EQ(units.progressSlider->value(), 601);
    EXPECT_EQ(test::Entries(log, "flash seek").size(), 1u);
}

TEST_F(StatusDisplayTest, NothingHappensWithoutAPlayer) {
    state.mediaObject.reset();
    Poll();
    Refresh();
    EXPECT_EQ(Section(0), QStringLiteral("准备就绪"));
    EXPECT_EQ(Section(3), QStringLiteral("00:00:00/00:00:00"));
}

}  // namespace
}  // namespace lumora
