// SPDX-License-Identifier: GPL-3.0-or-later
// What the window does beyond its units' own handlers: the volume file kept
// across starts, the mute button's look, the progress bar that jumps where
// clicked, drops, cut titles shown whole, Qt's Chinese texts, the about
// box's keys and version, the speed steps. The keys themselves are checked
// on the real program under Xvfb (desktop-keys.sh).
#include "app/CatalogueView.h"
#include "app/DropTarget.h"
#include "app/PlayCommands.h"
#include "app/PlaybackTweaks.h"
#include "app/QtText.h"
#include "app/QtTranslations.h"
#include "app/StatusBarUnit.h"
#include "app/UnitManners.h"
#include "app/VolumeMemory.h"
#include "base/Config.h"
#include "base/Version.h"

#include "WindowFixture.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <QWheelEvent>

#include <sys/stat.h>

namespace lumora {
namespace {

using test::Entries;
using test::WaitUntil;
using test::WindowTest;

TEST(VolumeSettingTest, FileTextGivesTheSettingOrTheDefaults) {
    const VolumeSetting defaults{45, false};
    const struct {
        const char* text;
        VolumeSetting expected;
    } cases[] = {
        {"", defaults},
        {"volume=30\nmute=1\n", {30, true}},
        {"mute=0\nvolume=0", {0, false}},
        {"volume=100\r\nmute=1\r\n", {100, true}},
        {"  volume = 7 \n\n", {7, false}},
        {"volume=101\nmute=1\n", defaults},
        {"volume=-1\n", defaults},
        {"volume=30\nmute=yes\n", defaults},
        {"volume=30\nvolume=40\n", defaults},
        {"volume=30\ncolour=red\n", defaults},
        {"volume\n", defaults},
        {"\x89PNG\r\n\x1a\n", defaults},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseVolumeSetting(QByteArray(c.text)), c.expected) << c.text;
}

TEST(VolumeSettingTest, FilesRoundTripAndBadFilesGiveTheDefaults) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config/lumora/volume"));
    EXPECT_EQ(ReadVolumeSetting(path), VolumeSetting{}) << "missing";
    ASSERT_TRUE(WriteVolumeSetting(path, {12, true}));
    EXPECT_EQ(ReadVolumeSetting(path), (VolumeSetting{12, true}));

    QFile big(path);
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write("volume=12\n" + QByteArray(1000, '\n'));
    big.close();
    EXPECT_EQ(ReadVolumeSetting(path), VolumeSetting{}) << "too large to be ours";
    EXPECT_EQ(ReadVolumeSetting(dir.path()), VolumeSetting{}) << "a folder";
}

// The volume file is replaced beside itself, never through a link and never
// when it is not a regular file: what a link points to stays as it was.
TEST(VolumeSettingTest, NeverWritesThroughALinkOrIntoAnythingButAFile) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("target"));
    {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("someone else's\n");
    }
    const QString link = dir.filePath(QStringLiteral("link/volume"));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("link"))));
    ASSERT_TRUE(QFile::link(target, link));
    EXPECT_FALSE(WriteVolumeSetting(link, {12, true}));
    QFile kept(target);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("someone else's\n"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());

    const QString folder = dir.filePath(QStringLiteral("folder/volume"));
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_FALSE(WriteVolumeSetting(folder, {12, true}));
    EXPECT_TRUE(QFileInfo(folder).isDir());

    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(WriteVolumeSetting(fifo, {12, true}));

    const QString plain = dir.filePath(QStringLiteral("plain/volume"));
    EXPECT_TRUE(WriteVolumeSetting(plain, {12, true}));  // missing: made
    EXPECT_TRUE(WriteVolumeSetting(plain, {13, false}));  // ours: replaced
    EXPECT_EQ(ReadVolumeSetting(plain), (VolumeSetting{13, false}));
}

class DesktopMannersTest : public WindowTest {
protected:
    QTemporaryDir dir;
};

TEST_F(DesktopMannersTest, VolumeAndMuteAreRestoredAndEveryChangeIsWritten) {
    const QString path = dir.filePath(QStringLiteral("lumora/volume"));
    ASSERT_TRUE(WriteVolumeSetting(path, {70, true}));
    const VolumeSetting remembered = RestoreVolume(window, path);
    EXPECT_EQ(units.volumeSlider->value(), 70);
    EXPECT_TRUE(Entries(log, "player volume").empty()) << "applied by the first play, not before";
    StartVolumeMemory(window, remembered, path);
    EXPECT_TRUE(state.mediaObject->Muted());
    EXPECT_TRUE(units.muteButton->isChecked());

    units.muteButton->click();
    EXPECT_FALSE(state.mediaObject->Muted());
    units.volumeSlider->setValue(25);
    ASSERT_TRUE(WaitUntil([&] { return ReadVolumeSetting(path) == VolumeSetting{25, false}; }, 3000));
    units.muteButton->click();
    ASSERT_TRUE(WaitUntil([&] { return ReadVolumeSetting(path) == VolumeSetting{25, true}; }, 3000));
}

