// SPDX-License-Identifier: GPL-3.0-or-later
// Small helpers shared by the fuzz targets: cutting one input into parts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace lumora::fuzz {

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The input up to its first NUL byte and what follows it: two independent
// texts from one input.
inline std::pair<std::string_view, std::string_view> TwoParts(std::string_view input) {
    const std::size_t cut = input.find('\0');
    if (cut == std::string_view::npos) return {input, {}};
    return {input.substr(0, cut), input.substr(cut + 1)};
}

// Crashes the target so that libFuzzer keeps the input: a property failed.
[[noreturn]] inline void Fail() { __builtin_trap(); }

}  // namespace lumora::fuzz
