// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/Catalogue.h"

#include "base/Config.h"
#include "base/Log.h"
#include "base/NumberText.h"
#include "catalogue/ListImage.h"
#include "catalogue/ListPageReader.h"
#include "script/RegexObject.h"
#include "web/NetworkAddress.h"
#include "web/PageRequest.h"
#include "web/WebText.h"

#include <utility>

namespace lumora {

namespace {

// Path and query of each batch, indexed by batch number; batch 1's path
// depends on whether the cycle starts or wraps, so it is built apart.
constexpr const char* kBatchPaths[kBatchCount + 1] = {
    nullptr,
    nullptr,
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

Text SiteAddress() { return "http://" + Config::Get().catalogueHost; }

}  // namespace

Text BatchAddress(int batchNumber, bool atStartUp) {
    if (batchNumber < 1 || batchNumber > kBatchCount) return Text();
    if (batchNumber == 1) return atStartUp ? SiteAddress() + "/" : SiteAddress();
    return SiteAddress() + kBatchPaths[batchNumber];
}

int NextBatchNumber(int batchNumber) { return batchNumber >= 1 && batchNumber < kBatchCount ? batchNumber + 1 : 1; }

BatchPage StartUpBatch() { return {1, BatchAddress(1, true)}; }

BatchPage FollowingBatch(int batchNumber) {
    const int next = NextBatchNumber(batchNumber);
    return {next, BatchAddress(next)};
}

namespace {

std::vector<ListRow> RowsOf(const RegexObject& regex) {
    const int count = regex.MatchCount();
    std::vector<ListRow> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i) rows.push_back({regex.SubMatchText(i, 1), regex.SubMatchText(i, 2), Text()});
    return rows;
}

}  // namespace

std::vector<ListRow> ExtractListRows(Text page) {
    RegexObject regex;
    regex.Create(Text(kListPattern), std::move(page));
    return RowsOf(regex);
}

ListPageRows ReadListPageRows(const Text& address, std::stop_token stop, bool* ok, PageConnection* connection) {
    ListPageReader reader;
    PageRequestArgs args;
    args.proxy = Text();
    args.stop = std::move(stop);
    args.connection = connection;
    args.bodySink = &reader;
    const Result<ByteSet> request = RequestPage(address, args);
    ListPageRows rows = reader.Finish();
    if (!request) {
        rows.Clear();
        LogWarning(LogLayer::Catalogue,
                   "list page " + address.ToUtf8() + ": the request failed: " + request.Error().reason);
    }
    if (ok) *ok = static_cast<bool>(request);
    return rows;
}

std::vector<ListRow> FetchListPage(const Text& address, std::stop_token stop) {
    return FetchListPageReached(address, std::move(stop)).rows;
}

ListPage FetchListPageReached(const Text& address, std::stop_token stop) {
    ListPage page;
    const ListPageRows rows = ReadListPageRows(address, std::move(stop), &page.reached);
    page.rows.reserve(static_cast<std::size_t>(rows.Count()));
    const ListImageResolver images(address);
    for (int i = 0; i < rows.Count(); ++i) {
        const std::string_view image = rows.Image(i);
        page.rows.push_back({Text::FromUtf8(rows.Id(i)), Text::FromUtf8(rows.Title(i)),
                             image.empty() ? Text() : images.Resolve(image)});
    }
    return page;
}

int ForEachListRowUtf8(const Text& address,
                       const std::function<void(std::string_view id, std::string_view title)>& row) {
    const ListPageRows rows = ReadListPageRows(address);
    for (int i = 0; i < rows.Count(); ++i) row(rows.Id(i), rows.Title(i));
    return rows.Count();
}

Text ListTitleText(int batchNumber, int count) {
    return "第" + NumberText(batchNumber) + "批共14批搜索到：" + NumberText(count) + "个视频";
}

Text UnreachableListTitleText(int batchNumber) {
    return "第" + NumberText(batchNumber) + "批：无法连接服务器,按F5重新载入";
}

Text DetailPageAddress(const Text& id) { return SiteAddress() + "/vod/index.php?id=" + id; }

Text ExtractVideoAddress(const Text& page) {
    return ExtractBetween(page, Text(kVideoStartMarker), Text(kVideoEndMarker));
}

Text FetchVideoAddress(const Text& id, std::stop_token stop) {
    PageRequestArgs args;
    args.proxy = Text();
    args.stop = std::move(stop);
    const Text address = ExtractVideoAddress(FetchPageText(DetailPageAddress(id), args));
    // A page names a network stream, never a local file.
    if (!IsNetworkStreamAddress(address))
        LogWarning(LogLayer::Catalogue, "video " + id.ToUtf8() + ": no playable address");
    return IsNetworkStreamAddress(address) ? address : Text();
}

}  // namespace lumora
