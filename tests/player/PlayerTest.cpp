// SPDX-License-Identifier: GPL-3.0-or-later
// The typed player on real libmpv, headless (null outputs, untimed): what a
// listener hears — Changed, Ended, Failed with its reason — and the values
// the player keeps.
#include "player/MpvPlayer.h"

#include "platform/PlaybackOptions.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <sys/stat.h>

#include <functional>

#include <gtest/gtest.h>

namespace lumora {
namespace {

Text Media(const char* name) { return Text::FromUtf8(std::string(LUMORA_TEST_MEDIA) + "/" + name); }

bool RunUntil(const std::function<bool()>& done, int limitMs = 15000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

class PlayerTest : public testing::Test {
protected:
    PlayerTest() {
        PlaybackOptions options;
        options.nullOutputs = true;
        options.untimed = true;
        SetPlaybackOptions(options);
        player = std::make_unique<MpvPlayer>(&host);
    }
    QWidget host;
    std::unique_ptr<MpvPlayer> player;
};

TEST_F(PlayerTest, AClipPlaysToItsEndAndSaysSo) {
    QSignalSpy changed(player.get(), &Player::Changed);
    QSignalSpy ended(player.get(), &Player::Ended);
    QSignalSpy failed(player.get(), &Player::Failed);
    player->Open(Media("clip.mp4"));
    EXPECT_EQ(player->CurrentPhase(), Player::Phase::Opening);
    ASSERT_TRUE(RunUntil([&] { return ended.count() > 0; }));
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(failed.count(), 0);
    EXPECT_GT(changed.count(), 1);
    EXPECT_EQ(player->CurrentPhase(), Player::Phase::Ended);
    EXPECT_GT(player->Duration(), 0);  // what is known of the medium stays
    EXPECT_EQ(player->FailureReason(), "");
    EXPECT_EQ(player->Address(), Media("clip.mp4"));
}

TEST_F(PlayerTest, FailuresComeWithTheirReason) {
    struct Case {
        const char* name;
        Text address;
        const char* reason;  // a part of it
    };
    const std::vector<Case> cases = {
        {"missing file", Media("no-such-clip.mp4"), "no such playable file"},
        {"mpv's own protocol", Text("lavfi://sine"), "not an address the player opens"},
        {"not a medium", Media("corrupt.mp4"), ""},  // mpv's words, whatever they are
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QSignalSpy failed(player.get(), &Player::Failed);
        player->Open(c.address);
        ASSERT_TRUE(RunUntil([&] { return failed.count() > 0; }));
        EXPECT_EQ(failed.count(), 1);
        const QString reason = failed.first().first().toString();
        EXPECT_FALSE(reason.isEmpty());
        EXPECT_TRUE(reason.contains(QString::fromUtf8(c.reason))) << reason.toStdString();
        EXPECT_EQ(player->CurrentPhase(), Player::Phase::Failed);
        EXPECT_EQ(player->FailureReason(), reason.toStdString());
    }
}

// A setting the player keeps is told to listeners even before any medium,
// after the caller's work.
TEST_F(PlayerTest, SettingsAreTold) {
    QSignalSpy changed(player.get(), &Player::Changed);
    player->SetSpeed(1.5);
    player->SetSubtitlesShown(false);
    player->SetVolume(37);
    EXPECT_EQ(changed.count(), 0);  // later, not in the middle of the caller's work
    ASSERT_TRUE(RunUntil([&] { return changed.count() > 0; }));
    EXPECT_EQ(player->Speed(), 1.5);
    EXPECT_FALSE(player->SubtitlesShown());
    EXPECT_EQ(player->Volume(), 37);
}

// A seek asked for before the file is loaded (the first picture may show
// earlier) is made once it is; a stop in between drops it.
TEST(PlayerSeekTest, ASeekWhileOpeningIsMadeOnceLoaded) {
    PlaybackOptions options;
    options.nullOutputs = true;  // in real time: the position tells the seek
    SetPlaybackOptions(options);
    QWidget host;
    MpvPlayer player(&host);
    player.Open(Media("orange.wmv"));  // 20 s
    ASSERT_EQ(player.CurrentPhase(), Player::Phase::Opening);
    player.Seek(15);
    ASSERT_TRUE(RunUntil([&] { return player.CurrentPhase() == Player::Phase::Loaded && player.Position() >= 15; }))
        << player.Position();

    player.Open(Media("orange.wmv"));
    player.Seek(15);
    player.Stop();
    player.Open(Media("orange.wmv"));
    ASSERT_TRUE(RunUntil([&] { return player.CurrentPhase() == Player::Phase::Loaded && player.Position() > 0; }));
    EXPECT_LT(player.Position(), 10);
}

// Streams and chapters of a two-language file: listed as mpv lists them,
// chosen by kind and number, the chapter followed as it changes.
TEST(PlayerTracksTest, StreamsAndChaptersAreListedAndChosen) {
    PlaybackOptions options;
    options.nullOutputs = true;  // in real time: the file must still play when asked
    SetPlaybackOptions(options);
    QWidget host;
    MpvPlayer player(&host);
    player.Open(Media("tracks.mkv"));
    ASSERT_TRUE(RunUntil([&] { return player.CurrentPhase() == Player::Phase::Loaded && !player.Tracks().empty(); }));
    player.SetPaused(true);

    const auto audio = [&] {
        std::vector<MediaTrack> found;
        for (const MediaTrack& track : player.Tracks())
            if (track.kind == MediaTrack::Kind::Audio) found.push_back(track);
        return found;
    };
    ASSERT_TRUE(RunUntil([&] { return audio().size() == 2 && audio()[0].selected; }));
    EXPECT_EQ(audio()[0].language, "eng");
    EXPECT_EQ(audio()[0].title, "Low");
    EXPECT_TRUE(audio()[0].selected);
    EXPECT_EQ(audio()[1].language, "chi");
    EXPECT_FALSE(audio()[1].selected);

    player.SelectTrack(MediaTrack::Kind::Audio, audio()[1].id);
    EXPECT_TRUE(RunUntil([&] { return audio().size() == 2 && audio()[1].selected && !audio()[0].selected; }));

    ASSERT_EQ(player.Chapters().size(), 2u);
    EXPECT_EQ(player.Chapters()[1].title, "Two");
    EXPECT_NEAR(player.Chapters()[1].start, 2.0, 0.05);
    EXPECT_EQ(player.Chapter(), 0);
    player.SetChapter(1);
    EXPECT_TRUE(RunUntil([&] { return player.Chapter() == 1; }));
    EXPECT_GE(player.Position(), 1.9);

    player.Stop();
    EXPECT_TRUE(player.Tracks().empty());  // nothing loaded: nothing to list
    EXPECT_EQ(player.Chapter(), -1);
}

// A subtitle file beside a local medium, named like it, comes along; a pipe
// named like one is left alone (opening it would wait for a writer for good).
TEST(PlayerSubtitlesTest, RegularFilesBesideTheMediumComeAlongPipesDoNot) {
    PlaybackOptions options;
    options.nullOutputs = true;
    SetPlaybackOptions(options);
    QTemporaryDir directory;
    const QString medium = directory.filePath(QStringLiteral("film.mp4"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(LUMORA_TEST_MEDIA "/long.mp4"), medium));
    ASSERT_TRUE(QFile::copy(QStringLiteral(LUMORA_TEST_MEDIA "/long.srt"), directory.filePath(QStringLiteral("film.en.srt"))));
    ASSERT_EQ(mkfifo(QFile::encodeName(directory.filePath(QStringLiteral("film.ass"))).constData(), 0600), 0);
    ASSERT_EQ(mkfifo(QFile::encodeName(directory.filePath(QStringLiteral("film.srt"))).constData(), 0600), 0);

    QWidget host;
    MpvPlayer player(&host);
    player.Open(Text::FromUtf8(medium.toStdString()));
    ASSERT_TRUE(RunUntil([&] { return player.CurrentPhase() == Player::Phase::Loaded; }, 5000));
    const auto externalSubtitles = [&] {
        std::vector<MediaTrack> found;
        for (const MediaTrack& track : player.Tracks())
            if (track.kind == MediaTrack::Kind::Subtitle && track.external) found.push_back(track);
        return found;
    };
    ASSERT_TRUE(RunUntil([&] { return externalSubtitles().size() == 1 && externalSubtitles()[0].selected; }, 5000));
    EXPECT_TRUE(RunUntil([&] { return player.SubtitleText() == "Lumora subtitle line"; }, 5000));
    player.Stop();
}

}  // namespace
}  // namespace lumora
