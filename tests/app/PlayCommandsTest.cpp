// SPDX-License-Identifier: GPL-3.0-or-later
// The play commands of the window: the seek cycle with its timers, the
// volume, the open-address window, local files through the file dialog,
// the transport buttons and the about box.
#include "app/FileDialog.h"
#include "app/OpenAddressWindow.h"
#include "app/PlayCommands.h"
#include "app/QtText.h"
#include "app/StatusBarUnit.h"
#include "app/TimerInterval.h"
#include "base/Config.h"

#include "WindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <optional>

namespace lumora {
namespace {

using test::Entries;
using test::WaitUntil;
using test::WindowTest;

class PlayCommandsTest : public WindowTest {
protected:
    bool Running(const QTimer* timer, int interval) const { return timer->isActive() && timer->interval() == interval; }
};

TEST_F(PlayCommandsTest, SeekCycleSeeksOnceOnReleaseAndResumesTheClock) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    units.progressSlider->setEnabled(true);
    units.progressSlider->setRange(0, 100);
    units.progressSlider->setValue(30);
    state.durationSeconds = 100;
    units.positionTimer->setInterval(1000);
    units.positionTimer->start();
    log.clear();

    const QPoint thumb(units.progressSlider->width() * 30 / 100, units.progressSlider->height() / 2);
    QTest::mousePress(units.progressSlider, Qt::LeftButton, {}, thumb);
    EXPECT_TRUE(state.dragging);
    EXPECT_FALSE(units.positionTimer->isActive());
    EXPECT_EQ(units.positionTimer->interval(), 0);
    EXPECT_TRUE(Running(units.dragTimer, 100));
    EXPECT_TRUE(Entries(log, "flash seek").empty());

    // While held, the time follows the thumb.
    units.progressSlider->setValue(42);
    ASSERT_TRUE(
        WaitUntil([&] { return units.statusBar->SectionText(3) == QStringLiteral("00:00:42/00:01:40"); }, 2000));

    QTest::mouseRelease(units.progressSlider, Qt::LeftButton, {}, thumb);
    const int seekTo = units.progressSlider->value();
    EXPECT_EQ(Entries(log, "flash seek"), std::vector<std::string>{"flash seek=" + std::to_string(seekTo)});
    EXPECT_TRUE(Running(units.seekSettleTimer, 500));
    EXPECT_TRUE(state.dragging) << "until the seek settles";

    ASSERT_TRUE(WaitUntil([&] { return !state.dragging; }, 3000));
    EXPECT_FALSE(units.seekSettleTimer->isActive());
    EXPECT_FALSE(units.dragTimer->isActive());
    EXPECT_TRUE(Running(units.positionTimer, 1000));
    EXPECT_EQ(Entries(log, "flash seek").size(), 1u);
}

TEST_F(PlayCommandsTest, VolumeSliderSetsTheVolumeAndItsText) {
    for (int volume : {0, 7, 100, 45}) {
        units.volumeSlider->setValue(volume);
        EXPECT_EQ(units.statusBar->SectionText(2), QStringLiteral("音量：%1%").arg(volume));
        const auto sent = Entries(log, "player volume=");
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.back(), "player volume=" + std::to_string(volume));
    }
}

TEST_F(PlayCommandsTest, PlayAddressResetsTheDisplayAndStartsThePoll) {
    state.shownState = PlayState::Playing;
    units.progressSlider->setRange(0, 50);
    units.progressSlider->setValue(20);
    units.volumeSlider->setValue(60);
    PlayAddress(window, "http://127.0.0.1:1/a.flv");
    EXPECT_EQ(state.shownState, PlayState::Stopped);
    EXPECT_EQ(units.progressSlider->value(), 0);
    EXPECT_EQ(units.progressSlider->maximum(), 0);
    EXPECT_EQ(Opened(), std::vector<std::string>{"http://127.0.0.1:1/a.flv"});
    const auto sent = Entries(log, "player volume=");
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), "player volume=60");
}

