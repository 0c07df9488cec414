// SPDX-License-Identifier: GPL-3.0-or-later
// The service resolvers: the requests they send (checked as the server got
// them), the order the song services are asked in, and what they make of
// the answers, from lumora-site's demo services and from replies of a
// test's own.
#include "resolve/MusicResolvers.h"

#include "base/CodePage.h"

#include "ServiceServers.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace lumora {
namespace {

using namespace std::chrono_literals;
using test::ServiceStub;
using test::SiteServices;

const std::string kSearchA = "/new/app/i/search.php";
const std::string kLocatorA = "/i/";
const std::string kSearchB = "/x";
const std::string kSearchC = "/yueku/intro/musina_mmi_search.php";
const std::string kPageC = "/yueku/page/s.html";

ServiceOptions Limit(std::chrono::milliseconds limit) {
    ServiceOptions options;
    options.limit = limit;
    return options;
}

std::string Md5Hex(const std::string& bytes) {
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Md5).toHex().toStdString();
}

std::string PathOf(const std::string& target) { return target.substr(0, target.find('?')); }

std::vector<std::string> Paths(const std::vector<std::string>& targets) {
    std::vector<std::string> paths;
    for (const std::string& target : targets) paths.push_back(PathOf(target));
    return paths;
}

// Replies in the shapes the services use, around the values a test picks.
std::string SearchA(const std::string& hash) { return R"({"status":1,"data":{"info":[{"hash":")" + hash + R"("}]}})"; }
std::string LocatorA(const std::string& url) { return R"({"status":1,"url":")" + url + R"(","errcode":0})"; }
std::string SearchB(const std::string& encoded, const std::string& decoded) {
    return "<result><count>1</count><url><encode><![CDATA[" + encoded + "]]></encode><decode><![CDATA[" + decoded +
           "]]></decode></url></result>";
}
std::string SearchC(const std::string& page) { return R"({"result":{"data":[{"MP3_URL":")" + page + R"("}]}})"; }
std::string PageC(const std::string& url) {
    return R"(<embed type="audio/mpeg" url=")" + url + R"(" autostart="true">)";
}

TEST(SongKeywords, AsEachServiceReceivesThem) {
    ServiceStub stub;  // answers nothing useful, so all three services are asked
    const std::string utf8 = "%E5%91%A8%E6%9D%B0%E4%BC%A6-%E6%99%B4%E5%A4%A9";
    const std::string gbk = "%D6%DC%BD%DC%C2%D7%24%24%C7%E7%CC%EC%24%24%24%24";
    struct Case {
        const char* song;
        const char* normalised;
        std::string a, b, c;  // the keyword each search receives
    };
    const std::vector<Case> cases = {
        {"周杰伦 - 晴天", "周杰伦-晴天", utf8, gbk, utf8},
        {"周杰伦∮晴天", "周杰伦-晴天", utf8, gbk, utf8},
        {"周杰伦$$晴天", "周杰伦-晴天", utf8, gbk, utf8},
        {"周杰伦-晴天", "周杰伦-晴天", utf8, gbk, utf8},
        // "&", "#" and "+" would end or cut the query, or read as a space
        {"Me & You - #1+", "Me & You-#1+", "Me%20%26%20You-%231%2B",
         "%4D%65%20%26%20%59%6F%75%24%24%23%31%2B%24%24%24%24", "Me%20%26%20You-%231%2B"},
    };
    for (const Case& c : cases) {
        Text song(c.song);
        EXPECT_TRUE(ResolveSong(song, Limit(3s)).Empty()) << c.song;
        EXPECT_EQ(song, Text(c.normalised)) << c.song;
        EXPECT_EQ(stub.TakeTargets(), (std::vector<std::string>{
                                          kSearchA + "?cmd=300&pagesize=1&keyword=" + c.a,
                                          kSearchB + "?op=12&count=1&title=" + c.b,
                                          kSearchC + "?key=" + c.c,
                                      }))
            << c.song;
    }
}

