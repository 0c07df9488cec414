// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/Catalogue.h"

#include "CatalogueServer.h"
#include "base/Config.h"
#include "catalogue/ListImage.h"
#include "catalogue/ListPageReader.h"
#include "web/WebText.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

void PrintTo(const Text& text, std::ostream* out) { *out << '"' << text.ToUtf8() << '"'; }
void PrintTo(const ListRow& row, std::ostream* out) {
    *out << "{" << row.id.ToUtf8() << ", " << row.title.ToUtf8() << ", " << row.image.ToUtf8() << "}";
}

namespace {

using test::CatalogueServer;

// One list entry as the site writes it; the title attribute ends in a blank.
std::string Entry(const std::string& id, const std::string& title) {
    return "<li><div class=\"pic\"><img src=\"/pic/" + id + ".jpg\"></div><a href=\"/vod/index.php?id=" + id +
           "\" target=\"_blank\" title=\"" + title + " \" alt=\"" + title + "\">" + title + "</a></li>\n";
}

std::string ListPage(const std::string& entries) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head><body><ul>\n" + entries +
           "</ul></body></html>\n";
}

std::vector<ListRow> Rows(std::initializer_list<std::pair<const char*, const char*>> rows) {
    std::vector<ListRow> out;
    for (const auto& [id, title] : rows) out.push_back({Text(id), Text(title), Text()});
    return out;
}

Config WithCatalogueHost(const std::string& host) {
    Config config = Config::Defaults();
    config.catalogueHost = Text::FromUtf8(host);
    return config;
}

const char* const kTablePaths[] = {
    "/vodlist/index.php?id=27",        "/vodlist/index.php?id=32",        "/vodlist/index.php?id=32&page=2",
    "/vodlist/index.php?id=32&page=3", "/vodlist/index.php?id=32&page=4", "/vodlist/index.php?id=35",
    "/vodlist/index.php?id=35&page=2", "/vodlist/index.php?id=35&page=3", "/vodlist/index.php?id=35&page=4",
    "/vodlist/index.php?id=39",        "/vodlist/index.php?id=39&page=2", "/vodlist/index.php?id=39&page=3",
    "/vodlist/index.php?id=39&page=4",
};

TEST(Batches, AddressOfEachBatch) {
    ScopedConfigOverride config(WithCatalogueHost("site.test:8080"));
    EXPECT_EQ(BatchAddress(1, true), "http://site.test:8080/");
    EXPECT_EQ(BatchAddress(1), "http://site.test:8080");
    for (int n = 2; n <= 14; ++n) EXPECT_EQ(BatchAddress(n), Text("http://site.test:8080") + kTablePaths[n - 2]) << n;
    for (int n : {0, -1, 15, 1000}) {
        EXPECT_EQ(BatchAddress(n), "") << n;
        EXPECT_EQ(BatchAddress(n, true), "") << n;
        EXPECT_EQ(NextBatchNumber(n), 1) << n;
    }
}

TEST(Batches, CycleFromStartUpWrapsToTheBareAddress) {
    ScopedConfigOverride config(WithCatalogueHost("site.test"));
    BatchPage batch = StartUpBatch();
    EXPECT_EQ(batch.batchNumber, 1);
    EXPECT_EQ(batch.address, "http://site.test/");
    for (int step = 1; step <= 13; ++step) {
        batch = FollowingBatch(batch.batchNumber);
        EXPECT_EQ(batch.batchNumber, step + 1);
        EXPECT_EQ(batch.address, Text("http://site.test") + kTablePaths[step - 1]);
    }
    EXPECT_EQ(batch.address, "http://site.test/vodlist/index.php?id=39&page=4");
    batch = FollowingBatch(batch.batchNumber);
    EXPECT_EQ(batch.batchNumber, 1);
    EXPECT_EQ(batch.address, "http://site.test");
    batch = FollowingBatch(batch.batchNumber);
    EXPECT_EQ(batch.batchNumber, 2);
    EXPECT_EQ(batch.address, "http://site.test/vodlist/index.php?id=27");
}

TEST(Batches, TitleText) {
    struct Case {
        int batch, count;
        const char* title;
    };
    const Case cases[] = {
        {1, 0, "第1批共14批搜索到：0个视频"},
        {2, 7, "第2批共14批搜索到：7个视频"},
        {14, 10000, "第14批共14批搜索到：10000个视频"},
    };
    for (const Case& c : cases) EXPECT_EQ(ListTitleText(c.batch, c.count), c.title);
}

