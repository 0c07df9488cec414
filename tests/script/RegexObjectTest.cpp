// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/RegexObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace lumora;

namespace {

const Text kListPattern(R"re(</div><a href="/vod/index\.php\?id=(\d+)" target="_blank" title="(.*?) " alt=)re");

std::vector<std::string> AllMatches(const RegexObject& regex) {
    std::vector<std::string> out;
    for (int i = 1; i <= regex.MatchCount(); ++i) out.push_back(regex.MatchText(i).ToUtf8());
    return out;
}

std::string Entry(const std::string& id, const std::string& title) {
    return "<li><div class=\"pic\"></div><a href=\"/vod/index.php?id=" + id + "\" target=\"_blank\" title=\"" + title +
           " \" alt=\"" + title + "\">" + title + "</a></li>\n";
}

}  // namespace

TEST(RegexObject, NewObjectIsEmpty) {
    RegexObject regex;
    int position = 7;
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.SubMatchCount(), 0);
    EXPECT_EQ(regex.MatchText(1, &position), Text());
    EXPECT_EQ(position, -1);
    EXPECT_EQ(regex.SubMatchText(1, 1), Text());
    EXPECT_EQ(regex.Pattern(), Text());
    EXPECT_EQ(regex.Replace("x"), Text());
}

TEST(RegexObject, DialectAndFlags) {
    struct Case {
        const char* pattern;
        std::string subject;
        bool caseSensitive, multiLine, global;
        std::vector<std::string> matches;
    };
    const Case cases[] = {
        // defaults: case folded, ^ and $ at line feeds, every match
        {"^ab$", "AB\nab\nx", false, true, true, {"AB", "ab"}},
        {"ab", "AB ab", true, true, true, {"ab"}},
        {"^b", "a\nb", false, false, true, {}},
        {"b$", "b\n", false, false, true, {}},  // $ is the very end without multi-line
        {"a", "aaa", false, true, false, {"a"}},
        {"a$", "xa\r\nya\n", false, true, true, {"a"}},  // only a line feed ends a line
        {"a.b", "a\rb a\nb", false, true, true, {"a\rb"}},
        {"<(.*?)>", "<a><b>", false, true, true, {"<a>", "<b>"}},
        {"\\d+", "１２3", false, true, true, {"3"}},  // \d is ASCII only
        {"\\w+", "中ab_1", false, true, true, {"ab_1"}},
        {"\\u4E2D.", "中文", false, true, true, {"中文"}},
        {"\\x41", "zA", false, true, true, {"A"}},
        {"(a)?b\\1", "b", false, true, true, {"b"}},    // unset group matches empty
        {"x*", "ab", false, true, true, {"", "", ""}},  // empty matches step one character on
        {"中*", "中中a", false, true, true, {"中中", "", ""}},
        {"a[^]b", "a\nb", false, true, true, {"a\nb"}},
        {"[]a", "a", false, true, true, {}},
        {"é", "É", false, true, true, {"É"}},  // case folding beyond ASCII
    };
    for (const Case& c : cases) {
        RegexObject regex;
        EXPECT_TRUE(regex.Create(c.pattern, Text::FromUtf8(c.subject), c.caseSensitive, c.multiLine, c.global))
            << c.pattern;
        EXPECT_EQ(AllMatches(regex), c.matches) << c.pattern;
    }
}

TEST(RegexObject, QuoteMarkers) {
    const Text subject("id=\"42\" id=#引号7#引号");
    RegexObject regex;
    EXPECT_TRUE(regex.Create("id=#引号(\\d+)#引号", subject, false, true, true, true));
    EXPECT_EQ(regex.Pattern(), Text("id=\"(\\d+)\""));
    ASSERT_EQ(regex.MatchCount(), 1);
    EXPECT_EQ(regex.SubMatchText(1, 1), Text("42"));

    EXPECT_TRUE(regex.Create("id=#引号(\\d+)#引号", subject));
    EXPECT_EQ(regex.Pattern(), Text("id=#引号(\\d+)#引号"));
    ASSERT_EQ(regex.MatchCount(), 1);
    EXPECT_EQ(regex.SubMatchText(1, 1), Text("7"));
}

