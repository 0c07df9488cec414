// SPDX-License-Identifier: GPL-3.0-or-later
// The status bar says what is true: the programme line names what plays
// (however it was started, whatever row the user looks at now), a stop from
// the menu shows as stopped, and a failed play keeps no time of the medium
// before it.
#include "app/CatalogueView.h"
#include "app/FileDialog.h"
#include "app/OpenAddressWindow.h"
#include "app/PlayCommands.h"
#include "app/QtText.h"
#include "app/StatusBarUnit.h"
#include "app/StatusDisplay.h"
#include "app/TimerInterval.h"

#include "WindowFixture.h"

#include <QAction>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <optional>

namespace lumora {
namespace {

using test::WaitUntil;
using test::WindowTest;

class StatusTextsTest : public WindowTest {
public:  // the case tables below call these
    StatusTextsTest() {
        for (const auto& [title, address] :
             {std::pair{"第一集", "http://127.0.0.1:1/v/one.mp4"}, std::pair{"第二集", "http://127.0.0.1:1/v/two.mp4"}})
            new QTreeWidgetItem(units.catalogueList,
                                {QString::fromUtf8(title), QStringLiteral("1"), QString::fromUtf8(address)});
        state.openDialog->SetAnswer([this](QFileDialog&) -> std::optional<QStringList> {
            if (chosen.isEmpty()) return std::nullopt;
            return QStringList{chosen};
        });
    }

    QString Section(int section) const { return units.statusBar->SectionText(section); }
    QTreeWidgetItem* Row(int row) const { return units.catalogueList->topLevelItem(row); }

    // Waits for the delayed play; then the engine plays, fully buffered, and
    // the display has shown it.
    void PlaysAfterTheDelay() {
        const std::size_t before = Opened().size();
        ASSERT_TRUE(WaitUntil([&] { return Opened().size() > before; }));
        ShowsPlaying();
    }
    void ShowsPlaying(int duration = 3725, int position = 100) {
        movie.code = 3; movie.Tell();
        movie.buffer = 100;
        movie.duration = duration;
        movie.position = position;
        PollPlayState(state, units, window);
        RefreshPosition(state, units, window);
    }
    std::string Programme() const { return Section(0).toStdString(); }

    void PlayRowFromTheMenu(int row) {
        units.catalogueList->setCurrentItem(Row(row));
        units.playAction->trigger();
        PlaysAfterTheDelay();
    }
    void PlayLocalFile(const QString& path) {
        chosen = path;
        units.openLocalFileAction->trigger();
        ShowsPlaying();
    }
    void PlayTyped(const QString& address) {
        OpenAddressWindow& dialog = *units.openAddressWindow;
        QTimer::singleShot(0, &dialog, [&dialog, address] {
            dialog.AddressEdit()->setText(address);
            dialog.PlayButton()->click();
        });
        units.openNetworkFileAction->trigger();
        PlaysAfterTheDelay();
    }
    void PlayHandedOver(const QString& address) {
        PlayTypedAddress(window, FromQString(address));
        PlaysAfterTheDelay();
    }

