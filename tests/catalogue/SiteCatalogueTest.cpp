// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue read from lumora-site, in process on an ephemeral port: all
// 14 batches of the cycle, the entries that must not be listed, detail pages.
#include "catalogue/Catalogue.h"

#include "base/Config.h"
#include "site/SiteData.h"
#include "site/SiteServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace lumora {
namespace {

bool AllDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

class SiteCatalogue : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        std::optional<site::SiteData> loaded = site::LoadSiteData(site::BundledDataDir(), &error);
        ASSERT_TRUE(loaded) << error;
        data_ = *loaded;
        site::SiteOptions options;
        options.port = 0;
        server_.emplace(std::move(*loaded), options);
        ASSERT_TRUE(server_->Start(&error)) << error;
        Config config = Config::Defaults();
        config.catalogueHost = Text::FromUtf8("127.0.0.1:" + std::to_string(server_->Port()));
        override_.emplace(config);
    }
    void TearDown() override {
        override_.reset();
        if (server_) server_->Stop();
    }

    // The rows a list page of the data should give: its entries in order,
    // less those whose title breaks the line or whose id is not all digits,
    // each with the site's image of it.
    std::vector<ListRow> ExpectedRows(const std::string& path) const {
        std::vector<ListRow> rows;
        const site::ListPage* page = data_.FindPage(path);
        if (!page) return rows;
        for (const site::CatalogueEntry& entry : page->entries)
            if (AllDigits(entry.id) && entry.title.find('\n') == std::string::npos)
                rows.push_back({Text::FromUtf8(entry.id), Text::FromUtf8(entry.title),
                                Text::FromUtf8("http://127.0.0.1:" + std::to_string(server_->Port()) + "/img/" +
                                               entry.id + ".jpg")});
        return rows;
    }

    site::SiteData data_;
    std::optional<site::SiteServer> server_;
    std::optional<ScopedConfigOverride> override_;
};

TEST_F(SiteCatalogue, EveryBatchOfTheCycle) {
    const std::string site = "http://127.0.0.1:" + std::to_string(server_->Port());
    BatchPage batch = StartUpBatch();
    for (int step = 0; step <= 14; ++step) {
        if (step > 0) batch = FollowingBatch(batch.batchNumber);
        const std::string address = batch.address.ToUtf8();
        ASSERT_EQ(address.rfind(site, 0), 0u) << address;
        std::string path = address.substr(site.size());
        if (path.empty()) path = "/";  // the bare address after the wrap
        const std::vector<ListRow> rows = FetchListPage(batch.address);
        EXPECT_GE(rows.size(), 5u) << address;
        EXPECT_EQ(rows, ExpectedRows(path)) << address;
    }
    EXPECT_EQ(batch.batchNumber, 1);
}

TEST_F(SiteCatalogue, HomePageKeepsTheDuplicateAndSkipsBrokenEntries) {
    const std::vector<ListRow> rows = FetchListPage(BatchAddress(1, true));
    std::vector<std::string> ids;
    for (const ListRow& row : rows) ids.push_back(row.id.ToUtf8());
    EXPECT_EQ(std::count(ids.begin(), ids.end(), "1001"), 2);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), "1099"), 0);                // a line break in its title
    for (const ListRow& row : rows) EXPECT_NE(row.title, "编号有误的视频");  // id "10a7"
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front().title, "夏日海边清新写真");
    EXPECT_EQ(ListTitleText(1, static_cast<int>(rows.size())),
              Text("第1批共14批搜索到：") + Text(std::to_string(rows.size()).c_str()) + "个视频");
}

TEST_F(SiteCatalogue, DetailPages) {
    const std::string site = "http://127.0.0.1:" + std::to_string(server_->Port());
    EXPECT_EQ(FetchVideoAddress(Text("1001")).ToUtf8(), site + "/media/demo-a.mp4");
    EXPECT_EQ(FetchVideoAddress(Text("1006")), "");    // listed, but without an address
    EXPECT_EQ(FetchVideoAddress(Text("999999")), "");  // not in the catalogue
    EXPECT_EQ(FetchVideoAddress(Text()), "");
    // Every video of the first category page has an address on the site.
    for (const ListRow& row : FetchListPage(BatchAddress(2)))
        EXPECT_EQ(FetchVideoAddress(row.id).Left(site.size()), Text::FromUtf8(site)) << row.id.ToUtf8();
}

}  // namespace
}  // namespace lumora
