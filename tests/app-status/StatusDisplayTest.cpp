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

#include "FakeControls.h"

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
namespace {

using test::CallLog;
using test::FakeMovie;
using test::FakePlayer;

class StatusDisplayTest : public testing::Test {
protected:
    StatusDisplayTest() : units(window.Units()) {
        Front().Attach(units.videoArea, 110, 0, 570, 400);
        Front().FlashEngine().flashControl.Attach(movie.Object());
        Front().PlayerEngine().control = player.Object();
        Front().SetProbe([](const Text&) { return Text(); });
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
        movie.state = 3;
        movie.totalTime = duration;
        movie.playTime = position;
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

    // Runs the event loop (the window's timers) until `done` holds, at most
    // 10 s; false on time-out.
    static bool WaitUntil(const std::function<bool()>& done) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > 10000) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(2);
        }
        return true;
    }

    // The stand-ins outlive the window, which stops playback when it goes.
    CallLog log;
    FakeMovie movie{log};
    FakePlayer player{log};
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
        bool bufferTimer, positionTimer;
    };
    const std::vector<Case> cases = {
        {1, "正在缓冲中,请稍后...", std::nullopt, std::nullopt, true, false},
        {2, "播放已暂停", std::nullopt, std::nullopt, false, false},
        {3, "正在播放：", true, true, false, true},
        {4, "正在加载中,请稍后...", true, true, false, false},
        {5, "播放失败,已准备就绪.", false, std::nullopt, false, false},
        {6, "正在连接中,请稍后....", true, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.engineState);
        state.shownState = PlayState::Stopped;
        SetTimerInterval(units.bufferTimer, 0);
        SetTimerInterval(units.positionTimer, 0);
        const bool transportBefore = c.transport ? !*c.transport : true;
        const bool playBefore = c.play ? !*c.play : true;
        SetTransport(playBefore, transportBefore);
        if (c.engineState == 6) {
            // Connecting: the display polls while Play waits on the probe.
            Front().SetProbe([this](const Text&) {
                Poll();
                return Text();
            });
            Front().Play(Text("http://h/clip"));
        } else {
            movie.state = c.engineState;
            Poll();
        }

        EXPECT_EQ(Section(0), QString::fromUtf8(c.text));
        EXPECT_EQ(state.shownState, Shown(c.engineState));
        EXPECT_EQ(TransportEnabled(), c.transport.value_or(transportBefore));
        EXPECT_EQ(units.playButton->isEnabled(), c.play.value_or(playBefore));
        EXPECT_EQ(units.bufferTimer->isActive(), c.bufferTimer);
        EXPECT_EQ(units.bufferTimer->interval(), c.bufferTimer ? 100 : 0);
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
    movie.state = 5;
    Poll();
    EXPECT_EQ(Section(0), QStringLiteral("播放失败,已准备就绪."));
    units.statusBar->SetSectionText(0, QStringLiteral("x"));
    Poll();
    EXPECT_EQ(Section(0), QStringLiteral("x"));
}