TEST(RegexObject, IndexesOutOfRangeAndGroupsThatTookNoPart) {
    RegexObject regex;
    ASSERT_TRUE(regex.Create("(a)|(b)", "ab"));
    ASSERT_EQ(regex.MatchCount(), 2);
    EXPECT_EQ(regex.SubMatchCount(), 2);
    EXPECT_EQ(regex.MatchText(0), Text());
    EXPECT_EQ(regex.MatchText(-1), Text());
    EXPECT_EQ(regex.MatchText(3), Text());
    EXPECT_EQ(regex.SubMatchText(1, 0), Text());
    EXPECT_EQ(regex.SubMatchText(1, 3), Text());
    EXPECT_EQ(regex.SubMatchText(3, 1), Text());
    EXPECT_EQ(regex.SubMatchText(1, 1), Text("a"));
    EXPECT_EQ(regex.SubMatchText(1, 2), Text());
    EXPECT_EQ(regex.SubMatchText(2, 1), Text());
    EXPECT_EQ(regex.SubMatchText(2, 2), Text("b"));
    int position = 7;
    EXPECT_EQ(regex.SubMatchText(2, 1, &position), Text());
    EXPECT_EQ(position, -1);

    // Groups count only while there is a match.
    ASSERT_TRUE(regex.Create("(a)(b)", "xyz"));
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.SubMatchCount(), 0);
}

TEST(RegexObject, RejectedPatternLeavesObjectUsable) {
    RegexObject regex;
    ASSERT_TRUE(regex.Create("a", "aaa"));
    EXPECT_FALSE(regex.Create("(a", "aaa"));
    EXPECT_EQ(regex.Pattern(), Text("(a"));
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.MatchText(1), Text());
    EXPECT_EQ(regex.Replace("b"), Text());
    EXPECT_FALSE(regex.Create("a\\C", "aC"));  // \C could split a character
    EXPECT_TRUE(regex.Create("a", "aaa"));
    EXPECT_EQ(regex.MatchCount(), 3);
}

TEST(RegexObject, Positions) {
    struct Case {
        const char* pattern;
        std::string subject;
        bool caseSensitive;
        int match, subMatch;  // subMatch 0: the match itself
        std::string text;
        int position;
    };
    const Case cases[] = {
        {"abc", "中文abc", false, 1, 0, "abc", 4},  // byte offset, beyond the UTF-16 index 2
        {"a(b)c", "中文abc", false, 1, 1, "b", 5},
        {"a", "😀a", false, 1, 0, "a", 4},       // two UTF-16 units, four bytes
        {"a", "한a", false, 1, 0, "a", 4},      // one UTF-16 unit, four bytes
        {"x", "ab中中x", false, 1, 0, "x", 6},  // the search starts on a character boundary
        {"b", "b中b", false, 2, 0, "b", 3},
        {"(?:B)(b)", "Bb", true, 1, 1, "b", 1},
        {"(?:B)(b)", "Bb", false, 1, 1, "b", 1},  // the group's place, not an earlier "B"
        {"x*", "ab", false, 1, 0, "", -1},        // an empty text has no position
        // Repeated text: each match and group at its own offset.
        {"a", "aaaa", false, 2, 0, "a", 1},
        {"a", "aaaa", false, 4, 0, "a", 3},
        {"a", "AaA", false, 3, 0, "A", 2},
        {"(a)(a)", "aaaa", false, 2, 2, "a", 3},
        {"(中)+", "中中中", false, 1, 1, "中", 4},  // the group's last repetition
        {"b(a)|(a)", "ab中a", false, 2, 2, "a", 4},
    };
    for (const Case& c : cases) {
        RegexObject regex;
        ASSERT_TRUE(regex.Create(c.pattern, Text::FromUtf8(c.subject), c.caseSensitive)) << c.pattern;
        int position = 99;
        const Text text =
            c.subMatch == 0 ? regex.MatchText(c.match, &position) : regex.SubMatchText(c.match, c.subMatch, &position);
        EXPECT_EQ(text.ToUtf8(), c.text) << c.pattern << " over " << c.subject;
        EXPECT_EQ(position, c.position) << c.pattern << " over " << c.subject;
    }
}