TEST(ListExtraction, RowsInPageOrder) {
    struct Case {
        const char* what;
        std::string page;
        std::vector<ListRow> rows;
    };
    const std::vector<Case> cases = {
        {"plain entries, a duplicate kept",
         ListPage(Entry("101", "夏日 海边") + Entry("7", "Rain") + Entry("101", "夏日 海边")),
         Rows({{"101", "夏日 海边"}, {"7", "Rain"}, {"101", "夏日 海边"}})},
        {"a title with a line break is skipped",
         ListPage(Entry("1", "一") + Entry("2", "第一行\n第二行") + Entry("3", "三")),
         Rows({{"1", "一"}, {"3", "三"}})},
        {"an identifier that is not all digits is skipped",
         ListPage(Entry("12a", "x") + Entry("a12", "y") + Entry("", "z") + Entry("4", "四")), Rows({{"4", "四"}})},
        {"only the one blank before the quote is cut", ListPage(Entry("5", " 前后 ") + Entry("6", "")),
         Rows({{"5", " 前后 "}, {"6", ""}})},
        {"markup in capitals still matches",
         R"(</DIV><A HREF="/VOD/INDEX.PHP?ID=9" TARGET="_blank" TITLE="大写 " ALT="x">)", Rows({{"9", "大写"}})},
        {"an entry without the leading div is not listed",
         R"(<p><a href="/vod/index.php?id=8" target="_blank" title="x " alt="x"></p>)",
         {}},
        {"no list at all", "<html><body>维护中</body></html>", {}},
        {"not HTML", R"({"videos":[{"id":1,"title":"x"}]})", {}},
        {"empty page", "", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(ExtractListRows(Text::FromUtf8(c.page)), c.rows) << c.what;
}

TEST(ListExtraction, PagesThatAreNotUtf8GiveNoRows) {
    const std::string page = ListPage(Entry("1", "a") + Entry("2", "b"));
    // The same markup as UTF-16: the text ends at the first zero byte.
    std::string utf16 = "\xFF\xFE";
    for (char c : page) utf16 += std::string{c, '\0'};
    EXPECT_TRUE(ExtractListRows(Utf8BytesToText(utf16)).empty());

    std::mt19937 random(7);
    std::string noise(256 * 1024, '\0');
    for (char& c : noise) c = static_cast<char>(random() % 255 + 1);  // no zero byte to end the text early
    EXPECT_TRUE(ExtractListRows(Utf8BytesToText(noise)).empty());
}

// The rows a reader finds when `page` arrives in pieces of `piece` bytes,
// each with its image source as written.
std::vector<ListRow> ReadInPieces(const std::string& page, std::size_t piece) {
    ListPageReader reader;
    reader.Restart();
    for (std::size_t at = 0; at < page.size(); at += piece) reader.Take(std::string_view(page).substr(at, piece));
    const ListPageRows rows = reader.Finish();
    std::vector<ListRow> out;
    for (int i = 0; i < rows.Count(); ++i)
        out.push_back({Text::FromUtf8(rows.Id(i)), Text::FromUtf8(rows.Title(i)), Text::FromUtf8(rows.Image(i))});
    return out;
}

std::vector<ListRow> WithoutImages(std::vector<ListRow> rows) {
    for (ListRow& row : rows) row.image = Text();
    return rows;
}

// The reader matches blocks of whole lines as they come; whatever the
// pieces, it must find what the pattern finds over the whole body.
TEST(ListPageReader, SameRowsAsTheWholeBodyWhateverThePieces) {
    std::string many;
    for (int i = 0; i < 3000; ++i) many += Entry(std::to_string(i), "第" + std::to_string(i) + "集");
    const std::string longLine(150 * 1024, 'z');  // longer than a block, no line feed
    const std::string pages[] = {
        ListPage(Entry("101", "夏日 海边") + Entry("7", "Rain") + Entry("101", "夏日 海边")),
        ListPage(Entry("1", "一") + Entry("2", "第一行\n第二行") + Entry("3", "三")),
        ListPage(many),
        ListPage(Entry("1", "前") + longLine + Entry("2", "长行之后") + Entry("3", "后")),
        ListPage(Entry("1", "坏\xE4\xB8") + Entry("2", "\xFF\xFE") + many.substr(0, 5000)),
        ListPage(Entry("1", "零之前") + std::string(1, '\0') + Entry("2", "零之后") + many),
        // An entry's image blocks away from its anchor, and one cut off by an anchor's end.
        ListPage("<li><img src=\"/far.jpg\">\n" + longLine + "\n" + longLine + "\n" +
                 Entry("1", "远").substr(Entry("1", "远").find("</div>")) + "<li><img src=\"/cut.jpg\"></a>\n" +
                 longLine + "\n</div><a href=\"/vod/index.php?id=2\" target=\"_blank\" title=\"断 \" alt=>\n"),
        "",
    };
    for (const std::string& page : pages) {
        const std::vector<ListRow> whole = ReadInPieces(page, page.size() + 1);
        EXPECT_EQ(WithoutImages(whole), ExtractListRows(Utf8BytesToText(page))) << page.substr(0, 100);
        EXPECT_FALSE(page.size() > 100 && whole.empty()) << page.substr(0, 200);
        for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, std::size_t{65536 + 3}})
            EXPECT_EQ(ReadInPieces(page, piece), whole) << page.substr(0, 100) << " in pieces of " << piece;
    }
}

