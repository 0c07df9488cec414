// SPDX-License-Identifier: GPL-3.0-or-later
// RegexObject: compile a pattern, run it over a subject, read the matches.
//
// Matching follows the VBScript/ECMAScript regular-expression dialect on top
// of PCRE2 (JIT where available): groups numbered from 1, lazy quantifiers,
// `.` stops at a line feed (and only there), `\d`, `\w`, `\s` are ASCII,
// `\uXXXX` and `\xhh` escapes, a back-reference to a group that did not take
// part matches the empty string, `[]` matches nothing and `[^]` anything.
//
// The subject is a GBK text; it is matched as UTF-8 and matches are kept as
// offsets into that UTF-8 copy, so a text is converted back to GBK only when
// it is read.
//
// Runs are bounded: backtracking that runs away at one place in the subject
// (or a page that drives a pattern there) stops at the engine's match limit,
// within a fraction of a second, and counts as a failed run with no matches.
// The limit holds per starting position, so a pattern that comes close to it
// at each of many positions still takes correspondingly long.
//
// Indexes given by callers count from 1; anything out of range reads as empty
// text or 0. Copies share the result of the last Create; a later Create on
// either object leaves the other one as it was. One object is used by one
// thread at a time.
#pragma once

#include "base/Text.h"

#include <memory>
#include <string>
#include <string_view>

namespace lumora {

class RegexObject {
public:
    RegexObject();
    ~RegexObject();
    RegexObject(const RegexObject&);
    RegexObject& operator=(const RegexObject&);

    // Compiles `pattern` and collects its matches in `subject` (all of them
    // when `global`, else the first). `caseSensitive` false folds case;
    // `multiLine` makes ^ and $ match at line feeds. With `quoteMarkers`,
    // every "#引号" in the pattern stands for a double quote.
    // True when the run completed, also with no match at all; false when the
    // pattern is rejected or the run hit the engine's limits (no matches are
    // kept then). The previous result is dropped either way.
    bool Create(const Text& pattern, Text subject, bool caseSensitive = false, bool multiLine = true,
                bool global = true, bool quoteMarkers = false);
    // Create over a subject that arrives as UTF-8 (a page body): the same as
    // Create over its GBK text (invalid sequences as U+FFFD, cut at the first
    // zero byte), without converting a large page there and back. A subject
    // passed by move is matched in place when it is valid UTF-8.
    bool CreateFromUtf8(const Text& pattern, std::string utf8Subject, bool caseSensitive = false, bool multiLine = true,
                        bool global = true, bool quoteMarkers = false);

    // The pattern as compiled by the last Create (quote markers replaced);
    // empty before any Create.
    Text Pattern() const;

    // The subject of the last Create with the kept matches replaced:
    // "$1".."$99" a group, "$&" the match, "$`" the text before it, "$'" the
    // text after it, "$$" a dollar; any other "$" stays as it is. Empty text
    // before any Create and after a failed one.
    Text Replace(const Text& replacement) const;

    int MatchCount() const;

    // The text of match `matchIndex`. When `position` is given it receives the
    // zero-based byte offset of that match in the GBK subject; -1 when the
    // text is empty or the index out of range.
    Text MatchText(int matchIndex, int* position = nullptr) const;

    // Group `subMatchIndex` of match `matchIndex`; empty text when that group
    // did not take part. `position` as for MatchText: the group's own offset.
    Text SubMatchText(int matchIndex, int subMatchIndex, int* position = nullptr) const;

    // The number of groups of the first match; 0 when there is no match.
    int SubMatchCount() const;

private:
    struct Result;
    bool Run(std::shared_ptr<Result> result, bool caseSensitive, bool multiLine, bool global);
    std::shared_ptr<const Result> result_;
};

}  // namespace lumora
