// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/TimeText.h"

#include <cmath>
#include <limits>
#include <string>

namespace lumora {

namespace {

std::string TwoDigits(long long value) {
    std::string text = value < 10 ? "0" : "";
    text += std::to_string(value);
    return text;
}

}  // namespace

Text FormatTime(long long seconds) {
    if (seconds < 0) seconds = 0;
    const long long hours = seconds / 3600;
    const long long minutes = (seconds - hours * 3600) / 60;
    const long long rest = seconds - hours * 3600 - minutes * 60;
    return Text::Gbk(TwoDigits(hours) + ":" + TwoDigits(minutes) + ":" + TwoDigits(rest));
}

long long WholeSeconds(double seconds) {
    if (std::isnan(seconds)) return 0;
    // 2^63 is exact as a double; anything at or beyond it saturates.
    constexpr double limit = 9223372036854775808.0;
    if (seconds >= limit) return std::numeric_limits<long long>::max();
    if (seconds <= -limit) return std::numeric_limits<long long>::min();
    return static_cast<long long>(seconds);
}

}  // namespace lumora
