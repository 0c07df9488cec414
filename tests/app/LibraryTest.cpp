// SPDX-License-Identifier: GPL-3.0-or-later
// The library in the window on a real SQLite file: a medium played before
// resumes with the notice and R starts it over, positions are written as it
// stops, rows and files go into the history with what they are, B marks the
// current row, recording turned off is remembered, and the two pages list,
// remove, clear and open their entries.
#include "app/LibraryCommands.h"
#include "app/LibraryPages.h"
#include "app/ListViews.h"
#include "app/PlayCommands.h"
#include "app/PlayHistory.h"
#include "app/QtText.h"
#include "app/Shortcuts.h"
#include "library/LibraryStore.h"

#include "WindowFixture.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lumora {
namespace {

using Kind = LibraryEntry::Kind;
using test::WaitUntil;

class LibraryTest : public test::WindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("data/lumora/library.sqlite"));
    }

    // Starts the library in the window; `seed` writes to the file first.
    void Start(const std::function<void(LibraryStore&)>& seed = {}) {
        if (seed) seed(*LibraryStore::Open(path));
        StartLibrary(window, path);
        ASSERT_NE(FindPlayHistory(window), nullptr);
    }

    LibraryStore& Store() { return FindPlayHistory(window)->Store(); }

    // The engine in use reports playing (or stopped) at `position` of
    // `duration` seconds.
    void Report(bool playing, double position, double duration = 150) {
        test::RecordingPlayer& active = state.mediaObject->ActivePlayer() == &movie ? movie : player;
        active.code = playing ? 3 : (&active == &movie ? 0 : 1);
        active.position = position;
        active.duration = duration;
        active.Tell();
    }

    // The seeks asked of either engine ("seek=50").
    std::vector<std::string> Seeks() const {
        std::vector<std::string> seeks;
        for (const std::string& entry : log)
            if (const auto at = entry.find(" seek="); at != std::string::npos) seeks.push_back(entry.substr(at + 1));
        return seeks;
    }

    // A catalogue row with its address known, selected.
    void AddRow(const QString& title, const QString& id, const QString& address) {
        auto* item = new QTreeWidgetItem(QStringList{title, id, address});
        units.catalogueList->addTopLevelItem(item);
        units.catalogueList->clearSelection();
        item->setSelected(true);
    }

    QTemporaryDir dir;
    QString path;
};

TEST_F(LibraryTest, ResumesAFilePlayedBeforeAndRStartsItOver) {
    const LibraryEntry film{Kind::File, QStringLiteral("/media/film.mp4"), QStringLiteral("film.mp4")};
    Start([&](LibraryStore& store) { store.RecordPosition(film, 50, 150); });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    PlayLocalFiles(window, {Text("/media/film.mp4")});
    ASSERT_EQ(Opened().back(), "/media/film.mp4");
    log.clear();
    Report(true, 0);  // loaded and playing, from the start
    EXPECT_EQ(Seeks(), std::vector<std::string>{"seek=50"});
    EXPECT_EQ(window.windowTitle(), QStringLiteral("从 00:50 继续播放，按 R 从头播放"));
    Report(true, 51);
    EXPECT_EQ(Seeks().size(), 1u) << "resumed once";

    QTest::keyClick(&window, Qt::Key_R);
    EXPECT_EQ(Seeks().back(), "seek=0");
    EXPECT_EQ(window.windowTitle(), QStringLiteral("从头播放"));
    EXPECT_EQ(Store().FindHistory(film)->position, 0);

    // The position where it stops is written at once.
    Report(true, 33);
    StopPlayback(window);
    Report(false, 0);
    EXPECT_EQ(Store().FindHistory(film)->position, 33);
    EXPECT_EQ(Store().FindHistory(film)->duration, 150);
}

TEST_F(LibraryTest, StartsFromTheBeginningNearEitherEnd) {
    const struct {
        double stored;
        bool resumes;
    } cases[] = {{5, false}, {141, false}, {139, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        QTemporaryDir own;
        path = own.filePath(QStringLiteral("library.sqlite"));
        const LibraryEntry clip{Kind::File, QStringLiteral("/media/clip.mp4"), {}};
        {
            const auto store = LibraryStore::Open(path);
            store->RecordPosition(clip, c.stored, 150);
        }
        state.library.reset();
        delete FindPlayHistory(window);
        Start();
        PlayLocalFiles(window, {Text("/media/clip.mp4")});
        log.clear();
        Report(true, 0);
        EXPECT_EQ(Seeks().size(), c.resumes ? 1u : 0u);
        Report(false, 0);
    }
}

TEST_F(LibraryTest, ARowGoesIntoTheHistoryWithItsIdAndBMarksIt) {
    Start();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    AddRow(QStringLiteral("第一个视频"), QStringLiteral("1001"), QStringLiteral("http://127.0.0.1:9/v/1001.mp4"));
    QTest::mouseDClick(units.catalogueList->viewport(), Qt::LeftButton, {},
                       units.catalogueList->visualItemRect(units.catalogueList->topLevelItem(0)).center());
    ASSERT_TRUE(WaitUntil([&] { return !Opened().empty(); }, 3000));
    Report(true, 2, 300);
    const auto history = Store().History();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].entry.kind, Kind::Row);
    EXPECT_EQ(history[0].entry.reference, QStringLiteral("1001"));
    EXPECT_EQ(history[0].entry.title, QStringLiteral("第一个视频"));

    const LibraryEntry row{Kind::Row, QStringLiteral("1001"), QStringLiteral("第一个视频")};
    QTest::keyClick(&window, Qt::Key_B);
    EXPECT_TRUE(Store().IsFavourite(row));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("已收藏：第一个视频"));
    // The menu command shows the mark and takes it off again.
    auto* command = units.fileMenu->findChild<QAction*>(QStringLiteral("收藏命令"));
    ASSERT_NE(command, nullptr);
    emit units.fileMenu->aboutToShow();
    EXPECT_TRUE(command->isChecked());
    command->trigger();
    EXPECT_FALSE(Store().IsFavourite(row));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("已取消收藏：第一个视频"));

    int listed = 0;
    for (const ShortcutHelp& help : ShortcutList()) listed += help.keys == QStringLiteral("B") || help.keys == QStringLiteral("R");
    EXPECT_EQ(listed, 2) << "the about box lists both keys";
}

