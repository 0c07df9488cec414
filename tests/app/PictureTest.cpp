// SPDX-License-Identifier: GPL-3.0-or-later
// The picture as the user sees it: the window on a real X server with GL, the
// video area's pixels read back from the server after every step that once
// left it black. orange.wmv plays in the media player engine, blue.flv in
// the Flash engine; the colour also tells which engine is on screen.
#include "DesktopSupport.h"

#include "app/PlayCommands.h"
#include "app/WindowLayout.h"
#include "base/Text.h"
#include "resolve/MediaFront.h"

#include <QCheckBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace lumora::desktop_test {
namespace {

struct Medium {
    const char* file;
    QColor colour;
};
const Medium kPlayerMedium{"orange.wmv", kOrange};
const Medium kFlashMedium{"blue.flv", kBlue};

void Play(DesktopWindow& desktop, const Medium& medium) {
    PlayAddress(desktop.window, Text::FromUtf8(MediaPath(medium.file).toStdString()));
}

// The video area shows the medium's colour within a few seconds (a
// generous bound, so that a loaded machine does not fail it).
void ExpectPicture(const DesktopWindow& desktop, const Medium& medium, const std::string& when) {
    QColor average;
    double share = 0;
    const bool shown = WaitUntil(
        [&] {
            share = ShareNear(ScreenPixels(GlobalRect(*desktop.units.videoArea)), medium.colour, &average);
            return share > 0.9;
        },
        8000);
    EXPECT_TRUE(shown) << when << ": " << medium.file << " not on screen; " << int(share * 100)
                       << "% of the middle in its colour, average there " << average.name().toStdString();
}

TEST(PictureTest, EverySwitchBetweenTheEnginesShowsThePicture) {
    // Each order once: the first play of each engine, then the switches.
    for (const auto& [first, second] :
         {std::pair{kPlayerMedium, kFlashMedium}, std::pair{kFlashMedium, kPlayerMedium}}) {
        SCOPED_TRACE(std::string("starting with ") + first.file);
        DesktopWindow desktop;
        Play(desktop, first);
        ExpectPicture(desktop, first, "first play");
        for (int round = 1; round <= 3; ++round) {
            Play(desktop, second);
            ExpectPicture(desktop, second, "switch " + std::to_string(2 * round - 1));
            Play(desktop, first);
            ExpectPicture(desktop, first, "switch " + std::to_string(2 * round));
        }
    }
}

TEST(PictureTest, ThePictureComesBackAfterFullScreenResizeAndStop) {
    DesktopWindow desktop;
    for (const Medium& medium : {kPlayerMedium, kFlashMedium}) {
        SCOPED_TRACE(medium.file);
        Play(desktop, medium);
        ExpectPicture(desktop, medium, "play");

        desktop.units.fullScreenButton->click();
        ASSERT_TRUE(desktop.units.fullScreenMode->isChecked());
        ExpectPicture(desktop, medium, "in full screen");
        ToggleWindowFullScreen(desktop.window);
        ExpectPicture(desktop, medium, "after full screen");

        desktop.window.resize(desktop.window.width() + 120, desktop.window.height() + 60);
        ExpectPicture(desktop, medium, "after a larger window");
        desktop.window.resize(desktop.window.width() - 200, desktop.window.height() - 100);
        ExpectPicture(desktop, medium, "after a smaller window");

        // Stopped, the area shows no picture once it is drawn again; so
        // the colour after the new play is the new play's.
        desktop.units.stopButton->click();
        ASSERT_TRUE(WaitUntil([&] { return desktop.state.mediaObject->PlayState() == PlayState::Stopped; }));
        desktop.window.resize(desktop.window.width() + 20, desktop.window.height());
        EXPECT_TRUE(WaitUntil([&] {
            return ShareNear(ScreenPixels(GlobalRect(*desktop.units.videoArea)), Qt::black) > 0.9;
        })) << "a picture stays after stop";
        Play(desktop, medium);
        ExpectPicture(desktop, medium, "after stop and play again");
    }
}

// No last frame stays behind: the picture turns black at once (nothing
// redrawn by a resize) after the stop button, at the end and after a
// failure, in both engines.
TEST(PictureTest, ThePictureTurnsBlackAfterStopEndAndFailure) {
    DesktopWindow desktop;
    const auto black = [&] {
        return WaitUntil(
            [&] { return ShareNear(ScreenPixels(GlobalRect(*desktop.units.videoArea)), Qt::black) > 0.9; }, 8000);
    };
    for (const Medium& medium : {kPlayerMedium, kFlashMedium}) {
        SCOPED_TRACE(medium.file);
        Play(desktop, medium);
        ExpectPicture(desktop, medium, "play");
        desktop.units.stopButton->click();
        EXPECT_TRUE(black()) << "a picture stays after stop";

        Play(desktop, medium);
        ExpectPicture(desktop, medium, "play before the end");
        desktop.state.mediaObject->Seek(19);
        EXPECT_TRUE(black()) << "a picture stays at the end";

        Play(desktop, medium);
        ExpectPicture(desktop, medium, "play before a failure");
        // A file of the same kind that is not there: the same engine fails.
        const QString missing = MediaPath(medium.file) + QStringLiteral(".missing.") +
                                QString::fromUtf8(medium.file).section(QLatin1Char('.'), -1);
        PlayAddress(desktop.window, Text::FromUtf8(missing.toStdString()));
        ASSERT_TRUE(WaitUntil([&] { return desktop.state.mediaObject->PlayState() == PlayState::Failed; }));
        EXPECT_TRUE(black()) << "a picture stays after a failure";
    }
}

}  // namespace
}  // namespace lumora::desktop_test
