// SPDX-License-Identifier: GPL-3.0-or-later
// The constant tables behind TableGbkToUtf8 and TableUtf8ToGbk, and how they
// are built.
//
// BuildGbkTableData runs the iconv conversions over every double-byte pair;
// gbk-table-gen writes its result into GbkTableData.cpp in the build tree,
// which defines the two arrays below.
#pragma once

#include <cstddef>
#include <string>

namespace lumora::gbk {

// Double-byte characters: a lead byte 81..FE and a trail byte 40..FE.
constexpr unsigned kLeadFirst = 0x81, kLeadLast = 0xFE;
constexpr unsigned kTrailFirst = 0x40, kTrailLast = 0xFE;
constexpr unsigned kTrails = kTrailLast - kTrailFirst + 1;
constexpr std::size_t kPairs = (kLeadLast - kLeadFirst + 1) * kTrails;

constexpr std::size_t PairIndex(unsigned lead, unsigned trail) {
    return (lead - kLeadFirst) * kTrails + (trail - kTrailFirst);
}

// By pair index, four bytes each: the length of the UTF-8 character (0: the
// pair is no character), then its one to three bytes, padded with zeros.
constexpr std::size_t kToUtf8Size = kPairs * 4;
// By BMP code point, two bytes each: the lead and trail byte of the pair the
// encoder gives for it, or two zeros for none.
constexpr std::size_t kToGbkSize = 0x10000 * 2;

// Defined by string literals, hence the room for their terminating zero.
extern const unsigned char kToUtf8[kToUtf8Size + 1];
extern const unsigned char kToGbk[kToGbkSize + 1];

struct TableData {
    std::string toUtf8;  // kToUtf8Size bytes, laid out as kToUtf8
    std::string toGbk;   // kToGbkSize bytes, laid out as kToGbk
};

// Both tables through IconvGbkToUtf8 and IconvUtf8ToGbk; empty strings if
// iconv does not answer as expected.
TableData BuildGbkTableData();

}  // namespace lumora::gbk
