// SPDX-License-Identifier: GPL-3.0-or-later
// Media files, byte ranges, the relay, the music-video file host, the live
// stream and the redirects probes follow.
#include "SiteFixture.h"

#include <fstream>
#include <sstream>

namespace lumora::site::test {
namespace {

using MediaTest = SiteTest;

std::string FileBytes(const std::string& name) {
    std::ifstream in(BundledDataDir() / "media" / name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

TEST_F(MediaTest, MediaAddressesAnswerWithTypeLengthAndTheFileItself) {
    struct Case {
        std::string path;
        std::string type;
        std::string file;
    };
    const std::vector<Case> cases = {
        {"/media/demo-a.mp4", "video/mp4", "demo-a.mp4"},   {"/media/demo-b.mp4", "video/mp4", "demo-b.mp4"},
        {"/media/demo.flv", "video/x-flv", "demo.flv"},     {"/media/song.mp3", "audio/mpeg", "song.mp3"},
        {"/mv/12345/temp.flv", "video/x-flv", "demo.flv"},  {"/mv/6162/temp.flv", "video/x-flv", "demo.flv"},
        {"/k0012qlx7s1.flv", "video/x-flv", "demo.flv"},    {"/anything_else.flv", "video/x-flv", "demo.flv"},
        {"/media/b/shinian.mp3", "audio/mpeg", "song.mp3"}, {"/media/c/yueliang.mp3", "audio/mpeg", "song.mp3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string bytes = FileBytes(c.file);
        ASSERT_GT(bytes.size(), 10000u);
        const httplib::Response media = Get(c.path);
        EXPECT_EQ(media.status, 200);
        EXPECT_EQ(media.get_header_value("Content-Type"), c.type);
        EXPECT_EQ(media.get_header_value("Content-Length"), std::to_string(bytes.size()));
        EXPECT_TRUE(media.body == bytes);
    }
}

TEST_F(MediaTest, ByteRangesLetPlayersSeek) {
    const std::string file = FileBytes("demo-a.mp4");
    const std::size_t size = file.size();
    struct Case {
        std::string range;
        int status;
        std::size_t first;  // expected body: file[first, first + length)
        std::size_t length;
    };
    const std::vector<Case> cases = {
        {"bytes=100-199", 206, 100, 100},
        {"bytes=0-0", 206, 0, 1},
        {"bytes=1000-", 206, 1000, size - 1000},
        {"bytes=-500", 206, size - 500, 500},
        {"bytes=-" + std::to_string(size + 100), 206, 0, size},
        {"bytes=" + std::to_string(size - 10) + "-" + std::to_string(size + 1000), 206, size - 10, 10},
        {"bytes=" + std::to_string(size) + "-", 416, 0, 0},
        {"bytes=99999999-100000000", 416, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.range);
        const httplib::Response part = Get("/media/demo-a.mp4", {{"Range", c.range}});
        EXPECT_EQ(part.status, c.status);
        if (c.status != 206) continue;
        EXPECT_EQ(part.get_header_value("Content-Range"), "bytes " + std::to_string(c.first) + "-" +
                                                              std::to_string(c.first + c.length - 1) + "/" +
                                                              std::to_string(size));
        EXPECT_EQ(part.get_header_value("Content-Length"), std::to_string(c.length));
        EXPECT_TRUE(part.body == file.substr(c.first, c.length));
    }
    EXPECT_EQ(Get("/media/demo-a.mp4").get_header_value("Accept-Ranges"), "bytes");
}

TEST_F(MediaTest, OnlyTheMediaFilesThemselvesAreServed) {
    for (const std::string path : {"/media/nothing.mp4", "/media/../catalogue.txt", "/media/%2e%2e/catalogue.txt",
                                   "/media/..%2fservices.txt", "/media/b/unknown.mp3", "/media/a/00.mp3",
                                   "/media/c/../../catalogue.txt", "/mv//temp.flv", "/mv/1/2/temp.flv"}) {
        SCOPED_TRACE(path);
        auto client = Client();
        client->set_url_encode(false);
        const httplib::Result result = client->Get(path);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 404);
    }
}

TEST_F(MediaTest, LiveStreamIsTheClipWithoutALength) {
    for (const std::string path : {"/stream/live", "/stream/channel-1/live"}) {
        SCOPED_TRACE(path);
        const httplib::Response live = Get(path);
        EXPECT_EQ(live.status, 200);
        EXPECT_EQ(live.get_header_value("Content-Type"), "video/x-flv");
        EXPECT_FALSE(live.has_header("Content-Length"));
        EXPECT_TRUE(live.body == FileBytes("demo.flv"));
    }
}

TEST_F(MediaTest, RedirectChainsTakeOneHopAtATimeToAbsoluteAddresses) {
    std::string target = "/redirect/3?to=/media/demo-b.mp4%3Fx%3D1";
    std::vector<std::string> locations;
    for (int hop = 0; hop < 5; ++hop) {
        const std::string head = RawHead(target);
        if (head.rfind("HTTP/1.1 302 ", 0) != 0) break;
        const std::string location = HeadValue(head, "Location");
        locations.push_back(location);
        ASSERT_EQ(location.rfind("http://" + Host(), 0), 0u) << location;
        target = location.substr(("http://" + Host()).size());
    }
    const std::vector<std::string> expected = {
        "http://" + Host() + "/redirect/2?to=/media/demo-b.mp4%3Fx%3D1",
        "http://" + Host() + "/redirect/1?to=/media/demo-b.mp4%3Fx%3D1",
        "http://" + Host() + "/media/demo-b.mp4?x=1",
    };
    EXPECT_EQ(locations, expected);
    EXPECT_EQ(GetAddress("http://" + Host() + "/redirect/12").get_header_value("Content-Type"), "video/mp4");
}

TEST_F(MediaTest, RedirectToAnswersWithTheAddressAsGiven) {
    struct Case {
        std::string query;
        std::string status;
        std::string location;
    };
    const std::vector<Case> cases = {
        {"?url=file:///etc/passwd", "302", "file:///etc/passwd"},
        {"?url=http://127.0.0.1:1/x.flv&status=301", "301", "http://127.0.0.1:1/x.flv"},
        {"?url=/media/demo.flv&status=307", "307", "/media/demo.flv"},
        {"?url=http://a/%3Fb=c%26d%3De&f=g", "302", "http://a/?b=c&d=e"},
        {"?url=http://a/%0D%0ASet-Cookie:%20x=1", "400", ""},
        {"?url=", "400", ""},
        {"?url=http://a/&status=200", "400", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        const std::string head = RawHead("/redirect-to" + c.query);
        EXPECT_EQ(head.substr(9, 3), c.status) << head;
        EXPECT_EQ(HeadValue(head, "Location"), c.location);
        EXPECT_EQ(HeadValue(head, "Set-Cookie"), "");
    }
    for (const std::string path : {"/redirect/0", "/redirect/1001", "/redirect/2?to=//evil.test/x",
                                   "/redirect/2?to=http://evil.test/", "/redirect/2?to=/a%0D%0Ab"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(RawHead(path).substr(0, 13), "HTTP/1.1 400 ");
    }
}

}  // namespace
}  // namespace lumora::site::test