    QString chosen;  // the file dialog's answer; empty: cancelled
};

TEST_F(StatusTextsTest, TheProgrammeLineNamesWhatPlaysNotWhatPlayedBefore) {
    struct Case {
        const char* name;
        std::function<void(StatusTextsTest&)> before, now;
        const char* programme;
    };
    const auto row = [](StatusTextsTest& t) { t.PlayRowFromTheMenu(0); };
    const auto local = [](StatusTextsTest& t) { t.PlayLocalFile(QStringLiteral("/m/旧的.mp4")); };
    const auto typed = [](StatusTextsTest& t) { t.PlayTyped(QStringLiteral("http://127.0.0.1:1/v/打进来的.mp4")); };
    const auto handed = [](StatusTextsTest& t) {
        t.PlayHandedOver(QStringLiteral("http://127.0.0.1:1/v/交过来的.flv"));
    };
    const std::vector<Case> cases = {
        {"typed after a local file", local, typed, "正在播放的节目：打进来的"},
        {"typed after a row", row, typed, "正在播放的节目：打进来的"},
        {"handed over after a local file", local, handed, "正在播放的节目：交过来的"},
        {"handed over after a row", row, handed, "正在播放的节目：交过来的"},
        {"a local file after a typed address", typed,
         [](StatusTextsTest& t) { t.PlayLocalFile(QStringLiteral("/m/新的.mp4")); }, "正在播放的节目：新的.mp4"},
        {"a row after a local file", local, row, "正在播放的节目：第一集"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.before(*this);
        c.now(*this);
        EXPECT_EQ(Programme(), c.programme);
    }
}

// A row's double-click or menu play names it in the window title; whatever
// the user plays next by other ways takes that name away again (and names
// itself once it plays).
TEST_F(StatusTextsTest, TheWindowTitleNamesNoRowOnceSomethingElsePlays) {
    const std::vector<std::pair<const char*, std::function<void(StatusTextsTest&)>>> cases = {
        {"typed", [](StatusTextsTest& t) { t.PlayTyped(QStringLiteral("http://127.0.0.1:1/v/打进来的.mp4")); }},
        {"handed over",
         [](StatusTextsTest& t) { t.PlayHandedOver(QStringLiteral("http://127.0.0.1:1/v/交过来的.flv")); }},
        {"a local file", [](StatusTextsTest& t) { t.PlayLocalFile(QStringLiteral("/m/本地的.mp4")); }},
    };
    for (const auto& [name, play] : cases) {
        SCOPED_TRACE(name);
        PlayRowFromTheMenu(0);
        ASSERT_EQ(window.windowTitle().toStdString(), "Lumora视频播放器：第一集");
        play(*this);
        EXPECT_TRUE(window.windowTitle().startsWith(QStringLiteral("Lumora视频播放器")));
        EXPECT_FALSE(window.windowTitle().contains(QStringLiteral("第一集"))) << window.windowTitle().toStdString();
    }
    // Any other title (a download's progress or outcome) stays.
    window.setWindowTitle(QStringLiteral("下载成功"));
    PlayHandedOver(QStringLiteral("http://127.0.0.1:1/v/再来的.flv"));
    EXPECT_EQ(window.windowTitle().toStdString(), "下载成功");
}

// Several files play as a list, one after the other: the line names the one
// that plays, not the last of the list.
TEST_F(StatusTextsTest, TheProgrammeLineNamesTheFileOfAListThatPlays) {
    state.openDialog->SetAnswer([](QFileDialog&) -> std::optional<QStringList> {
        return QStringList{QStringLiteral("/m/第一个.mp4"), QStringLiteral("/m/第二个.mp4"),
                           QStringLiteral("/m/第三个.mp4")};
    });
    units.openLocalFileAction->trigger();
    ShowsPlaying();
    EXPECT_EQ(Programme(), "正在播放的节目：第一个.mp4");
    for (const char* next : {"正在播放的节目：第二个.mp4", "正在播放的节目：第三个.mp4"}) {
        state.mediaObject->Next();
        ShowsPlaying();
        EXPECT_EQ(Programme(), next);
    }
}

TEST_F(StatusTextsTest, TheProgrammeLineTakesTheSelectedRowNotTheFocusedOne) {
    units.catalogueList->setCurrentItem(Row(0));
    // The keyboard focus moves on to the next row; the selection stays.
    units.catalogueList->selectionModel()->setCurrentIndex(units.catalogueList->model()->index(1, 0),
                                                           QItemSelectionModel::NoUpdate);
    ASSERT_EQ(units.catalogueList->currentItem(), Row(1));
    ASSERT_EQ(CurrentRow(*units.catalogueList), 0);
    units.playAction->trigger();
    PlaysAfterTheDelay();
    EXPECT_EQ(Opened().back(), "http://127.0.0.1:1/v/one.mp4");
    EXPECT_EQ(Programme(), "正在播放的节目：第一集");
}

TEST_F(StatusTextsTest, ClickingAnotherRowWhileSomethingPlaysKeepsTheProgrammeLine) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    PlayRowFromTheMenu(0);
    const QPoint second = units.catalogueList->visualItemRect(Row(1)).center();
    QTest::mouseClick(units.catalogueList->viewport(), Qt::LeftButton, {}, second);
    ASSERT_EQ(CurrentRow(*units.catalogueList), 1);
    RefreshPosition(state, units, window);
    EXPECT_EQ(Programme(), "正在播放的节目：第一集");
}

// The open commands stop playback only once something is chosen: cancelled,
// the programme still shows with its controls.
TEST_F(StatusTextsTest, ACancelledOpenCommandLeavesPlaybackShown) {
    state.followingPlayState = true;  // something played before
    struct Case {
        const char* name;
        std::function<void()> command;
    };
    const std::vector<Case> cases = {
        {"open local file, cancelled",
         [this] {
             chosen.clear();
             units.openLocalFileAction->trigger();
         }},
        {"open network file, nothing typed",
         [this] {
             QTimer::singleShot(0, units.openAddressWindow, [this] { units.openAddressWindow->close(); });
             units.openNetworkFileAction->trigger();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.shownState = PlayState::Stopped;
        ShowsPlaying();
        ASSERT_EQ(Section(0), QStringLiteral("正在播放的节目："));
        ASSERT_TRUE(units.stopButton->isEnabled());
        c.command();
        QTest::qWait(200);
        EXPECT_EQ(Section(0), QStringLiteral("正在播放的节目：")) << Programme();
        EXPECT_TRUE(units.stopButton->isEnabled());
        EXPECT_TRUE(units.fullScreenButton->isEnabled());
        EXPECT_TRUE(units.muteButton->isEnabled());
    }
}

TEST_F(StatusTextsTest, AFailedPlayKeepsNoTimeOfTheMediumBefore) {
    PlayRowFromTheMenu(0);
    ASSERT_EQ(Section(3), QStringLiteral("00:01:40/01:02:05"));
    ASSERT_TRUE(units.positionTimer->isActive());

    PlayAddress(window, "http://127.0.0.1:1/v/broken.mp4");
    movie.code = 5; movie.Tell();  // the new medium fails; the engine still holds the old times
    PollPlayState(state, units, window);
    EXPECT_EQ(Section(0), QStringLiteral("播放失败,已准备就绪."));
    EXPECT_EQ(Section(3), QStringLiteral("00:00:00/00:00:00"));
    EXPECT_FALSE(units.progressSlider->isEnabled());
    // A position refresh still due keeps it so.
    RefreshPosition(state, units, window);
    EXPECT_EQ(Section(3), QStringLiteral("00:00:00/00:00:00"));
}

}  // namespace
}  // namespace lumora
