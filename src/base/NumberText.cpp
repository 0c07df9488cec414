// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/NumberText.h"

#include <charconv>
#include <climits>
#include <cmath>

namespace lumora {

Text NumberText(double value) {
    if (std::isnan(value)) return Text("NaN");
    if (std::isinf(value)) return Text(value > 0 ? "Infinity" : "-Infinity");
    if (value == 0) return Text("0");  // no "-0"
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 13);
    return Text::Gbk(std::string(buffer, result.ptr));
}

long long ReadInteger(const Text& text) {
    const std::string& s = text.Bytes();
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        const int digit = s[i] - '0';
        if (value > (LLONG_MAX - digit) / 10) return negative ? LLONG_MIN : LLONG_MAX;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

}  // namespace lumora