TEST_F(StatusDisplayTest, StoppedIsWrittenOnlyAfterAStopAndThenAtEveryTick) {
    Playing(100, 10);
    // The engine ends on its own: the last text stays.
    movie.state = 0;
    Poll();
    EXPECT_EQ(Section(0), QStringLiteral("正在播放："));
    EXPECT_TRUE(TransportEnabled());
    EXPECT_EQ(state.shownState, PlayState::Playing);

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
    movie.state = 4;
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
        movie.playTime = second;
        Refresh();
        Poll();
    }
    EXPECT_FALSE(units.progressSlider->isEnabled());
    EXPECT_EQ(units.progressSlider->maximum(), 0);
    EXPECT_EQ(Section(3), QStringLiteral("00:01:10/00:00:00"));
    EXPECT_EQ(Section(0), QStringLiteral("正在播放的节目："));
    EXPECT_TRUE(units.positionTimer->isActive());
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
    movie.state = 2;
    Poll();
    Refresh();
    EXPECT_EQ(Section(0), QStringLiteral("播放已暂停"));
    EXPECT_EQ(Section(1), QStringLiteral("缓冲数据： 100%"));

    movie.state = 3;
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
        {0, 3, false, "00:01:40/01:02:05"},  // ended on its own
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
        movie.state = c.engineState;
        state.shownState = Shown(c.shownState);
        Refresh();
        EXPECT_FALSE(units.positionTimer->isActive());
        EXPECT_EQ(units.progressSlider->isEnabled(), !c.sliderReset);
        EXPECT_EQ(units.progressSlider->maximum(), c.sliderReset ? 0 : 3725);
        // The time text of the tick replaces the one the reset writes.
        EXPECT_EQ(Section(3), QString::fromUtf8(c.time));
        EXPECT_EQ(units.bufferTimer->isActive(), c.engineState == 1);
        SetTimerInterval(units.bufferTimer, 0);
    }

    // Called on its own after a stop, the reset shows no time.
    state.shownState = PlayState::Stopped;
    SetTimerInterval(units.positionTimer, 1000);
    StopPositionRefresh(state, units);
    EXPECT_FALSE(units.positionTimer->isActive());
    EXPECT_EQ(Section(3), QStringLiteral("00:00:00/00:00:00"));
}

TEST_F(StatusDisplayTest, TheBufferingTimerStopsOnceTheBufferIsFull) {
    struct Case {
        int engineState, buffer;
        bool keepsRunning;
    };
    const std::vector<Case> cases = {
        {1, 100, false},
        {1, 50, true},
        // The state left 1 before the buffer filled: the timer runs on idle.
        {3, 100, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.buffer);
        movie.state = c.engineState;
        movie.buffer = c.buffer;
        SetTimerInterval(units.bufferTimer, 100);
        PollBuffering(state, units);
        EXPECT_EQ(units.bufferTimer->isActive(), c.keepsRunning);
        EXPECT_EQ(Section(1), QStringLiteral("缓冲状态：等待中"));  // writes nothing
    }
}

// The seek cycle through the window's handlers and timers. Pressed: the
// thumb is the user's, the time follows it and a loading engine is not
// shown; released: one seek; settled: the display follows the engine again.
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
    movie.playTime = 101;
    movie.state = 4;
    Poll();
    Refresh();
    EXPECT_EQ(units.progressSlider->value(), 600);
    EXPECT_EQ(Section(0), QStringLiteral("正在播放的节目："));
    EXPECT_EQ(state.shownState, PlayState::Playing);
    units.statusBar->SetSectionText(3, QString());
    EXPECT_TRUE(WaitUntil([&] { return Section(3) == QStringLiteral("00:10:00/01:02:05"); }));

    OnProgressReleased(window);
    EXPECT_EQ(test::Entries(log, "flash setSeek"), std::vector<std::string>{"flash setSeek=600"});
    movie.state = 3;
    movie.playTime = 601;
    // Settled 500 ms later; the next position refresh another second on.
    EXPECT_TRUE(WaitUntil([&] { return Section(3) == QStringLiteral("00:10:01/01:02:05"); }));
    EXPECT_FALSE(state.dragging);
    EXPECT_FALSE(units.dragTimer->isActive());
    EXPECT_TRUE(units.positionTimer->isActive());
    EXPECT_EQ(units.progressSlider->value(), 601);
    EXPECT_EQ(test::Entries(log, "flash setSeek").size(), 1u);
}

TEST_F(StatusDisplayTest, NothingHappensWithoutAPlayer) {
    state.mediaObject.reset();
    Poll();
    Refresh();
    PollBuffering(state, units);
    EXPECT_EQ(Section(0), QStringLiteral("准备就绪"));
    EXPECT_EQ(Section(3), QStringLiteral("00:00:00/00:00:00"));
}

}  // namespace
}  // namespace lumora
