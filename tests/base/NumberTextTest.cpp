// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/NumberText.h"

#include <gtest/gtest.h>

using namespace lumora;

TEST(NumberText, ShortestGeneralFormWithThirteenDigits) {
    const std::pair<double, std::string> cases[] = {
        {1.5, "1.5"},
        {2, "2"},
        {10.25, "10.25"},
        {0, "0"},
        {-0.0, "0"},
        {-3.75, "-3.75"},
        {0.1, "0.1"},
        {1.0 / 3, "0.3333333333333"},
        {123456789012.5, "123456789012.5"},
        {1234567890123456.0, "1.234567890123e+15"},
        {100, "100"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(NumberText(value).Bytes(), text) << value;
}

TEST(NumberText, ReadIntegerTakesLeadingDigits) {
    const std::pair<const char*, long long> cases[] = {
        {"42", 42}, {"  -17px", -17}, {"+8", 8},  {"12.9", 12}, {"abc", 0},
        {"", 0},    {"- 5", 0},       {"\t7", 7}, {"0012", 12}, {"99999999999999999999", 9223372036854775807LL},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(ReadInteger(Text(text)), value) << text;
}
