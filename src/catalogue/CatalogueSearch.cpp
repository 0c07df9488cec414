// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/CatalogueSearch.h"

#include "catalogue/Catalogue.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace lumora {

namespace {

// The length of the UTF-8 sequence that starts with `lead`; 0 for a byte
// that starts none.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// One code point folded: lower case for the scripts named in the header,
// full-width ASCII (U+FF01..U+FF5E) as ASCII.
char32_t FoldCodePoint(char32_t c) {
    if (c >= 0xFF01 && c <= 0xFF5E) c -= 0xFEE0;
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;  // Latin-1, not ×
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;  // Greek
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;               // Cyrillic
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    return c;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendFolded(std::string& out, std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size;) {
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            out += static_cast<char>(lead >= 'A' && lead <= 'Z' ? lead + 0x20 : lead);
            ++i;
            continue;
        }
        const int length = SequenceLength(lead);
        bool whole = length > 0 && i + static_cast<std::size_t>(length) <= size;
        for (int k = 1; whole && k < length; ++k) whole = (p[i + k] & 0xC0) == 0x80;
        if (!whole) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        char32_t c = lead & (0xFF >> (length + 1));
        for (int k = 1; k < length; ++k) c = (c << 6) | (p[i + k] & 0x3F);
        const char32_t folded = FoldCodePoint(c);
        if (folded == c)
            out.append(text.data() + i, static_cast<std::size_t>(length));
        else
            AppendUtf8(out, folded);
        i += static_cast<std::size_t>(length);
    }
}

// Whether every word is in `title` (folded already).
bool HoldsAll(std::string_view title, const std::vector<std::string>& words, std::size_t from) {
    for (std::size_t w = from; w < words.size(); ++w)
        if (title.find(words[w]) == std::string_view::npos) return false;
    return true;
}

}  // namespace

std::string FoldForSearch(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendFolded(out, text);
    return out;
}

std::vector<std::string> SearchWords(std::string_view query) {
    std::vector<std::string> words;
    std::string word;
    const auto flush = [&] {
        if (!word.empty()) words.push_back(FoldForSearch(std::exchange(word, std::string())));
    };
    static constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";
    for (std::size_t i = 0; i < query.size();) {
        if (query[i] == ' ' || query[i] == '\t' || query[i] == '\n' || query[i] == '\r') {
            flush();
            ++i;
        } else if (query.substr(i, kIdeographicSpace.size()) == kIdeographicSpace) {
            flush();
            i += kIdeographicSpace.size();
        } else {
            word += query[i++];
        }
    }
    flush();
    // The longest word first: it rules out the most rows in the first pass.
    std::stable_sort(words.begin(), words.end(),
                     [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    return words;
}

bool TitleMatches(std::string_view title, std::string_view query) {
    const std::vector<std::string> words = SearchWords(query);
    return !words.empty() && HoldsAll(FoldForSearch(title), words, 0);
}

IndexedPage IndexPage(int batchNumber, ListPageRows rows) {
    IndexedPage page;
    page.batchNumber = batchNumber;
    page.starts.reserve(static_cast<std::size_t>(rows.Count()));
    for (int i = 0; i < rows.Count(); ++i) {
        page.starts.push_back(page.folded.size());
        AppendFolded(page.folded, rows.Title(i));
        // A title holds no line feed (the list pattern matches none), so no
        // word found runs from one title into the next.
        page.folded += '\n';
    }
    page.rows = std::move(rows);
    return page;
}

bool QueryNarrows(std::string_view wider, std::string_view narrower) {
    const std::vector<std::string> from = SearchWords(wider);
    const std::vector<std::string> to = SearchWords(narrower);
    if (from.empty()) return false;
    return std::all_of(from.begin(), from.end(), [&](const std::string& word) {
        return std::any_of(to.begin(), to.end(),
                           [&](const std::string& longer) { return longer.find(word) != std::string::npos; });
    });
}

void CatalogueIndex::SetPage(int batchNumber, ListPageRows rows) { SetPage(IndexPage(batchNumber, std::move(rows))); }

void CatalogueIndex::SetPage(IndexedPage page) {
    const int batchNumber = page.batchNumber;
    if (batchNumber < 1 || batchNumber > kBatchCount) return;
    pages_[static_cast<std::size_t>(batchNumber)] = std::move(page);
    held_[static_cast<std::size_t>(batchNumber)] = true;
    Rebuild();
}

bool CatalogueIndex::HasPage(int batchNumber) const {
    return batchNumber >= 1 && batchNumber <= kBatchCount && held_[static_cast<std::size_t>(batchNumber)];
}

int CatalogueIndex::PagesHeld() const { return static_cast<int>(std::count(held_.begin(), held_.end(), true)); }

void CatalogueIndex::Clear() {
    pages_ = {};
    held_ = {};
    Rebuild();
}

void CatalogueIndex::Rebuild() {
    rowBatch_.clear();
    rowOnPage_.clear();
    folded_.clear();
    starts_.clear();
    for (int batch = 1; batch <= kBatchCount; ++batch) {
        const IndexedPage& page = pages_[static_cast<std::size_t>(batch)];
        const std::size_t offset = folded_.size();
        folded_ += page.folded;
        for (std::size_t i = 0; i < page.starts.size(); ++i) {
            rowBatch_.push_back(static_cast<unsigned char>(batch));
            rowOnPage_.push_back(static_cast<int>(i));
            starts_.push_back(offset + page.starts[i]);
        }
    }
    starts_.push_back(folded_.size());
}

SearchHit CatalogueIndex::Row(int index) const {
    if (index < 0 || index >= Count()) return {};
    const ListPageRows& page = pages_[rowBatch_[static_cast<std::size_t>(index)]].rows;
    const int onPage = rowOnPage_[static_cast<std::size_t>(index)];
    return {rowBatch_[static_cast<std::size_t>(index)], page.Id(onPage), page.Title(onPage), page.Image(onPage)};
}

std::vector<int> CatalogueIndex::Match(std::string_view query) const {
    std::vector<int> found;
    const std::vector<std::string> words = SearchWords(query);
    if (words.empty() || Count() == 0) return found;
    const std::string& first = words.front();
    // The first word is looked for through all titles at once (memmem);
    // each title it lands in is then checked for the other words.
    const char* const base = folded_.data();
    const std::size_t size = folded_.size();
    std::size_t from = 0;
    while (from < size) {
        const void* hit = memmem(base + from, size - from, first.data(), first.size());
        if (!hit) break;
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
        const auto next = std::upper_bound(starts_.begin(), starts_.end(), at);
        const auto row = static_cast<int>(next - starts_.begin()) - 1;
        const std::size_t start = starts_[static_cast<std::size_t>(row)];
        const std::size_t end = *next - 1;  // without its line feed
        if (HoldsAll(std::string_view(base + start, end - start), words, 1)) found.push_back(row);
        from = *next;
    }
    return found;
}

std::vector<int> CatalogueIndex::Match(std::string_view query, const std::vector<int>& among) const {
    std::vector<int> found;
    const std::vector<std::string> words = SearchWords(query);
    if (words.empty()) return found;
    for (int row : among) {
        if (row < 0 || row >= Count()) continue;
        const std::size_t start = starts_[static_cast<std::size_t>(row)];
        const std::size_t end = starts_[static_cast<std::size_t>(row) + 1] - 1;  // without its line feed
        if (HoldsAll(std::string_view(folded_.data() + start, end - start), words, 0)) found.push_back(row);
    }
    return found;
}

}  // namespace lumora
