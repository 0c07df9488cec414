// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Text.h"

#include <gtest/gtest.h>

using lumora::Text;

namespace {

Text G(const char* bytes) { return Text::Gbk(bytes); }

// "中" is D6 D0; "文" is CE C4; "丁" is B6 A1 (its trail byte is A1);
// "涑" is E4 41 (its trail byte is "A"); A1 A1 is the full-width space.

TEST(Text, LiteralsAreUtf8AndBecomeGbk) {
    EXPECT_EQ(Text("中文").Bytes(), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(Text("中文").ToUtf8(), "中文");
    EXPECT_EQ(Text("abc").Bytes(), "abc");
}

TEST(Text, FindStepsOverDoubleByteCharacters) {
    struct Case {
        Text hay, needle;
        std::size_t start;
        bool ignoreCase;
        std::size_t expected;
    };
    const Case cases[] = {
        {G("abcabc"), G("c"), 1, false, 3},
        {G("abcabc"), G("c"), 4, false, 6},
        {G("abcabc"), G("c"), 0, false, 3},  // 0 means the beginning too
        {G("abc"), G("c"), 4, false, 0},     // start past the end
        {G("abc"), G(""), 1, false, 0},      // empty needle is never found
        {G("\xE4"
           "A"
           "A"),
         G("A"), 1, false, 3},  // the "A" trail byte of E4 41 is skipped
        {G("\xE4"
           "Ab"),
         G("Ab"), 1, false, 0},
        {G("\xB6\xA1\xA1\xA1"), G("\xA1\xA1"), 1, false, 3},  // not the trail byte of B6 A1
        {G("xABC"), G("abc"), 1, true, 2},
        {G("xABC"), G("abc"), 1, false, 0},
        {G("\xE4"
           "a"
           "a"),
         G("A"), 1, true, 3},                   // folding never touches a trail byte
        {G("ab\xD6"), G("\xD6"), 1, false, 3},  // lead byte at the very end
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.hay.Find(c.needle, c.start, c.ignoreCase), c.expected)
            << c.hay.Bytes() << " / " << c.needle.Bytes() << " from " << c.start;
        // Position says the same, with nothing for "absent".
        EXPECT_EQ(c.hay.Position(c.needle, c.start, c.ignoreCase),
                  c.expected == 0 ? std::nullopt : std::optional<std::size_t>(c.expected));
    }
}

TEST(Text, CaseFoldingIsAsciiOnly) {
    EXPECT_EQ(G("AbC\xE4"
                "A\xD6\xD0z")
                  .Lower()
                  .Bytes(),
              "abc\xE4"
              "A\xD6\xD0z");
    EXPECT_EQ(G("aBc\xE4"
                "a\xD6\xD0Z")
                  .Upper()
                  .Bytes(),
              "ABC\xE4"
              "a\xD6\xD0Z");
    EXPECT_EQ(G("\xD6").Lower().Bytes(), "\xD6");  // lone lead byte at the end
}

TEST(Text, TrimRemovesAsciiAndFullWidthSpaceOnly) {
    const std::pair<Text, std::string> cases[] = {
        {G("  a b  "), "a b"},
        {G("\xA1\xA1 a\xA1\xA1"), "a"},
        {G("\ta\r\n"), "\ta\r\n"},            // tabs, CR and LF stay
        {G("\xB6\xA1\xA1\xA1"), "\xB6\xA1"},  // A1 A1 after the trail byte of B6 A1
        {G("x\xB6\xA1"), "x\xB6\xA1"},        // B6 A1 is no space
        {G("   "), ""},
        {G(""), ""},
        {G(" \xD6"), "\xD6"},  // lead byte at the end survives
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(in.Trimmed().Bytes(), out) << in.Bytes();
    EXPECT_EQ(G(" a\xA1\xA1"
                "b \xB6\xA1\xA1\xA1")
                  .WithoutSpaces()
                  .Bytes(),
              "ab\xB6\xA1");
}

TEST(Text, SplitKeepsEmptyPiecesButTheLast) {
    struct Case {
        const char* text;
        const char* sep;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {"a;b;c", ";", {"a", "b", "c"}},
        {"a;b;", ";", {"a", "b"}},
        {"a;;b", ";", {"a", "", "b"}},
        {";a", ";", {"", "a"}},
        {";", ";", {""}},
        {";;", ";", {"", ""}},
        {"", ";", {}},
        {"abc", "", {"abc"}},
        {"a\r\nb\r\n", "\r\n", {"a", "b"}},
        {"\xE4;;b", ";", {"\xE4;", "b"}},  // E4 3B is one character, not a separator
    };
    for (const Case& c : cases) {
        std::vector<std::string> got;
        for (const Text& piece : G(c.text).Split(G(c.sep))) got.push_back(piece.Bytes());
        EXPECT_EQ(got, c.pieces) << c.text;
    }
}

TEST(Text, ReplaceAllStepsOverCharacters) {
    EXPECT_EQ(G("a.b.c").ReplacedAll(G("."), G("::")).Bytes(), "a::b::c");
    EXPECT_EQ(G("\xE4"
                "AA")
                  .ReplacedAll(G("A"), G("x"))
                  .Bytes(),
              "\xE4"
              "Ax");
    EXPECT_EQ(G("aXa").ReplacedAll(G("x"), G("-"), true).Bytes(), "a-a");
    EXPECT_EQ(G("aaa").ReplacedAll(G("aa"), G("a")).Bytes(), "aa");  // no rescan of output
    EXPECT_EQ(G("abc").ReplacedAll(G(""), G("x")).Bytes(), "abc");
    EXPECT_EQ(Text("#引号a#引号").ReplacedAll(Text("#引号"), G("\"")).Bytes(), "\"a\"");
}

TEST(Text, PiecesAndBounds) {
    const Text t = G("hello");
    EXPECT_EQ(t.Left(2).Bytes(), "he");
    EXPECT_EQ(t.Left(99).Bytes(), "hello");
    EXPECT_EQ(t.Right(3).Bytes(), "llo");
    EXPECT_EQ(t.Right(99).Bytes(), "hello");
    EXPECT_EQ(t.Mid(2, 3).Bytes(), "ell");
    EXPECT_EQ(t.Mid(4).Bytes(), "lo");
    EXPECT_EQ(t.Mid(9).Bytes(), "");
    EXPECT_EQ(t.At(1), 'h');
    EXPECT_EQ(t.At(0), 0);
    EXPECT_EQ(t.At(6), 0);
}

}  // namespace
