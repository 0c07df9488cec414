// SPDX-License-Identifier: GPL-3.0-or-later
// The playable address and the list rows cut out of a page.
#include "FuzzInput.h"
#include "catalogue/Catalogue.h"

using namespace lumora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text page = Text::Gbk(std::string(fuzz::Bytes(data, size)));
    const Text address = ExtractVideoAddress(page);
    // The address is a piece of the page.
    if (!address.Empty() && !page.Contains(address)) fuzz::Fail();
    for (const ListRow& row : ExtractListRows(page))
        if (row.id.Bytes().find_first_not_of("0123456789") != std::string::npos) fuzz::Fail();
    return 0;
}
