// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/Codings.h"

#include <gtest/gtest.h>

#include <string>

using namespace lumora;

namespace {

// GBK bytes of a few characters used below.
const std::string kZhong = "\xD6\xD0";           // 中
const std::string kBackslashTrail = "\x81\x5C";  // a GBK character whose trail byte is "\"
const std::string kGrin = "\x94\x39\xFC\x36";    // U+1F600, four bytes in GB18030
const std::string kFffd = "\x84\x31\xA4\x37";    // U+FFFD

}  // namespace

TEST(Codings, PercentDecodeWalksBytes) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"", ""},
        {"a%41b", "aAb"},
        {"%e4%b8%ad", "\xE4\xB8\xAD"},
        {"%4", "\x04"},  // one byte left: read as it is
        {"ab%", "ab"},   // nothing left: nothing stands for the "%"
        {"%%41",
         "\x54"
         "1"},                   // "%" counts as 0x25: 0x25 * 16 + 4 = 0x254
        {"%zz", "\xFA"},         // "Z" is 0x5A: 0x5A * 16 + 0x5A = 0x5FA
        {"%" + kZhong, "\x30"},  // two bytes of a character: 0xD6 * 16 + 0xD0
        {kZhong + "%20", kZhong + " "},
        {"x\xD6", "x\xD6"},  // a lead byte at the very end passes
        {"%00a", std::string("\0a", 2)},
    };
    for (const Case& c : cases) EXPECT_EQ(PercentDecode(Text::Gbk(c.in)).Bytes(), c.out) << c.in;
}

TEST(Codings, UriDecode) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"", ""},
        {"%E4%B8%AD", kZhong},
        {"%e4%b8%ad%20x", kZhong + " x"},
        {"a%2Fb%3f%23%25", "a%2Fb%3f%23%"},  // reserved escapes stay as written
        {"%F0%9F%98%80", kGrin},
        {"it's \\n", "it's \\n"},  // quotes and backslashes are plain characters
        {"'%41'", "'A'"},
        {kBackslashTrail + "%41", kBackslashTrail + "A"},
        {"line\nbreak%41", "line\nbreakA"},
        // decodeURI refuses these; PercentDecode takes over
        {"%zz1",
         "\xFA"
         "1"},
        {"a%E4%B8", "a\xE4\xB8"},       // a sequence cut short
        {"%C0%AF", "\xC0\xAF"},         // overlong
        {"%ED%A0%80", "\xED\xA0\x80"},  // an encoded surrogate
        {"%80", "\x80"},                // a trail byte first
        {"%E4%41%AD",
         "\xE4"
         "A\xAD"},
        {"100%", "100"},  // "%" at the end
        {"%4", "\x04"},   // "%" followed by one byte
    };
    for (const Case& c : cases) EXPECT_EQ(UriDecode(Text::Gbk(c.in)).Bytes(), c.out) << c.in;
    // A lone lead byte is no character: it reaches the decoder as U+FFFD.
    EXPECT_EQ(UriDecode(Text::Gbk("a\xD6")).Bytes(), "a" + kFffd);
}

TEST(Codings, Unescape) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"", ""},
        {"%41%u4E2D", "A" + kZhong},
        {"%uD83D%uDE00", kGrin},
        {"%uD800", kFffd},  // a lone surrogate can't be a GBK text
        {"%", "%"},
        {"%4", "%4"},
        {"%u12", "%u12"},
        {"%u12G4%41", "%u12G4A"},
        {"%zz", "%zz"},
        {"'\\'%27", "'\\''"},
        {kZhong + "%20", kZhong + " "},
    };
    for (const Case& c : cases) EXPECT_EQ(Unescape(Text::Gbk(c.in)).Bytes(), c.out) << c.in;
}

TEST(Codings, UriEncode) {
    struct Case {
        std::string in;
        bool useScript;
        std::string out;
    };
    const Case cases[] = {
        {"", false, ""},
        {"ab", false, "%61%62"},
        {kZhong + " /", false, "%D6%D0%20%2F"},
        {"", true, ""},
        {"azAZ09-_.!~*'();/?:@&=+$,#", true, "azAZ09-_.!~*'();/?:@&=+$,#"},
        {kZhong + " %\\\"<>", true, "%E4%B8%AD%20%25%5C%22%3C%3E"},
        {kGrin, true, "%F0%9F%98%80"},
        {"\n\x7F", true, "%0A%7F"},
    };
    for (const Case& c : cases) EXPECT_EQ(UriEncode(Text::Gbk(c.in), c.useScript).Bytes(), c.out) << c.in;
    EXPECT_EQ(UriDecode(UriEncode(Text::Gbk(kGrin + kZhong), true)).Bytes(), kGrin + kZhong);
}

