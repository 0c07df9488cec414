// SPDX-License-Identifier: GPL-3.0-or-later
// The private address forms of Open over arbitrary addresses and titles. The
// services are never asked: the resolution counts as overtaken, so only the
// reading of the forms runs.
#include "FuzzInput.h"
#include "resolve/PrivateSchemes.h"

using namespace lumora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto [address, title] = fuzz::TwoParts(fuzz::Bytes(data, size));
    const Text text = Text::Gbk(std::string(address));
    IsNumberText(text);
    HexOfText(text);
    DecodePayload(text, Text("8225500"));
    DecodePayload(text, Text());
    ServiceOptions options;
    options.abandoned = [] { return true; };
    ResolveOpen(text, Text::Gbk(std::string(title)), static_cast<EngineRequest>(size % 3), options);
    return 0;
}
