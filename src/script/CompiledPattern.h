// SPDX-License-Identifier: GPL-3.0-or-later
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
    // engine took it. `inPieces` also prepares MatchFrom for a subject that
    // is not all there yet.
    CompiledPattern(std::string_view utf8Pattern, bool caseSensitive, bool multiLine, bool inPieces = false);
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

    // One search from `start` in `window`, a stretch of a subject that may
    // go on after it (`moreToCome`) and may have begun before it (not
    // `atSubjectStart`; the caller keeps enough text before `start` for
    // look-behinds and line starts). Match writes 2 * (Groups() + 1) offsets
    // into `offsets` as MatchAll does. NeedMore: what follows the window could
    // make or change a match that starts at offsets[0]; nothing earlier can
    // match. Needs a pattern compiled `inPieces`.
    enum class Step { Match, NoMatch, NeedMore, Limit };
    Step MatchFrom(std::string_view window, std::size_t start, bool atSubjectStart, bool moreToCome,
                   std::size_t* offsets) const;
    // The most characters any one look-behind of the pattern reaches back.
    std::size_t LookBehind() const;

private:
    struct Engine;
    std::unique_ptr<Engine> engine_;
};

}  // namespace lumora
