// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/ResumeRule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace lumora {
namespace {

TEST(ResumeRule, ResumesOnlyMoreThanTenSecondsFromEitherEnd) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double position, duration;
        bool resumes;
    } cases[] = {
        {0, 100, false},     {10, 100, false},  {10.5, 100, true}, {50, 100, true},
        {89.5, 100, true},   {90, 100, false},  {100, 100, false}, {150, 100, false},
        {15, 0, false},      {15, -1, false},   {15, 20, false},   {nan, 100, false},
        {15, INFINITY, false}, {-5, 100, false},
    };
    for (const auto& c : cases) {
        const auto at = ResumePosition(c.position, c.duration);
        EXPECT_EQ(at.has_value(), c.resumes) << c.position << " of " << c.duration;
        if (at) {
            EXPECT_EQ(*at, c.position);
        }
    }
}

}  // namespace
}  // namespace lumora