TEST(ListPageReader, ARestartDropsWhatCameBefore) {
    const std::string first = ListPage(Entry("1", "重定向页"));
    const std::string second = ListPage(Entry("2", "最终页") + Entry("3", "另一个"));
    ListPageReader reader;
    reader.Restart();
    reader.Take(first);
    reader.Take(std::string(1, '\0'));  // a zero byte ends only this response's text
    reader.Restart();
    reader.Take(second);
    const ListPageRows rows = reader.Finish();
    ASSERT_EQ(rows.Count(), 2);
    EXPECT_EQ(rows.Id(0), "2");
    EXPECT_EQ(rows.Title(1), "另一个");
}

// The image address of each row of `page`, read at `pageAddress`.
std::vector<std::string> RowImages(const std::string& page, const char* pageAddress = "http://site.test/vodlist/x.php?id=1") {
    const ListImageResolver resolver{Text(pageAddress)};
    std::vector<std::string> images;
    for (const ListRow& row : ReadInPieces(page, page.size() + 1))
        images.push_back(resolver.Resolve(row.image.ToUtf8()).ToUtf8());
    return images;
}

// An entry as `before` + the anchor the list pattern matches + the anchor's end.
std::string Anchor(const std::string& before, const std::string& id = "1") {
    return before + "</div><a href=\"/vod/index.php?id=" + id + "\" target=\"_blank\" title=\"t \" alt=\"t\">t</a>\n";
}

TEST(ListImages, EachRowTakesTheImageOfItsOwnEntry) {
    struct Case {
        const char* what;
        std::string page;
        std::vector<std::string> images;
    };
    const std::vector<Case> cases = {
        {"the site's markup", Anchor("<li><div class=\"pic\"><img src=\"/img/1.jpg\" alt=\"\">"),
         {"http://site.test/img/1.jpg"}},
        {"relative to the page's folder", Anchor("<img src=\"pic/1.jpg\">"), {"http://site.test/vodlist/pic/1.jpg"}},
        {"capitals, single quotes", Anchor("<IMG ALT='x' SRC='/A.JPG'>"), {"http://site.test/A.JPG"}},
        {"unquoted, blanks around the equals sign", Anchor("<img src = /u.jpg alt=x>"), {"http://site.test/u.jpg"}},
        {"data-src is not src", Anchor("<img data-src=\"/lazy.jpg\" src=\"/real.jpg\">"), {"http://site.test/real.jpg"}},
        {"the nearest of two images", Anchor("<img src=\"/a.jpg\"><img src=\"/b.jpg\">"), {"http://site.test/b.jpg"}},
        {"on the line before the anchor", Anchor("<li>\n<img src=\"/up.jpg\">\n<div>"), {"http://site.test/up.jpg"}},
        {"character references", Anchor("<img src=\"/i.php?a=1&amp;b=&#50;&#x33;\">"),
         {"http://site.test/i.php?a=1&b=23"}},
        {"blanks around, dot segments, other characters",
         Anchor("<img src=\"  /a/../b/./中 文.jpg \">"), {"http://site.test/b/%E4%B8%AD%20%E6%96%87.jpg"}},
        {"another host, scheme-relative", Anchor("<img src=\"//cdn.test/c.jpg\">"), {"http://cdn.test/c.jpg"}},
        {"https kept", Anchor("<img src=\"https://cdn.test/s.jpg\">"), {"https://cdn.test/s.jpg"}},
        {"a local file is no image", Anchor("<img src=\"file:///etc/passwd\">"), {""}},
        {"nor another scheme", Anchor("<img src=\"javascript:alert(1)\">"), {""}},
        {"an img without src", Anchor("<img alt=\"/x.jpg\">"), {""}},
        {"an unterminated quote", Anchor("<img src=\"/x.jpg>"), {""}},
        {"a tag that only starts like img", Anchor("<imgx src=\"/x.jpg\"><image src=\"/y.jpg\">"), {""}},
        {"the image of a skipped entry stays behind its anchor's end",
         Anchor("<img src=\"/skipped.jpg\">", "12a") + Anchor("<li>", "2"), {""}},
        {"nor does the image of the row before carry over",
         Anchor("<img src=\"/one.jpg\">", "1") + Anchor("", "2") + Anchor("<img src=\"/three.jpg\">", "3"),
         {"http://site.test/one.jpg", "", "http://site.test/three.jpg"}},
        {"no entry markup before the anchor", Anchor(""), {""}},
    };
    for (const Case& c : cases) EXPECT_EQ(RowImages(c.page), c.images) << c.what;
    // Resolution follows the page's own address.
    EXPECT_EQ(RowImages(Anchor("<img src=\"p.jpg\">"), "https://other.test:8443/list/"),
              std::vector<std::string>{"https://other.test:8443/list/p.jpg"});
    EXPECT_EQ(RowImages(Anchor("<img src=\"/p.jpg\">"), "http://127.0.0.1:8600"),
              std::vector<std::string>{"http://127.0.0.1:8600/p.jpg"});
}