TEST(SongKeywords, MusicVideoNameIsSentAsGbkBytes) {
    ServiceStub stub;
    Text name("七里香");
    ResolveMusicVideo(name, Limit(3s));
    EXPECT_EQ(stub.TakeTargets(),
              std::vector<std::string>{
                  "/fcgi-bin/music_json.fcg?catZhida=1&lossless=0&json=1&t=12&utf8=1&p=1&w=%C6%DF%C0%EF%CF%E3"});
}

// The locator gets the hash and the MD5 of hash + "plomvex" as lower-case
// hexadecimal; a hash with bytes a query can't hold arrives escaped.
TEST(TrackLocator, HashAndKey) {
    ServiceStub stub;
    for (const std::string hash : {"0A1B2C3D4E5F60718293A4B5C6D7E8F9", "a b&c#"}) {
        stub.Answer(kSearchA, SearchA(hash));
        ResolveSongA(Text("x"), Limit(3s));
        std::string escaped = hash == "a b&c#" ? "a%20b%26c%23" : hash;
        const std::vector<std::string> targets = stub.TakeTargets();
        ASSERT_EQ(targets.size(), 2u) << hash;
        EXPECT_EQ(targets[1], kLocatorA + "?cmd=4&hash=" + escaped + "&key=" + Md5Hex(hash + "plomvex")) << hash;
    }
}

TEST(SongFallbacks, EachServiceInTurnUntilOneIsUsable) {
    ServiceStub stub;
    const std::string pageC = "http:\\/\\/" + stub.Host() + "\\/yueku\\/page\\/s.html";
    struct Case {
        const char* name;
        std::string searchA, locatorA, searchB, searchC, pageC;
        const char* expected;
        std::vector<std::string> asked;
    };
    const std::vector<Case> cases = {
        {"A usable",
         SearchA("H"),
         LocatorA("http:\\/\\/a.test\\/dir\\/h.mp3"),
         "",
         "",
         "",
         "http://a.test/dir/h.mp3",
         {kSearchA, kLocatorA}},
        {"A of 16 bytes",
         SearchA("H"),
         LocatorA("http:\\/\\/a.b\\/c.mp3"),
         "",
         "",
         "",
         "http://a.b/c.mp3",
         {kSearchA, kLocatorA}},
        {"A https, then B",
         SearchA("H"),
         LocatorA("https:\\/\\/a.test\\/h.mp3"),
         SearchB("http://b.test/dir/Qx1y2.mp3?k=1", "晴天.mp3"),
         "",
         "",
         "http://b.test/dir/晴天.mp3",
         {kSearchA, kLocatorA, kSearchB}},
        {"A of 15 bytes, B none, then C",
         SearchA("H"),
         LocatorA("http:\\/\\/a.b\\/c.mp"),
         "",
         SearchC(pageC),
         PageC("http://c.test/s.mp3"),
         "http://c.test/s.mp3",
         {kSearchA, kLocatorA, kSearchB, kSearchC, kPageC}},
        {"no hash: no locator",
         SearchA(""),
         "",
         "",
         SearchC(pageC),
         PageC("http://c.b/d.mp3"),
         "http://c.b/d.mp3",
         {kSearchA, kSearchB, kSearchC, kPageC}},
        {"C of 15 bytes",
         "",
         "",
         "",
         SearchC(pageC),
         PageC("http://c.b/d.mp"),
         "",
         {kSearchA, kSearchB, kSearchC, kPageC}},
        {"B unusable, C last",
         "",
         "",
         SearchB("ftp://b.test/Q.mp3", "s.mp3"),
         SearchC(pageC),
         PageC("https://c.test/s.mp3"),
         "https://c.test/s.mp3",
         {kSearchA, kSearchB, kSearchC, kPageC}},
        {"none", "", "", "", "", "", "", {kSearchA, kSearchB, kSearchC}},
    };
    for (const Case& c : cases) {
        stub.Answer(kSearchA, c.searchA);
        stub.Answer(kLocatorA, c.locatorA);
        stub.Answer(kSearchB, {Utf8ToGbk(c.searchB), "text/xml; charset=gbk"});
        stub.Answer(kSearchC, c.searchC);
        stub.Answer(kPageC, c.pageC);
        Text song("s-t");
        EXPECT_EQ(ResolveSong(song, Limit(3s)).ToUtf8(), c.expected) << c.name;
        EXPECT_EQ(Paths(stub.TakeTargets()), c.asked) << c.name;
    }
}