TEST_F(DesktopMannersTest, MuteButtonShowsTheMuteWhichHoldsAcrossPlays) {
    EXPECT_TRUE(units.muteButton->isCheckable());
    EXPECT_EQ(units.muteButton->text(), QStringLiteral("静音"));
    units.muteButton->click();
    EXPECT_TRUE(units.muteButton->isChecked());
    EXPECT_TRUE(state.mediaObject->Muted());

    log.clear();
    PlayAddress(window, Text("/media/a.mp4"));
    EXPECT_TRUE(state.mediaObject->Muted()) << "a new medium stays muted";
    EXPECT_TRUE(units.muteButton->isChecked());
    ASSERT_FALSE(Entries(log, "player mute").empty());
    EXPECT_EQ(Entries(log, "player mute").back(), "player mute=1");

    // Moving the volume unmutes, and the button says so.
    units.volumeSlider->setValue(units.volumeSlider->value() + 5);
    EXPECT_FALSE(state.mediaObject->Muted());
    EXPECT_FALSE(units.muteButton->isChecked());
}

TEST_F(DesktopMannersTest, ClickOnTheProgressBarJumpsThereAndSeeksOnRelease) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QSlider* bar = units.progressSlider;
    bar->setEnabled(true);
    bar->setRange(0, 100);
    bar->setValue(10);
    log.clear();

    const QPoint at(bar->width() * 3 / 4, bar->height() / 2);
    QTest::mousePress(bar, Qt::LeftButton, {}, at);
    EXPECT_GE(bar->value(), 70);
    EXPECT_LE(bar->value(), 80);
    EXPECT_TRUE(Entries(log, "flash seek").empty()) << "seeks on release only";
    // Dragging goes on from there.
    QTest::mouseMove(bar, QPoint(bar->width() / 2, bar->height() / 2));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() / 2));
    EXPECT_GE(bar->value(), 45);
    EXPECT_LE(bar->value(), 55);
    EXPECT_EQ(Entries(log, "flash seek"), std::vector<std::string>{"flash seek=" + std::to_string(bar->value())});
}

TEST_F(DesktopMannersTest, DropsPlayFilesAsAListAndAddressesAsTyped) {
    const QString a = dir.filePath(QStringLiteral("a b.mp4")), b = dir.filePath(QStringLiteral("b.mp4"));
    const QString srt = dir.filePath(QStringLiteral("a b.srt"));
    for (const QString& path : {a, b, srt}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const auto urls = [](std::initializer_list<QString> items) {
        auto* data = new QMimeData;
        QList<QUrl> list;
        for (const QString& item : items)
            list.push_back(item.startsWith(u'/') ? QUrl::fromLocalFile(item) : QUrl(item));
        data->setUrls(list);
        return data;
    };
    const auto text = [](const QString& t) {
        auto* data = new QMimeData;
        data->setText(t);
        return data;
    };
    const struct {
        const char* what;
        QMimeData* data;
        bool acted;
        std::string played;  // what the engines were asked to open last ("" nothing)
    } cases[] = {
        {"one file", urls({a}), true, a.toStdString()},
        {"two files, a list", urls({b, a}), true, b.toStdString()},
        {"a subtitle with nothing loaded", urls({srt}), false, ""},
        {"a folder", urls({dir.path()}), false, ""},
        {"a missing file", urls({dir.filePath(QStringLiteral("gone.mp4"))}), false, ""},
        {"an address", urls({QStringLiteral("http://127.0.0.1:9/v.flv")}), true, "http://127.0.0.1:9/v.flv"},
        {"a text", text(QStringLiteral("  http://127.0.0.1:9/w.flv\nsecond line")), true, "http://127.0.0.1:9/w.flv"},
        {"a blank text", text(QStringLiteral(" \n ")), false, ""},
    };
    for (const auto& c : cases) {
        log.clear();
        const std::unique_ptr<QMimeData> data(c.data);
        EXPECT_EQ(DropOnWindow(window, *data), c.acted) << c.what;
        // Addresses play after the 100 ms delay, as typed ones do.
        WaitUntil([&] { return !Opened().empty(); }, c.played.empty() ? 300 : 3000);
        EXPECT_EQ(Opened().empty() ? std::string() : Opened().back(), c.played) << c.what;
    }
}

TEST_F(DesktopMannersTest, CutTitlesShowWhole) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTreeWidget* list = units.catalogueList;
    const QString longTitle = QStringLiteral("一个很长很长很长很长很长很长的视频标题");
    for (const QString& title : {QStringLiteral("短"), longTitle})
        list->addTopLevelItem(new QTreeWidgetItem(QStringList{title, QString(), QString()}));

    // The tooltip the view shows for the row under the pointer.
    const auto tipAt = [&](int row) {
        QTreeWidgetItem* item = list->topLevelItem(row);
        const QPoint pos = list->visualItemRect(item).center();
        QHelpEvent help(QEvent::ToolTip, pos, list->viewport()->mapToGlobal(pos));
        QCoreApplication::sendEvent(list->viewport(), &help);
        return item->toolTip(0);
    };
    EXPECT_EQ(tipAt(1), longTitle);
    EXPECT_EQ(tipAt(0), QString()) << "a title that fits needs no tooltip";
}

