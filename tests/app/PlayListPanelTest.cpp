// SPDX-License-Identifier: GPL-3.0-or-later
// The play list as the user sees and edits it (the panel over the picture,
// the keys that step through it), the track submenus and the messages on
// the picture, on the offscreen platform with recording players.
#include "app/OnScreenDisplay.h"
#include "app/PlayCommands.h"
#include "app/PlayListPanel.h"
#include "app/Shortcuts.h"
#include "app/TrackMenu.h"

#include "WindowFixture.h"

#include <QMenu>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <cmath>
#include <limits>

namespace lumora {
namespace {

using test::Entries;
using test::RecordingPlayer;
using test::WaitUntil;
using test::WindowTest;

class PlayListTest : public WindowTest {
protected:
    MediaFront& Front() { return *state.mediaObject; }
    PlayListPanel& Panel() { return *PlayListPanelOf(window); }

    void PlayFiles(std::initializer_list<const char*> files) {
        std::vector<Text> list;
        for (const char* file : files) list.push_back(Text::FromUtf8(file));
        PlayLocalFiles(window, list);
    }
    std::vector<std::string> Items() {
        std::vector<std::string> items;
        for (const Text& item : Front().PlaylistItems()) items.push_back(item.ToUtf8());
        return items;
    }
    std::vector<QString> Rows() {
        Panel().Refresh();
        std::vector<QString> rows;
        for (int i = 0; i < Panel().count(); ++i) rows.push_back(Panel().item(i)->text());
        return rows;
    }
    // The player the medium went to, as the one that plays.
    RecordingPlayer& Active() { return Front().ActivePlayer() == &movie ? movie : player; }
    void Loaded(RecordingPlayer& p) {
        p.code = 3;  // playing in either numbering
        p.Tell();
    }
    std::vector<std::string> Osd() {
        std::vector<std::string> shown;
        for (const std::string& entry : log)
            if (const auto at = entry.find(" osd="); at != std::string::npos) shown.push_back(entry.substr(at + 5));
        return shown;
    }
};

TEST_F(PlayListTest, FilesPlayInTheOrderGivenAndThePanelListsThem) {
    PlayFiles({"/m/c.mp4", "/m/a.mp4", "/m/b 2.mp4"});
    EXPECT_EQ(Opened(), std::vector<std::string>{"/m/c.mp4"});
    EXPECT_EQ(Rows(), (std::vector<QString>{QStringLiteral("▶ c.mp4"), QStringLiteral("a.mp4"), QStringLiteral("b 2.mp4")}));
    EXPECT_EQ(Panel().item(0)->toolTip(), QStringLiteral("/m/c.mp4"));

    // A single address is no list: the panel is empty.
    PlayAddress(window, "http://127.0.0.1:1/one.flv");
    EXPECT_TRUE(Rows().empty());
}

TEST_F(PlayListTest, ShownAndHiddenWithOneSignalPerChange) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QSignalSpy changes(&window, &MainWindow::PlayListShownChanged);
    EXPECT_FALSE(window.PlayListShown());
    window.SetPlayListShown(true);
    window.SetPlayListShown(true);
    EXPECT_TRUE(window.PlayListShown());
    EXPECT_TRUE(Panel().isVisible());
    // Over the right side of the picture, its whole height.
    const QRect area = units.videoArea->geometry();
    EXPECT_EQ(Panel().geometry().right(), area.right());
    EXPECT_EQ(Panel().geometry().top(), area.top());
    EXPECT_EQ(Panel().height(), area.height());
    EXPECT_LE(Panel().width(), area.width() / 2);
    window.resize(900, 700);
    EXPECT_TRUE(WaitUntil([&] { return Panel().height() == units.videoArea->height(); }, 2000));
    window.SetPlayListShown(false);
    EXPECT_FALSE(window.PlayListShown());
    ASSERT_EQ(changes.size(), 2);
    EXPECT_EQ(changes[0][0].toBool(), true);
    EXPECT_EQ(changes[1][0].toBool(), false);
}

TEST_F(PlayListTest, EditsKeepWhatPlays) {
    struct Case {
        const char* what;
        std::function<bool(MediaFront&)> edit;
        bool done;
        std::vector<std::string> items;
        int index;
        std::vector<std::string> opened;  // after the edit
        int playingFrom = 2;              // the item playing before it
    };
    const std::vector<Case> cases = {
        {"last to first", [](MediaFront& f) { return f.MovePlaylistItem(4, 1); }, true, {"/m/d", "/m/a", "/m/b", "/m/c"}, 3, {}},
        {"playing to last", [](MediaFront& f) { return f.MovePlaylistItem(2, 4); }, true, {"/m/a", "/m/c", "/m/d", "/m/b"}, 4, {}},
        {"first past playing", [](MediaFront& f) { return f.MovePlaylistItem(1, 3); }, true, {"/m/b", "/m/c", "/m/a", "/m/d"}, 1, {}},
        {"behind playing", [](MediaFront& f) { return f.MovePlaylistItem(3, 4); }, true, {"/m/a", "/m/b", "/m/d", "/m/c"}, 2, {}},
        {"remove before", [](MediaFront& f) { return f.RemovePlaylistItem(1); }, true, {"/m/b", "/m/c", "/m/d"}, 1, {}},
        {"remove after", [](MediaFront& f) { return f.RemovePlaylistItem(3); }, true, {"/m/a", "/m/b", "/m/d"}, 2, {}},
        {"remove playing: the next plays", [](MediaFront& f) { return f.RemovePlaylistItem(2); }, true,
         {"/m/a", "/m/c", "/m/d"}, 2, {"/m/c"}},
        {"remove the last, playing: stops", [](MediaFront& f) { return f.RemovePlaylistItem(4); }, true,
         {"/m/a", "/m/b", "/m/c"}, 3, {}, 4},
        {"remove none", [](MediaFront& f) { return f.RemovePlaylistItem(0); }, false, {"/m/a", "/m/b", "/m/c", "/m/d"}, 2, {}},
        {"remove past the end", [](MediaFront& f) { return f.RemovePlaylistItem(5); }, false, {"/m/a", "/m/b", "/m/c", "/m/d"}, 2, {}},
        {"move from none", [](MediaFront& f) { return f.MovePlaylistItem(0, 1); }, false, {"/m/a", "/m/b", "/m/c", "/m/d"}, 2, {}},
        {"move past the end", [](MediaFront& f) { return f.MovePlaylistItem(1, 5); }, false, {"/m/a", "/m/b", "/m/c", "/m/d"}, 2, {}},
        {"play past the end", [](MediaFront& f) { return f.PlayPlaylistItem(5); }, false, {"/m/a", "/m/b", "/m/c", "/m/d"}, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlayFiles({"/m/a", "/m/b", "/m/c", "/m/d"});
        ASSERT_TRUE(Front().PlayPlaylistItem(c.playingFrom));
        Loaded(Active());
        log.clear();
        EXPECT_EQ(c.edit(Front()), c.done);
        EXPECT_EQ(Items(), c.items);
        EXPECT_EQ(Front().PlaylistItemPlaying(), c.index);
        EXPECT_EQ(Opened(), c.opened);
        // The panel marks the item now marked in the list.
        const std::vector<QString> rows = Rows();
        ASSERT_EQ(rows.size(), c.items.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(rows[i].startsWith(QStringLiteral("▶ ")), int(i) + 1 == c.index) << i;
    }
    // Taking out the only item empties the list.
    PlayFiles({"/m/a"});
    EXPECT_TRUE(Front().RemovePlaylistItem(1));
    EXPECT_TRUE(Items().empty());
    EXPECT_EQ(Front().PlaylistItemPlaying(), 0);
    EXPECT_TRUE(Rows().empty());
}

TEST_F(PlayListTest, ThePanelPlaysRemovesAndMovesItems) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.SetPlayListShown(true);
    PlayFiles({"/m/a.mp4", "/m/b.mp4", "/m/c.mp4"});
    Rows();
    // Enter plays the current row.
    Panel().setFocus();
    Panel().setCurrentRow(2);
    log.clear();
    QTest::keyClick(&Panel(), Qt::Key_Return);
    EXPECT_EQ(Opened(), std::vector<std::string>{"/m/c.mp4"});
    // Delete takes the current row out.
    Panel().setCurrentRow(0);
    QTest::keyClick(&Panel(), Qt::Key_Delete);
    EXPECT_EQ(Items(), (std::vector<std::string>{"/m/b.mp4", "/m/c.mp4"}));
    EXPECT_EQ(Rows(), (std::vector<QString>{QStringLiteral("b.mp4"), QStringLiteral("▶ c.mp4")}));
    // A row dropped elsewhere (as dragging moves it in the view's model).
    ASSERT_TRUE(Panel().model()->moveRow(QModelIndex(), 1, QModelIndex(), 0));
    EXPECT_EQ(Items(), (std::vector<std::string>{"/m/c.mp4", "/m/b.mp4"}));
    EXPECT_EQ(Front().PlaylistItemPlaying(), 1);
    EXPECT_EQ(Rows(), (std::vector<QString>{QStringLiteral("▶ c.mp4"), QStringLiteral("b.mp4")}));
    // The panel keeps ↑ and ↓ for its rows: the volume stays.
    const int volume = units.volumeSlider->value();
    QTest::keyClick(&Panel(), Qt::Key_Down);
    EXPECT_EQ(Panel().currentRow(), 1);
    EXPECT_EQ(units.volumeSlider->value(), volume);
}

TEST_F(PlayListTest, StepsGoThroughTheListWithoutWrapping) {
    PlayFiles({"/m/a.mp4", "/m/b.mp4", "/m/c.mp4"});
    log.clear();
    EXPECT_FALSE(StepPlayList(window, -1));
    EXPECT_TRUE(StepPlayList(window, 1));
    EXPECT_TRUE(StepChapterOrItem(window, 1));  // no chapters: the next item
    EXPECT_FALSE(StepPlayList(window, 1));
    EXPECT_TRUE(StepChapterOrItem(window, -1));
    EXPECT_EQ(Opened(), (std::vector<std::string>{"/m/b.mp4", "/m/c.mp4", "/m/b.mp4"}));

    // With chapters, PgDn goes to the next chapter and says which.
    RecordingPlayer& p = Active();
    p.chapters = {{0, "One"}, {2, "Two"}};
    p.chapter = 0;
    Loaded(p);
    log.clear();
    EXPECT_TRUE(StepChapterOrItem(window, 1));
    EXPECT_TRUE(Opened().empty());
    EXPECT_FALSE(Entries(log, p.Name() + " chapter=1").empty());
    EXPECT_EQ(Osd(), std::vector<std::string>{"章节：2/2 Two for 1500"});
}

TEST_F(PlayListTest, TrackMenusListTheStreamsAndChooseOne) {
    // Nothing loaded: both are there, disabled.
    QMenu* audio = units.fileMenu->findChild<QMenu*>(QStringLiteral("音轨"));
    QMenu* subtitles = units.fileMenu->findChild<QMenu*>(QStringLiteral("字幕轨"));
    ASSERT_NE(audio, nullptr);
    ASSERT_NE(subtitles, nullptr);
    FillTrackMenu(window, *audio, MediaTrack::Kind::Audio);
    EXPECT_FALSE(audio->isEnabled());

    PlayFiles({"/m/tracks.mkv"});
    RecordingPlayer& p = Active();
    const auto track = [](MediaTrack::Kind kind, int id, const char* title, const char* language, bool selected) {
        MediaTrack t;
        t.kind = kind;
        t.id = id;
        t.title = title;
        t.language = language;
        t.selected = selected;
        return t;
    };
    p.tracks = {track(MediaTrack::Kind::Video, 1, "", "", true),
                track(MediaTrack::Kind::Audio, 1, "Low", "eng", true),
                track(MediaTrack::Kind::Audio, 2, "High", "chi", false),
                track(MediaTrack::Kind::Subtitle, 1, "", "zh", false)};
    Loaded(p);

    struct Case {
        QMenu* menu;
        MediaTrack::Kind kind;
        std::vector<QString> names;
        std::vector<bool> checked;
        int chosen;
        std::string sent;
        std::string osd;
    };
    const std::vector<Case> cases = {
        {audio, MediaTrack::Kind::Audio, {QStringLiteral("1: Low [eng]"), QStringLiteral("2: High [chi]")}, {true, false},
         1, " track audio=2", "音轨：2: High [chi] for 1500"},
        {subtitles, MediaTrack::Kind::Subtitle, {QStringLiteral("关闭"), QStringLiteral("1: [zh]")}, {true, false}, 1,
         " track sub=1", "字幕：1: [zh] for 1500"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sent);
        FillTrackMenu(window, *c.menu, c.kind);
        EXPECT_TRUE(c.menu->isEnabled());
        std::vector<QString> names;
        std::vector<bool> checked;
        for (QAction* action : c.menu->actions()) {
            names.push_back(action->text());
            checked.push_back(action->isChecked());
        }
        EXPECT_EQ(names, c.names);
        EXPECT_EQ(checked, c.checked);
        log.clear();
        c.menu->actions()[c.chosen]->trigger();
        EXPECT_EQ(Entries(log, p.Name() + c.sent).size(), 1u);
        EXPECT_EQ(Osd(), std::vector<std::string>{c.osd});
    }
}

TEST_F(PlayListTest, MessagesFollowWhatTheUserChanges) {
    PlayFiles({"/m/a.mp4"});
    RecordingPlayer& p = Active();
    p.duration = 150;
    p.position = 10;
    Loaded(p);
    state.shownState = PlayState::Playing;
    QCoreApplication::processEvents();
    log.clear();

    SeekBy(window, 5);
    units.volumeSlider->setValue(30);
    ToggleMute(window);
    p.speed = 1.5;
    p.Tell();
    EXPECT_TRUE(WaitUntil([&] { return Osd().size() >= 4; }, 2000));
    EXPECT_EQ(Osd(), (std::vector<std::string>{"00:00:15 / 00:02:30 for 1500", "音量：30% for 1500",
                                               "静音 for 1500", "播放速度：1.5x for 1500"}));

    // A new medium is no change of the user's: it says nothing.
    PlayFiles({"/m/b.mp4"});
    RecordingPlayer& next = Active();
    next.speed = 0.5;
    Loaded(next);
    QCoreApplication::processEvents();
    log.clear();
    next.Tell();
    QCoreApplication::processEvents();
    EXPECT_TRUE(Osd().empty());

    // Nothing loaded: nothing shown.
    next.code = 0;
    log.clear();
    ShowOsd(window, QStringLiteral("x"));
    EXPECT_TRUE(Osd().empty());
}

TEST(OsdTexts, SeekAndSpeed) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double position, duration;
        const char* text;
    };
    for (const Case& c : std::vector<Case>{{0, 0, "00:00:00"},
                                           {65, 3600, "00:01:05 / 01:00:00"},
                                           {200, 150, "00:02:30 / 00:02:30"},
                                           {nan, 10, "00:00:00 / 00:00:10"},
                                           {-3, 10, "00:00:00 / 00:00:10"},
                                           {12.9, nan, "00:00:12"}})
        EXPECT_EQ(SeekOsdText(c.position, c.duration).toStdString(), c.text) << c.position << " " << c.duration;
    EXPECT_EQ(SpeedOsdText(1).toStdString(), "播放速度：1x");
    EXPECT_EQ(SpeedOsdText(0.91).toStdString(), "播放速度：0.91x");
}

}  // namespace
}  // namespace lumora
