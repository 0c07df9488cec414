// SPDX-License-Identifier: GPL-3.0-or-later
// A log line made of what a hostile server sends (an address, a reason):
// what reaches the terminal holds no control character, C0, DEL or C1, so
// it stays one line and starts no escape sequence; text without any passes
// unchanged.
#include "FuzzInput.h"
#include "base/TerminalText.h"

#include <string>

using namespace lumora;

namespace {

bool IsControl(std::string_view text, std::size_t at) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c < 0x20 || c == 0x7F) return true;
    // U+0080-U+009F in UTF-8.
    return c == 0xC2 && at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
           static_cast<unsigned char>(text[at + 1]) <= 0x9F;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::Bytes(data, size);
    const std::string prefix = "lumora.web: ";
    std::string line = prefix;
    AppendEscapedLine(line, input);

    if (line.compare(0, prefix.size(), prefix) != 0) fuzz::Fail();
    const std::string_view escaped = std::string_view(line).substr(prefix.size());
    bool hadControl = false;
    for (std::size_t i = 0; i < input.size(); ++i) hadControl = hadControl || IsControl(input, i);
    for (std::size_t i = 0; i < escaped.size(); ++i)
        if (IsControl(escaped, i)) fuzz::Fail();
    if (!hadControl && escaped != input) fuzz::Fail();
    // Each byte becomes at most one four-byte escape.
    if (escaped.size() < input.size() || escaped.size() > 4 * input.size()) fuzz::Fail();
    return 0;
}
