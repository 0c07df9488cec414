// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/GbkTables.h"

#include "base/CodePage.h"
#include "base/GbkTableData.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

using namespace lumora;

namespace {

// Random byte strings drawn from the byte classes that matter to a decoder.
std::string RandomBytes(std::mt19937& random, const std::string& alphabet, std::size_t maxLength) {
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string s;
    for (std::size_t n = length(random); n > 0; --n) s += alphabet[pick(random)];
    return s;
}

std::string Utf8Of(char32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (cp >> 18));
        s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

}  // namespace

TEST(GbkTables, BuiltInTablesAreTheOnesIconvGivesNow) {
    // The tables compiled in against a fresh run of the same building logic.
    const gbk::TableData fresh = gbk::BuildGbkTableData();
    ASSERT_EQ(fresh.toUtf8.size(), gbk::kToUtf8Size);
    ASSERT_EQ(fresh.toGbk.size(), gbk::kToGbkSize);
    const std::string_view toUtf8(reinterpret_cast<const char*>(gbk::kToUtf8), gbk::kToUtf8Size);
    const std::string_view toGbk(reinterpret_cast<const char*>(gbk::kToGbk), gbk::kToGbkSize);
    std::size_t characters = 0;
    for (unsigned lead = gbk::kLeadFirst; lead <= gbk::kLeadLast; ++lead) {
        for (unsigned trail = gbk::kTrailFirst; trail <= gbk::kTrailLast; ++trail) {
            const std::size_t at = gbk::PairIndex(lead, trail) * 4;
            ASSERT_EQ(toUtf8.substr(at, 4), std::string_view(fresh.toUtf8).substr(at, 4)) << lead << " " << trail;
            characters += toUtf8[at] != 0;
        }
    }
    for (std::size_t cp = 0; cp < 0x10000; ++cp)
        ASSERT_EQ(toGbk.substr(cp * 2, 2), std::string_view(fresh.toGbk).substr(cp * 2, 2)) << cp;
    // Nearly every pair is a character (GBK alone has over 21000).
    EXPECT_GT(characters, 21000u);
    EXPECT_EQ(toUtf8.substr(gbk::PairIndex(0xD6, 0xD0) * 4, 4), "\x03\xE4\xB8\xAD");  // 中
    EXPECT_EQ(toGbk.substr(0x4E2D * 2, 2), "\xD6\xD0");
}

TEST(GbkTables, GbkToUtf8GivesTheGeneralConversion) {
    // Every one- and two-byte string, alone and between other bytes.
    for (unsigned a = 0; a < 256; ++a) {
        for (unsigned b = 0; b < 256; ++b) {
            const std::string pair = {static_cast<char>(a), static_cast<char>(b)};
            ASSERT_EQ(TableGbkToUtf8(pair), IconvGbkToUtf8(pair)) << a << " " << b;
            const std::string framed = "x" + pair + "\xD6";
            ASSERT_EQ(TableGbkToUtf8(framed), IconvGbkToUtf8(framed)) << a << " " << b;
        }
    }
    const std::string fourByte[] = {"\x94\x39\xFC\x36", "\x83\x36\x84\x33", "\x84\x31\xA4\x37", "\x81\x30\x81\x30",
                                    "\x81\x30\x81",     "\x81\x30",         "\xFE\x39\xFE\x39", "\xE3\x32\x9A\x35"};
    for (const std::string& s : fourByte) {
        EXPECT_EQ(TableGbkToUtf8(s), IconvGbkToUtf8(s));
        EXPECT_EQ(TableGbkToUtf8("\xD6\xD0" + s + "a\xD6\xD0"), IconvGbkToUtf8("\xD6\xD0" + s + "a\xD6\xD0"));
    }
    std::string alphabet = "a<\n \"=09";
    for (int c = 0x80; c <= 0xFF; c += 3) alphabet += static_cast<char>(c);
    alphabet += "\x81\xFE\xFF\x80\x30\x31\x39\x40\x7E\x7F\xA1\xD6\xD0\x94\x36";
    std::mt19937 random(7);
    for (int i = 0; i < 50000; ++i) {
        const std::string s = RandomBytes(random, alphabet, 24);
        ASSERT_EQ(TableGbkToUtf8(s), IconvGbkToUtf8(s)) << testing::PrintToString(s);
    }
}

TEST(GbkTables, PiecesCutAfterALineFeedConvertAsTheWhole) {
    std::string alphabet = "a\n\n\x81\x30\x39\xD6\xD0\x94\xFE\xFF\x80";
    std::mt19937 random(11);
    for (int i = 0; i < 20000; ++i) {
        const std::string s = RandomBytes(random, alphabet, 32);
        std::string pieces = "kept";
        std::size_t from = 0;
        for (std::size_t lf; (lf = s.find('\n', from)) != std::string::npos; from = lf + 1)
            AppendTableGbkToUtf8(std::string_view(s).substr(from, lf + 1 - from), pieces);
        AppendTableGbkToUtf8(std::string_view(s).substr(from), pieces);
        ASSERT_EQ(pieces, "kept" + TableGbkToUtf8(s)) << testing::PrintToString(s);
    }
}

TEST(GbkTables, Utf8ToGbkGivesTheGeneralConversion) {
    for (char32_t cp = 1; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        const std::string s = Utf8Of(cp);
        ASSERT_EQ(TableUtf8ToGbk(s), IconvUtf8ToGbk(s)) << static_cast<unsigned>(cp);
    }
    for (char32_t cp : {0x10000u, 0x1F600u, 0x10FFFFu}) {
        const std::string s = std::string("a").append(Utf8Of(cp)).append("中");
        EXPECT_EQ(TableUtf8ToGbk(s), IconvUtf8ToGbk(s));
    }
    std::string alphabet = "a<\n ";
    for (int c = 0x80; c <= 0xFF; c += 5) alphabet += static_cast<char>(c);
    alphabet += "\xC0\xC1\xC2\xDF\xE0\xE4\xED\xEF\xF0\xF4\xF5\xFF\x80\xBF\xB8\xAD\xA0\x9F";
    std::mt19937 random(11);
    for (int i = 0; i < 50000; ++i) {
        const std::string s = RandomBytes(random, alphabet, 24);
        ASSERT_EQ(TableUtf8ToGbk(s), IconvUtf8ToGbk(s)) << testing::PrintToString(s);
    }
}
