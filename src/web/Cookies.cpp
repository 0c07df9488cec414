// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/Cookies.h"

#include <algorithm>
#include <string>
#include <vector>

namespace lumora {

namespace {

Text CookieName(const Text& pair) {
    const std::size_t equals = pair.Find(Text("="));
    return (equals == 0 ? pair : pair.Left(equals - 1)).Trimmed();
}

}  // namespace

Text WithoutLineBreaks(const Text& cookies) {
    std::string bytes = cookies.Bytes();
    std::erase_if(bytes, [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
    return Text::Gbk(std::move(bytes));
}

Text MergeCookies(Text& cookies, Text& newCookies) {
    cookies = WithoutLineBreaks(cookies.WithoutSpaces());
    newCookies = WithoutLineBreaks(newCookies.WithoutSpaces());

    std::vector<Text> merged = newCookies.Split(Text(";"));
    for (const Text& old : cookies.Split(Text(";"))) {
        const Text name = CookieName(old);
        // `merged` grows as old pairs are added, so a repeated old name keeps its first value.
        const bool known =
            std::any_of(merged.begin(), merged.end(), [&](const Text& pair) { return CookieName(pair) == name; });
        if (!known) merged.push_back(old);
    }

    Text result;
    for (const Text& pair : merged)
        if (pair.Right(8) != Text("=deleted")) result += pair + "; ";
    cookies = result.Left(result.Length() >= 2 ? result.Length() - 2 : 0);
    return cookies;
}

}  // namespace lumora
