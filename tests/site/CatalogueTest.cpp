// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue as a player reads it: list pages through the list pattern,
// detail pages through their address markers, and the media they point at.
#include "SiteFixture.h"

#include "site/Pages.h"

#include <optional>
#include <set>
#include <thread>

namespace lumora::site::test {
namespace {

using CatalogueTest = SiteTest;

const std::vector<std::string> kBatchPaths = {
    "/",
    "/vodlist/index.php?id=27",
    "/vodlist/index.php?id=32",
    "/vodlist/index.php?id=32&page=2",
    "/vodlist/index.php?id=32&page=3",
    "/vodlist/index.php?id=32&page=4",
    "/vodlist/index.php?id=35",
    "/vodlist/index.php?id=35&page=2",
    "/vodlist/index.php?id=35&page=3",
    "/vodlist/index.php?id=35&page=4",
    "/vodlist/index.php?id=39",
    "/vodlist/index.php?id=39&page=2",
    "/vodlist/index.php?id=39&page=3",
    "/vodlist/index.php?id=39&page=4",
};

TEST_F(CatalogueTest, EveryBatchPageListsAtLeastFiveVideosWithChineseTitles) {
    std::set<std::string> seen;
    for (const std::string& path : kBatchPaths) {
        SCOPED_TRACE(path);
        const httplib::Response page = Get(path);
        ASSERT_EQ(page.status, 200);
        EXPECT_EQ(page.get_header_value("Content-Type"), "text/html; charset=utf-8");
        const std::vector<ListRow> rows = ListRows(page.body);
        EXPECT_GE(rows.size(), 5u);
        for (const ListRow& row : rows) {
            EXPECT_FALSE(row.title.empty());
            EXPECT_NE(static_cast<unsigned char>(row.title[0]) & 0x80, 0) << row.title;  // starts with a CJK character
            if (path != "/") {
                EXPECT_TRUE(seen.insert(row.id).second) << "listed on two pages: " << row.id;
            }
        }
    }
    // "page=1" is the first page itself.
    EXPECT_EQ(Get("/vodlist/index.php?id=32&page=1").body, Get("/vodlist/index.php?id=32").body);
}

TEST_F(CatalogueTest, HomePageKeepsTheDuplicateAndHidesTheMalformedEntries) {
    const httplib::Response home = Get("/");
    const std::vector<ListRow> rows = ListRows(home.body);
    const std::vector<ListRow> expected = {
        {"1001", "夏日海边清新写真"},  {"1002", "城市夜景延时摄影"}, {"1003", "校园时光毕业纪念"},
        {"1004", "秋天的童话 完整版"}, {"1005", "旅行日记：西湖"},   {"1001", "夏日海边清新写真"},
        {"1006", "已下架的视频"},
    };
    EXPECT_EQ(rows, expected);
    // The two entries the pattern must pass over are in the markup all the same.
    EXPECT_NE(home.body.find("id=1099\" target=\"_blank\" title=\"雨后森林\n漫步 \" alt="), std::string::npos);
    EXPECT_NE(home.body.find("id=10a7\" target=\"_blank\" title=\"编号有误的视频 \" alt="), std::string::npos);
}

TEST_F(CatalogueTest, ListPathsTheCatalogueLacksAreEmptyNotFoundPages) {
    for (const std::string path : {"/vodlist/index.php?id=27&page=2", "/vodlist/index.php?id=99", "/vodlist/index.php",
                                   "/vodlist/index.php?id=32&page=5"}) {
        SCOPED_TRACE(path);
        const httplib::Response page = Get(path);
        EXPECT_EQ(page.status, 404);
        EXPECT_TRUE(ListRows(page.body).empty());
    }
}

TEST_F(CatalogueTest, EveryListedVideoHasADetailPageWhoseAddressTheSiteServes) {
    const std::string start = "var video=['";
    const std::string end = "->video/mp4'];";
    for (const std::string& path : kBatchPaths) {
        for (const ListRow& row : ListRows(Get(path).body)) {
            SCOPED_TRACE(row.id);
            const httplib::Response detail = Get("/vod/index.php?id=" + row.id);
            ASSERT_EQ(detail.status, 200);
            const std::string address = Between(detail.body, start, end);
            if (row.id == "1006") {  // withdrawn: no markers at all
                EXPECT_EQ(detail.body.find(start), std::string::npos);
                continue;
            }
            ASSERT_EQ(address.rfind("http://" + Host() + "/", 0), 0u) << address;
            const httplib::Response media = GetAddress(address);
            EXPECT_EQ(media.status, 200);
            EXPECT_GT(media.body.size(), 10000u);
            const std::string type = media.get_header_value("Content-Type");
            EXPECT_TRUE(type == "video/mp4" || type == "video/x-flv") << type;
        }
    }
}

TEST_F(CatalogueTest, DetailAddressesFollowTheHostTheClientUsedAndDistrustOddHosts) {
    struct Case {
        std::string host;
        std::string addressStart;
    };
    const std::vector<Case> cases = {
        {"localhost:" + std::to_string(Port()), "http://localhost:" + std::to_string(Port()) + "/media/"},
        {"[::1]:8600", "http://[::1]:8600/media/"},
        // Anything that could leave the quoted address falls back to the listener.
        {"x']; alert(1); //", "http://" + Host() + "/media/"},
        {"a b", "http://" + Host() + "/media/"},
        {"evil.test/x", "http://" + Host() + "/media/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        const httplib::Response detail = Get("/vod/index.php?id=1001", {{"Host", c.host}});
        const std::string address = Between(detail.body, "var video=['", "->video/mp4'];");
        EXPECT_EQ(address.rfind(c.addressStart, 0), 0u) << address;
    }
}

TEST_F(CatalogueTest, UnknownVideoIdsGetPagesWithoutMarkers) {
    for (const std::string id : {"424242", "", "1001x", "%27%22", "-1"}) {
        SCOPED_TRACE(id);
        const httplib::Response detail = Get("/vod/index.php?id=" + id);
        EXPECT_EQ(detail.status, 404);
        EXPECT_EQ(detail.body.find("var video=['"), std::string::npos);
    }
}

TEST_F(CatalogueTest, BenchListHasTheAskedNumberOfEntries) {
    struct Case {
        std::string query;
        int status;
        std::size_t rows;
    };
    const std::vector<Case> cases = {
        {"", 200, 10000},
        {"?entries=0", 200, 0},
        {"?entries=7", 200, 7},
        {"?entries=-1", 400, 0},
        {"?entries=abc", 400, 0},
        {"?entries=200001", 400, 0},
        {"?entries=99999999999", 400, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        const httplib::Response page = Get("/bench/list" + c.query);
        EXPECT_EQ(page.status, c.status);
        if (c.status == 200) {
            EXPECT_EQ(ListRows(page.body).size(), c.rows);
        }
    }
    // The same page every time, so runs compare.
    EXPECT_EQ(BenchListHtml(50), BenchListHtml(50));
}

// With every list page generated (the search benchmarks' site), each page
// is whole and the same however many clients ask for it at once, and pages
// differ from one another.
TEST(GeneratedListPages, WholeAndTheSameUnderConcurrentRequests) {
    std::string error;
    std::optional<SiteData> data = LoadSiteData(BundledDataDir(), &error);
    ASSERT_TRUE(data) << error;
    SiteOptions options;
    options.port = 0;
    options.listEntries = 300;
    SiteServer server(std::move(*data), options);
    ASSERT_TRUE(server.Start(&error)) << error;

    const std::vector<std::string> paths = {kBatchPaths[0], kBatchPaths[1], kBatchPaths[5], kBatchPaths[13]};
    std::vector<std::string> bodies(paths.size() * 4);
    std::vector<int> statuses(bodies.size());
    std::vector<std::string> lengths(bodies.size());
    {
        std::vector<std::jthread> clients;
        for (std::size_t i = 0; i < bodies.size(); ++i)
            clients.emplace_back([&, i] {
                httplib::Client client("127.0.0.1", server.Port());
                client.set_read_timeout(10, 0);
                if (const httplib::Result got = client.Get(paths[i % paths.size()])) {
                    statuses[i] = got->status;
                    bodies[i] = got->body;
                    lengths[i] = got->get_header_value("Content-Length");
                }
            });
    }
    std::set<std::string> distinct;
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        SCOPED_TRACE(paths[i % paths.size()]);
        EXPECT_EQ(statuses[i], 200);
        EXPECT_EQ(lengths[i], std::to_string(bodies[i].size()));
        EXPECT_EQ(ListRows(bodies[i]).size(), 300u);
        EXPECT_EQ(bodies[i], bodies[i % paths.size()]);
        distinct.insert(bodies[i]);
    }
    EXPECT_EQ(distinct.size(), paths.size());
}

// The image file of the demo data named `name`, as committed.
std::string ImageFile(const std::string& name) {
    const SiteData data = *LoadSiteData(BundledDataDir());
    const auto it = data.images.find(name);
    return it == data.images.end() ? std::string() : it->second;
}

TEST_F(CatalogueTest, ListImagesAreTheVideosOwnStillsOrThePlaceholder) {
    struct Case {
        std::string path;
        int status;
        std::string file;  // the committed image served, empty for none
    };
    const std::vector<Case> cases = {
        {"/img/1001.jpg", 200, "demo-a.jpg"},       {"/img/1002.jpg", 200, "demo-b.jpg"},
        {"/img/1004.jpg", 200, "demo.jpg"},         {"/img/10a7.jpg", 200, "demo-a.jpg"},
        {"/img/1099.jpg", 200, "demo-b.jpg"},       {"/img/2701.jpg", 200, "demo-a.jpg"},
        {"/img/1005.jpg", 200, "placeholder.jpg"},  // a path on the site, not a demo file
        {"/img/1006.jpg", 200, "placeholder.jpg"},  // withdrawn
        {"/img/424242.jpg", 404, ""},               {"/img/1001.png", 404, ""},
        {"/img/.jpg", 404, ""},                     {"/img/%2e%2e%2fcatalogue.txt", 404, ""},
        {"/bench/img/100000.jpg", 200, "demo-b.jpg"}, {"/bench/img/100001.jpg", 200, "demo.jpg"},
        {"/bench/img/abc.jpg", 404, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const httplib::Response image = Get(c.path);
        EXPECT_EQ(image.status, c.status);
        if (c.file.empty()) continue;
        EXPECT_EQ(image.get_header_value("Content-Type"), "image/jpeg");
        EXPECT_EQ(image.body, ImageFile(c.file));
        ASSERT_GT(image.body.size(), 100u);
        EXPECT_LT(image.body.size(), 8192u);
        EXPECT_EQ(image.body.substr(0, 3), "\xFF\xD8\xFF");  // a JPEG
    }
    EXPECT_NE(ImageFile("demo-a.jpg"), ImageFile("placeholder.jpg"));
}

TEST_F(CatalogueTest, EveryListEntryNamesAnImageTheSiteServes) {
    for (const std::string& path : kBatchPaths) {
        const std::string page = Get(path).body;
        for (std::size_t at = page.find("<img src=\""); at != std::string::npos; at = page.find("<img src=\"", at + 1)) {
            const std::string src = Between(page.substr(at), "<img src=\"", "\"");
            SCOPED_TRACE(path + " " + src);
            EXPECT_EQ(src.rfind("/img/", 0), 0u);
            EXPECT_EQ(Get(src).status, 200);
        }
    }
    // The benchmark's list points at images of its own only when asked to.
    EXPECT_NE(Get("/bench/list?entries=3").body.find("<img src=\"/img/100002.jpg\""), std::string::npos);
    EXPECT_NE(Get("/bench/list?entries=3&images=bench").body.find("<img src=\"/bench/img/100002.jpg\""),
              std::string::npos);
    EXPECT_EQ(Get("/bench/list?entries=3&images=x").status, 400);
}

}  // namespace
}  // namespace lumora::site::test
