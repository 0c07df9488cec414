// SPDX-License-Identifier: GPL-3.0-or-later
// The status display as the window runs it while libmpv really plays a
// committed clip (null outputs, real time): a local file chosen through the
// file dialog, its states, programme line and time, the end of the clip and
// the stop button.
#include "app/AppState.h"
#include "app/FileDialog.h"
#include "app/MainWindow.h"
#include "app/PlayCommands.h"
#include "app/StatusBarUnit.h"
#include "base/Text.h"
#include "platform/MpvSession.h"
#include "platform/PlaybackOptions.h"
#include "resolve/MediaFront.h"
#include "EventWait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace lumora {

using test::WaitUntil;
namespace {

const std::string kMedia = std::string(LUMORA_TEST_DATA) + "/media/";

class PlaybackStatusTest : public testing::Test {
protected:
    PlaybackStatusTest() : units(window.Units()) {
        PlaybackOptions options;
        options.nullOutputs = true;
        SetPlaybackOptions(options);
        state.mediaObject->Attach(units.videoArea, 110, 0, 570, 400);
    }

    QString Section(int section) const { return units.statusBar->SectionText(section); }

    // poll fires again and again, a one-shot (a list view laying itself out
    // after the last change) once.
    static std::map<std::pair<QObject*, int>, int> RepeatedTimers(int ms) {
        struct Counter : QObject {
            std::map<std::pair<QObject*, int>, int> fired;  // by receiver and timer
            bool eventFilter(QObject* receiver, QEvent* event) override {
                if (event->type() == QEvent::Timer) ++fired[{receiver, static_cast<QTimerEvent*>(event)->timerId()}];
                return false;
            }
        } counter;
        QCoreApplication::instance()->installEventFilter(&counter);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(20);
        }
        QCoreApplication::instance()->removeEventFilter(&counter);
        std::map<std::pair<QObject*, int>, int> repeated;
        for (const auto& [timer, count] : counter.fired) {
            if (count < 2) continue;
            repeated.emplace(timer, count);
            QObject* receiver = timer.first;
            ADD_FAILURE() << "a timer of " << receiver->metaObject()->className() << " "
                          << receiver->objectName().toStdString() << " fired " << count << " times";
        }
        return repeated;
    }

    AppState state;
    MainWindow window{state};
    const MainWindowUnits& units;
};

// Nothing polls: with nothing loaded, and again once a clip has ended, no
// timer of the window, the front, the engines or mpv's sessions fires.
TEST_F(PlaybackStatusTest, NothingWakesAnIdleWindow) {
    MpvSession::StartDeferredCores();
    EXPECT_TRUE(RepeatedTimers(2500).empty());

    PlayAddress(window, Text::FromUtf8(kMedia + "clip.mp4"));
    ASSERT_TRUE(WaitUntil([&] { return units.positionTimer->isActive(); }));
    ASSERT_TRUE(WaitUntil([&] { return !units.positionTimer->isActive(); }));  // played to its end
    EXPECT_TRUE(RepeatedTimers(2500).empty());
}

TEST_F(PlaybackStatusTest, ALocalClipShowsItsProgrammeAndTimeThenTheStop) {
    const QString path = QString::fromStdString(kMedia + "clip.mp4");
    QString dialogTitle;
    state.openDialog->SetAnswer([&](QFileDialog& dialog) {
        dialogTitle = dialog.windowTitle();
        return std::optional<QStringList>(QStringList{path});
    });
    OpenLocalFile(window);
    EXPECT_EQ(dialogTitle, QStringLiteral("打开多媒体文件"));
    EXPECT_TRUE(units.localState->isChecked());

    EXPECT_TRUE(WaitUntil([&] { return Section(0) == QStringLiteral("正在播放的节目：clip.mp4"); }))
        << Section(0).toStdString();
    EXPECT_TRUE(units.stopButton->isEnabled());
    EXPECT_TRUE(units.progressSlider->isEnabled());
    EXPECT_EQ(units.progressSlider->maximum(), 2);
    EXPECT_TRUE(Section(3).endsWith(QStringLiteral("/00:00:02"))) << Section(3).toStdString();
    EXPECT_EQ(Section(1), QStringLiteral("缓冲数据： 100%"));

    // The clip ends on its own: the programme line stays, the refresh stops.
    EXPECT_TRUE(WaitUntil([&] { return !units.positionTimer->isActive(); }));
    EXPECT_EQ(Section(0), QStringLiteral("正在播放的节目：clip.mp4"));

    units.stopButton->click();
    EXPECT_TRUE(WaitUntil([&] { return Section(0) == QStringLiteral("播放已停止"); }));
    EXPECT_FALSE(units.stopButton->isEnabled());
    EXPECT_FALSE(units.muteButton->isEnabled());
    EXPECT_FALSE(units.fullScreenButton->isEnabled());
}

}  // namespace
}  // namespace lumora
