// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/RegexObject.h"

#include "base/CodePage.h"
#include "base/GbkTables.h"
#include "script/CompiledPattern.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumora {

namespace {

// Zero-based offset of the character boundary at or before `offset`.
std::size_t GbkBoundaryAtOrBefore(const std::string& gbk, std::size_t offset) {
    std::size_t at = 0;
    while (at < gbk.size()) {
        const std::size_t next = at + CharWidth(static_cast<unsigned char>(gbk[at]));
        if (next > offset) break;
        at = next;
    }
    return at;
}

}  // namespace

// What one Create leaves behind. Never changed after it is built, so copies
// of the object may share it.
struct RegexObject::Result {
    Text pattern;
    bool ran = false;  // the run completed and `matches` holds its result
    bool ignoreCase = true;
    std::string utf8;  // the subject as matched
    // The GBK subject, for positions: as given to Create, or made from utf8
    // the first time a position is asked for after CreateFromUtf8.
    mutable Text subject;
    mutable std::once_flag subjectMade;
    bool subjectFromUtf8 = false;

    const Text& Subject() const {
        if (subjectFromUtf8) std::call_once(subjectMade, [this] { subject = Text::Gbk(TableUtf8ToGbk(utf8)); });
        return subject;
    }
    std::size_t groups = 0;  // capture groups of the pattern
    // Per match 2 * (groups + 1) offsets into utf8: start and end of the
    // whole match, then of each group (CompiledPattern::NotSet() when it took no part).
    std::vector<std::size_t> offsets;

    std::size_t Stride() const { return 2 * (groups + 1); }
    std::size_t Count() const { return ran ? offsets.size() / Stride() : 0; }
    const std::size_t* Match(std::size_t index) const { return offsets.data() + index * Stride(); }

    std::string_view Slice(std::size_t start, std::size_t end) const {
        if (start == CompiledPattern::NotSet() || end == CompiledPattern::NotSet() || start > end || end > utf8.size())
            return {};
        return std::string_view(utf8).substr(start, end - start);
    }

    // The text of one item and, on request, its offset in the GBK subject
    // (`start` is the item's own offset in utf8).
    Text Item(std::string_view utf8Text, std::size_t start, int* position) const;

private:
    // GBK bytes before utf8 offset `start`, counted on from the last offset
    // asked for, so that reading every match in order stays linear.
    std::size_t GbkOffset(std::size_t start) const;
    mutable std::mutex offsetMutex;
    mutable std::size_t knownUtf8 = 0;
    mutable std::size_t knownGbk = 0;
};

std::size_t RegexObject::Result::GbkOffset(std::size_t start) const {
    std::lock_guard lock(offsetMutex);
    if (start < knownUtf8) knownUtf8 = knownGbk = 0;
    // Matches begin on character boundaries, so the pieces convert on their own.
    knownGbk += TableUtf8ToGbk(std::string_view(utf8).substr(knownUtf8, start - knownUtf8)).size();
    knownUtf8 = start;
    return knownGbk;
}

Text RegexObject::Result::Item(std::string_view utf8Text, std::size_t start, int* position) const {
    Text text = Text::Gbk(TableUtf8ToGbk(utf8Text));
    if (position) {
        *position = -1;
        if (text.Empty()) return text;
        const Text& gbk = Subject();
        // The item's own place; a subject with bytes that are no GBK (each read
        // as U+FFFD) may put it elsewhere, so the text is searched from the
        // boundary at or before that place when it does not stand there.
        const std::size_t offset = GbkOffset(start);
        std::size_t found = offset < gbk.Length() ? gbk.Find(text, offset + 1, ignoreCase) : 0;
        if (found != offset + 1) {
            const std::size_t from = GbkBoundaryAtOrBefore(gbk.Bytes(), std::min(offset, gbk.Length()));
            found = gbk.Find(text, from + 1, ignoreCase);
            if (found == 0) found = gbk.Find(text, 1, ignoreCase);
        }
        if (found != 0 && found - 1 <= static_cast<std::size_t>(INT_MAX)) *position = static_cast<int>(found - 1);
    }
    return text;
}

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(const RegexObject&) = default;
RegexObject& RegexObject::operator=(const RegexObject&) = default;

bool RegexObject::Create(const Text& pattern, Text subject, bool caseSensitive, bool multiLine, bool global,
                         bool quoteMarkers) {
    result_.reset();
    auto result = std::make_shared<Result>();
    result->pattern = quoteMarkers ? pattern.ReplacedAll(Text("#引号"), Text("\"")) : pattern;
    result->utf8 = TableGbkToUtf8(subject.Bytes());
    result->subject = std::move(subject);
    return Run(std::move(result), caseSensitive, multiLine, global);
}