TEST_F(PlayCommandsTest, OpenAddressWindowPlaysTheTypedAddress) {
    QTemporaryDir downloads;
    ASSERT_TRUE(downloads.isValid());
    Config config = Config::Defaults();
    config.downloadDir = FromQString(downloads.path());
    ScopedConfigOverride scoped(config);
    OpenAddressWindow& dialog = *units.openAddressWindow;

    // Answers the modal window once it is up: types and presses 按钮1, or
    // closes it without the button.
    const auto answer = [&](std::optional<QString> typed) {
        QTimer::singleShot(0, &dialog, [&dialog, typed] {
            ASSERT_TRUE(dialog.isVisible());
            ASSERT_TRUE(dialog.isModal());
            if (typed) {
                dialog.AddressEdit()->setText(*typed);
                dialog.PlayButton()->click();
            } else {
                dialog.close();
            }
        });
    };
    const auto makeFile = [&](const char* name) {
        QFile file(QDir(downloads.path()).filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    };

    // Closed without an address ever typed: nothing plays.
    answer(std::nullopt);
    units.openNetworkFileAction->trigger();
    EXPECT_FALSE(units.delayedPlayTimer->isActive());
    EXPECT_TRUE(state.currentAddress.Empty());

    struct Case {
        std::optional<QString> typed;
        const char* existing;  // file made in the download directory first
        const char* address;
        const char* title;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("http://127.0.0.1:1/视频 a.mp4"), nullptr, "http://127.0.0.1:1/视频 a.mp4", "视频 a"},
        {QStringLiteral("http://127.0.0.1:1/dir/"), nullptr, "http://127.0.0.1:1/dir/", "网络文件"},
        {QStringLiteral("yyt://123"), "网络文件.flv", "yyt://123", "网络文件1"},
        {QStringLiteral("yyt://456"), "网络文件1.MP4", "yyt://456", "网络文件1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        if (c.existing) makeFile(c.existing);
        SetTimerInterval(units.delayedPlayTimer, 0);
        log.clear();
        answer(c.typed);
        units.openNetworkFileAction->trigger();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_FALSE(Entries(log, "flash stop").empty()) << "stopped once the address is there";
        EXPECT_EQ(state.typedAddress.ToUtf8(), c.address);
        EXPECT_EQ(state.currentAddress.ToUtf8(), c.address);
        EXPECT_EQ(state.pendingPlayAddress.ToUtf8(), c.address);
        EXPECT_EQ(state.currentTitle.ToUtf8(), c.title);
        EXPECT_TRUE(Running(units.delayedPlayTimer, 100));
    }

    // Closed without the button (Esc, Cancel) while a medium plays: nothing
    // stops and nothing else plays, also with an address typed before.
    SetTimerInterval(units.delayedPlayTimer, 0);
    log.clear();
    answer(std::nullopt);
    units.openNetworkFileAction->trigger();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(Entries(log, "flash stop").empty());
    EXPECT_TRUE(Entries(log, "player stop").empty());
    EXPECT_FALSE(units.delayedPlayTimer->isActive());
}

TEST_F(PlayCommandsTest, LocalFilesPlayThroughTheDialog) {
    QStringList answer;
    int shown = 0;
    state.openDialog->SetAnswer([&](QFileDialog& dialog) -> std::optional<QStringList> {
        ++shown;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("打开多媒体文件"));
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
        if (answer.isEmpty()) return std::nullopt;
        return answer;
    });

    // Cancelled: nothing plays.
    units.openLocalFileAction->trigger();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(Opened().empty());
    EXPECT_FALSE(units.localState->isChecked());

    // Chosen from full screen: the window leaves it first.
    units.fullScreenButton->click();
    ASSERT_TRUE(units.fullScreenMode->isChecked());
    answer = {QStringLiteral("/media/clips/a.mp4")};
    units.openLocalFileAction->trigger();
    EXPECT_FALSE(units.fullScreenMode->isChecked());
    EXPECT_EQ(state.localProgrammeName, Text("/media/clips/a.mp4"));
    EXPECT_TRUE(units.localState->isChecked());
    ASSERT_EQ(Opened().size(), 1u);

    // Cancelled while it plays: it goes on, nothing stops.
    answer.clear();
    log.clear();
    units.openLocalFileAction->trigger();
    EXPECT_TRUE(Entries(log, "flash stop").empty());
    EXPECT_TRUE(Entries(log, "player stop").empty());
    EXPECT_TRUE(Opened().empty());

    // The file already loaded, chosen again: stopped, and it plays again.
    const std::string loaded = state.mediaObject->CurrentAddress().ToUtf8();
    answer = {QString::fromStdString(loaded)};
    log.clear();
    units.openLocalFileAction->trigger();
    EXPECT_EQ(Entries(log, "flash stop").size(), 1u) << "stopped once the file is chosen";
    EXPECT_EQ(Opened(), std::vector<std::string>{loaded});
}

TEST_F(PlayCommandsTest, TransportButtonsReachThePlayer) {
    PlayAddress(window, "http://127.0.0.1:1/a.flv");
    movie.code = 3;
    state.shownState = PlayState::Playing;
    log.clear();
    units.stopButton->click();
    EXPECT_EQ(state.shownState, PlayState::Stopped);
    EXPECT_EQ(Entries(log, "flash stop").size(), 1u);

    const bool muted = player.muted;
    units.muteButton->click();
    EXPECT_NE(player.muted, muted);

    log.clear();
    units.playButton->click();  // the stopped medium starts again
    EXPECT_EQ(Entries(log, "flash restart").size(), 1u);
}

TEST_F(PlayCommandsTest, AboutShowsASmallBoxThatDoesNotBlock) {
    units.aboutButton->click();
    auto* box = window.findChild<QMessageBox*>(QStringLiteral("关于窗口"));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(box->text().contains(QStringLiteral("Lumora")));
    box->close();
    EXPECT_TRUE(WaitUntil([&] { return window.findChild<QMessageBox*>(QStringLiteral("关于窗口")) == nullptr; }, 2000));
}

}  // namespace
}  // namespace lumora
