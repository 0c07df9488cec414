// SPDX-License-Identifier: GPL-3.0-or-later
// The texts and addresses the controls work out for themselves.
#include "engines/MediaPlayerControl.h"
#include "engines/MovieControl.h"
#include "platform/MpvSession.h"

#include <QDir>

#include <cmath>

#include <gtest/gtest.h>

namespace lumora {
namespace {

TEST(ControlTextTest, AddressesReachMpvOnlyWithThePlayerSchemes) {
    const QString before = QDir::currentPath();
    QDir::setCurrent(LUMORA_TEST_MEDIA);
    const std::string media = QDir::currentPath().toStdString();
    struct Case {
        std::string address;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"http://127.0.0.1/a.flv", "http://127.0.0.1/a.flv"},
        {"HTTPS://example.test/v.mp4?x=1", "HTTPS://example.test/v.mp4?x=1"},
        {"rtmp://live.test/app/mp4:stream", "rtmp://live.test/app/mp4:stream"},
        {"rtmpe://live.test/app", "rtmpe://live.test/app"},
        {"rtsp://cam.test:554/s", "rtsp://cam.test:554/s"},
        {"mms://media.test:1755/a", "mms://media.test:1755/a"},
        {"mmsh://media.test/a", "mmsh://media.test/a"},
        {"file://" + media + "/clip.mp4", "file://" + media + "/clip.mp4"},
        {media + "/tone.mp3", media + "/tone.mp3"},
        {"clip.flv", media + "/clip.flv"},
        // mpv's own protocols and anything unknown never reach it.
        {"lavfi://sine", ""},
        {"av://lavfi:sine", ""},
        {"memory://abc", ""},
        {"edl://a.mp4,0,1", ""},
        {"fd://0", ""},
        {"ytdl://x", ""},
        {"ftp://host/a.mp4", ""},
        {"a/b://c", ""},
        {"://x", ""},
        // Only regular files: no standard input, folder, device or pipe.
        {"", ""},
        {"-", ""},
        {"/", ""},
        {media, ""},
        {"file://" + media, ""},
        {"/dev/zero", ""},
        {"/dev/stdin", ""},
        {media + "/missing.mp4", ""},
        {std::string("/tmp/a\0b", 8), ""},
    };
    for (const Case& c : cases) EXPECT_EQ(PlayableTarget(c.address), c.expected) << c.address;
    QDir::setCurrent(before);
}

TEST(ControlTextTest, TimeTexts) {
    struct Case {
        double seconds;
        const char* minutes;  // the movie's form
        const char* clock;    // the media player's form
    };
    const std::vector<Case> cases = {
        {0, "00:00", "00:00"},
        {-3, "00:00", "00:00"},
        {2.9, "00:02", "00:02"},
        {65, "01:05", "01:05"},
        {3599, "59:59", "59:59"},
        {3600, "60:00", "01:00:00"},
        {4500, "75:00", "01:15:00"},
        {3725, "62:05", "01:02:05"},
        {360000, "6000:00", "100:00:00"},
        {1e300, "153722867280912930:07", "2562047788015215:30:07"},
        {std::nan(""), "00:00", "00:00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MinutesText(c.seconds).Bytes(), c.minutes) << c.seconds;
        EXPECT_EQ(ClockText(c.seconds).Bytes(), c.clock) << c.seconds;
    }
}

TEST(ControlTextTest, FileTypeComesFromThePathElseTheContainer) {
    struct Case {
        const char* address;
        const char* format;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"/media/Clip.MP4", "mov,mp4,m4a", "mp4"},
        {"http://host.test/movie.swf", "", "swf"},
        {"http://host.test/a.flv?name=b.mp3", "flv", "flv"},
        {"http://host.test/a.wmv#t=3", "asf", "wmv"},
        {"http://host.test/stream", "mp3", "mp3"},
        {"http://host.test", "mov,mp4,m4a", "mov"},
        {"http://host.test.com/play", "", ""},
        {"C:\\media\\song.WMA", "asf", "wma"},
    };
    for (const Case& c : cases) EXPECT_EQ(MediaFileType(Text(c.address), c.format).Bytes(), c.expected) << c.address;
}

}  // namespace
}  // namespace lumora
