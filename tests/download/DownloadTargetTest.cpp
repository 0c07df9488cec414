// SPDX-License-Identifier: GPL-3.0-or-later
// Where downloads go and the names they get.
#include "download/DownloadTarget.h"

#include "base/Config.h"

#include "DownloadTestSupport.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using lumora::Text;

// Titles become one plain name inside the directory, whatever they hold.
TEST(DownloadStem, TheTitleBecomesOneNameInsideTheDirectory) {
    struct Case {
        std::string title;  // UTF-8
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"电影 第1集", "/d/电影 第1集"},
        {"网络文件1", "/d/网络文件1"},
        {"what?*:<>|\\\"", "/d/what?*:<>|\\\""},  // fine in a Linux file name
        {"../x", "/d/.._x"},
        {"../../etc/passwd", "/d/.._.._etc_passwd"},
        {"a/b", "/d/a_b"},
        {"/", "/d/_"},
        {"\n", "/d/_"},
        {"a\tb\x7f", "/d/a_b_"},
        {"a\u0085b", "/d/a_b"},  // a C1 control character
        {".", "/d/_"},
        {"..", "/d/__"},
        {"", "/d/_"},
        {".hidden", "/d/.hidden"},
        {"한국어 🎬", "/d/한국어 🎬"},  // four-byte GB18030 characters survive
        // Bidirectional controls would make a name read otherwise ("rlogpj.MP4"
        // shown as "rloMP4.jpg"): they are dropped.
        {"rlo\u202Egpj", "/d/rlogpj"},
        {"\u202A\u202B\u202C\u202D\u2066\u2067\u2068\u2069\u200E\u200F\u061C片名", "/d/片名"},
        {"\u202E", "/d/_"},
        {"\u2028 \u2010", "/d/\u2028 \u2010"},  // their neighbours are characters like others
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const Text name = lumora::DownloadStem(Text("/d"), Text::FromUtf8(c.title));
        EXPECT_EQ(name.ToUtf8(), c.expected);
        const std::filesystem::path path(name.ToUtf8());
        EXPECT_EQ(path.parent_path(), "/d");
    }
    // A zero byte, and GBK bytes that are no character.
    EXPECT_EQ(lumora::DownloadStem(Text("/d"), Text::Gbk(std::string("a\0b", 3))).ToUtf8(), "/d/a_b");
    EXPECT_EQ(lumora::DownloadStem(Text("/d"), Text::Gbk("\x81")).ToUtf8(), "/d/\xEF\xBF\xBD");
}

// A long title is cut at a character boundary so that the name with
// ".resume" or any extension still fits in 255 bytes, and such files can
// really be made.
TEST(DownloadStem, ALongTitleIsCutToFit) {
    downloadtest::ScratchDir dir;
    std::string title;
    for (int i = 0; i < 300; ++i) title += "影";
    for (const std::string& t : {title, "a" + title, std::string(400, 'x')}) {
        const Text name = lumora::DownloadStem(Text::FromUtf8(dir.Path().string()), Text::FromUtf8(t));
        const std::string file = std::filesystem::path(name.ToUtf8()).filename().string();
        EXPECT_LE(file.size() + 7, 255u);
        EXPECT_GE(file.size() + 7, 253u);
        EXPECT_EQ(Text::FromUtf8(file).ToUtf8(), file);  // whole characters only
        for (const char* ending : {".resume", ".m3u8", ".MP4"}) {
            downloadtest::WriteFile(name.ToUtf8() + ending, "x");
            EXPECT_TRUE(downloadtest::Exists(name.ToUtf8() + ending));
        }
    }
}

