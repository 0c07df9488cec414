// SPDX-License-Identifier: GPL-3.0-or-later
// The video catalogue without its window: the batch table of list pages, the
// list pattern and the rows it yields, the detail page of a video and the
// playable address cut out of it, plus the fetches that tie them to the site.
//
// Every address is built from Config::Get().catalogueHost when the function
// runs. The fetches block for as long as the request does (see PageRequest.h
// for its limits) and may run on any thread.
#pragma once

#include "base/Text.h"

#include <functional>
#include <stop_token>
#include <string_view>
#include <vector>

namespace lumora {

// Fixed by the site: the home page and 13 category pages are read in turn.
inline constexpr int kBatchCount = 14;

// The pattern every list page is read with (case-insensitive, global): group 1
// is the video's identifier, group 2 its title without the blank that the
// site puts before the closing quote. No match spans a line feed (nothing in
// it matches one), which lets a page be matched line block by line block.
inline constexpr const char kListPattern[] =
    R"re(</div><a href="/vod/index\.php\?id=(\d+)" target="_blank" title="(.*?) " alt=)re";

// The markers around the playable address in a detail page's inline script.
inline constexpr const char kVideoStartMarker[] = "var video=['";
inline constexpr const char kVideoEndMarker[] = "->video/mp4'];";

// The list page of batch 1..14: "http://" + host + the table's path. Batch 1
// is the home page, "/" at start-up and the bare site address, without a
// trailing slash, when the cycle wraps round to it. Empty for any other
// number.
Text BatchAddress(int batchNumber, bool atStartUp = false);

// The batch after `batchNumber`: 14 wraps to 1, and so does any number
// outside 1..14.
int NextBatchNumber(int batchNumber);

// A batch and the address its list comes from.
struct BatchPage {
    int batchNumber = 1;
    Text address;
};

// Batch 1 as the program starts with it: the home page with its slash.
BatchPage StartUpBatch();
// One step of the cycle from `batchNumber`.
BatchPage FollowingBatch(int batchNumber);

// One video of a list page.
struct ListRow {
    Text id;  // digits only
    Text title;
    // The http or https address of the entry's image (its <img> before the
    // anchor, resolved against the page's address); empty for none.
    Text image;
    friend bool operator==(const ListRow&, const ListRow&) = default;
};

// Every match of kListPattern in `page`, in page order (id and title; no
// image). Nothing is merged, sorted or checked: a video listed twice gives
// two rows. A page the pattern does not fit, or one that drives the engine to
// its limits, gives none.
// Takes the page by value so a caller can move a large page in.
std::vector<ListRow> ExtractListRows(Text page);

// The rows of the list page at `address` (ExtractListRows of its text, each
// with its image address); none when the request fails or `stop` is
// requested before it ends.
std::vector<ListRow> FetchListPage(const Text& address, std::stop_token stop = {});

// A list page's rows and whether the site answered at all: a request that
// failed (no connection, no answer in time) has reached = false.
struct ListPage {
    std::vector<ListRow> rows;
    bool reached = true;
};

// FetchListPage's rows, and whether the site could be reached.
ListPage FetchListPageReached(const Text& address, std::stop_token stop = {});

// The same rows, handed to `row` in page order as UTF-8 (the page's own
// bytes, invalid sequences as U+FFFD) for a caller that writes them out as
// UTF-8 anyway; returns their number.
int ForEachListRowUtf8(const Text& address,
                       const std::function<void(std::string_view id, std::string_view title)>& row);

// The status line after a list fetch: "第N批共14批搜索到：M个视频".
Text ListTitleText(int batchNumber, int count);

// The status line after a list fetch that reached no site:
// "第N批：无法连接服务器,按F5重新载入".
Text UnreachableListTitleText(int batchNumber);

// "http://" + host + "/vod/index.php?id=" + id.
Text DetailPageAddress(const Text& id);

// The text between the first start marker and the first end marker after
// it (both case-sensitive); empty when either is missing.
Text ExtractVideoAddress(const Text& page);

// The playable address from the detail page of video `id`; empty when the
// request fails, `stop` is requested before it ends, or the page holds no
// address.
Text FetchVideoAddress(const Text& id, std::stop_token stop = {});

}  // namespace lumora
