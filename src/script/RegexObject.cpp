#include "script/RegexObject.h"

#include <mutex>

#include "base/CodePage.h"
#include "base/GbkTables.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumora {

namespace {

// Bounds of the engine. The match limit stops catastrophic backtracking at one
// starting position after about 20 ms under JIT (0.1 s in the interpreter);
// ordinary patterns over pages of tens of megabytes stay far below it. The
// JIT stack holds about three million nested backtracking points (a group
// repeated over a few megabytes); it is address space, touched only as used.
// The interpreter serves only where JIT compilation fails; its frames live on
// the heap, within the depth and heap limits.
constexpr uint32_t kMatchLimit = 10'000'000;
constexpr uint32_t kDepthLimit = 1'000'000;
constexpr uint32_t kHeapLimitKiB = 256 * 1024;
constexpr PCRE2_SIZE kJitStackStart = 32 * 1024;
constexpr PCRE2_SIZE kJitStackMax = 64 * 1024 * 1024;

struct CodeDeleter {
    void operator()(pcre2_code* p) const { pcre2_code_free(p); }
};
struct CompileContextDeleter {
    void operator()(pcre2_compile_context* p) const { pcre2_compile_context_free(p); }
};
struct MatchContextDeleter {
    void operator()(pcre2_match_context* p) const { pcre2_match_context_free(p); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
};
struct JitStackDeleter {
    void operator()(pcre2_jit_stack* p) const { pcre2_jit_stack_free(p); }
};

std::size_t Utf8CharLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    return 2;
}

// UTF-16 units in a UTF-8 prefix: one per character, two for characters
// outside the BMP (their four-byte lead is F0..F4).
std::size_t Utf16Units(std::string_view utf8) {
    std::size_t units = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) != 0x80) units += c >= 0xF0 ? 2 : 1;
    }
    return units;
}

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
    bool ran = false;          // the run completed and `matches` holds its result
    bool ignoreCase = true;
    std::string utf8;          // the subject as matched
    // The GBK subject, for positions: as given to Create, or made from utf8
    // the first time a position is asked for after CreateFromUtf8.
    mutable Text subject;
    mutable std::once_flag subjectMade;
    bool subjectFromUtf8 = false;

    const Text& Subject() const {
        if (subjectFromUtf8) std::call_once(subjectMade, [this] { subject = Text::Gbk(TableUtf8ToGbk(utf8)); });
        return subject;
    }
    std::size_t groups = 0;    // capture groups of the pattern
    // Per match 2 * (groups + 1) offsets into utf8: start and end of the
    // whole match, then of each group (PCRE2_UNSET when it took no part).
    std::vector<PCRE2_SIZE> offsets;

    std::size_t Stride() const { return 2 * (groups + 1); }
    std::size_t Count() const { return ran ? offsets.size() / Stride() : 0; }
    const PCRE2_SIZE* Match(std::size_t index) const { return offsets.data() + index * Stride(); }

    std::string_view Slice(PCRE2_SIZE start, PCRE2_SIZE end) const {
        if (start == PCRE2_UNSET || end == PCRE2_UNSET || start > end || end > utf8.size()) return {};
        return std::string_view(utf8).substr(start, end - start);
    }

    // The text of one item and, on request, its offset in the GBK subject.
    Text Item(std::string_view utf8Text, PCRE2_SIZE matchStart, int* position) const;
};

