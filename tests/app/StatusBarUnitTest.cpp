// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLabel>

#include <gtest/gtest.h>

#include "app/StatusBarUnit.h"

namespace lumora {
namespace {

TEST(StatusBarUnitTest, SectionsSitSideBySideWithTheirWidths) {
    struct Case {
        StatusBarUnit::Widths widths;
        std::array<int, 4> lefts;
        StatusBarUnit::Widths placed;
    };
    const std::vector<Case> cases = {
        {{360, 100, 100, 120}, {0, 360, 460, 560}, {360, 100, 100, 120}},
        {{680, 100, 100, 120}, {0, 680, 780, 880}, {680, 100, 100, 120}},
        // A window narrower than 320 pixels: the first section shrinks to nothing.
        {{-20, 100, 100, 120}, {0, 0, 100, 200}, {0, 100, 100, 120}},
        {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    StatusBarUnit bar;
    bar.setGeometry(0, 508, 680, 20);
    for (const Case& c : cases) {
        bar.SetSectionWidths(c.widths);
        EXPECT_EQ(bar.SectionWidths(), c.placed);
        for (int i = 0; i < StatusBarUnit::kSectionCount; ++i) {
            const auto at = static_cast<std::size_t>(i);
            EXPECT_EQ(bar.Section(i)->geometry(), QRect(c.lefts[at], 0, c.placed[at], 20))
                << "section " << i << " of widths starting " << c.widths[0];
        }
    }
    // Sections follow the bar's height once it is on screen.
    bar.show();
    bar.resize(680, 30);
    EXPECT_EQ(bar.Section(3)->height(), 30);
}

TEST(StatusBarUnitTest, SectionsOutsideTheFourAreIgnored) {
    StatusBarUnit bar;
    bar.SetSectionText(2, QStringLiteral("音量：45%"));
    for (int outside : {-1, 4, 1000}) {
        bar.SetSectionText(outside, QStringLiteral("x"));
        EXPECT_TRUE(bar.SectionText(outside).isEmpty()) << outside;
        EXPECT_EQ(bar.Section(outside), nullptr) << outside;
    }
    EXPECT_EQ(bar.SectionText(2), QStringLiteral("音量：45%"));
    EXPECT_TRUE(bar.SectionText(0).isEmpty());
}

}  // namespace
}  // namespace lumora
