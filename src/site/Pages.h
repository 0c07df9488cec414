// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue's HTML: list pages, detail pages and the large generated list
// for benchmarks. Pure functions of the data; every page is UTF-8.
//
// A list entry is written as
//   <div class="pic">…</div><a href="/vod/index.php?id=ID" target="_blank" title="TITLE " alt="TITLE">
// (title followed by one blank), the form a player's list pattern reads; a
// detail page carries its address as
//   var video=['http://HOST/media/FILE->video/mp4'];
#pragma once

#include "site/SiteData.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lumora::site {

// &, <, >, " and ' as character references.
std::string HtmlEscape(std::string_view text);

// The list page path the data file uses for a category and page query:
// "/vodlist/index.php?id=ID", with "&page=N" for pages after the first.
std::string ListPagePath(std::string_view id, std::string_view page);

// A list page in full: navigation, the entries in order, page links.
std::string ListPageHtml(const SiteData& data, const ListPage& page);

// The page for a list path the catalogue does not have (no entries).
std::string MissingListPageHtml();

// The absolute address of a video's media on the site at `host`
// ("host[:port]"); empty for a video without one ("-").
std::string MediaAddress(const CatalogueEntry& video, std::string_view host);

// A video's detail page. Without a media address the page says the video is
// gone and carries no address markers; `video` null is an unknown id.
std::string DetailPageHtml(const CatalogueEntry* video, std::string_view mediaAddress);

// A list page of `entries` generated entries (ids `firstId` up, Chinese
// titles in a fixed sequence that `seed` starts), the same markup as
// ListPageHtml. With `benchImages` each entry's image is /bench/img/ID.jpg
// instead of /img/ID.jpg.
std::string BenchListHtml(long entries, long firstId = 100000, std::uint32_t seed = 20240601,
                          bool benchImages = false);

}  // namespace lumora::site
