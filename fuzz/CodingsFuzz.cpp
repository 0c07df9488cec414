// SPDX-License-Identifier: GPL-3.0-or-later
// The text codings over arbitrary bytes, with the round trips they promise.
#include "FuzzInput.h"
#include "script/Codings.h"

using namespace lumora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text text = Text::Gbk(std::string(fuzz::Bytes(data, size)));
    UriDecode(text);
    Unescape(text);
    UriEncode(text, true);
    Base64Decode(text);
    LooksBase64(text);
    ScriptBase64Decode(text);
    // Every byte escaped and decoded again is the text itself.
    if (PercentDecode(UriEncode(text)) != text) fuzz::Fail();

    // The ECMAScript functions over the bytes read as UTF-16 code units.
    std::u16string units;
    for (std::size_t i = 0; i + 1 < size; i += 2) units += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    ecma::Unescape(units);
    ecma::DecodeUri(units);
    if (const auto encoded = ecma::EncodeUri(units)) {
        const auto decoded = ecma::DecodeUri(*encoded);
        if (!decoded || *decoded != units) fuzz::Fail();
    }
    return 0;
}
