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
TEST(DownloadFileName, TheTitleBecomesOneNameInsideTheDirectory) {
    struct Case {
        std::string title;  // UTF-8
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"电影 第1集", "/d/电影 第1集.MP4"},
        {"网络文件1", "/d/网络文件1.MP4"},
        {"what?*:<>|\\\"", "/d/what?*:<>|\\\".MP4"},  // fine in a Linux file name
        {"../x", "/d/.._x.MP4"},
        {"../../etc/passwd", "/d/.._.._etc_passwd.MP4"},
        {"a/b", "/d/a_b.MP4"},
        {"/", "/d/_.MP4"},
        {"\n", "/d/_.MP4"},
        {"a\tb\x7f", "/d/a_b_.MP4"},
        {"a\u0085b", "/d/a_b.MP4"},  // a C1 control character
        {".", "/d/_.MP4"},
        {"..", "/d/__.MP4"},
        {"", "/d/_.MP4"},
        {".hidden", "/d/.hidden.MP4"},
        {"한국어 🎬", "/d/한국어 🎬.MP4"},  // four-byte GB18030 characters survive
        // Bidirectional controls would make a name read otherwise ("rlogpj.MP4"
        // shown as "rloMP4.jpg"): they are dropped.
        {"rlo\u202Egpj", "/d/rlogpj.MP4"},
        {"\u202A\u202B\u202C\u202D\u2066\u2067\u2068\u2069\u200E\u200F\u061C片名", "/d/片名.MP4"},
        {"\u202E", "/d/_.MP4"},
        {"\u2028 \u2010", "/d/\u2028 \u2010.MP4"},  // their neighbours are characters like others
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const Text name = lumora::DownloadFileName(Text("/d"), Text::FromUtf8(c.title));
        EXPECT_EQ(name.ToUtf8(), c.expected);
        const std::filesystem::path path(name.ToUtf8());
        EXPECT_EQ(path.parent_path(), "/d");
    }
    // A zero byte, and GBK bytes that are no character.
    EXPECT_EQ(lumora::DownloadFileName(Text("/d"), Text::Gbk(std::string("a\0b", 3))).ToUtf8(), "/d/a_b.MP4");
    EXPECT_EQ(lumora::DownloadFileName(Text("/d"), Text::Gbk("\x81")).ToUtf8(), "/d/\xEF\xBF\xBD.MP4");
}

// A long title is cut at a character boundary so that the name with ".part"
// still fits in 255 bytes, and such a file can really be made.
TEST(DownloadFileName, ALongTitleIsCutToFit) {
    downloadtest::ScratchDir dir;
    std::string title;
    for (int i = 0; i < 300; ++i) title += "影";
    for (const std::string& t : {title, "a" + title, std::string(400, 'x')}) {
        const Text name = lumora::DownloadFileName(Text::FromUtf8(dir.Path().string()), Text::FromUtf8(t));
        const std::string file = std::filesystem::path(name.ToUtf8()).filename().string();
        EXPECT_LE(file.size() + 5, 255u);
        EXPECT_GE(file.size() + 5, 252u);
        EXPECT_TRUE(file.ends_with(".MP4"));
        EXPECT_EQ(Text::FromUtf8(file).ToUtf8(), file);  // whole characters only
        downloadtest::WriteFile(name.ToUtf8() + ".part", "x");
        EXPECT_TRUE(downloadtest::Exists(name.ToUtf8() + ".part"));
    }
}

// A typed address names its download after its last path segment when that
// is a usable name, made safe like any title; otherwise it has no name.
TEST(TypedAddressTitle, TheLastSegmentWhenItIsAUsableName) {
    struct Case {
        std::string address;  // UTF-8
        std::string title;
        std::string file;  // DownloadFileName in "/d"; empty: no title
    };
    const std::vector<Case> cases = {
        {"http://h/videos/clip.mp4", "clip", "/d/clip.MP4"},
        {"https://h:8080/a/%E7%89%87%20one.flv?x=1/y.mp4#t/z", "片 one", "/d/片 one.MP4"},
        {"http://h/视频 a.mp4", "视频 a", "/d/视频 a.MP4"},
        {"http://h/watch?v=abc", "watch", "/d/watch.MP4"},
        {"http://h/archive.tar.gz", "archive.tar", "/d/archive.tar.MP4"},
        {"http://h/.hidden", ".hidden", "/d/.hidden.MP4"},
        {"http://h/name.with-dash", "name.with-dash", "/d/name.with-dash.MP4"},
        {"rtmp://h/live/stream", "stream", "/d/stream.MP4"},
        {"http://h/a%zzb%4", "a%zzb%4", "/d/a%zzb%4.MP4"},
        {"http://h/..%2F..%2Fetc%2Fpasswd", "../../etc/passwd", "/d/.._.._etc_passwd.MP4"},
        {"http://h/a%09b.mp4", "a\tb", "/d/a_b.MP4"},
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
            EXPECT_EQ(lumora::DownloadFileName(Text("/d"), title).ToUtf8(), c.file);
        }
    }
}

TEST(DownloadDirectory, ConfiguredThenProgramDirectoryThenVideos) {
    downloadtest::ScratchDir dir;
    const Text scratch = Text::FromUtf8(dir.Path().string());
    const Text videos = Text::FromUtf8(QStandardPaths::writableLocation(QStandardPaths::MoviesLocation).toStdString());
    downloadtest::WriteFile(dir / "plain", "a file");

    lumora::Config config = lumora::Config::Defaults();
    config.downloadDir = Text();
    {
        lumora::ScopedConfigOverride use(config);
        EXPECT_EQ(lumora::DownloadDirectory(scratch), scratch);
        EXPECT_EQ(lumora::DownloadDirectory(scratch + "/"), scratch);
        // A program directory that can't take files: the user's videos.
        EXPECT_EQ(lumora::DownloadDirectory(scratch + "/plain"), videos);
        EXPECT_EQ(lumora::DownloadDirectory(scratch + "/plain/sub"), videos);
        EXPECT_EQ(lumora::DownloadDirectory(scratch + "/missing"), videos);
        EXPECT_EQ(lumora::DownloadDirectory(Text()), videos);
    }
    config.downloadDir = Text("/srv/影片/");
    {
        lumora::ScopedConfigOverride use(config);
        EXPECT_EQ(lumora::DownloadDirectory(scratch), Text("/srv/影片"));
        EXPECT_EQ(lumora::DownloadDirectory(scratch + "/plain"), Text("/srv/影片"));
    }
}

}  // namespace