TEST_F(LibraryTest, RecordingTurnedOffWritesNothingAndIsRemembered) {
    Start();
    auto* toggle = units.fileMenu->findChild<QAction*>(QStringLiteral("记录播放历史"));
    ASSERT_NE(toggle, nullptr);
    EXPECT_TRUE(toggle->isChecked());
    toggle->trigger();
    EXPECT_FALSE(toggle->isChecked());
    PlayLocalFiles(window, {Text("/media/a.mp4")});
    Report(true, 0);
    Report(true, 60);
    Report(false, 0);
    EXPECT_TRUE(Store().History().empty());
    EXPECT_FALSE(LibraryStore::Open(path)->RecordingEnabled());
}

TEST_F(LibraryTest, PagesListRemoveClearAndOpenTheirEntries) {
    const LibraryEntry a{Kind::File, QStringLiteral("/media/a.mp4"), QStringLiteral("a.mp4")};
    const LibraryEntry b{Kind::Address, QStringLiteral("http://127.0.0.1:9/b.mp4"), QString()};
    Start([&](LibraryStore& store) {
        store.RecordPosition(a, 12, 100);
        store.RecordPosition(b, 30, 0);
        store.SetFavourite(a, true);
    });
    QWidget host;
    const LibraryPageSet pages = MakeLibraryPages(window, &host);
    ASSERT_NE(pages.recent, nullptr);
    ASSERT_NE(pages.favourites, nullptr);
    QTreeWidget* recent = pages.recent->List();
    ASSERT_EQ(recent->topLevelItemCount(), 2);
    EXPECT_EQ(recent->topLevelItem(0)->text(0), b.reference);  // newest first; no title: the address
    EXPECT_EQ(recent->topLevelItem(1)->text(0), QStringLiteral("a.mp4"));
    EXPECT_EQ(recent->topLevelItem(1)->text(1), QStringLiteral("00:12 / 01:40"));
    ASSERT_EQ(pages.favourites->List()->topLevelItemCount(), 1);

    // A double-click opens the entry as the file dialog's file plays.
    auto* layout = new QVBoxLayout(&host);
    layout->addWidget(pages.recent);
    layout->addWidget(pages.favourites);
    host.resize(500, 400);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    ASSERT_EQ(recent->topLevelItemCount(), 2);
    log.clear();
    const QPoint second = recent->visualItemRect(recent->topLevelItem(1)).center();
    QTest::mouseClick(recent->viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(recent->viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(Opened(), std::vector<std::string>{"/media/a.mp4"});


    recent->clearSelection();
    recent->topLevelItem(0)->setSelected(true);
    pages.recent->RemoveButton()->click();
    ASSERT_EQ(recent->topLevelItemCount(), 1);
    EXPECT_FALSE(Store().FindHistory(b));
    pages.recent->ClearButton()->click();
    EXPECT_EQ(recent->topLevelItemCount(), 0);
    EXPECT_TRUE(Store().History().empty());
    EXPECT_EQ(pages.favourites->List()->topLevelItemCount(), 1) << "the favourites stay";

    pages.favourites->List()->topLevelItem(0)->setSelected(true);
    pages.favourites->RemoveButton()->click();
    EXPECT_EQ(pages.favourites->List()->topLevelItemCount(), 0);
    EXPECT_TRUE(Store().Favourites().empty());
}

TEST_F(LibraryTest, TheListViewsShowTheHistoryAndTheFavourites) {
    const LibraryEntry a{Kind::File, QStringLiteral("/media/a.mp4"), QStringLiteral("a.mp4")};
    Start([&](LibraryStore& store) { store.RecordPosition(a, 12, 100); });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // The menu command switches the list to its view, the history in it.
    auto* command = units.fileMenu->findChild<QAction*>(QStringLiteral("最近播放命令"));
    ASSERT_NE(command, nullptr);
    command->trigger();
    EXPECT_EQ(CurrentListView(window), ListView::Recent);
    auto* recent = window.findChild<RecentPage*>();
    ASSERT_NE(recent, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return recent->isVisible(); }));
    EXPECT_FALSE(units.catalogueList->isVisible());
    ASSERT_EQ(recent->List()->topLevelItemCount(), 1);
    EXPECT_EQ(recent->List()->topLevelItem(0)->text(0), QStringLiteral("a.mp4"));
    EXPECT_EQ(recent->window(), &window) << "a view of the list, no window of its own";

    // B on what plays marks it; the favourites view lists it.
    PlayLocalFiles(window, {Text("/media/a.mp4")});
    Report(true, 0);
    QTest::keyClick(&window, Qt::Key_B);
    units.fileMenu->findChild<QAction*>(QStringLiteral("收藏夹命令"))->trigger();
    EXPECT_EQ(CurrentListView(window), ListView::Favourites);
    auto* favourites = window.findChild<FavouritesPage*>();
    ASSERT_NE(favourites, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return favourites->isVisible(); }));
    ASSERT_EQ(favourites->List()->topLevelItemCount(), 1);
    EXPECT_FALSE(recent->isVisible());

    ShowListView(window, ListView::Catalogue);
    EXPECT_TRUE(units.catalogueList->isVisible());
}

}  // namespace
}  // namespace lumora