TEST(QtTextsTest, FileDialogAndButtonsSpeakChinese) {
    ASSERT_TRUE(LoadChineseQtTexts());
    for (const auto& [context, english] : {std::pair{"QFileDialog", "Look in:"}, std::pair{"QPlatformTheme", "Cancel"},
                                           std::pair{"QFileDialog", "&Open"}}) {
        const QString shown = QCoreApplication::translate(context, english);
        EXPECT_NE(shown, QString::fromUtf8(english)) << context << " " << english;
        EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](QChar c) { return c.unicode() >= 0x4e00; }))
            << shown.toStdString();
    }
    // The dialog the program shows (Qt's own, not the desktop's) speaks it.
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
    ASSERT_NE(lookIn, nullptr);
    EXPECT_NE(lookIn->text(), QStringLiteral("Look in:"));
}

TEST_F(DesktopMannersTest, AboutBoxShowsTheVersionAndTheKeys) {
    units.aboutButton->click();
    auto* box = window.findChild<QMessageBox*>(QStringLiteral("关于窗口"));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(QString::fromUtf8(kLumoraVersion)));
    for (const char* key : {"空格", "Ctrl+O", "Ctrl+L", "Ctrl+D", "Ctrl+Q", "Shift+←", "Backspace", "Esc"})
        EXPECT_TRUE(box->text().contains(QString::fromUtf8(key))) << key;
    box->close();
}

// Ctrl+D downloads what was played last, as the download button does,
// whatever the right-click menu offered when it was last shown.
TEST_F(DesktopMannersTest, DownloadKeyTakesTheAddressPlayedSinceTheMenuWasShown) {
    // The download fails at once (nothing listens); no notice reaches the
    // desktop of whoever runs the tests.
    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/lumora-test-bus");
    Config config = Config::Defaults();
    config.downloadDir = FromQString(dir.path());
    ScopedConfigOverride scoped(config);

    PopUpFileMenu(window, QPoint(0, 0));
    units.fileMenu->close();
    EXPECT_FALSE(units.downloadFileAction->isEnabled()) << "nothing to save yet";
    PlayTypedAddress(window, "http://127.0.0.1:1/typed.mp4");

    QShortcut* download = nullptr;
    for (QShortcut* shortcut : window.findChildren<QShortcut*>())
        if (shortcut->key() == QKeySequence(Qt::CTRL | Qt::Key_D)) download = shortcut;
    ASSERT_NE(download, nullptr);
    emit download->activated();
    EXPECT_EQ(window.windowTitle().toStdString(), "下载马上开始");
    EXPECT_TRUE(WaitUntil([&] { return window.windowTitle() == QStringLiteral("下载失败"); }, 5000));
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
}

TEST(SpeedTest, StepsClimbAFixedLadderWithinAQuarterAndFourTimes) {
    const struct {
        double speed;
        bool faster;
        double expected;
    } cases[] = {
        {1, true, 1.1},     {1.1, true, 1.21},  {1, false, 0.91},   {0.91, false, 0.83}, {0.26, false, 0.25},
        {0.25, false, 0.25}, {3.9, true, 4},    {4, true, 4},       {1.05, true, 1.1},   {1.05, false, 1},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(SteppedSpeed(c.speed, c.faster), c.expected) << c.speed << (c.faster ? " up" : " down");
    // ] then [ (and [ then ]) come back exactly, from anywhere on the ladder.
    for (double speed = 1; speed < 4; speed = SteppedSpeed(speed, true))
        EXPECT_DOUBLE_EQ(SteppedSpeed(SteppedSpeed(speed, true), false), speed) << speed;
    for (double speed = 1; speed > 0.25; speed = SteppedSpeed(speed, false))
        EXPECT_DOUBLE_EQ(SteppedSpeed(SteppedSpeed(speed, false), true), speed) << speed;
}

}  // namespace
}  // namespace lumora

