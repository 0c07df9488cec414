// SPDX-License-Identifier: GPL-3.0-or-later
// The record beside an unfinished download, read back from a file that
// anything may have written: a record it accepts is sound and reads back the
// same once written again; a sound record survives writing and reading.
#include "FuzzInput.h"
#include "download/ResumeRecord.h"

#include <string>

using namespace lumora;

namespace {

void CheckSound(const ResumeRecord& record) {
    if (record.address.empty() || record.length <= 0) fuzz::Fail();
    if (!PlainHeaderValue(record.address) || !PlainHeaderValue(record.etag) ||
        !PlainHeaderValue(record.lastModified))
        fuzz::Fail();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto [text, fields] = fuzz::TwoParts(fuzz::Bytes(data, size));

    if (const std::optional<ResumeRecord> read = ParseResumeRecord(text)) {
        CheckSound(*read);
        if (ParseResumeRecord(FormatResumeRecord(*read)) != read) fuzz::Fail();
    }

    // A record made of the second part's lines: address, ETag, Last-Modified.
    ResumeRecord made;
    std::string_view rest = fields;
    std::string* const parts[] = {&made.address, &made.etag, &made.lastModified};
    for (std::string* part : parts) {
        const std::size_t end = rest.find('\n');
        *part = std::string(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    made.length = static_cast<std::int64_t>(size) * 1'000'003 + 1;
    const bool sound = !made.address.empty() && PlainHeaderValue(made.address) && PlainHeaderValue(made.etag) &&
                       PlainHeaderValue(made.lastModified);
    const std::optional<ResumeRecord> back = ParseResumeRecord(FormatResumeRecord(made));
    if (sound != back.has_value() || (back && *back != made)) fuzz::Fail();
    return 0;
}
