// SPDX-License-Identifier: GPL-3.0-or-later
// A subject matched in pieces gives the matches of the whole subject.
#include "script/CompiledPattern.h"
#include "script/PatternStream.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace lumora;

namespace {

using Matches = std::vector<std::vector<std::string>>;  // per match: whole match, then groups

Matches Whole(const CompiledPattern& pattern, const std::string& subject) {
    std::vector<std::size_t> offsets;
    Matches out;
    if (!pattern.MatchAll(subject, true, offsets)) return {{"limit"}};
    const std::size_t stride = 2 * (pattern.Groups() + 1);
    for (std::size_t m = 0; m < offsets.size() / stride; ++m) {
        std::vector<std::string> texts;
        for (std::size_t g = 0; g <= pattern.Groups(); ++g) {
            const std::size_t start = offsets[m * stride + 2 * g], end = offsets[m * stride + 2 * g + 1];
            texts.push_back(start == CompiledPattern::NotSet() ? "" : subject.substr(start, end - start));
        }
        out.push_back(texts);
    }
    return out;
}

// `cuts` are byte counts of the pieces; the rest is the last piece.
Matches InPieces(const CompiledPattern& pattern, const std::string& subject, const std::vector<std::size_t>& cuts) {
    Matches out;
    PatternStream stream(
        pattern, [&out](const std::vector<std::string_view>& texts) { out.emplace_back(texts.begin(), texts.end()); });
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        stream.Tail().append(subject, at, cut);
        at += cut;
        stream.Scan(true);
    }
    stream.Tail().append(subject, at);
    if (!stream.Scan(false)) return {{"limit"}};
    return out;
}

// Random pieces of 1 to `most` bytes, cut on character boundaries.
std::vector<std::size_t> RandomCuts(std::mt19937& random, const std::string& subject, std::size_t most) {
    std::vector<std::size_t> cuts;
    std::size_t at = 0;
    while (at < subject.size()) {
        std::size_t next = at + 1 + random() % most;
        while (next < subject.size() && (static_cast<unsigned char>(subject[next]) & 0xC0) == 0x80) ++next;
        if (next >= subject.size()) break;
        cuts.push_back(next - at);
        at = next;
    }
    return cuts;
}

}  // namespace

TEST(PatternStream, PiecesGiveTheMatchesOfTheWhole) {
    const char* patterns[] = {
        "a",      "ab*",       "(a)(b)?",     "^a|b$",      "\\bab\\b",    "(?<=a)b",  "(?<!a\\n)b", "a(?=b)", "a.*b",
        "a.*?b",  "[\\s\\S]*", "[\\s\\S]*?b", "",           "x*",          "(a|)\\n",  "(a)\\1",     "\\d+",   "中+",
        "A\\s+B", "^$",        "b\\z",        "(?<=中)\\d", "a[^\\n]{2,}", "(?m)^\\d", "1\\n?2",
    };
    const std::string alphabet[] = {"a", "b", "\n", " ", "1", "2", "中", "A"};
    std::mt19937 random(5);
    for (const char* text : patterns) {
        const CompiledPattern pattern(text, false, true, true);
        ASSERT_TRUE(pattern.Ok()) << text;
        for (int round = 0; round < 300; ++round) {
            std::string subject;
            for (int n = random() % 40; n > 0; --n) subject += alphabet[random() % std::size(alphabet)];
            const std::vector<std::size_t> cuts = RandomCuts(random, subject, 1 + random() % 8);
            ASSERT_EQ(InPieces(pattern, subject, cuts), Whole(pattern, subject))
                << "pattern " << text << " subject " << testing::PrintToString(subject) << " pieces "
                << testing::PrintToString(cuts);
        }
    }
}

TEST(PatternStream, KeepsLittleOfALongSubjectAndStaysLinear) {
    const CompiledPattern lines("^(\\d+) (.*)$", false, true, true);
    std::size_t count = 0, longestWindow = 0;
    PatternStream stream(lines, [&count](const std::vector<std::string_view>&) { ++count; });
    for (int i = 0; i < 20000; ++i) {
        stream.Tail() += std::to_string(i) + " line\n";
        longestWindow = std::max(longestWindow, stream.Tail().size());
        ASSERT_TRUE(stream.Scan(true));
    }
    ASSERT_TRUE(stream.Scan(false));
    EXPECT_EQ(count, 20000u);
    EXPECT_LT(longestWindow, 200u);

    // One partial match over the whole subject: retried only when the text
    // after it has doubled, so fed a byte at a time it still ends at once.
    const CompiledPattern open("<[^>]*>", false, true, true);
    std::size_t found = 0;
    PatternStream waiting(open, [&found](const std::vector<std::string_view>&) { ++found; });
    waiting.Tail() = "<";
    waiting.Scan(true);
    for (int i = 0; i < 200000; ++i) {
        waiting.Tail() += 'x';
        ASSERT_TRUE(waiting.Scan(true));
    }
    waiting.Tail() += '>';
    ASSERT_TRUE(waiting.Scan(false));
    EXPECT_EQ(found, 1u);
}
