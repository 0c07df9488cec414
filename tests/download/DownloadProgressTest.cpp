// SPDX-License-Identifier: GPL-3.0-or-later
// The progress text and the pacing of the texts that reach a display.
#include "download/DownloadProgress.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using lumora::Text;

TEST(DownloadProgressText, MegabytesToTwoDecimalsAndATruncatedPercentage) {
    struct Case {
        std::int64_t total;
        std::int64_t received;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {0, 1310720, "1.25MB/0MB    已完成：0%"},  // no Content-Length
        {3145728, 3145728, "3MB/3MB    已完成：100%"},
        {3145728, 10240, "0.01MB/3MB    已完成：0%"},  // the first block
        {3145728, 1572864, "1.5MB/3MB    已完成：50%"},
        {20971520, 10747904, "10.25MB/20MB    已完成：51%"},
        {1048576, 131072, "0.13MB/1MB    已完成：12%"},  // 0.125 rounds up, 12.5 % truncates
        {1048576, 5000, "0MB/1MB    已完成：0%"},
        {0, 1048575, "1MB/0MB    已完成：0%"},
        {0, 0, "0MB/0MB    已完成：0%"},
        {1000, 999, "0MB/0MB    已完成：99%"},
        {3, 1, "0MB/0MB    已完成：33%"},
        {1073741824, 1073741824, "1024MB/1024MB    已完成：100%"},
        {5368709120, 4294967296, "4096MB/5120MB    已完成：80%"},  // past 32 bits
        {1048576, 4194304, "4MB/1MB    已完成：100%"},             // more than announced: never past 100
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.total) + " " + std::to_string(c.received));
        EXPECT_EQ(lumora::DownloadProgressText(c.total, c.received).ToUtf8(), c.expected);
    }
}

// Offers at the given milliseconds, texts "0", "1", ...; which reach the sink
// with a 30 ms interval, a flush at the end.
TEST(CoalescedText, WritesAtMostOncePerIntervalAndAlwaysTheLastText) {
    struct Case {
        std::vector<int> offers;
        std::vector<std::string> written;
    };
    const std::vector<Case> cases = {
        {{}, {}},
        {{0}, {"0"}},
        {{0, 10, 20, 35, 40, 100}, {"0", "3", "5"}},  // the last was due: nothing held
        {{0, 10, 20}, {"0", "2"}},                    // the held one comes with the flush
        {{0, 29, 30, 59, 60}, {"0", "2", "4"}},       // exactly one interval later is due
        {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {"0", "9"}},
        {{5, 500, 1000}, {"0", "1", "2"}},  // slow downloads: every text
    };
    for (const Case& c : cases) {
        std::vector<std::string> written;
        lumora::CoalescedText coalesced([&written](const Text& text) { written.push_back(text.Bytes()); },
                                        std::chrono::milliseconds(30));
        const auto origin = lumora::CoalescedText::Clock::time_point{} + std::chrono::hours(1);
        for (std::size_t i = 0; i < c.offers.size(); ++i)
            coalesced.Offer(Text::Gbk(std::to_string(i)), origin + std::chrono::milliseconds(c.offers[i]));
        coalesced.Flush();
        coalesced.Flush();  // nothing twice
        EXPECT_EQ(written, c.written) << ::testing::PrintToString(c.offers);
    }
}

}  // namespace
