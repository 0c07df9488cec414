// SPDX-License-Identifier: GPL-3.0-or-later
// Title search over the rows of every list page.
//
// A query is split into words at blanks (ASCII space, tab, line breaks, the
// ideographic space U+3000); a row matches when its title holds every word. Matching
// ignores case and width: ASCII, full-width Latin, Latin-1, Greek and
// Cyrillic letters fold to one form, full-width ASCII to half-width, so
// "ABC", "abc" and "ａｂｃ" find one another. Chinese text matches as plain
// substrings. An empty query (or blanks only) matches nothing.
//
// Texts are UTF-8, as ListPageRows holds them. No Qt, no threads: the
// caller decides where it runs; a CatalogueIndex is not shared between
// threads while it changes.
#pragma once

#include "catalogue/ListPageReader.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// `text` folded for matching (see above); invalid UTF-8 bytes pass as they are.
std::string FoldForSearch(std::string_view text);

// The folded words of `query`, in order, none empty.
std::vector<std::string> SearchWords(std::string_view query);

// Whether `title` holds every word of `query` (both raw UTF-8; see above).
bool TitleMatches(std::string_view title, std::string_view query);

// Whether every title that `narrower` matches is matched by `wider` too:
// each word of `wider` lies inside some word of `narrower` (so typing on
// narrows a search). False when `wider` holds no word.
bool QueryNarrows(std::string_view wider, std::string_view narrower);

// One row found: its batch (1..14), its identifier, title and image source
// as the list page writes it (ListPageRows::Image).
struct SearchHit {
    int batchNumber = 0;
    std::string_view id;
    std::string_view title;
    std::string_view image;
};

// A list page made ready for the index: its rows and their titles folded.
// Making one is the costly part, so a worker can do it (IndexPage).
struct IndexedPage {
    int batchNumber = 0;
    ListPageRows rows;
    std::string folded;               // every folded title, each followed by '\n'
    std::vector<std::size_t> starts;  // per row, where its title starts in `folded`
};

IndexedPage IndexPage(int batchNumber, ListPageRows rows);

// The rows of the 14 list pages, each page set as it arrives, and the
// search over them. Rows are numbered from 0 in batch order, then page order.
class CatalogueIndex {
public:
    // Replaces the rows of batch `batchNumber` (1..14; others are ignored).
    void SetPage(int batchNumber, ListPageRows rows);
    void SetPage(IndexedPage page);
    // Whether the page of `batchNumber` was set (an empty page counts).
    bool HasPage(int batchNumber) const;
    int PagesHeld() const;
    void Clear();

    int Count() const { return static_cast<int>(rowBatch_.size()); }
    // Row `index`, 0 <= index < Count().
    SearchHit Row(int index) const;

    // The rows whose titles hold every word of `query`, in row order. With
    // `among` (rows in row order, such as an earlier Match of a query that
    // this one narrows), only those rows are looked at.
    std::vector<int> Match(std::string_view query) const;
    std::vector<int> Match(std::string_view query, const std::vector<int>& among) const;

private:
    void Rebuild();

    std::array<IndexedPage, 15> pages_;  // by batch number; 0 unused
    std::array<bool, 15> held_{};
    std::vector<unsigned char> rowBatch_;  // per row
    std::vector<int> rowOnPage_;           // per row
    std::string folded_;                   // the pages' folded titles one after the other
    std::vector<std::size_t> starts_;      // per row, where its title starts in folded_; then the end
};

}  // namespace lumora
