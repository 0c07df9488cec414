// SPDX-License-Identifier: GPL-3.0-or-later
#include "download/ResumeRecord.h"

#include <charconv>
#include <limits>

namespace lumora {

namespace {

constexpr std::string_view kFormatLine = "lumora-resume 1";
constexpr std::size_t kValueMax = 2048;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// A whole decimal number of at most 18 digits: no sign, no blanks, no
// overflow.
std::optional<std::int64_t> Decimal(std::string_view text) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

}  // namespace

bool PlainHeaderValue(std::string_view value) {
    if (value.size() > kValueMax) return false;
    for (const char c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    return true;
}

std::string FormatResumeRecord(const ResumeRecord& record) {
    std::string text(kFormatLine);
    text += "\naddress " + record.address;
    text += "\netag " + record.etag;
    text += "\nlast-modified " + record.lastModified;
    text += "\nlength " + std::to_string(record.length) + "\n";
    return text;
}

std::optional<ResumeRecord> ParseResumeRecord(std::string_view text) {
    // Written whole by one download; anything else is not trusted at all.
    if (!text.ends_with('\n')) return std::nullopt;
    ResumeRecord record;
    bool haveAddress = false;
    bool haveLength = false;
    bool first = true;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (first) {
            if (line != kFormatLine) return std::nullopt;
            first = false;
            continue;
        }
        const std::size_t blank = line.find(' ');
        const std::string_view key = line.substr(0, blank);
        const std::string_view value = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
        if (!PlainHeaderValue(value)) return std::nullopt;
        if (key == "address") {
            record.address = value;
            haveAddress = !value.empty();
        } else if (key == "etag") {
            record.etag = value;
        } else if (key == "last-modified") {
            record.lastModified = value;
        } else if (key == "length") {
            const auto length = Decimal(value);
            if (!length || *length == 0) return std::nullopt;
            record.length = *length;
            haveLength = true;
        }
    }
    if (!haveAddress || !haveLength) return std::nullopt;
    return record;
}

std::string IfRangeValue(const ResumeRecord& record) {
    if (!record.etag.empty() && !record.etag.starts_with("W/")) return record.etag;
    return record.lastModified;
}

std::optional<ContentRange> ParseContentRange(std::string_view value) {
    value = Trim(value);
    constexpr std::string_view kUnit = "bytes";
    if (value.size() <= kUnit.size()) return std::nullopt;
    for (std::size_t i = 0; i < kUnit.size(); ++i)
        if ((value[i] | 0x20) != kUnit[i]) return std::nullopt;
    if (value[kUnit.size()] != ' ') return std::nullopt;
    value = Trim(value.substr(kUnit.size()));
    const std::size_t dash = value.find('-');
    const std::size_t slash = value.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || dash > slash) return std::nullopt;
    const auto first = Decimal(value.substr(0, dash));
    const auto last = Decimal(value.substr(dash + 1, slash - dash - 1));
    const auto complete = Decimal(value.substr(slash + 1));
    if (!first || !last || !complete || *first > *last || *last >= *complete) return std::nullopt;
    return ContentRange{*first, *last, *complete};
}

}  // namespace lumora
