// SPDX-License-Identifier: GPL-3.0-or-later
// The stand-in services, asked the way the player's resolvers ask them (its
// own keyword codings and digest) and read through the markers they read.
#include "SiteFixture.h"

#include "base/CodePage.h"
#include "script/Codings.h"
#include "site/Services.h"

#include <chrono>
#include <thread>

namespace lumora::site::test {
namespace {

using ServicesTest = SiteTest;

std::string ScriptEncoded(const std::string& utf8) { return UriEncode(Text::FromUtf8(utf8), true).Bytes(); }
std::string ByteEncoded(const std::string& utf8) { return UriEncode(Text::FromUtf8(utf8), false).Bytes(); }

std::string SearchAPath(const std::string& song) {
    return "/new/app/i/search.php?cmd=300&pagesize=1&keyword=" + ScriptEncoded(song);
}
std::string LocatorPath(const std::string& hash, const std::string& key) {
    return "/i/?cmd=4&hash=" + hash + "&key=" + key;
}
std::string TrackKey(const std::string& hash) { return ScriptDigest(Text::Gbk(hash) + kTrackKeySuffix).Bytes(); }
std::string SearchBPath(const std::string& keyword) { return "/x?op=12&count=1&title=" + ByteEncoded(keyword); }
std::string SearchCPath(const std::string& song) {
    return "/yueku/intro/musina_mmi_search.php?key=" + ScriptEncoded(song);
}
std::string MusicVideoPath(const std::string& name) {
    return "/fcgi-bin/music_json.fcg?catZhida=1&lossless=0&json=1&t=12&utf8=1&p=1&w=" + ByteEncoded(name);
}

// The address each song service gives for "singer-title", found as a
// resolver finds it; empty when the service gives none.
std::string ResolveA(const std::string& song) {
    const std::string hash = Between(SiteTest::Get(SearchAPath(song)).body, "hash\":\"", "\"");
    if (hash.empty()) return {};
    return Unslash(Between(SiteTest::Get(LocatorPath(hash, TrackKey(hash))).body, "url\":\"", "\""));
}

std::string ResolveB(const std::string& song) {
    const std::size_t dash = song.find('-');
    const std::string reply =
        SiteTest::Get(SearchBPath(song.substr(0, dash) + "$$" + song.substr(dash + 1) + "$$$$")).body;
    const std::string encoded = Between(reply, "<encode><![CDATA[", "]]></encode>");
    const std::string decoded = Between(reply, "<decode><![CDATA[", "]]></decode>");
    if (encoded.empty()) return {};
    return encoded.substr(0, encoded.rfind('/') + 1) + decoded;  // last path component replaced
}

std::string ResolveC(const std::string& song) {
    const std::string page = Unslash(Between(SiteTest::Get(SearchCPath(song)).body, "MP3_URL\":\"", "\""));
    if (page.empty()) return {};
    return Between(SiteTest::GetAddress(page).body, "url=\"", "\"");
}

TEST_F(ServicesTest, EachSongServiceKnowsItsOwnSongsSoFallbacksCanBeShown) {
    struct Case {
        std::string song;
        std::string a, b, c;  // scheme of each service's address; empty: none
    };
    const std::vector<Case> cases = {
        {"周杰伦-晴天", "http", "http", "http"},
        {"王菲-红豆", "http", "http", ""},
        {"Beyond-海阔天空", "http", "", ""},
        {"陈奕迅-十年", "", "http", ""},            // unknown to A, known to B
        {"邓丽君-月亮代表我的心", "", "", "http"},  // only C
        {"许巍-蓝莲花", "https", "http", ""},       // A answers with an address a player can't take
        {"朴树-平凡之路", "https", "", "http"},
        {"Lumora-Demo Song", "http", "http", "http"},
        {"无名-未知之歌", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.song);
        const std::string addresses[] = {ResolveA(c.song), ResolveB(c.song), ResolveC(c.song)};
        const std::string schemes[] = {c.a, c.b, c.c};
        const char* services[] = {"/media/a/", "/media/b/", "/media/c/"};
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(services[i]);
            const std::string& address = addresses[i];
            if (schemes[i].empty()) {
                EXPECT_EQ(address, "");
                continue;
            }
            ASSERT_EQ(address.rfind(schemes[i] + "://" + Host() + services[i], 0), 0u) << address;
            if (schemes[i] != "http") continue;
            const httplib::Response media = GetAddress(address);
            EXPECT_EQ(media.status, 200);
            EXPECT_EQ(media.get_header_value("Content-Type"), "audio/mpeg");
        }
    }
}

TEST_F(ServicesTest, TrackLocatorTakesOnlyTheLowerCaseDigestOfHashAndSuffix) {
    const std::string hash = Between(Get(SearchAPath("周杰伦-晴天")).body, "hash\":\"", "\"");
    ASSERT_EQ(hash.size(), 32u);
    const std::string otherHash = Between(Get(SearchAPath("王菲-红豆")).body, "hash\":\"", "\"");
    const std::string key = TrackKey(hash);
    std::string upperKey = key;
    for (char& c : upperKey) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string lowerHash = hash;
    for (char& c : lowerHash) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    struct Case {
        std::string name, hash, key;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"the digest of hash + suffix", hash, key, true},
        {"the digest over the hash as sent", lowerHash, TrackKey(lowerHash), true},
        {"upper-case digest", hash, upperKey, false},
        {"digest of the hash alone", hash, ScriptDigest(Text::Gbk(hash)).Bytes(), false},
        {"digest over another spelling of the hash", hash, TrackKey(lowerHash), false},
        {"another song's key", hash, TrackKey(otherHash), false},
        {"no key", hash, "", false},
        {"key with a suffix", hash, key + "0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string reply = Get(LocatorPath(c.hash, c.key)).body;
        EXPECT_EQ(reply.find("url\":\"") != std::string::npos, c.accepted) << reply;
    }
    EXPECT_EQ(Between(Get(LocatorPath(hash, key)).body, "url\":\"", "\""),
              "http:\\/\\/" + Host() + "\\/media\\/a\\/" + hash + ".mp3");
}

TEST_F(ServicesTest, KeywordsAreReadInTheEncodingEachServiceExpects) {
    // B and the music-video search decode GBK bytes; sent as UTF-8 bytes the
    // same names are strangers.
    EXPECT_NE(ResolveB("陈奕迅-十年"), "");
    const std::string utf8Bytes = "/x?op=12&count=1&title=" + ScriptEncoded("陈奕迅$$十年$$$$");
    EXPECT_EQ(Get(utf8Bytes).body.find("<encode>"), std::string::npos);

    const std::string reply = Get(MusicVideoPath("七里香")).body;
    EXPECT_EQ(Between(reply, "mv_name:\"", "\""), Utf8ToGbk("七里香"));
    const std::string videoId = Between(reply, "v_id:\"", "\"");
    EXPECT_EQ(videoId, "k0012qlx7s1");
    EXPECT_EQ(Get("/" + videoId + ".flv").get_header_value("Content-Type"), "video/x-flv");
    EXPECT_EQ(Between(Get(MusicVideoPath("Lumora Demo MV")).body, "v_id:\"", "\""), "lumorademo1");
    const std::string asUtf8 =
        "/fcgi-bin/music_json.fcg?catZhida=1&lossless=0&json=1&t=12&utf8=1&p=1&w=" + ScriptEncoded("七里香");
    EXPECT_EQ(Get(asUtf8).body.find("v_id:\""), std::string::npos);

    // The 56 service answers in UTF-8, its address with plain slashes.
    const httplib::Response info = Get("/json/123456/");
    EXPECT_EQ(SanitizeUtf8(info.body), info.body);
    EXPECT_EQ(Between(info.body, "Subject\":\"", "\""), "西湖风光");
    const std::string address = Between(info.body, "url\":\"", "\"");
    EXPECT_EQ(GetAddress(address).get_header_value("Content-Type"), "video/mp4");
    // … except for the keyword that asks for GBK.
    const std::string gbk = Get("/json/lumora-gbk/").body;
    EXPECT_NE(SanitizeUtf8(gbk), gbk);
    EXPECT_EQ(Between(gbk, "Subject\":\"", "\""), Utf8ToGbk("西湖风光"));
}

TEST_F(ServicesTest, SongKeysReadEveryJoinOfSingerAndTitleAlike) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"周杰伦-晴天", "周杰伦-晴天"},
        {"周杰伦 - 晴天", "周杰伦-晴天"},
        {"周杰伦$$晴天", "周杰伦-晴天"},
        {"周杰伦∮晴天", "周杰伦-晴天"},
        {"  Lumora-Demo Song ", "lumora-demo song"},
        {"LUMORA-STALL", "lumora-stall"},
        {"", ""},
    };
    for (const auto& [keyword, key] : cases) EXPECT_EQ(SongKey(keyword), key) << keyword;
}

