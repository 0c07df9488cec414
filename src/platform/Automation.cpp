// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Automation.h"

#include "base/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

// Conversions, settled once for every control and engine:
//   bool   -> number 1 or 0, text "true" or "false" (the texts the engines
//             write to flag members, so a flag reads back as it was written);
//   number -> text in NumberText form (2, 1.5, 1e+20);
//   text   -> number only when the whole text (blanks aside) is a decimal
//             number such as "12", "-3.5" or "2e3"; anything else is 0;
//   text   -> bool "true"/"false" in any case, else a number text != 0;
//   int    -> truncation toward zero; NaN and values outside the 32-bit
//             range don't convert and give 0;
//   object -> only an object; never a text, number or bool.

namespace lumora {
namespace {

// The first kind that answers wins; nullopt when none does.
template <std::size_t N>
std::optional<Variant> InvokeInOrder(const AutomationRef& object, const Text& member, const std::vector<Variant>& args,
                                     const InvokeKind (&kinds)[N]) {
    if (!object) return std::nullopt;
    for (InvokeKind kind : kinds) {
        if (auto result = object->Invoke(member, kind, args)) return result;
    }
    return std::nullopt;
}

std::string FoldedName(const Text& member) { return member.Lower().Bytes(); }

std::string_view TrimBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number text: [+-] digits [. digits] [e [+-] digits], with digits
// on at least one side of the point. No hex, no "inf"/"nan", no trailing junk.
std::optional<double> ParseDecimal(std::string_view text) {
    text = TrimBlanks(text);
    std::size_t i = 0;
    const std::size_t n = text.size();
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t bodyStart = i;
    std::size_t digits = 0;
    while (i < n && IsDigit(text[i])) ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t exponentDigits = 0;
        while (i < n && IsDigit(text[i])) ++i, ++exponentDigits;
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != n) return std::nullopt;

    // from_chars takes no leading '+', and its general form has no locale.
    double value = 0;
    const char* first = text.data() + bodyStart;
    const char* last = text.data() + n;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != last) return std::nullopt;
    return negative ? -value : value;
}

std::optional<bool> ParseBoolWord(std::string_view text) {
    const std::string word = Text::Gbk(std::string(TrimBlanks(text))).Lower().Bytes();
    if (word == "true") return true;
    if (word == "false") return false;
    return std::nullopt;
}

}  // namespace

std::optional<Variant> AutomationRead(const AutomationRef& object, const Text& member,
                                      const std::vector<Variant>& args) {
    static constexpr InvokeKind kinds[] = {InvokeKind::PropertyGet, InvokeKind::Method};
    return InvokeInOrder(object, member, args, kinds);
}

bool AutomationWrite(const AutomationRef& object, const Text& member, const std::vector<Variant>& args) {
    static constexpr InvokeKind kinds[] = {InvokeKind::PropertyPut, InvokeKind::PropertyPutRef, InvokeKind::Method};
    return InvokeInOrder(object, member, args, kinds).has_value();
}

std::optional<Variant> AutomationCall(const AutomationRef& object, const Text& member,
                                      const std::vector<Variant>& args) {
    static constexpr InvokeKind kinds[] = {InvokeKind::Method, InvokeKind::PropertyGet, InvokeKind::PropertyPut,
                                           InvokeKind::PropertyPutRef};
    return InvokeInOrder(object, member, args, kinds);
}

Text VariantText(const std::optional<Variant>& value) {
    if (!value) return Text();
    if (const auto* text = std::get_if<Text>(&*value)) return *text;
    if (const auto* flag = std::get_if<bool>(&*value)) return Text(*flag ? "true" : "false");
    if (const auto* integer = std::get_if<int>(&*value)) return Text::Gbk(std::to_string(*integer));
    if (const auto* number = std::get_if<double>(&*value)) return NumberText(*number);
    return Text();
}

double VariantNumber(const std::optional<Variant>& value) {
    if (!value) return 0;
    if (const auto* number = std::get_if<double>(&*value)) return *number;
    if (const auto* integer = std::get_if<int>(&*value)) return *integer;
    if (const auto* flag = std::get_if<bool>(&*value)) return *flag ? 1 : 0;
    if (const auto* text = std::get_if<Text>(&*value)) return ParseDecimal(text->Bytes()).value_or(0);
    return 0;
}

int VariantInt(const std::optional<Variant>& value) {
    if (value) {
        if (const auto* integer = std::get_if<int>(&*value)) return *integer;
    }
    const double number = std::trunc(VariantNumber(value));
    // NaN fails both comparisons.
    if (!(number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max())) return 0;
    return static_cast<int>(number);
}

bool VariantBool(const std::optional<Variant>& value) {
    if (!value) return false;
    if (const auto* flag = std::get_if<bool>(&*value)) return *flag;
    if (const auto* text = std::get_if<Text>(&*value)) {
        if (auto word = ParseBoolWord(text->Bytes())) return *word;
    }
    const double number = VariantNumber(value);
    return number != 0 && !std::isnan(number);
}

AutomationRef VariantObject(const std::optional<Variant>& value) {
    if (!value) return nullptr;
    if (const auto* object = std::get_if<AutomationRef>(&*value)) return *object;
    return nullptr;
}

void MemberTable::Add(const Text& member, InvokeKind kind, Handler handler) {
    members_[{FoldedName(member), kind}] = std::move(handler);
}

std::optional<Variant> MemberTable::Invoke(const Text& member, InvokeKind kind, const std::vector<Variant>& args) {
    const auto found = members_.find({FoldedName(member), kind});
    if (found == members_.end() || !found->second) return std::nullopt;
    // A copy: the handler may add or replace members of this table.
    const Handler handler = found->second;
    return handler(args);
}

}  // namespace lumora
