// SPDX-License-Identifier: GPL-3.0-or-later
// When a medium played before starts where it was left: more than 10 s in
// and more than 10 s before its end. Nearer either end it starts over.
#pragma once

#include <optional>

namespace lumora {

inline constexpr double kResumeMarginSeconds = 10;

// The position to resume at, or nullopt to start from the beginning.
// `duration` 0 (unknown, a live stream) never resumes.
std::optional<double> ResumePosition(double position, double duration);

}  // namespace lumora