struct Endpoint {
    std::string name;
    std::function<std::string(const std::string& keyword)> path;
    std::vector<std::pair<std::string, std::string>> markers;  // start marker, what ends its value
};

std::vector<Endpoint> Endpoints() {
    return {
        {"A", SearchAPath, {{"hash\":\"", "\""}}},
        {"B",
         [](const std::string& k) { return SearchBPath(k + "$$$$"); },
         {{"<encode><![CDATA[", "]]>"}, {"<decode><![CDATA[", "]]>"}}},
        {"C", SearchCPath, {{"MP3_URL\":\"", "\""}}},
        {"music video", MusicVideoPath, {{"mv_name:\"", "\""}, {"v_id:\"", "\""}}},
        {"56", [](const std::string& k) { return "/json/" + k + "/"; }, {{"Subject\":\"", "\""}, {"url\":\"", "\""}}},
    };
}

TEST_F(ServicesTest, HostileKeywordsGiveEmptyValuesGarbageOrNoMarkers) {
    for (const Endpoint& endpoint : Endpoints()) {
        SCOPED_TRACE(endpoint.name);
        const httplib::Response empty = Get(endpoint.path("lumora-empty"));
        const httplib::Response garbage = Get(endpoint.path("lumora-garbage"));
        const httplib::Response unknown = Get(endpoint.path("nobody-nothing"));
        EXPECT_EQ(empty.status, 200);
        EXPECT_TRUE(garbage.body == GarbageBytes());
        for (const auto& [marker, end] : endpoint.markers) {
            SCOPED_TRACE(marker);
            EXPECT_NE(empty.body.find(marker + end), std::string::npos) << empty.body;
            EXPECT_EQ(garbage.body.find(marker), std::string::npos);
            EXPECT_EQ(unknown.body.find(marker), std::string::npos) << unknown.body;
        }
    }
    // Too-short addresses, as the resolvers must refuse them.
    EXPECT_EQ(ResolveA("lumora-short").size(), 15u);
    EXPECT_EQ(ResolveC("lumora-short").size(), 15u);
    EXPECT_EQ(Between(Get("/json/lumora-short/").body, "url\":\"", "\"").size(), 11u);
}

