// SPDX-License-Identifier: GPL-3.0-or-later
// The session's speed, subtitles and screenshots on real libmpv, headless:
// a subtitle beside a local medium comes along, a dropped one joins, visibility and speed are what mpv
// reports, and a screenshot is written as a PNG file.
#include "ControlsTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lumora {
namespace {

using namespace controls_test;

class SessionExtrasTest : public testing::Test {
protected:
    // Timed: the 150-second medium keeps playing while the test looks.
    AutomationRef control = MakeMediaPlayerControl(HeadlessOptions(false));
    Player& session = PlayerOf(control);
    QTemporaryDir dir;

    std::string Copy(const char* name) {
        const QString target = dir.filePath(QString::fromUtf8(name));
        QFile::copy(QString::fromStdString(MediaPath(name)), target);
        return target.toStdString();
    }
    bool Loaded() {
        return WaitFor([&] { return session.CurrentPhase() == Player::Phase::Loaded; });
    }
};

TEST_F(SessionExtrasTest, LocalSubtitleComesAlongAndADroppedOneJoins) {
    const std::string video = Copy("long.mp4");
    Copy("long.srt");
    const std::string dropped = Copy("dropped.srt");
    EXPECT_FALSE(session.AddSubtitle(dropped)) << "nothing loaded yet";

    session.Open(Text::FromUtf8(video));
    ASSERT_TRUE(Loaded());
    ASSERT_TRUE(WaitFor([&] { return session.SubtitleText() == "Lumora subtitle line"; }, 5000))
        << session.SubtitleText();

    EXPECT_FALSE(session.AddSubtitle(dir.filePath(QStringLiteral("missing.srt")).toStdString()));
    ASSERT_TRUE(session.AddSubtitle(dropped));
    EXPECT_TRUE(WaitFor([&] { return session.SubtitleText() == "Dropped subtitle line"; }, 5000))
        << session.SubtitleText();

    session.SetSubtitlesShown(false);
    session.SetSpeed(1.5);
    EXPECT_TRUE(WaitFor([&] { return !session.SubtitlesShown() && session.Speed() == 1.5; }, 5000));
    session.SetSpeed(-1);  // refused before it reaches mpv
    EXPECT_DOUBLE_EQ(session.Speed(), 1.5) << "a speed of 0 or less is no speed";
}

TEST_F(SessionExtrasTest, ScreenshotIsWrittenAsPng) {
    const std::string path = dir.filePath(QStringLiteral("shot.png")).toStdString();
    EXPECT_FALSE(session.SaveScreenshot(path)) << "nothing loaded";
    QString saved;
    bool ok = false;
    QObject::connect(&session, &Player::ScreenshotSaved, [&](const QString& p, bool success) {
        saved = p;
        ok = success;
    });
    session.Open(Text::FromUtf8(MediaPath("long.mp4")));
    ASSERT_TRUE(Loaded());
    ASSERT_TRUE(WaitFor([&] { return session.Position() > 0.5; }));
    ASSERT_TRUE(session.SaveScreenshot(path));
    ASSERT_TRUE(WaitFor([&] { return !saved.isEmpty(); }, 5000));
    EXPECT_TRUE(ok);
    EXPECT_EQ(saved.toStdString(), path);
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(4), QByteArray("\x89PNG"));
}

}  // namespace
}  // namespace lumora
