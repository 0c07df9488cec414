// SPDX-License-Identifier: GPL-3.0-or-later
// The Length and Type record of a response head from a hostile server.
#include "FuzzInput.h"
#include "probe/ProbeStream.h"

using namespace lumora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text head = Text::Gbk(std::string(fuzz::Bytes(data, size)));
    const Text record = HeaderRecord(head);
    // One part per line that names a header; each part no longer than its
    // line plus the tags.
    std::size_t parts = 0;
    std::size_t longest = 0;
    for (const Text& line : head.Split("\r\n")) {
        const std::size_t here = line.Contains("Content-Length:") + line.Contains("Content-Type:");
        parts += here;
        longest += here * (line.Length() + 17);
    }
    if ((parts == 0) != record.Empty()) fuzz::Fail();
    if (parts > 0 && !record.StartsWith("[Length]") && !record.StartsWith("[Type]")) fuzz::Fail();
    if (record.Length() > longest) fuzz::Fail();
    return 0;
}