TEST(Codings, EcmaFunctionsOverUtf16) {
    // Lone surrogates can't come from a GBK text; they are refused here.
    const std::u16string loneHigh = {u'a', char16_t(0xD83D)};
    const std::u16string loneLow = {char16_t(0xDE00), u'a'};
    const std::u16string highThenLetter = {char16_t(0xD83D), u'a'};
    EXPECT_FALSE(ecma::EncodeUri(loneHigh));
    EXPECT_FALSE(ecma::EncodeUri(loneLow));
    EXPECT_FALSE(ecma::EncodeUri(highThenLetter));
    EXPECT_EQ(ecma::EncodeUri(u"\U0001F600"), u"%F0%9F%98%80");

    EXPECT_EQ(ecma::DecodeUri(u"%F4%8F%BF%BF"), u"\U0010FFFF");
    EXPECT_FALSE(ecma::DecodeUri(u"%F4%90%80%80"));  // above U+10FFFF
    EXPECT_FALSE(ecma::DecodeUri(u"%F8%80%80%80%80"));
    EXPECT_FALSE(ecma::DecodeUri(u"%E4%B8%"));
    EXPECT_FALSE(ecma::DecodeUri(u"%E4%B8"));
    EXPECT_FALSE(ecma::DecodeUri(u"%E4\u4E2D"));
    EXPECT_EQ(ecma::DecodeUri(u"%3B%2f%3F%3a%40%26%3D%2B%24%2C%23"), u"%3B%2f%3F%3a%40%26%3D%2B%24%2C%23");
    EXPECT_EQ(ecma::Unescape(u"%uDE00"), std::u16string(1, char16_t(0xDE00)));
}

TEST(Codings, Base64Decode) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"", ""},         {"QQ==", "A"},
        {"QUI=", "AB"},   {"QUJD", "ABC"},
        {"1tA=", kZhong}, {"QUJDQQ", ""},  // length not a multiple of 4
        {"QUJDRA=", ""},                   // 7 characters
        {"QUJD====", ""},                  // "=" only in the last two places
        {"Q=Q=", ""},     {"QU I", ""},    // outside the alphabet
        {"QQBC", "A"},                     // ends at the first zero byte
        {"AAAA", ""},     {"+/+/", "\xFB\xFF\xBF"},
    };
    for (const Case& c : cases) EXPECT_EQ(Base64Decode(Text::Gbk(c.in)).Bytes(), c.out) << c.in;
}

TEST(Codings, LooksBase64) {
    struct Case {
        std::string in;
        bool looks;
    };
    const Case cases[] = {
        {"", true},      {"QQ==", true},  {"abcXYZ019=", true}, {"ab/c", false},
        {"ab+c", false}, {"ab c", false}, {kZhong, false},      {"a-b", false},
    };
    for (const Case& c : cases) EXPECT_EQ(LooksBase64(Text::Gbk(c.in)), c.looks) << c.in;
}

TEST(Codings, ScriptBase64Decode) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"", ""},
        {"QQ==", "A"},
        {"QQ", "A"},  // padding optional
        {"QUI", "AB"},
        {" QU\r\nJD\t", "ABC"},            // white space ignored
        {"QQBC", std::string("A\0B", 3)},  // zero bytes kept
        {"JXU0RTJEJTIw", "%u4E2D%20"},
        {"+/+/", "\xFB\xFF\xBF"},
        {"Q", ""},  // one character: no whole byte
        {"QUJDR", ""},
        {"QQ=", ""},  // padding that doesn't complete the group
        {"QQ===", ""},
        {"Q=Q=", ""},
        {"QQ==QQ==", ""},
        {"QU-J", ""},
        {"QUJD" + kZhong, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ScriptBase64Decode(Text::Gbk(c.in)).Bytes(), c.out) << c.in;
    EXPECT_EQ(Unescape(ScriptBase64Decode(Text::Gbk("JXU0RTJEJTIw"))).Bytes(), kZhong + " ");
}

TEST(Codings, ScriptDigestIsMd5OfTheGbkBytes) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"The quick brown fox jumps over the lazy dog", "9e107d9d372bb6826bd81d3542a419d6"},
    };
    for (const Case& c : cases) EXPECT_EQ(ScriptDigest(Text::Gbk(c.in)).Bytes(), c.out) << c.in;
    // The GBK bytes are hashed, not their UTF-8 form.
    EXPECT_EQ(ScriptDigest(Text::Gbk(kZhong)), ScriptDigest(Text::Gbk("\xD6\xD0")));
    EXPECT_NE(ScriptDigest(Text::Gbk(kZhong)), ScriptDigest(Text::Gbk("\xE4\xB8\xAD")));
}