TEST(RegexObject, Replace) {
    struct Case {
        const char* pattern;
        const char* subject;
        bool global;
        const char* replacement;
        const char* expected;
    };
    const Case cases[] = {
        {"(\\w+)@(\\w+)", "a@b c@d", true, "$2@$1", "b@a d@c"},
        {"(\\w+)@(\\w+)", "a@b c@d", false, "$2@$1", "b@a c@d"},
        {"b", "abc", true, "[$&]", "a[b]c"},
        {"b", "abc", true, "$`|$'", "aa|cc"},
        {"b", "abc", true, "$$", "a$c"},
        {"(b)", "abc", true, "$0$2$", "a$0$2$c"},  // no group 0 or 2: kept as written
        {"(b)", "abc", true, "$10", "ab0c"},       // no group 10: group 1 and a digit
        {"(b)", "abc", true, "$01", "abc"},
        {"(x)?b", "abc", true, "[$1]", "a[]c"},
        {"中", "中文中", true, "国", "国文国"},
        {"z", "abc", true, "$&$&", "abc"},
        {"x*", "ab", true, "-", "-a-b-"},
    };
    for (const Case& c : cases) {
        RegexObject regex;
        ASSERT_TRUE(regex.Create(c.pattern, c.subject, false, true, c.global)) << c.pattern;
        EXPECT_EQ(regex.Replace(c.replacement), Text(c.expected)) << c.pattern << " " << c.replacement;
    }
}

TEST(RegexObject, RunawayMatchingEndsWithNoMatches) {
    const std::string as(40, 'a');
    struct Case {
        const char* pattern;
        std::string subject;
    };
    const Case cases[] = {
        {"(a+)+$", as + "!"},
        {"(a|aa)+$", as + "!"},
        {"^(\\w+\\s?)*$", as + "!"},
        {"(a+)+$", std::string(20000, 'a') + "!"},
        {"(*NO_JIT)(a+)+$", as + "!"},               // the interpreter keeps the limit too
        {"^(a|b)*$", std::string(10'000'000, 'a')},  // deeper than the JIT stack holds
    };
    for (const Case& c : cases) {
        RegexObject regex;
        EXPECT_FALSE(regex.Create(c.pattern, Text::Gbk(c.subject))) << c.pattern;
        EXPECT_EQ(regex.MatchCount(), 0);
        EXPECT_EQ(regex.MatchText(1), Text());
        EXPECT_EQ(regex.Replace("x"), Text());
        // The object stays usable.
        EXPECT_TRUE(regex.Create("a", "aa"));
        EXPECT_EQ(regex.MatchCount(), 2);
    }
}

TEST(RegexObject, DeepAndLongRunsComplete) {
    // A repeated group over 2 MB: deep backtracking state, within the JIT stack.
    const std::string as(2'000'000, 'a');
    RegexObject regex;
    ASSERT_TRUE(regex.Create("^(a|b)*$", Text::Gbk(as)));
    ASSERT_EQ(regex.MatchCount(), 1);
    EXPECT_EQ(regex.MatchText(1).Length(), as.size());

    // A line of list-pattern openings that never close: every opening makes
    // the lazy title scan towards the end of the line.
    std::string page;
    for (int i = 0; i < 20000; ++i)
        page += "</div><a href=\"/vod/index.php?id=" + std::to_string(i) + "\" target=\"_blank\" title=\"x \" al";
    EXPECT_TRUE(regex.Create(kListPattern, Text::Gbk(page)));
    EXPECT_EQ(regex.MatchCount(), 0);
}