bool RegexObject::CreateFromUtf8(const Text& pattern, std::string utf8Subject, bool caseSensitive, bool multiLine,
                                 bool global, bool quoteMarkers) {
    result_.reset();
    auto result = std::make_shared<Result>();
    result->pattern = quoteMarkers ? pattern.ReplacedAll(Text("#引号"), Text("\"")) : pattern;
    if (const std::size_t zero = utf8Subject.find('\0'); zero != std::string::npos) utf8Subject.resize(zero);
    result->utf8 = SanitizeUtf8(std::move(utf8Subject));
    result->subjectFromUtf8 = true;
    return Run(std::move(result), caseSensitive, multiLine, global);
}

bool RegexObject::Run(std::shared_ptr<Result> result, bool caseSensitive, bool multiLine, bool global) {
    result->ignoreCase = !caseSensitive;
    result_ = result;  // the pattern is readable even when it is rejected

    const CompiledPattern compiled(result->pattern.ToUtf8(), caseSensitive, multiLine);
    if (!compiled.Ok()) return false;
    result->groups = compiled.Groups();
    if (!compiled.MatchAll(result->utf8, global, result->offsets)) {
        result->offsets.shrink_to_fit();  // no matches are kept
        return false;
    }
    result->ran = true;
    return true;
}

Text RegexObject::Pattern() const { return result_ ? result_->pattern : Text(); }

Text RegexObject::Replace(const Text& replacement) const {
    if (!result_ || !result_->ran) return Text();
    const Result& r = *result_;
    const std::string template_ = replacement.ToUtf8();
    const std::string_view subject = r.utf8;
    std::string out;
    out.reserve(subject.size());
    std::size_t copied = 0;
    for (std::size_t m = 0; m < r.Count(); ++m) {
        const std::size_t* match = r.Match(m);
        const std::size_t start = std::max(match[0], copied);
        const std::size_t end = std::max(match[1], start);
        out.append(subject.substr(copied, start - copied));
        for (std::size_t i = 0; i < template_.size(); ++i) {
            const char c = template_[i];
            if (c != '$' || i + 1 == template_.size()) {
                out += c;
                continue;
            }
            const char next = template_[i + 1];
            if (next == '$') {
                out += '$';
                ++i;
            } else if (next == '&') {
                out.append(r.Slice(match[0], match[1]));
                ++i;
            } else if (next == '`') {
                out.append(subject.substr(0, match[0]));
                ++i;
            } else if (next == '\'') {
                out.append(subject.substr(std::min<std::size_t>(match[1], subject.size())));
                ++i;
            } else if (next >= '0' && next <= '9') {
                // Two digits when they name a group, else one; "$0" and a
                // group beyond the last stay as written.
                const std::size_t one = next - '0';
                const bool hasSecond = i + 2 < template_.size() && template_[i + 2] >= '0' && template_[i + 2] <= '9';
                const std::size_t two = hasSecond ? one * 10 + (template_[i + 2] - '0') : 0;
                if (hasSecond && two >= 1 && two <= r.groups) {
                    out.append(r.Slice(match[2 * two], match[2 * two + 1]));
                    i += 2;
                } else if (one >= 1 && one <= r.groups) {
                    out.append(r.Slice(match[2 * one], match[2 * one + 1]));
                    ++i;
                } else {
                    out += '$';
                }
            } else {
                out += '$';
            }
        }
        copied = end;
    }
    out.append(subject.substr(std::min<std::size_t>(copied, subject.size())));
    return Text::Gbk(Utf8ToGbk(out));
}

int RegexObject::MatchCount() const {
    if (!result_) return 0;
    const std::size_t count = result_->Count();
    return count > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(count);
}

Text RegexObject::MatchText(int matchIndex, int* position) const {
    if (position) *position = -1;
    if (matchIndex < 1 || matchIndex > MatchCount()) return Text();
    const std::size_t* match = result_->Match(matchIndex - 1);
    return result_->Item(result_->Slice(match[0], match[1]), match[0], position);
}

Text RegexObject::SubMatchText(int matchIndex, int subMatchIndex, int* position) const {
    if (position) *position = -1;
    if (matchIndex < 1 || matchIndex > MatchCount()) return Text();
    if (subMatchIndex < 1 || static_cast<std::size_t>(subMatchIndex) > result_->groups) return Text();
    const std::size_t* match = result_->Match(matchIndex - 1);
    const std::string_view text = result_->Slice(match[2 * subMatchIndex], match[2 * subMatchIndex + 1]);
    return result_->Item(text, match[2 * subMatchIndex], position);
}

int RegexObject::SubMatchCount() const { return MatchCount() > 0 ? static_cast<int>(result_->groups) : 0; }

}  // namespace lumora
