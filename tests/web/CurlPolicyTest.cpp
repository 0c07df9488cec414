// SPDX-License-Identifier: GPL-3.0-or-later
// The pieces every libcurl request of the program is made from: its header
// entries and the percent-encoding of what goes into an address.
#include "web/CurlPolicy.h"
#include "web/WebText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumora {
namespace {

std::vector<std::string> Entries(const CurlHeaderList& list) {
    std::vector<std::string> entries;
    for (const curl_slist* item = list.get(); item; item = item->next) entries.emplace_back(item->data);
    return entries;
}

TEST(CurlHeaderLines, OneEntryPerLineAndNoForgedLines) {
    struct Case {
        std::string block;
        std::vector<std::string> entries;
    };
    const std::vector<Case> cases = {
        {"A: 1\r\nB: 2", {"A: 1", "B: 2"}},
        // Any CR or LF ends a line; empty lines go.
        {"A: 1\rB: 2\nC: 3\r\n\r\n", {"A: 1", "B: 2", "C: 3"}},
        // An empty value keeps its line: curl would drop "Name:".
        {"Referer:\r\nX-Empty: \t", {"Referer;", "X-Empty;"}},
        {":\r\nPlain", {":", "Plain"}},
        {std::string("A: x\0y\r\nB: 2", 12), {"B: 2"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        const CurlHeaderList list = CurlHeaderLines(c.block);
        EXPECT_EQ(Entries(list), c.entries) << c.block;
    }
    const CurlHeaderList list = CurlHeaderLines("Cookie: a=1\r\nAccept: */*", {"Expect", "Accept"},
                                                [](std::string_view line) { return line.starts_with("Cookie"); });
    EXPECT_EQ(Entries(list), (std::vector<std::string>{"Accept: */*", "Expect:", "Accept:"}));
}

TEST(PercentEncoded, AddressesAndQueryValues) {
    struct Case {
        std::string bytes;
        PercentSet keep;
        std::string encoded;
    };
    const std::vector<Case> cases = {
        {"/a b/\"<>\\^`{|}?q=1&r=#x", PercentSet::Address, "/a%20b/%22%3C%3E%5C%5E%60%7B%7C%7D?q=1&r=#x"},
        {"\x01\x7f\xc4\xe3", PercentSet::Address, "%01%7F%C4%E3"},
        {"AZaz09-_.~", PercentSet::Unreserved, "AZaz09-_.~"},
        {"a b&c=d/\xc4", PercentSet::Unreserved, "a%20b%26c%3Dd%2F%C4"},
    };
    for (const Case& c : cases) EXPECT_EQ(PercentEncoded(c.bytes, c.keep), c.encoded) << c.bytes;
}

}  // namespace
}  // namespace lumora
