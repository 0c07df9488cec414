// SPDX-License-Identifier: GPL-3.0-or-later
// The resume record's text, the If-Range value and Content-Range reading.
#include "download/ResumeRecord.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using lumora::ContentRange;
using lumora::ResumeRecord;

TEST(ResumeRecord, ReadsBackWhatItWroteAndNothingElse) {
    const std::vector<ResumeRecord> records = {
        {"http://127.0.0.1:8600/a%20b.mp4?x=1", "\"v1\"", "Mon, 07 Dec 2026 10:00:00 GMT", 3145728},
        {"https://h/x", "", "", 1},
        {"http://h/y", "W/\"weak\"", "", 536870912},
    };
    for (const ResumeRecord& record : records) {
        SCOPED_TRACE(record.address);
        EXPECT_EQ(lumora::ParseResumeRecord(lumora::FormatResumeRecord(record)), record);
    }

    const std::string whole = lumora::FormatResumeRecord(records[0]);
    constexpr char kZero[] = "lumora-resume 1\naddress http://h/x\0\nlength 5\n";
    const std::string kWithZero(kZero, sizeof kZero - 1);
    const std::vector<std::string> refused = {
        "",
        whole.substr(0, whole.size() - 1),               // cut before its end
        whole.substr(0, whole.find("\nlength")) + "\n",  // no length
        "lumora-resume 2\naddress http://h/x\nlength 5\n",
        "lumora-resume 1\nlength 5\n",  // no address
        "lumora-resume 1\naddress http://h/x\nlength 0\n",
        "lumora-resume 1\naddress http://h/x\nlength -5\n",
        "lumora-resume 1\naddress http://h/x\nlength 5x\n",
        "lumora-resume 1\naddress http://h/x\nlength 99999999999999999999\n",
        "lumora-resume 1\naddress http://h/x\netag a\rb\nlength 5\n",  // a control character
        kWithZero,
    };
    for (const std::string& text : refused) {
        SCOPED_TRACE(text);
        EXPECT_EQ(lumora::ParseResumeRecord(text), std::nullopt);
    }
}

TEST(ResumeRecord, IfRangeTakesAStrongETagElseTheDate) {
    EXPECT_EQ(lumora::IfRangeValue({"a", "\"v1\"", "Mon, 07 Dec 2026 10:00:00 GMT", 1}), "\"v1\"");
    EXPECT_EQ(lumora::IfRangeValue({"a", "W/\"v1\"", "Mon, 07 Dec 2026 10:00:00 GMT", 1}),
              "Mon, 07 Dec 2026 10:00:00 GMT");
    EXPECT_EQ(lumora::IfRangeValue({"a", "", "Mon, 07 Dec 2026 10:00:00 GMT", 1}), "Mon, 07 Dec 2026 10:00:00 GMT");
    EXPECT_EQ(lumora::IfRangeValue({"a", "W/\"v1\"", "", 1}), "");
}

TEST(ContentRange, OnlyASatisfiedRangeOfAKnownLength) {
    struct Case {
        const char* value;
        std::optional<ContentRange> expected;
    };
    const std::vector<Case> cases = {
        {"bytes 100-199/200", ContentRange{100, 199, 200}},
        {"  BYTES 0-0/1 ", ContentRange{0, 0, 1}},
        {"bytes 268435456-536870911/536870912", ContentRange{268435456, 536870911, 536870912}},
        {"bytes */200", std::nullopt},
        {"bytes 0-9/*", std::nullopt},
        {"bytes 10-9/20", std::nullopt},
        {"bytes 0-20/20", std::nullopt},
        {"bytes -5-9/20", std::nullopt},
        {"bytes 1-2/3/4", std::nullopt},
        {"items 0-9/20", std::nullopt},
        {"bytes0-9/20", std::nullopt},
        {"bytes 0-9 /20", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(lumora::ParseContentRange(c.value), c.expected);
    }
}

}  // namespace
