// SPDX-License-Identifier: GPL-3.0-or-later
// A compiled pattern run over a subject that arrives in pieces, with the
// very matches CompiledPattern::MatchAll finds over the whole subject.
//
// Only the text from shortly before the current search position on is kept:
// a file of tens of megabytes is matched while it is read, in about the
// memory of one piece. A match that may still grow or change with text yet
// to come waits for it. When a partial match spans ever more pieces, the
// search is retried only each time the waiting text has doubled, so the work
// stays proportional to the subject.
#pragma once

#include "script/CompiledPattern.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

class PatternStream {
public:
    // Called per match with the text of the whole match and of each group
    // (empty when it took no part); the views last until the call returns.
    using OnMatch = std::function<void(const std::vector<std::string_view>& texts)>;

    // `pattern` must be compiled `inPieces` and outlive the stream.
    PatternStream(const CompiledPattern& pattern, OnMatch onMatch);

    // Where the next piece of the subject goes: append valid UTF-8 that ends
    // on a character boundary, then call Scan.
    std::string& Tail() { return window_; }
    // Reports the matches that the text so far settles; `moreToCome` false
    // after the last piece. False once a run hit the engine's limits (the
    // matches reported before that are then no result).
    bool Scan(bool moreToCome);

private:
    void Forget();

    const CompiledPattern& pattern_;
    OnMatch onMatch_;
    std::string window_;           // the subject from some point on
    bool atSubjectStart_ = true;   // window_ still begins where the subject does
    std::size_t position_ = 0;     // next search in window_
    bool skipCharacter_ = false;   // after an empty match at the end of window_
    std::size_t waitingSize_ = 0;  // window_'s size when a search last asked for more
    std::size_t keepBefore_;       // bytes kept before position_ for look-behinds
    std::vector<std::size_t> offsets_;
    std::vector<std::string_view> texts_;
    bool failed_ = false;
};

}  // namespace lumora
