// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the data directory: the description files' forms, what a bad
// line or a missing file does.
#include "site/SiteData.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace lumora::site::test {
namespace {

class DataDir {
public:
    DataDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lumora-site-data-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
        std::filesystem::create_directory(path_ / "media");
    }
    ~DataDir() { std::filesystem::remove_all(path_); }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(path_ / name, std::ios::binary) << text;
    }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

TEST(DataTest, ReadsPagesVideosServicesAndMedia) {
    DataDir dir;
    dir.Write("catalogue.txt",
              "# comment\r\n"
              "[/]\r\n"
              "1\t第一\\n行\tclip.mp4\r\n"
              "2\tback\\\\slash\\t\t/redirect/1\n"
              "1\t第一 again\n"
              "\n"
              "[/vodlist/index.php?id=27]\n"
              "3\tgone\t-\n"
              "4\n"  // no title
              "5\ttoo\tmany\tfields\n"
              "[not a path]\n"
              "6\torphan\n");
    dir.Write("services.txt",
              "song\tA-B\tABC\tab\tsong.mp3\n"
              "song\tmissing\tfields\n"
              "mv\tName\tid1\tclip.flv\n"
              "v56\t42\t标题\tclip.mp4\n"
              "v56\t43\t\tclip.mp4\n"  // empty title
              "other\tx\n");
    dir.Write("media/clip.mp4", "mp4 bytes");
    dir.Write("media/song.mp3", "mp3 bytes");

    std::string error;
    const std::optional<SiteData> data = LoadSiteData(dir.Path(), &error);
    ASSERT_TRUE(data) << error;
    ASSERT_EQ(data->pages.size(), 2u);
    EXPECT_EQ(data->pages[0].path, "/");
    ASSERT_EQ(data->pages[0].entries.size(), 3u);
    EXPECT_EQ(data->pages[0].entries[0].title, "第一\n行");
    EXPECT_EQ(data->pages[0].entries[1].title, "back\\slash\\t");
    EXPECT_EQ(data->pages[1].entries.size(), 1u);
    // The first entry of an id describes the video.
    ASSERT_NE(data->FindVideo("1"), nullptr);
    EXPECT_EQ(data->FindVideo("1")->media, "clip.mp4");
    EXPECT_EQ(data->FindVideo("6"), nullptr);

    ASSERT_EQ(data->songs.size(), 1u);
    EXPECT_EQ(data->songs[0].singer, "A");
    EXPECT_EQ(data->songs[0].title, "B");
    EXPECT_EQ(data->songs[0].hash, Md5Hex("A-B", true));
    EXPECT_EQ(data->musicVideos.size(), 1u);
    EXPECT_EQ(data->videos56.size(), 1u);
    ASSERT_NE(data->FindMedia("song.mp3"), nullptr);
    EXPECT_EQ(data->FindMedia("song.mp3")->bytes, "mp3 bytes");
    EXPECT_EQ(data->FindMedia("song.mp3")->contentType, "audio/mpeg");

    // Every skipped line is reported: 4 in the catalogue, 3 among the services.
    EXPECT_EQ(data->warnings.size(), 7u);
}

TEST(DataTest, MissingDescriptionFilesAreAnError) {
    DataDir dir;
    std::string error;
    EXPECT_FALSE(LoadSiteData(dir.Path(), &error));
    EXPECT_NE(error.find("catalogue.txt"), std::string::npos);
    dir.Write("catalogue.txt", "[/]\n1\tx\n");
    EXPECT_FALSE(LoadSiteData(dir.Path(), &error));
    EXPECT_NE(error.find("services.txt"), std::string::npos);
    dir.Write("services.txt", "");
    EXPECT_TRUE(LoadSiteData(dir.Path(), &error));
}

TEST(DataTest, ContentTypesAndDigests) {
    const std::vector<std::pair<std::string, std::string>> types = {
        {"a.mp4", "video/mp4"},
        {"a.MP4", "video/mp4"},
        {"a.flv", "video/x-flv"},
        {"a.mp3", "audio/mpeg"},
        {"a.txt", "application/octet-stream"},
        {"mp4", "application/octet-stream"},
    };
    for (const auto& [name, type] : types) EXPECT_EQ(MediaContentType(name), type) << name;
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Hex("abc", true), "900150983CD24FB0D6963F7D28E17F72");
}

}  // namespace
}  // namespace lumora::site::test