// A typed address names its download after its last path segment when that
// is a usable name, made safe like any title; otherwise it has no name.
TEST(TypedAddressTitle, TheLastSegmentWhenItIsAUsableName) {
    struct Case {
        std::string address;  // UTF-8
        std::string title;
        std::string file;  // DownloadStem in "/d"; empty: no title
    };
    const std::vector<Case> cases = {
        {"http://h/videos/clip.mp4", "clip", "/d/clip"},
        {"https://h:8080/a/%E7%89%87%20one.flv?x=1/y.mp4#t/z", "片 one", "/d/片 one"},
        {"http://h/视频 a.mp4", "视频 a", "/d/视频 a"},
        {"http://h/watch?v=abc", "watch", "/d/watch"},
        {"http://h/archive.tar.gz", "archive.tar", "/d/archive.tar"},
        {"http://h/.hidden", ".hidden", "/d/.hidden"},
        {"http://h/name.with-dash", "name.with-dash", "/d/name.with-dash"},
        {"rtmp://h/live/stream", "stream", "/d/stream"},
        {"http://h/a%zzb%4", "a%zzb%4", "/d/a%zzb%4"},
        {"http://h/..%2F..%2Fetc%2Fpasswd", "../../etc/passwd", "/d/.._.._etc_passwd"},
        {"http://h/a%09b.mp4", "a\tb", "/d/a_b"},
        {"http://h/dir/", "", ""},
        {"http://h/", "", ""},
        {"http://h", "", ""},
        {"http://h?x=/a.mp4", "", ""},
        {"http://h/..", "", ""},
        {"http://h/%2e%2e", "", ""},
        {"http://h/%20%0A.mp4", "", ""},
        {"http://h/%FF%FE.mp4", "", ""},  // not UTF-8
        {"http://h/x%00y.mp4", "", ""},   // a zero byte
        {"yyt://123", "", ""},
        {"12345", "", ""},
        {"/home/u/film.mkv", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        const Text title = lumora::TypedAddressTitle(Text::FromUtf8(c.address));
        EXPECT_EQ(title.ToUtf8(), c.title);
        if (!c.file.empty()) {
            EXPECT_EQ(lumora::DownloadStem(Text("/d"), title).ToUtf8(), c.file);
        }
    }
}

// Without LUMORA_DOWNLOAD_DIR the files go to the user's download folder as
// user-dirs.dirs names it, else ~/Downloads; never to the program's directory.
TEST(DownloadDirectory, ConfiguredElseTheUsersDownloadFolder) {
    downloadtest::ScratchDir dir;
    const std::string home = dir / "home";
    const std::string config = dir / "config";
    std::filesystem::create_directories(config);
    downloadtest::ScopedEnvironment environment({{"HOME", home}, {"XDG_CONFIG_HOME", config}});

    lumora::Config settings = lumora::Config::Defaults();
    settings.downloadDir = Text();
    {
        lumora::ScopedConfigOverride use(settings);
        EXPECT_EQ(lumora::DownloadDirectory().ToUtf8(), home + "/Downloads");
        downloadtest::WriteFile(config + "/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/下载 folder\"\n");
        EXPECT_EQ(lumora::DownloadDirectory().ToUtf8(), home + "/下载 folder");
    }
    settings.downloadDir = Text("/srv/影片/");
    {
        lumora::ScopedConfigOverride use(settings);
        EXPECT_EQ(lumora::DownloadDirectory(), Text("/srv/影片"));
    }
}

// A finished download of a title is found under every extension it may
// have been saved with, and only under those.
TEST(EarlierDownloadExists, AnyExtensionADownloadIsSavedWith) {
    downloadtest::ScratchDir dir;
    const Text directory = Text::FromUtf8(dir.Path().string());
    const Text title("网络文件");
    EXPECT_FALSE(lumora::EarlierDownloadExists(directory, title));
    for (const char* other : {"网络文件.part", "网络文件.resume", "网络文件", "网络文件.txt", "网络文件1.MP4"})
        downloadtest::WriteFile(dir / other, "x");
    EXPECT_FALSE(lumora::EarlierDownloadExists(directory, title));
    for (const char* name : {"网络文件.MP4", "网络文件.flv", "网络文件.webm"}) {
        SCOPED_TRACE(name);
        downloadtest::WriteFile(dir / name, "x");
        EXPECT_TRUE(lumora::EarlierDownloadExists(directory, title));
        std::filesystem::remove(dir / name);
    }
}

// The extension of what arrived: its Content-Type, else the address it came
// from, else the address asked for, else .MP4.
TEST(SavedFileName, TheTypeThenTheAddressesThenTheDefault) {
    struct Case {
        const char* contentType;
        const char* finalAddress;
        const char* address;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"video/x-flv", "http://h/a.mp4", "http://h/a.mp4", "/d/t.flv"},
        {"video/mp4", "", "", "/d/t.mp4"},
        {"Video/MP4; charset=binary", "", "", "/d/t.mp4"},
        {"video/webm", "", "", "/d/t.webm"},
        {"video/x-matroska", "", "", "/d/t.mkv"},
        {"video/mp2t", "", "", "/d/t.ts"},
        {"audio/mpeg", "", "", "/d/t.mp3"},
        {"application/vnd.apple.mpegurl", "", "", "/d/t.m3u8"},
        // A type that says nothing of the medium: the address decides.
        {"application/octet-stream", "http://h/v/Clip.FLV?x=1.mp3#y", "http://h/get?id=1", "/d/t.flv"},
        {"text/html", "http://h/get?id=1", "http://h/v/a.webm", "/d/t.webm"},
        {"", "https://h/x.mkv", "", "/d/t.mkv"},
        // Extensions that are no media, and no path at all: the default.
        {"", "http://h/watch.php", "http://h/archive.tar.gz", "/d/t.MP4"},
        {"", "http://h/.mp4", "http://h", "/d/t.MP4"},
        {"video/x-unknown", "rtmp-ish", "http://h/dir.mp4/", "/d/t.MP4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.contentType) + " " + c.finalAddress + " " + c.address);
        EXPECT_EQ(lumora::SavedFileName(Text("/d/t"), c.contentType, c.finalAddress, Text::FromUtf8(c.address)).ToUtf8(),
                  c.expected);
    }
}

}  // namespace
