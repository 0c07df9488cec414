// SPDX-License-Identifier: GPL-3.0-or-later
#include "probe/ProbeStream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumora {
namespace {

TEST(HeaderRecord, TagsLengthAndTypeLinesInHeadOrder) {
    struct Case {
        const char* what;
        std::string head;  // GBK bytes
        std::string record;
    };
    const std::vector<Case> cases = {
        {"empty head", "", ""},
        {"no matching line", "HTTP/1.1 204 No Content\r\nServer: x\r\n\r\n", ""},
        {"length then type", "HTTP/1.1 200 OK\r\nContent-Length: 1048576\r\nContent-Type: video/x-flv\r\n\r\n",
         "[Length]1048576[/Length][Type]video/x-flv[/Type]"},
        {"type then length", "HTTP/1.1 200 OK\r\nContent-Type: video/x-flv\r\nContent-Length: 1048576\r\n\r\n",
         "[Type]video/x-flv[/Type][Length]1048576[/Length]"},
        {"lower-case names are not detected",
         "HTTP/1.1 200 OK\r\ncontent-type: video/mp4\r\ncontent-length: 9\r\nCONTENT-TYPE: a/b\r\n\r\n", ""},
        {"several lines of a kind, in order",
         "Content-Type: text/html\r\nContent-Length: 10\r\nContent-Type: video/mp4\r\nContent-Length: 20\r\n",
         "[Type]text/html[/Type][Length]10[/Length][Type]video/mp4[/Type][Length]20[/Length]"},
        {"parameters stay in the value", "Content-Type: text/html; charset=utf-8\r\n",
         "[Type]text/html; charset=utf-8[/Type]"},
        {"every spelling of the name is removed", "Content-Type: content-type:video/mp4 CONTENT-TYPE:\r\n",
         "[Type]video/mp4[/Type]"},
        {"ASCII and full-width spaces trimmed", "Content-Length:\xA1\xA1  42 \xA1\xA1\r\n", "[Length]42[/Length]"},
        {"empty value", "Content-Length:\r\n", "[Length][/Length]"},
        {"body lines after the blank line count too", "HTTP/1.1 200 OK\r\n\r\nContent-Type: inside/body\r\n",
         "[Type]inside/body[/Type]"},
        {"last line cut without its line end", "HTTP/1.1 200 OK\r\nContent-Type: vid", "[Type]vid[/Type]"},
        {"GBK value kept byte for byte", "Content-Type: \xCA\xD3\xC6\xB5\r\n", "[Type]\xCA\xD3\xC6\xB5[/Type]"},
        {"lone lead byte at the very end", "Content-Type: a\x81", "[Type]a\x81[/Type]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HeaderRecord(Text::Gbk(c.head)).Bytes(), c.record) << c.what;
    }
}

}  // namespace
}  // namespace lumora