TEST(RegexObject, ListPatternOverACataloguePage) {
    std::string page = "<html><body><div class=\"list\">\n";
    for (int i = 1; i <= 500; ++i) page += Entry(std::to_string(1000 + i), "视频 " + std::to_string(i) + "号");
    page += Entry("12a", "id not all digits");
    page += Entry("777", "a title with a\nline break");
    page += "<DIV></DIV><A HREF=\"/VOD/INDEX.PHP?ID=9\" TARGET=\"_BLANK\" TITLE=\"大写 \" ALT=\"\">\n";
    page += "</div><a href=\"/vod/index.php?id=10\" target=\"_blank\" title=\"no blank\" alt=\"\">\n";

    RegexObject regex;
    ASSERT_TRUE(regex.Create(kListPattern, Text::FromUtf8(page)));
    ASSERT_EQ(regex.MatchCount(), 501);
    EXPECT_EQ(regex.SubMatchCount(), 2);
    for (int i = 1; i <= 500; ++i) {
        ASSERT_EQ(regex.SubMatchText(i, 1), Text(std::to_string(1000 + i).c_str()));
        ASSERT_EQ(regex.SubMatchText(i, 2), Text::FromUtf8("视频 " + std::to_string(i) + "号"));
    }
    EXPECT_EQ(regex.SubMatchText(501, 1), Text("9"));  // case folded
    EXPECT_EQ(regex.SubMatchText(501, 2), Text("大写"));
}

TEST(RegexObject, SubjectWithInvalidBytes) {
    RegexObject regex;
    ASSERT_TRUE(regex.Create("a(b)", Text::Gbk("\xFF"
                                               "ab\xD6")));
    ASSERT_EQ(regex.MatchCount(), 1);
    int position = 0;
    EXPECT_EQ(regex.SubMatchText(1, 1, &position), Text("b"));
    EXPECT_EQ(position, 2);
}

TEST(RegexObject, CopiesKeepTheirResult) {
    RegexObject first;
    ASSERT_TRUE(first.Create("a", "aa"));
    RegexObject second = first;
    ASSERT_TRUE(first.Create("b", "b"));
    EXPECT_EQ(first.MatchCount(), 1);
    EXPECT_EQ(second.MatchCount(), 2);
    EXPECT_EQ(second.Pattern(), Text("a"));
    second = first;
    EXPECT_EQ(second.MatchText(1), Text("b"));
}

// A page body matched as UTF-8 gives what its GBK text gives: the same
// matches, sub-matches and positions, invalid bytes and a zero byte included.
TEST(RegexObject, Utf8SubjectMatchesLikeItsGbkText) {
    using namespace std::string_literals;
    const std::string bodies[] = {
        "<a id=\"1\" t=\"中文 \">\n<a id=\"22\" t=\"x \">"s,
        "bad \xFF bytes <a id=\"3\" t=\"\xE4\xB8 \"> <a id=\"4\" t=\"😀 \">"s,
        "<a id=\"5\" t=\"y \">\0<a id=\"6\" t=\"hidden \">"s,  // nothing after a zero byte
        ""s,
    };
    const lumora::Text pattern("id=\"(\\d+)\" t=\"(.*?) \"");
    for (const std::string& body : bodies) {
        const std::string cut = body.substr(0, body.find('\0'));
        lumora::RegexObject fromGbk, fromUtf8;
        ASSERT_TRUE(fromGbk.Create(pattern, lumora::Text::FromUtf8(cut)));
        ASSERT_TRUE(fromUtf8.CreateFromUtf8(pattern, body));
        ASSERT_EQ(fromUtf8.MatchCount(), fromGbk.MatchCount()) << body;
        for (int m = 1; m <= fromGbk.MatchCount(); ++m) {
            for (int g = 1; g <= 2; ++g) {
                int a = 0, b = 0;
                EXPECT_EQ(fromUtf8.SubMatchText(m, g, &a), fromGbk.SubMatchText(m, g, &b)) << body;
                EXPECT_EQ(a, b);
            }
        }
    }
}
