// SPDX-License-Identifier: GPL-3.0-or-later
// The small record kept beside an unfinished download's ".part" file, and the
// answers of a server that say whether the bytes it sends fit that file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumora {

// What a later attempt needs to continue a download: the address the bytes
// came from (as sent on the wire), the validators the server gave for them
// and the whole file's length. Empty validators were not given.
struct ResumeRecord {
    std::string address;
    std::string etag;
    std::string lastModified;
    std::int64_t length = 0;

    bool operator==(const ResumeRecord&) const = default;
};

// The record as a few "key value" lines of text.
std::string FormatResumeRecord(const ResumeRecord& record);

// The record back from its text; nothing for a text that is not a whole,
// sound record (another format, a cut file, a length that is no positive
// number, a value with control characters).
std::optional<ResumeRecord> ParseResumeRecord(std::string_view text);

// A validator or address can go into a record and a header line as it is:
// at most 2048 bytes, no control characters.
bool PlainHeaderValue(std::string_view value);

// The value of the If-Range line for bytes described by `record`: its ETag
// when that is strong (a weak one may not be used there), else its
// Last-Modified, else empty (no If-Range is sent).
std::string IfRangeValue(const ResumeRecord& record);

// "bytes FIRST-LAST/COMPLETE" of a Content-Range line, all three known.
struct ContentRange {
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::int64_t complete = 0;

    bool operator==(const ContentRange&) const = default;
};

// Nothing for anything but a satisfied byte range with a known length and
// FIRST <= LAST < COMPLETE ("bytes */100" and "bytes 0-9/*" included).
std::optional<ContentRange> ParseContentRange(std::string_view value);

}  // namespace lumora
