// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/Cookies.h"
#include "web/WebText.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

TEST(WebText, ExtractBetween) {
    struct Case {
        Text text, start, end;
        std::size_t startPos;
        bool ignoreCase;
        Text expected;
    };
    const std::vector<Case> cases = {
        {"<a href=\"/vod/7.html\" title=\"x\">", "href=#引号", "#引号", 0, false, "/vod/7.html"},
        {"var video=['http://v/a.mp4->video/mp4'];", "var video=['", "->video/mp4'];", 0, false, "http://v/a.mp4"},
        {"aXb", "a", "b", 0, false, "X"},
        {"aXb", "a", "b", 1, false, "X"},
        {"aXbaYb", "a", "b", 2, false, "Y"},
        {"<TITLE>Hi</TITLE>", "<title>", "</title>", 0, true, "Hi"},
        {"<TITLE>Hi</TITLE>", "<title>", "</title>", 0, false, ""},
        {"a[b", "[", "]", 0, false, ""},
        {"]x[", "[", "]", 0, false, ""},  // the end marker is searched after the start marker only
        {"abc", "", "c", 0, false, ""},
        {"[]", "[", "]", 0, false, ""},
        // 81 5B is one double-byte character; its trail byte is no "[".
        {Text::Gbk("\x81\x5b[v]"), "[", "]", 0, false, "v"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExtractBetween(c.text, c.start, c.end, c.startPos, c.ignoreCase), c.expected)
            << c.text.ToUtf8() << " | " << c.start.ToUtf8() << " | " << c.end.ToUtf8();
}

TEST(WebText, HeaderValue) {
    const std::vector<std::pair<Text, Text>> cases = {
        {"Location: /a/b ", "/a/b"},
        {"Set-Cookie: a=b:c; path=/", "a=b:c; path=/"},
        {"no colon", ""},
        {"X:", ""},
        {"A: \tv", "\tv"},  // only spaces are trimmed
        {"A:　v　", "v"},   // full-width spaces too
    };
    for (const auto& [line, expected] : cases) EXPECT_EQ(HeaderValue(line), expected) << line.ToUtf8();
}

TEST(WebText, UrlHost) {
    struct Case {
        Text url;
        bool domainOnly, keepPort;
        Text expected;
    };
    const std::vector<Case> cases = {
        {"http://WWW.Example.COM/Path", false, false, "www.example.com"},
        {"HTTPS://Media.Example.com:8443/a?b=C", false, false, "media.example.com"},
        {"HTTPS://Media.Example.com:8443/a?b=C", false, true, "media.example.com:8443"},
        {"www.example.com", false, false, "www.example.com"},
        {"a.b.example.com/x", true, false, "example.com"},
        {"http://localhost:81/", true, false, "localhost"},
        {"http://a.b.c.com:8080/", true, true, "c.com:8080"},
        // Without a leading scheme, an "http://" anywhere decides.
        {"go.to/?u=http://other.net/x", false, false, "other.net"},
        {"", false, false, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(UrlHost(c.url, c.domainOnly, c.keepPort), c.expected) << c.url.ToUtf8();
}

TEST(WebText, UrlPortAndPath) {
    struct Case {
        Text url;
        int port;
        Text path;
    };
    const std::vector<Case> cases = {
        {"HTTPS://Media.Example.COM:8443/Path/A?Q=Ab", 8443, "/Path/A?Q=Ab"},
        {"https://a.com", 443, "/"},
        {"Https://a.com/x", 443, "/x"},
        {"example.com/x y?z=中", 80, "/x y?z=中"},
        {"http://a.com:81/p", 81, "/p"},
        {"http://a.com:x/p", 0, "/p"},
        {"http://a.com", 80, "/"},
        // A host that also occurs inside the scheme is looked for after it.
        {"http://t/x", 80, "/x"},
        {"https://tp:8/s", 8, "/s"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UrlPort(c.url), c.port) << c.url.ToUtf8();
        EXPECT_EQ(UrlPath(c.url), c.path) << c.url.ToUtf8();
    }
}

TEST(WebText, SiteOrigin) {
    struct Case {
        Text url;
        Text origin, hostOnly;
    };
    const std::vector<Case> cases = {
        {"HTTP://Example.COM:8080/path/x?q=1", "http://Example.COM:8080", "Example.COM:8080"},
        {"http:\\\\a.com\\b\\c", "http://a.com", "a.com"},
        {"http://a.b.c", "http://a.b.c", "a.b.c"},
        {"http://abc", "http://abc", "http://abc"},  // 10 bytes: unchanged
        {"http://abcd", "http://abcd", "abcd"},
        {"x:\\\\a\\b", "x:\\\\a\\b", "x:\\\\a\\b"},
        {"no scheme at all", "no scheme at all", "no scheme at all"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SiteOrigin(c.url), c.origin) << c.url.ToUtf8();
        EXPECT_EQ(SiteOrigin(c.url, true), c.hostOnly) << c.url.ToUtf8();
    }
}

TEST(WebText, Utf8BytesToText) {
    const std::vector<std::pair<ByteSet, std::string>> cases = {
        {"", ""},
        {"abc", "abc"},
        {"\xE4\xB8\xAD", "\xD6\xD0"},          // a GBK character
        {"\xED\x95\x9C", "\x83\x36\x84\x33"},  // one GBK lacks: its GB18030 form
        {"a\xFF"
         "b",
         "a\x84\x31\xA4\x37"
         "b"},  // invalid: U+FFFD
        {std::string("a\0b", 3), "a"},
    };
    for (const auto& [body, expected] : cases) EXPECT_EQ(Utf8BytesToText(body).Bytes(), expected);
}

TEST(Cookies, MergeCookies) {
    struct Case {
        Text cookies, newCookies;
        Text merged, newAfter;
    };
    const std::vector<Case> cases = {
        // The response sets sid and deletes token; theme stays from before.
        {"token=abc; theme=dark", "sid=1; token=deleted", "sid=1; theme=dark", "sid=1;token=deleted"},
        {"a=1; a=2; b=3", "", "a=1; b=3", ""},  // of repeated old names the first wins
        {"", "x=1; y=2", "x=1; y=2", "x=1;y=2"},
        {"", "", "", ""},
        {"a=deleted; b=1", "", "b=1", ""},
        {"A=1", "a=2", "a=2; A=1", "a=2"},  // names compare case-sensitively
        {"flag; a=1", "flag", "flag; a=1", "flag"},
        {"a = 1;　b=2", "a=3;", "a=3; b=2", "a=3;"},
    };
    for (Case c : cases) {
        const Text before = c.cookies;
        const Text returned = MergeCookies(c.cookies, c.newCookies);
        EXPECT_EQ(c.cookies, c.merged) << before.ToUtf8();
        EXPECT_EQ(returned, c.merged) << before.ToUtf8();
        EXPECT_EQ(c.newCookies, c.newAfter) << before.ToUtf8();
    }
}

}  // namespace
}  // namespace lumora
