// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/ResumeRule.h"

#include <cmath>

namespace lumora {

std::optional<double> ResumePosition(double position, double duration) {
    if (!std::isfinite(position) || !std::isfinite(duration) || duration <= 0) return std::nullopt;
    if (position > kResumeMarginSeconds && position < duration - kResumeMarginSeconds) return position;
    return std::nullopt;
}

}  // namespace lumora
