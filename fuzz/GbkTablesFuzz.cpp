// SPDX-License-Identifier: GPL-3.0-or-later
// The table conversions give byte for byte what iconv gives, invalid input
// included, in both directions; a text converted in pieces cut at line feeds
// gives what the whole gives.
#include "FuzzInput.h"
#include "base/GbkTables.h"

using namespace lumora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::Bytes(data, size);
    const std::string whole = TableGbkToUtf8(bytes);
    if (whole != IconvGbkToUtf8(bytes)) fuzz::Fail();
    if (TableUtf8ToGbk(bytes) != IconvUtf8ToGbk(bytes)) fuzz::Fail();

    std::string pieces = "kept";
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t feed = bytes.find('\n', start + 1);
        const std::size_t end = feed == std::string_view::npos ? bytes.size() : feed;
        AppendTableGbkToUtf8(bytes.substr(start, end - start), pieces);
        start = end;
    }
    if (pieces != "kept" + whole) fuzz::Fail();
    return 0;
}