Text RegexObject::Result::Item(std::string_view utf8Text, PCRE2_SIZE matchStart, int* position) const {
    Text text = Text::Gbk(TableUtf8ToGbk(utf8Text));
    if (position) {
        *position = -1;
        // The match's index in UTF-16 units, taken as a 1-based byte position:
        // never past the text's own byte offset, since no character has fewer
        // GBK bytes than UTF-16 units. The search starts on a character
        // boundary so it keeps stepping over double-byte characters whole.
        const std::size_t firstIndex = Utf16Units(std::string_view(utf8).substr(0, matchStart));
        const Text& gbk = Subject();
        const std::size_t from = GbkBoundaryAtOrBefore(gbk.Bytes(), firstIndex == 0 ? 0 : firstIndex - 1);
        const std::size_t found = text.Empty() ? 0 : gbk.Find(text, from + 1, ignoreCase);
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

bool RegexObject::CreateFromUtf8(const Text& pattern, std::string utf8Subject, bool caseSensitive,
                                 bool multiLine, bool global, bool quoteMarkers) {
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

    std::unique_ptr<pcre2_compile_context, CompileContextDeleter> compileContext(pcre2_compile_context_create(nullptr));
    if (!compileContext) return false;
    pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_LF);
    uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF | PCRE2_ALLOW_EMPTY_CLASS |
                       PCRE2_DOLLAR_ENDONLY | PCRE2_NEVER_BACKSLASH_C;
    if (!caseSensitive) options |= PCRE2_CASELESS;
    if (multiLine) options |= PCRE2_MULTILINE;
    const std::string utf8Pattern = result->pattern.ToUtf8();
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    std::unique_ptr<pcre2_code, CodeDeleter> code(
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8Pattern.data()), utf8Pattern.size(), options, &errorCode,
                      &errorOffset, compileContext.get()));
    if (!code) return false;
    const bool jit = pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE) == 0;

    uint32_t groups = 0;
    pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &groups);
    result->groups = groups;

    std::unique_ptr<pcre2_match_context, MatchContextDeleter> matchContext(pcre2_match_context_create(nullptr));
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> matchData(
        pcre2_match_data_create_from_pattern(code.get(), nullptr));
    if (!matchContext || !matchData) return false;
    pcre2_set_match_limit(matchContext.get(), kMatchLimit);
    pcre2_set_depth_limit(matchContext.get(), kDepthLimit);
    pcre2_set_heap_limit(matchContext.get(), kHeapLimitKiB);
    std::unique_ptr<pcre2_jit_stack, JitStackDeleter> jitStack;
    if (jit) {
        jitStack.reset(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
        if (jitStack) pcre2_jit_stack_assign(matchContext.get(), nullptr, jitStack.get());
    }

    const std::string& utf8 = result->utf8;
    const auto* data = reinterpret_cast<PCRE2_SPTR>(utf8.data());
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(matchData.get());
    const std::size_t stride = result->Stride();

    // The converted subject is valid UTF-8, so the engine's own check (a scan
    // of the rest of the subject on every call) is skipped.
    PCRE2_SIZE start = 0;
    while (start <= utf8.size()) {
        const int rc =
            pcre2_match(code.get(), data, utf8.size(), start, PCRE2_NO_UTF_CHECK, matchData.get(), matchContext.get());
        if (rc == PCRE2_ERROR_NOMATCH) break;
        if (rc < 0) {  // a limit was hit (match, depth, heap, JIT stack): no result
            result->offsets.clear();
            result->offsets.shrink_to_fit();
            return false;
        }
        result->offsets.insert(result->offsets.end(), ovector, ovector + stride);
        if (!global) break;
        const PCRE2_SIZE matchStart = ovector[0];
        const PCRE2_SIZE matchEnd = ovector[1];
        if (matchEnd > matchStart && matchEnd > start) {
            start = matchEnd;
        } else {
            // An empty match: the next search starts one character further on.
            const PCRE2_SIZE at = std::max(matchEnd, start);
            if (at >= utf8.size()) break;
            start = at + Utf8CharLength(static_cast<unsigned char>(utf8[at]));
        }
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
    PCRE2_SIZE copied = 0;
    for (std::size_t m = 0; m < r.Count(); ++m) {
        const PCRE2_SIZE* match = r.Match(m);
        const PCRE2_SIZE start = std::max(match[0], copied);
        const PCRE2_SIZE end = std::max(match[1], start);
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
                out.append(subject.substr(std::min<PCRE2_SIZE>(match[1], subject.size())));
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
    out.append(subject.substr(std::min<PCRE2_SIZE>(copied, subject.size())));
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
    const PCRE2_SIZE* match = result_->Match(matchIndex - 1);
    return result_->Item(result_->Slice(match[0], match[1]), match[0], position);
}

Text RegexObject::SubMatchText(int matchIndex, int subMatchIndex, int* position) const {
    if (position) *position = -1;
    if (matchIndex < 1 || matchIndex > MatchCount()) return Text();
    if (subMatchIndex < 1 || static_cast<std::size_t>(subMatchIndex) > result_->groups) return Text();
    const PCRE2_SIZE* match = result_->Match(matchIndex - 1);
    const std::string_view text = result_->Slice(match[2 * subMatchIndex], match[2 * subMatchIndex + 1]);
    return result_->Item(text, match[0], position);
}

int RegexObject::SubMatchCount() const {
    return MatchCount() > 0 ? static_cast<int>(result_->groups) : 0;
}

}  // namespace lumora