// Replies in another encoding, and follow-up addresses that are no web
// address (a local file, a request-mode prefix), give nothing; the latter
// are never fetched.
TEST(HostileReplies, OtherEncodingsAndAddressesThatAreNoWebAddress) {
    ServiceStub stub;
    const auto utf16 = [](const std::string& ascii) {
        std::string wide;
        for (char c : ascii) wide += std::string{c, '\0'};
        return wide;
    };
    stub.Answer(kSearchA, utf16(SearchA("H")));
    stub.Answer("/json/7/", {utf16(R"({"Subject":"t","url":"http://v.test/7.mp4"})"), "application/json"});
    EXPECT_TRUE(ResolveSongA(Text("x"), Limit(3s)).Empty());
    EXPECT_TRUE(ResolveVideo56(Text("7"), Limit(3s)).Empty());
    EXPECT_EQ(Paths(stub.TakeTargets()), (std::vector<std::string>{kSearchA, "/json/7/"}));

    char pattern[] = "/tmp/lumora-song-page-XXXXXX";
    const int fd = mkstemp(pattern);
    ASSERT_GE(fd, 0);
    close(fd);
    std::ofstream(pattern) << PageC("http://evil.test/secret.mp3");
    for (const std::string& page : {std::string(pattern), "file://" + std::string(pattern),
                                    "head@http:\\/\\/" + stub.Host() + "\\/yueku\\/page\\/s.html"}) {
        stub.Answer(kSearchC, SearchC(page));
        stub.Answer(kPageC, PageC("http://c.test/s.mp3"));
        EXPECT_TRUE(ResolveSongC(Text("x"), Limit(3s)).Empty()) << page;
        EXPECT_EQ(Paths(stub.TakeTargets()), std::vector<std::string>{kSearchC}) << page;
    }
    std::filesystem::remove(pattern);
}

// An abandoned resolution makes no further request.
TEST(Abandoned, NoFurtherRequest) {
    ServiceStub stub;
    stub.Answer(kSearchA, SearchA("H"));
    int asked = 0;
    ServiceOptions options = Limit(3s);
    options.abandoned = [&] { return ++asked > 1; };  // after the first request
    Text song("s-t");
    EXPECT_TRUE(ResolveSong(song, options).Empty());
    EXPECT_EQ(Paths(stub.TakeTargets()), std::vector<std::string>{kSearchA});
}

class SiteResolvers : public testing::Test {
protected:
    Text Address(const std::string& path) const { return site.Address(path); }
    SiteServices site;
};

TEST_F(SiteResolvers, Songs) {
    const site::Song* qingtian = site.FindSong("周杰伦-晴天");
    ASSERT_NE(qingtian, nullptr);
    struct Case {
        const char* song;
        Text expected;
    };
    const std::vector<Case> cases = {
        {"周杰伦 - 晴天", Address("/media/a/" + qingtian->hash + ".mp3")},  // A
        {"陈奕迅∮十年", Address("/media/b/shinian.mp3")},                   // B only
        {"邓丽君$$月亮代表我的心", Address("/media/c/yueliang.mp3")},       // C only
        {"许巍 - 蓝莲花", Address("/media/b/lanlianhua.mp3")},              // A answers https, then B
        {"朴树-平凡之路", Address("/media/c/pingfan.mp3")},                 // A answers https, B none, then C
        {"Lumora - Demo Song", Address("/media/a/" + site.FindSong("Lumora-Demo Song")->hash + ".mp3")},
        {"无名 - 无歌", Text()},
    };
    for (const Case& c : cases) {
        Text song(c.song);
        EXPECT_EQ(ResolveSong(song, Limit(3s)).ToUtf8(), c.expected.ToUtf8()) << c.song;
    }
}

TEST_F(SiteResolvers, MusicVideos) {
    struct Case {
        const char* name;
        Text file;
        const char* title;
    };
    const std::vector<Case> cases = {
        {"七里香", Address("/k0012qlx7s1.flv"), "七里香"},
        {"Lumora Demo MV", Address("/lumorademo1.flv"), "Lumora Demo MV"},
        {"无此视频", Text(), ""},
    };
    for (const Case& c : cases) {
        Text name(c.name);
        const Text result = ResolveMusicVideo(name, Limit(3s));
        EXPECT_EQ(name.ToUtf8(), c.file.ToUtf8()) << c.name;
        EXPECT_EQ(result, c.file + "$|$" + c.title) << c.name;
    }
}

TEST_F(SiteResolvers, Videos56) {
    const std::vector<std::pair<const char*, Text>> cases = {
        {"123456", Address("/media/demo-a.mp4") + "$|$西湖风光"},
        {"MTAwMDAx", Address("/media/demo-b.mp4") + "$|$夏日海滩"},
        {"404", Text()},
    };
    for (const auto& [number, expected] : cases)
        EXPECT_EQ(ResolveVideo56(Text(number), Limit(3s)).ToUtf8(), expected.ToUtf8()) << number;
}

// A reply in GBK where UTF-8 is expected keeps its ASCII address; the title
// comes out with replacement characters instead of broken bytes.
TEST_F(SiteResolvers, Video56InGbk) {
    const std::vector<Text> parts = ResolveVideo56(Text("lumora-gbk"), Limit(3s)).Split(Text("$|$"));
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0], Address("/media/demo-a.mp4"));
    EXPECT_TRUE(parts[1].Contains(Text("\uFFFD")));
    EXPECT_EQ(Text::FromUtf8(parts[1].ToUtf8()), parts[1]);
}

// Stalls, garbage, markers with empty values and addresses too short: no
// usable address, and no wait past the request limit.
TEST_F(SiteResolvers, HostileAnswersGiveNoAddress) {
    const auto limit = 300ms;
    const auto song = [limit](Text (*resolver)(const Text&, const ServiceOptions&)) {
        return [=](const Text& keyword) {
            const Text address = resolver(keyword, Limit(limit));
            return UsableSongAddress(address) ? address : Text();
        };
    };
    const std::vector<std::pair<const char*, std::function<Text(const Text&)>>> resolvers = {
        {"A", song(ResolveSongA)},
        {"B", song(ResolveSongB)},
        {"C", song(ResolveSongC)},
        {"song",
         [=](const Text& keyword) {
             Text text = keyword;
             return ResolveSong(text, Limit(limit));
         }},
        {"music video",
         [=](const Text& keyword) {
             Text name = keyword;
             ResolveMusicVideo(name, Limit(limit));
             return name;
         }},
        {"56", [=](const Text& keyword) { return ResolveVideo56(keyword, Limit(limit)); }},
    };
    // Stalls last: each holds one of the site's few connection threads.
    for (const char* keyword : {"lumora-garbage", "lumora-empty", "lumora-short", "lumora-stall"}) {
        for (const auto& [name, resolve] : resolvers) {
            const auto start = std::chrono::steady_clock::now();
            EXPECT_EQ(resolve(Text(keyword)).ToUtf8(), "") << name << " " << keyword;
            // the song resolver may wait out three stalling services
            EXPECT_LT(std::chrono::steady_clock::now() - start, 3 * limit + 2s) << name << " " << keyword;
        }
    }
}

}  // namespace
}  // namespace lumora