TEST_F(ServicesTest, StallingAnswersSendTheirStartAndThenNothing) {
    using Clock = std::chrono::steady_clock;
    std::vector<std::string> paths;
    for (const Endpoint& endpoint : Endpoints()) paths.push_back(endpoint.path("lumora-stall"));
    paths.push_back("/hostile/stall?seconds=3");
    paths.push_back("/hostile/silent?seconds=3");
    // All at once: each waits out its own read limit.
    struct Outcome {
        bool failed = false;
        Clock::duration elapsed{};
        std::string received;
    };
    std::vector<Outcome> outcomes(paths.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        threads.emplace_back([&, i] {
            auto client = Client();
            client->set_read_timeout(1);
            const auto start = Clock::now();
            std::string received;
            const httplib::Result result = client->Get(paths[i], [&](const char* data, std::size_t length) {
                received.append(data, length);
                return true;
            });
            outcomes[i] = {!result, Clock::now() - start, received};
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (std::size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(paths[i]);
        EXPECT_TRUE(outcomes[i].failed);  // the read timed out
        EXPECT_GE(outcomes[i].elapsed, std::chrono::milliseconds(900));
        EXPECT_LT(outcomes[i].elapsed, std::chrono::seconds(3));
        // The start of an answer arrived, except from the one that stays silent.
        EXPECT_EQ(outcomes[i].received.empty(), paths[i].starts_with("/hostile/silent"));
    }
}

}  // namespace
}  // namespace lumora::site::test
