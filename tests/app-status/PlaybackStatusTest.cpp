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
#include "base/TimeText.h"
#include "platform/MpvSession.h"
#include "platform/PlaybackOptions.h"
#include "resolve/MediaFront.h"
#include "EventWait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>
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

    // The clip ends on its own: shown as stopped, as after the stop button.
    EXPECT_TRUE(WaitUntil([&] { return Section(0) == QStringLiteral("播放已停止"); })) << Section(0).toStdString();
    EXPECT_FALSE(units.positionTimer->isActive());
    EXPECT_FALSE(units.stopButton->isEnabled());
    EXPECT_FALSE(units.progressSlider->isEnabled());
    EXPECT_EQ(Section(3), QStringLiteral("00:00:00/00:00:00"));
    EXPECT_TRUE(units.playButton->isEnabled()) << "plays it again";

    units.playButton->click();
    EXPECT_TRUE(WaitUntil([&] { return units.stopButton->isEnabled(); }));
    units.stopButton->click();
    EXPECT_TRUE(WaitUntil([&] { return Section(0) == QStringLiteral("播放已停止"); }));
    EXPECT_FALSE(units.stopButton->isEnabled());
    EXPECT_FALSE(units.muteButton->isEnabled());
    EXPECT_FALSE(units.fullScreenButton->isEnabled());
}

// How a play ends, as the window shows it: played to its end (a picture,
// and sound alone without a sound device), or failed with the reason in the
// window title (a missing file, a .swf that no engine plays, a file that is
// no medium).
TEST_F(PlaybackStatusTest, EveryPlayEndsStoppedOrFailedWithItsReason) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&](const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(QString::fromUtf8(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName().toStdString();
    };
    const std::string swf = write("动画 1.swf", QByteArray("FWS\x0a") + QByteArray(200, '\x11'));
    const std::string noise = write("noise.mp4", QByteArray(4096, '\x5a'));
    struct Case {
        std::string path;
        bool failed;
        const char* title;  // what the window title then begins with; empty: not looked at
        std::vector<std::pair<std::string, std::string>> outputs;
    };
    // Sound alone, with an audio device that cannot be opened.
    const std::vector<std::pair<std::string, std::string>> noSoundDevice = {
        {"ao", "alsa"}, {"audio-device", "alsa/lumora-test-no-such-device"}};
    const std::vector<Case> cases = {
        {kMedia + "clip.mp4", false, "", {}},
        {kMedia + "tone.mp3", false, "", noSoundDevice},
        {kMedia + "stereo.wav", false, "", noSoundDevice},
        {dir.filePath(QStringLiteral("missing.mp4")).toStdString(), true, "播放失败：missing.mp4（文件不存在或无法读取）", {}},
        {swf, true, "播放失败：动画 1.swf（", {}},
        {noise, true, "播放失败：noise.mp4（", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        PlaybackOptions options;
        options.nullOutputs = true;
        options.untimed = true;
        options.extraOptions = c.outputs;
        SetPlaybackOptions(options);
        AppState caseState;
        MainWindow caseWindow{caseState};
        const MainWindowUnits& u = caseWindow.Units();
        caseState.mediaObject->Attach(u.videoArea, 110, 0, 570, 400);
        caseWindow.setWindowTitle(QStringLiteral("第7批共14批搜索到：3个视频"));
        PlayLocalFiles(caseWindow, {Text::FromUtf8(c.path)});
        const QString expected = c.failed ? QStringLiteral("播放失败,已准备就绪.") : QStringLiteral("播放已停止");
        EXPECT_TRUE(WaitUntil([&] { return u.statusBar->SectionText(0) == expected; }, 15000))
            << u.statusBar->SectionText(0).toStdString();
        EXPECT_FALSE(u.stopButton->isEnabled());
        EXPECT_EQ(u.statusBar->SectionText(3), QStringLiteral("00:00:00/00:00:00"));
        if (*c.title) {
            EXPECT_TRUE(caseWindow.windowTitle().startsWith(QString::fromUtf8(c.title)))
                << caseWindow.windowTitle().toStdString();
        }
    }
}

// While paused the clock and the slider follow a seek at once.
TEST_F(PlaybackStatusTest, ASeekWhilePausedMovesTheClockAndTheSlider) {
    PlayLocalFiles(window, {Text::FromUtf8(kMedia + "long.mp4")});
    ASSERT_TRUE(WaitUntil([&] { return units.positionTimer->isActive(); }));
    units.playButton->click();
    ASSERT_TRUE(WaitUntil([&] { return Section(0) == QStringLiteral("播放已暂停"); }));
    ASSERT_TRUE(WaitUntil([&] { return !units.positionTimer->isActive(); }));
    for (int seconds : {90, 30, 120}) {
        SCOPED_TRACE(seconds);
        state.mediaObject->Seek(seconds);
        const QString time = QStringLiteral("%1/00:02:30").arg(QString::fromUtf8(FormatTime(seconds).ToUtf8().c_str()));
        EXPECT_TRUE(WaitUntil([&] { return Section(3) == time; })) << Section(3).toStdString();
        EXPECT_EQ(units.progressSlider->value(), seconds);
        EXPECT_EQ(Section(0), QStringLiteral("播放已暂停"));
    }
}

// Home, End, PgUp and PgDn on the focused slider neither move the thumb nor seek.
TEST_F(PlaybackStatusTest, TheSlidersOwnJumpKeysDoNothing) {
    window.show();
    PlayLocalFiles(window, {Text::FromUtf8(kMedia + "long.mp4")});
    ASSERT_TRUE(WaitUntil([&] { return units.progressSlider->isEnabled() && units.progressSlider->maximum() == 150; }));
    units.playButton->click();
    ASSERT_TRUE(WaitUntil([&] { return Section(0) == QStringLiteral("播放已暂停"); }));
    state.mediaObject->Seek(60);
    ASSERT_TRUE(WaitUntil([&] { return units.progressSlider->value() == 60; }));
    for (Qt::Key key : {Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown}) {
        SCOPED_TRACE(key);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(units.progressSlider, &press);
        QCoreApplication::processEvents();
        EXPECT_EQ(units.progressSlider->value(), 60);
        EXPECT_EQ(int(state.mediaObject->Position()), 60);
    }
}

}  // namespace
}  // namespace lumora
