// SPDX-License-Identifier: GPL-3.0-or-later
// The address text operations: tables of inputs and results, including
// double-byte characters whose second byte looks like "\" (乗 is 81 5C).
#include "resolve/AddressText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumora {
namespace {

struct TextCase {
    const char* input;
    const char* expected;
};

TEST(AddressText, Extension) {
    const std::vector<TextCase> cases = {
        {"http://a/b/c.FLV", "flv"},
        {"http://a/b.flv?x=1.mp3", "flv"},  // the query is cut off first
        {"a.b?c.d?e", "b"},
        {"http://www.host.com/path", "com/path"},  // the last "." may sit in the host
        {"HTTP://A/NODOT", "http://a/nodot"},      // no "." at all: the whole address
        {"clip.", ""},
        {"", ""},
        {"/home/user/视频.MP4", "mp4"},
    };
    for (const auto& c : cases) EXPECT_EQ(Extension(c.input), Text(c.expected)) << c.input;
}

TEST(AddressText, Scheme) {
    const std::vector<TextCase> cases = {
        {"HTTP://x/a.flv", "http://"}, {"C:\\clip.avi", "c://"},    {"rtmp://h:1935/app", "rtmp://"},
        {"Mms:thing", "mms://"},       {"/home/user/a.flv", "://"}, {"", "://"},
    };
    for (const auto& c : cases) EXPECT_EQ(Scheme(c.input), Text(c.expected)) << c.input;
}

TEST(AddressText, TextBetween) {
    struct Case {
        const char* text;
        const char* start;
        const char* end;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"[Length]9[/Length][Type]Video/X-FLV[/Type]", "[type]", "[/TYPE]",
         "Video/X-FLV"},  // found folded, given unfolded
        {"xAbCx", "a", "c", "b"},
        {"[1][2]", "[", "]", "1"},
        {"[File]http://h/a.flv", "[File]", "[/File]", ""},  // no end marker
        {"no markers", "[", "]", ""},
        {"ends with [", "[", "]", ""},
        {"[]", "[", "]", ""},
        {"text", "", "]", ""},
        {"甲[乙]丙", "[", "]", "乙"},
    };
    for (const auto& c : cases) EXPECT_EQ(TextBetween(c.text, c.start, c.end), Text(c.expected)) << c.text;
}

TEST(AddressText, FileName) {
    struct Case {
        const char* address;
        bool keepQuery;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"C:\\Movies\\Clip.AVI", false, "Clip.AVI"},
        {"http://h/d/Vid.FLV?X=1", false, "vid.flv"},  // cut before "?" and folded
        {"http://h/d/Vid.FLV?X=1", true, "Vid.FLV?X=1"},
        {"http://h/dir/", false, ""},
        {"noslash.wmv", false, "noslash.wmv"},
        {"C:\\乗\\a.wmv", false, "a.wmv"},
        {"/x/乗", false, "乗"},  // the 5C second byte is no separator
    };
    for (const auto& c : cases) EXPECT_EQ(FileName(c.address, c.keepQuery), Text(c.expected)) << c.address;
}

TEST(AddressText, FindNoCase) {
    struct Case {
        const char* text;
        const char* part;
        int expected;
    };
    const std::vector<Case> cases = {
        {"Hello World", "world", 7}, {"ABC", "abc", 1}, {"abc", "d", -1}, {"abc", "", -1}, {"", "a", -1},
        {"乗\\x", "\\", 3},  // never inside a double-byte character
    };
    for (const auto& c : cases) EXPECT_EQ(FindNoCase(c.text, c.part), c.expected) << c.text << " / " << c.part;
}

}  // namespace
}  // namespace lumora