TEST(VideoAddress, BetweenTheMarkers) {
    struct Case {
        const char* what;
        const char* page;
        const char* address;
    };
    const Case cases[] = {
        {"the example", "var video=['/v/a.mp4->video/mp4'];", "/v/a.mp4"},
        {"inside a script", "<script>\nvar video=['http://m.test/视频/1.mp4->video/mp4'];\nplayer(video);</script>",
         "http://m.test/视频/1.mp4"},
        {"start marker twice: from the first one to the first end after it",
         "var video=['a var video=['b->video/mp4'];", "a var video=['b"},
        {"two arrays: the first one", "var video=['1->video/mp4']; var video=['2->video/mp4'];", "1"},
        {"end marker only before the start", "->video/mp4']; var video=['x.mp4", ""},
        {"end marker before and after the start", "->video/mp4']; var video=['y.mp4->video/mp4'];", "y.mp4"},
        {"no start marker", "x.mp4->video/mp4'];", ""},
        {"no end marker", "var video=['x.mp4->video/flv'];", ""},
        {"markers are case-sensitive", "VAR VIDEO=['x.mp4->video/mp4'];", ""},
        {"an empty address", "var video=['->video/mp4'];", ""},
        {"empty page", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ExtractVideoAddress(Text(c.page)), c.address) << c.what;
}

TEST(VideoAddress, DetailPageAddress) {
    ScopedConfigOverride config(WithCatalogueHost("site.test:81"));
    EXPECT_EQ(DetailPageAddress(Text("123")), "http://site.test:81/vod/index.php?id=123");
    EXPECT_EQ(DetailPageAddress(Text()), "http://site.test:81/vod/index.php?id=");
}

// Every list page names its own target in its titles, so a test can tell
// which page each fetch read.
std::pair<std::string, std::string> SitePage(const httplib::Request& request) {
    if (request.path == "/vod/index.php") {
        const std::string id = request.get_param_value("id");
        return {"<html><script>var video=['http://media.test/" + id + ".mp4->video/mp4'];</script></html>",
                "text/html; charset=utf-8"};
    }
    const std::string label = request.path == "/" ? std::string("首页") : request.target;
    return {ListPage(Entry("11", label + " 甲") + Entry("12", label + " 乙")), "text/html; charset=utf-8"};
}

TEST(CatalogueFetch, EveryBatchAndTheWrap) {
    CatalogueServer server(SitePage);
    ScopedConfigOverride config(WithCatalogueHost(server.Host()));

    BatchPage batch = StartUpBatch();
    std::vector<std::string> expectedTargets = {"/"};
    std::vector<std::vector<ListRow>> pages = {FetchListPage(batch.address)};
    for (int step = 1; step <= 14; ++step) {
        batch = FollowingBatch(batch.batchNumber);
        expectedTargets.push_back(step <= 13 ? kTablePaths[step - 1] : "/");
        pages.push_back(FetchListPage(batch.address));
    }
    EXPECT_EQ(server.TakeTargets(), expectedTargets);
    ASSERT_EQ(pages.size(), 15u);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const std::string label = expectedTargets[i] == "/" ? std::string("首页") : expectedTargets[i];
        const Text pictures = Text::FromUtf8("http://" + server.Host() + "/pic/");
        EXPECT_EQ(pages[i], (std::vector<ListRow>{{Text("11"), Text::FromUtf8(label + " 甲"), pictures + "11.jpg"},
                                                  {Text("12"), Text::FromUtf8(label + " 乙"), pictures + "12.jpg"}}))
            << expectedTargets[i];
    }
}

