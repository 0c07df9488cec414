// SPDX-License-Identifier: GPL-3.0-or-later
// The list reader fed a page in random pieces finds the rows (and their
// images) it finds when the page arrives whole, and a restart forgets what
// came before it.
//
// Input: four bytes that seed the cuts, one byte of repeats (so that a page
// spans several of the reader's blocks), then the page.
#include "FuzzInput.h"
#include "catalogue/ListPageReader.h"

#include <algorithm>

using namespace lumora;

namespace {

bool SameRows(const ListPageRows& a, const ListPageRows& b) {
    if (a.Count() != b.Count()) return false;
    for (int i = 0; i < a.Count(); ++i)
        if (a.Id(i) != b.Id(i) || a.Title(i) != b.Title(i) || a.Image(i) != b.Image(i)) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    std::uint32_t seed = (data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24) | 1;
    const std::string_view unit = fuzz::Bytes(data + 5, size - 5);
    std::string page;
    const std::size_t repeats = 1 + (unit.empty() ? 0 : std::min<std::size_t>(data[4], 300'000 / unit.size()));
    for (std::size_t i = 0; i < repeats; ++i) page += unit;

    ListPageReader whole;
    whole.Take(page);
    const ListPageRows expected = whole.Finish();

    ListPageReader pieces;
    if (seed & 2) {  // a redirect's body first, dropped by the restart
        pieces.Take(unit.substr(0, unit.size() / 2));
        pieces.Restart();
    }
    for (std::size_t at = 0; at < page.size();) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        // Mostly small pieces, now and then a large one.
        const std::size_t length = (seed & 0x300) == 0 ? seed % 100'000 : seed % 64;
        const std::size_t take = std::min(page.size() - at, length + 1);
        pieces.Take(std::string_view(page).substr(at, take));
        at += take;
    }
    if (!SameRows(pieces.Finish(), expected)) fuzz::Fail();
    return 0;
}