namespace lumora {
namespace {

// The wheel over the picture steps the volume as ↑ and ↓ do, 5 a notch;
// half notches of a fine wheel add up; elsewhere the wheel keeps its use.
TEST_F(DesktopMannersTest, TheWheelOverThePictureStepsTheVolume) {
    units.volumeSlider->setValue(50);
    const auto turn = [](QWidget* widget, int delta) {
        QWheelEvent wheel(QPointF(10, 10), widget->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(widget, &wheel);
    };
    struct Case {
        int delta;
        int volume;
    };
    for (const Case& c : {Case{120, 55}, Case{240, 65}, Case{-120, 60}, Case{60, 60}, Case{60, 65}}) {
        turn(units.videoArea, c.delta);
        EXPECT_EQ(units.volumeSlider->value(), c.volume) << c.delta;
    }
    EXPECT_EQ(units.statusBar->SectionText(2), QStringLiteral("音量：65%"));
    turn(units.catalogueList->viewport(), -120);
    EXPECT_EQ(units.volumeSlider->value(), 65) << "the list scrolls, the volume stays";
}

}  // namespace
}  // namespace lumora

namespace lumora {
namespace {

// # and J go round the audio and subtitle streams (subtitles with "none" in
// the round); PgDn and PgUp step through the chapters and stop at the ends.
TEST_F(DesktopMannersTest, TrackAndChapterStepsFollowTheMedium) {
    using Kind = MediaTrack::Kind;
    EXPECT_FALSE(CycleTrack(window, Kind::Audio)) << "nothing plays";
    PlayAddress(window, "http://127.0.0.1:1/v/two-tracks.wmv");
    ASSERT_TRUE(WaitUntil([&] { return !Opened().empty(); }));
    ASSERT_EQ(state.mediaObject->ActivePlayer(), &player);
    EXPECT_FALSE(CycleTrack(window, Kind::Audio)) << "no streams known yet";
    EXPECT_FALSE(StepChapter(window, 1));

    const auto track = [](Kind kind, std::int64_t id, bool selected) {
        MediaTrack t;
        t.kind = kind;
        t.id = id;
        t.selected = selected;
        return t;
    };
    struct Case {
        std::vector<MediaTrack> tracks;
        Kind kind;
        std::int64_t chosen;
    };
    const std::vector<Case> cases = {
        {{track(Kind::Audio, 1, true), track(Kind::Audio, 2, false)}, Kind::Audio, 2},
        {{track(Kind::Audio, 1, false), track(Kind::Audio, 2, true)}, Kind::Audio, 1},
        {{track(Kind::Subtitle, 1, true), track(Kind::Subtitle, 2, false)}, Kind::Subtitle, 2},
        {{track(Kind::Subtitle, 1, false), track(Kind::Subtitle, 2, true)}, Kind::Subtitle, 0},
        {{track(Kind::Subtitle, 1, false), track(Kind::Subtitle, 2, false)}, Kind::Subtitle, 1},
    };
    for (const Case& c : cases) {
        player.tracks = c.tracks;
        player.tracks.push_back(track(Kind::Video, 1, true));
        log.clear();
        const std::optional<MediaTrack> chosen = CycleTrack(window, c.kind);
        ASSERT_TRUE(chosen);
        EXPECT_EQ(chosen->id, c.chosen);
        const std::string name = c.kind == Kind::Audio ? "audio" : "sub";
        EXPECT_EQ(Entries(log, "player track " + name + "=" + std::to_string(c.chosen)).size(), 1u);
    }

    player.chapters = {{0, "一"}, {30, "二"}, {60, "三"}};
    for (const auto& [at, step, to] : {std::tuple{0, 1, 1}, std::tuple{1, -1, 0}, std::tuple{2, 1, 2},
                                       std::tuple{0, -1, 0}, std::tuple{-1, 1, 1}}) {
        player.chapter = at;
        log.clear();
        EXPECT_TRUE(StepChapter(window, step));
        EXPECT_EQ(Entries(log, "player chapter=" + std::to_string(to)).size(), 1u) << at << " " << step;
    }
}

}  // namespace
}  // namespace lumora
