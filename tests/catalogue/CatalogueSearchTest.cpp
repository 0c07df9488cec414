// SPDX-License-Identifier: GPL-3.0-or-later
// The title search: the matching rules as a table, the index over pages
// that arrive in any order, and the fetch of all 14 list pages (at most 4 at
// once) from a site on 127.0.0.1.
#include "catalogue/AllListPages.h"
#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueSearch.h"

#include "CatalogueServer.h"
#include "base/Config.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace lumora {
namespace {

TEST(CatalogueSearch, TitleMatches) {
    struct Case {
        const char* title;
        const char* query;
        bool matches;
    };
    const std::vector<Case> cases = {
        {"夏日海边写真", "海边", true},
        {"夏日海边写真", "夏日写真", false},  // one word: a substring, not letters in order
        {"夏日海边写真", "写真 夏日", true},   // every word, in any order
        {"夏日海边写真", "写真 秋天", false},  // every word is required
        {"夏日海边写真", "写真　夏日", true},  // the ideographic space parts words too
        {"夏日海边写真", "  海边\t", true},
        {"Summer Beach 夏日", "summer", true},
        {"Summer Beach 夏日", "BEACH 夏日", true},
        {"ＡＢＣ高清", "abc", true},  // full-width letters are their ASCII letters
        {"abc高清", "ＡＢＣ", true},
        {"１２３集", "123", true},
        {"CAFÉ", "café", true},
        {"ΑΘΗΝΑ", "αθηνα", true},
        {"МОСКВА", "москва", true},
        {"a×b", "a×b", true},
        {"夏日海边写真", "", false},  // no word, no match
        {"夏日海边写真", " 　 ", false},
        {"夏日", "夏日海边", false},
        {"bad \xff byte", "\xff", true},  // invalid bytes match as they are
        {"海边", "海", true},
    };
    for (const Case& c : cases) EXPECT_EQ(TitleMatches(c.title, c.query), c.matches) << c.title << " / " << c.query;
}

TEST(CatalogueSearch, QueryNarrows) {
    struct Case {
        const char* wider;
        const char* narrower;
        bool narrows;
    };
    const std::vector<Case> cases = {
        {"夏", "夏日", true},          {"夏日", "夏", false},        {"夏日", "夏日 海边", true},
        {"海边 夏日", "夏日海边", true}, {"夏日 秋天", "夏日", false},  {"ab", "ABC", true},
        {"", "夏日", false},           {"夏日", "", false},          {"写真 1", "写真 12", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QueryNarrows(c.wider, c.narrower), c.narrows) << c.wider << " / " << c.narrower;
}

ListPageRows Rows(std::initializer_list<std::pair<const char*, const char*>> rows) {
    ListPageRows out;
    for (const auto& [id, title] : rows) out.Add(id, title);
    return out;
}

std::vector<std::string> Ids(const CatalogueIndex& index, const std::vector<int>& found) {
    std::vector<std::string> ids;
    for (int row : found) {
        const SearchHit hit = index.Row(row);
        ids.push_back(std::string(hit.id) + "@" + std::to_string(hit.batchNumber));
    }
    return ids;
}

TEST(CatalogueSearch, IndexKeepsBatchOrderAndReplacesPages) {
    CatalogueIndex index;
    index.SetPage(14, Rows({{"140", "秋天 雨后"}, {"141", "秋天"}}));
    index.SetPage(2, Rows({{"20", "雨后 街拍"}, {"21", "校园"}}));
    index.SetPage(0, Rows({{"1", "雨后"}}));   // no such batch
    index.SetPage(15, Rows({{"1", "雨后"}}));  // nor this one
    EXPECT_EQ(index.PagesHeld(), 2);
    EXPECT_TRUE(index.HasPage(2));
    EXPECT_FALSE(index.HasPage(1));
    EXPECT_EQ(index.Count(), 4);
    EXPECT_EQ(Ids(index, index.Match("雨后")), (std::vector<std::string>{"20@2", "140@14"}));
    // A word never runs from one title into the next.
    EXPECT_TRUE(index.Match("雨后秋天").empty());
    // A line break in the query parts words as a blank does.
    EXPECT_EQ(Ids(index, index.Match("后\n秋")), (std::vector<std::string>{"140@14"}));
    EXPECT_EQ(Ids(index, index.Match("秋天 雨后")), (std::vector<std::string>{"140@14"}));
    // Among given rows only: those out of range are passed over.
    EXPECT_EQ(Ids(index, index.Match("秋天", {1, 3, 99, -1})), (std::vector<std::string>{"141@14"}));
    EXPECT_EQ(index.Match("雨后", {0, 1, 2, 3}), index.Match("雨后"));
    // The same video listed twice is found twice.
    index.SetPage(1, Rows({{"7", "雨后"}, {"7", "雨后"}}));
    EXPECT_EQ(Ids(index, index.Match("雨后")), (std::vector<std::string>{"7@1", "7@1", "20@2", "140@14"}));
    // A page fetched again replaces the one held.
    index.SetPage(14, Rows({{"142", "春天"}}));
    EXPECT_EQ(Ids(index, index.Match("雨后")), (std::vector<std::string>{"7@1", "7@1", "20@2"}));
    EXPECT_EQ(Ids(index, index.Match("春")), (std::vector<std::string>{"142@14"}));
    index.SetPage(14, ListPageRows());
    EXPECT_TRUE(index.HasPage(14));
    EXPECT_TRUE(index.Match("春").empty());
    EXPECT_EQ(index.Row(-1).batchNumber, 0);
    EXPECT_EQ(index.Row(index.Count()).batchNumber, 0);
    index.Clear();
    EXPECT_EQ(index.Count(), 0);
    EXPECT_TRUE(index.Match("雨后").empty());
}

std::string Entry(const std::string& id, const std::string& title) {
    return "<li><div class=\"pic\"></div><a href=\"/vod/index.php?id=" + id + "\" target=\"_blank\" title=\"" + title +
           " \" alt=\"" + title + "\">" + title + "</a></li>\n";
}

// Each list page answers after a while with one entry named after its own
// target; the site counts how many requests it holds at once.
class SlowSite {
public:
    explicit SlowSite(std::chrono::milliseconds delay)
        : server_([this, delay](const httplib::Request& request) {
              const int now = ++inFlight_;
              for (int seen = most_.load(); now > seen && !most_.compare_exchange_weak(seen, now);) {
              }
              std::this_thread::sleep_for(delay);
              --inFlight_;
              return std::pair<std::string, std::string>{"<ul>" + Entry("1", request.target) + "</ul>",
                                                         "text/html; charset=utf-8"};
          }) {
        Config config = Config::Defaults();
        config.catalogueHost = Text::FromUtf8(server_.Host());
        override_.emplace(config);
    }
    int MostAtOnce() const { return most_; }
    test::CatalogueServer& Server() { return server_; }

private:
    std::atomic<int> inFlight_{0};
    std::atomic<int> most_{0};
    test::CatalogueServer server_;
    std::optional<ScopedConfigOverride> override_;
};

TEST(AllListPages, FetchesEveryBatchAtMostFourAtOnce) {
    SlowSite site(std::chrono::milliseconds(150));
    const auto start = std::chrono::steady_clock::now();
    const std::array<FetchedPage, 14> pages = FetchAllListPages();
    const auto took = std::chrono::steady_clock::now() - start;
    for (int batch = 1; batch <= kBatchCount; ++batch) {
        const FetchedPage& page = pages[static_cast<std::size_t>(batch - 1)];
        SCOPED_TRACE(batch);
        EXPECT_EQ(page.batchNumber, batch);
        EXPECT_TRUE(page.ok);
        ASSERT_EQ(page.rows.Count(), 1);
        // Batch 1 at its start-up address; the others at the table's.
        const std::string address = BatchAddress(batch, true).ToUtf8();
        EXPECT_EQ(page.rows.Title(0), address.substr(address.find('/', 7)));
    }
    EXPECT_EQ(site.MostAtOnce(), kPageFetchWorkers);
    // Four at once: four rounds of 150 ms, not fourteen.
    EXPECT_LT(took, std::chrono::milliseconds(14 * 150));
    EXPECT_EQ(site.Server().TakeTargets().size(), 14u);
}

TEST(AllListPages, StopEndsTheWorkersAndFailedPagesSaySo) {
    {
        SlowSite site(std::chrono::milliseconds(300));
        std::stop_source stop;
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            stop.request_stop();
        });
        const auto start = std::chrono::steady_clock::now();
        const std::array<FetchedPage, 14> pages = FetchAllListPages(kPageFetchWorkers, stop.get_token());
        stopper.join();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
        EXPECT_TRUE(std::none_of(pages.begin(), pages.end(), [](const FetchedPage& p) { return p.ok; }));
        EXPECT_LE(site.Server().TakeTargets().size(), static_cast<std::size_t>(kPageFetchWorkers));
    }
    // Nobody listens: every page fails, none holds a row.
    std::string host;
    { host = test::CatalogueServer([](const httplib::Request&) { return std::pair<std::string, std::string>{}; }).Host(); }
    Config config = Config::Defaults();
    config.catalogueHost = Text::FromUtf8(host);
    ScopedConfigOverride unreachable(config);
    for (const FetchedPage& page : FetchAllListPages(2)) {
        EXPECT_FALSE(page.ok);
        EXPECT_EQ(page.rows.Count(), 0);
    }
}

}  // namespace
}  // namespace lumora
