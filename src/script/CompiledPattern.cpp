// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/CompiledPattern.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <cstdint>

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

}  // namespace

static_assert(sizeof(PCRE2_SIZE) == sizeof(std::size_t));

struct CompiledPattern::Engine {
    std::unique_ptr<pcre2_code, CodeDeleter> code;
    std::unique_ptr<pcre2_match_context, MatchContextDeleter> matchContext;
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> matchData;
    std::unique_ptr<pcre2_jit_stack, JitStackDeleter> jitStack;
    std::size_t groups = 0;
    std::size_t lookBehind = 0;
};

CompiledPattern::CompiledPattern(std::string_view utf8Pattern, bool caseSensitive, bool multiLine, bool inPieces) {
    std::unique_ptr<pcre2_compile_context, CompileContextDeleter> compileContext(pcre2_compile_context_create(nullptr));
    if (!compileContext) return;
    pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_LF);
    uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF | PCRE2_ALLOW_EMPTY_CLASS |
                       PCRE2_DOLLAR_ENDONLY | PCRE2_NEVER_BACKSLASH_C;
    if (!caseSensitive) options |= PCRE2_CASELESS;
    if (multiLine) options |= PCRE2_MULTILINE;
    auto engine = std::make_unique<Engine>();
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    engine->code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8Pattern.data()), utf8Pattern.size(), options,
                                     &errorCode, &errorOffset, compileContext.get()));
    if (!engine->code) return;
    const uint32_t jitModes = PCRE2_JIT_COMPLETE | (inPieces ? PCRE2_JIT_PARTIAL_HARD : 0);
    const bool jit = pcre2_jit_compile(engine->code.get(), jitModes) == 0;

    uint32_t groups = 0;
    pcre2_pattern_info(engine->code.get(), PCRE2_INFO_CAPTURECOUNT, &groups);
    engine->groups = groups;
    uint32_t lookBehind = 0;
    pcre2_pattern_info(engine->code.get(), PCRE2_INFO_MAXLOOKBEHIND, &lookBehind);
    engine->lookBehind = lookBehind;

    engine->matchContext.reset(pcre2_match_context_create(nullptr));
    engine->matchData.reset(pcre2_match_data_create_from_pattern(engine->code.get(), nullptr));
    if (!engine->matchContext || !engine->matchData) return;
    pcre2_set_match_limit(engine->matchContext.get(), kMatchLimit);
    pcre2_set_depth_limit(engine->matchContext.get(), kDepthLimit);
    pcre2_set_heap_limit(engine->matchContext.get(), kHeapLimitKiB);
    if (jit) {
        engine->jitStack.reset(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
        if (engine->jitStack) pcre2_jit_stack_assign(engine->matchContext.get(), nullptr, engine->jitStack.get());
    }
    engine_ = std::move(engine);
}

CompiledPattern::~CompiledPattern() = default;

bool CompiledPattern::Ok() const { return engine_ != nullptr; }

std::size_t CompiledPattern::Groups() const { return engine_ ? engine_->groups : 0; }

std::size_t CompiledPattern::NotSet() { return PCRE2_UNSET; }

std::size_t CompiledPattern::LookBehind() const { return engine_ ? engine_->lookBehind : 0; }

CompiledPattern::Step CompiledPattern::MatchFrom(std::string_view window, std::size_t start, bool atSubjectStart,
                                                 bool moreToCome, std::size_t* offsets) const {
    if (!engine_) return Step::Limit;
    uint32_t options = PCRE2_NO_UTF_CHECK;
    if (!atSubjectStart) options |= PCRE2_NOTBOL;
    if (moreToCome) options |= PCRE2_PARTIAL_HARD;
    const int rc = pcre2_match(engine_->code.get(), reinterpret_cast<PCRE2_SPTR>(window.data()), window.size(), start,
                               options, engine_->matchData.get(), engine_->matchContext.get());
    if (rc == PCRE2_ERROR_NOMATCH) return Step::NoMatch;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(engine_->matchData.get());
    if (rc == PCRE2_ERROR_PARTIAL) {
        offsets[0] = ovector[0];
        return Step::NeedMore;
    }
    if (rc < 0) return Step::Limit;
    std::copy(ovector, ovector + 2 * (engine_->groups + 1), offsets);
    return Step::Match;
}

bool CompiledPattern::MatchAll(std::string_view subject, bool global, std::vector<std::size_t>& offsets) const {
    if (!engine_) return false;
    const std::size_t kept = offsets.size();
    const auto* data = reinterpret_cast<PCRE2_SPTR>(subject.data());
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(engine_->matchData.get());
    const std::size_t stride = 2 * (engine_->groups + 1);
    PCRE2_SIZE start = 0;
    while (start <= subject.size()) {
        const int rc = pcre2_match(engine_->code.get(), data, subject.size(), start, PCRE2_NO_UTF_CHECK,
                                   engine_->matchData.get(), engine_->matchContext.get());
        if (rc == PCRE2_ERROR_NOMATCH) break;
        if (rc < 0) {  // a limit was hit (match, depth, heap, JIT stack)
            offsets.resize(kept);
            return false;
        }
        offsets.insert(offsets.end(), ovector, ovector + stride);
        if (!global) break;
        const PCRE2_SIZE matchStart = ovector[0];
        const PCRE2_SIZE matchEnd = ovector[1];
        if (matchEnd > matchStart && matchEnd > start) {
            start = matchEnd;
        } else {
            // An empty match: the next search starts one character further on.
            const PCRE2_SIZE at = std::max(matchEnd, start);
            if (at >= subject.size()) break;
            start = at + Utf8CharLength(static_cast<unsigned char>(subject[at]));
        }
    }
    return true;
}

}  // namespace lumora
