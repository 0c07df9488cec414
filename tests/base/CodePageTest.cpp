// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/CodePage.h"
#include "base/Text.h"

#include <gtest/gtest.h>

using namespace lumora;

TEST(CodePage, GbkCharactersKeepTheirBytesAndOthersKeepFourByteForms) {
    struct Case {
        std::string utf8, gbk;
    };
    const Case cases[] = {
        {"abc", "abc"},
        {"中文", "\xD6\xD0\xCE\xC4"},
        {"\xE3\x80\x80", "\xA1\xA1"},          // U+3000 full-width space
        {"한", "\x83\x36\x84\x33"},            // Korean: not in GBK
        {"😀", "\x94\x39\xFC\x36"},             // emoji: outside the BMP
        {"\xEF\xBF\xBD", "\x84\x31\xA4\x37"},  // U+FFFD itself
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << c.utf8;
        EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8) << c.utf8;
        EXPECT_EQ(Text::FromUtf16(Text::Gbk(c.gbk).ToUtf16()).Bytes(), c.gbk) << c.utf8;
    }
}

TEST(CodePage, InvalidInputBecomesReplacementCharacter) {
    const std::string fffd = "\xEF\xBF\xBD";
    struct Case {
        std::string in, sanitized;
    };
    const Case cases[] = {
        {"a\xFF"
         "b",
         "a" + fffd + "b"},
        {"\xC0\xAF", fffd + fffd},                        // overlong "/"
        {"\xED\xA0\x80", fffd + fffd + fffd},             // encoded surrogate
        {"\xE4\xB8", fffd + fffd},                        // truncated at the end
        {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},  // above U+10FFFF
        {"ok\xE4\xB8\xAD", "ok\xE4\xB8\xAD"},
    };
    for (const Case& c : cases) EXPECT_EQ(SanitizeUtf8(c.in), c.sanitized);
    EXPECT_EQ(Utf8ToGbk("a\xFF"), "a\x84\x31\xA4\x37");
    // GBK bytes that are no character: a lone lead byte at the end, an invalid pair.
    EXPECT_EQ(GbkToUtf8("ab\xD6"), "ab" + fffd);
    EXPECT_EQ(GbkToUtf8("\xFF"
                        "a"),
              fffd + "a");
}

// The scan skips ASCII sixteen bytes at a time and checks runs of other
// characters without decoding them; a fault at either edge of those runs
// shows as a wrong valid length.
TEST(CodePage, ValidPrefixAcrossAsciiBlocksAndCharacterRuns) {
    const std::string ascii16(16, 'a');
    struct Case {
        std::string in;
        std::size_t valid;
    };
    const Case cases[] = {
        {ascii16 + ascii16, 32},
        {ascii16 + "\xFF" + ascii16, 16},
        {ascii16 + "abc\xE4\xB8\xAD\xE6\x96\x87" + ascii16 + "\xC3", 41},
        {ascii16.substr(0, 15) + "\xE4\xB8\xAD\xED\x9F\xBF\xEE\x80\x80", 24},  // U+D7FF, U+E000
        {"\xE0\xA0\x80\xE0\x9F\xBF", 3},                                       // overlong after a valid U+0800
        {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\xF4\x90", 8},                       // U+10000, U+10FFFF, then too high
        {"\xC2\x80\xC2", 2},                                                   // cut in a two-byte character
        {"\xE4\xB8\xAD" + std::string(1, '\0') + "\x80", 4},                   // a zero byte is ASCII
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ValidUtf8Prefix(c.in), c.valid) << c.in;
        // Valid input comes back unchanged, also when handed over by move.
        const std::string valid = c.in.substr(0, c.valid);
        EXPECT_EQ(SanitizeUtf8(std::string(valid)), valid);
        EXPECT_EQ(SanitizeUtf8(std::string(c.in)), SanitizeUtf8(std::string_view(c.in)));
    }
}

TEST(CodePage, Utf16SurrogatesPairOrBecomeReplacement) {
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "😀");
    EXPECT_EQ(Utf8ToUtf16("😀"), u"\U0001F600");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"a"),
              "\xEF\xBF\xBD"
              "a");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToUtf16("a\xFF"), u"a\uFFFD");
}