TEST(CatalogueFetch, VideoAddressFromTheDetailPage) {
    CatalogueServer server(SitePage);
    ScopedConfigOverride config(WithCatalogueHost(server.Host()));
    EXPECT_EQ(FetchVideoAddress(Text("123")), "http://media.test/123.mp4");
    EXPECT_EQ(server.TakeTargets(), std::vector<std::string>{"/vod/index.php?id=123"});
}

// A detail page names a network stream, never a local file.
TEST(CatalogueFetch, DetailPagesNeverNameLocalFiles) {
    struct Case {
        const char* named;
        const char* address;
    };
    const Case cases[] = {
        {"file:///etc/passwd", ""},
        {"/home/someone/v.mp4", ""},
        {"v.mp4", ""},
        {"rtmp://media.test/live", "rtmp://media.test/live"},
        {"https://media.test/v.mp4", "https://media.test/v.mp4"},
    };
    for (const Case& c : cases) {
        const std::string body = std::string("<script>var video=['") + c.named + "->video/mp4'];</script>";
        CatalogueServer server([&](const httplib::Request&) { return std::pair{body, std::string("text/html")}; });
        ScopedConfigOverride config(WithCatalogueHost(server.Host()));
        EXPECT_EQ(FetchVideoAddress(Text("1")), Text(c.address)) << c.named;
    }
}

TEST(CatalogueFetch, BodiesThatAreNoListPage) {
    struct Case {
        const char* what;
        std::string body;
        std::string type;
    };
    std::string utf16 = "\xFF\xFE";
    for (char c : ListPage(Entry("1", "a"))) utf16 += std::string{c, '\0'};
    std::string binary;
    for (int i = 0; i < 65536; ++i) binary += static_cast<char>(i * 131 % 256);
    const Case cases[] = {
        {"UTF-16", utf16, "text/html; charset=utf-16"},
        {"binary", binary, "application/octet-stream"},
        {"JSON", R"({"id":"1","title":"a "})", "application/json"},
        {"empty", "", "text/html"},
    };
    for (const Case& c : cases) {
        CatalogueServer server([&](const httplib::Request&) { return std::pair{c.body, c.type}; });
        ScopedConfigOverride config(WithCatalogueHost(server.Host()));
        EXPECT_TRUE(FetchListPage(BatchAddress(3)).empty()) << c.what;
        EXPECT_EQ(FetchVideoAddress(Text("1")), "") << c.what;
    }
}

TEST(CatalogueFetch, NothingListening) {
    std::string host;
    {
        CatalogueServer server(SitePage);
        host = server.Host();
    }
    ScopedConfigOverride config(WithCatalogueHost(host));
    EXPECT_TRUE(FetchListPage(BatchAddress(1, true)).empty());
    EXPECT_EQ(FetchVideoAddress(Text("1")), "");
}

TEST(CatalogueFetch, LargePageKeepsEveryRowInOrder) {
    constexpr int kEntries = 10000;
    std::string entries;
    for (int i = 0; i < kEntries; ++i) entries += Entry(std::to_string(500000 + i), "视频 " + std::to_string(i));
    const std::string page = ListPage(entries);
    CatalogueServer server([&](const httplib::Request&) { return std::pair{page, std::string("text/html")}; });

    const std::vector<ListRow> rows = FetchListPage(Text::FromUtf8("http://" + server.Host() + "/big"));
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kEntries));
    for (int i = 0; i < kEntries; i += 997) {
        EXPECT_EQ(rows[i].id, Text::FromUtf8(std::to_string(500000 + i)));
        EXPECT_EQ(rows[i].title, Text::FromUtf8("视频 " + std::to_string(i)));
    }
    EXPECT_EQ(rows.back().id, "509999");
}

}  // namespace
}  // namespace lumora
