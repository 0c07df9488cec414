// SPDX-License-Identifier: GPL-3.0-or-later
// Merging the cookies a hostile server sets into the ones held.
#include "FuzzInput.h"
#include "web/Cookies.h"

#include <initializer_list>

using namespace lumora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto [held, set] = fuzz::TwoParts(fuzz::Bytes(data, size));
    Text cookies = Text::Gbk(std::string(held));
    Text newCookies = Text::Gbk(std::string(set));
    const Text merged = MergeCookies(cookies, newCookies);
    if (merged != cookies) fuzz::Fail();
    // Nothing that would end a header line survives, and no deleted cookie.
    for (const Text* text : std::initializer_list<const Text*>{&merged, &newCookies})
        if (text->Bytes().find_first_of(std::string("\r\n\0", 3)) != std::string::npos) fuzz::Fail();
    for (const Text& pair : merged.Split("; "))
        if (pair.EndsWith("=deleted")) fuzz::Fail();
    return 0;
}
