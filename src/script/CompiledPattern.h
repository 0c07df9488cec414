// One pattern compiled for PCRE2 (JIT where available) in the dialect that
// RegexObject documents, run over as many UTF-8 subjects as a caller has:
// a page read in blocks is matched without compiling the pattern per block.
//
// Subjects must be valid UTF-8 (SanitizeUtf8): the engine's own check, a scan
// of the whole rest of the subject on every call, is skipped. Runs stop at
// the engine's limits (see RegexObject). One object is used by one thread at
// a time.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace lumora {

class CompiledPattern {
public:
    // `utf8Pattern` compiled with `caseSensitive` false folding case and
    // `multiLine` making ^ and $ match at line feeds; Ok() tells whether the
    // engine took it.
    CompiledPattern(std::string_view utf8Pattern, bool caseSensitive, bool multiLine);
    ~CompiledPattern();
    CompiledPattern(const CompiledPattern&) = delete;
    CompiledPattern& operator=(const CompiledPattern&) = delete;

    bool Ok() const;
    // Capture groups of the pattern.
    std::size_t Groups() const;

    // Appends to `offsets`, per match, 2 * (Groups() + 1) byte offsets into
    // `subject`: start and end of the whole match, then of each group
    // (NotSet() when it took no part). All matches when `global`, else the
    // first. False when a limit was hit; `offsets` is then as it was.
    bool MatchAll(std::string_view subject, bool global, std::vector<std::size_t>& offsets) const;

    // The offset that marks a group that took no part in a match.
    static std::size_t NotSet();

private:
    struct Engine;
    std::unique_ptr<Engine> engine_;
};

}  // namespace lumora
