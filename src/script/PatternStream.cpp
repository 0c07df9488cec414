// SPDX-License-Identifier: GPL-3.0-or-later
#include "script/PatternStream.h"

#include <algorithm>
#include <utility>

namespace lumora {

namespace {

std::size_t Utf8CharLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    return 2;
}

// Room kept before the search position: a look-behind reaches back at most
// LookBehind() characters of up to 4 bytes each, nested ones a few times
// that; at least one character for ^ and \b.
constexpr std::size_t kLeastKept = 64;
constexpr std::size_t kNestingAllowance = 8;

}  // namespace

PatternStream::PatternStream(const CompiledPattern& pattern, OnMatch onMatch)
    : pattern_(pattern),
      onMatch_(std::move(onMatch)),
      keepBefore_(std::max(kLeastKept, 4 * kNestingAllowance * pattern.LookBehind())),
      offsets_(2 * (pattern.Groups() + 1)),
      texts_(pattern.Groups() + 1) {}

bool PatternStream::Scan(bool moreToCome) {
    if (failed_) return false;
    if (skipCharacter_ && position_ < window_.size()) {
        position_ += Utf8CharLength(static_cast<unsigned char>(window_[position_]));
        skipCharacter_ = false;
    }
    // A partial match waits until the text after it has doubled.
    if (moreToCome && waitingSize_ != 0 && window_.size() - position_ < 2 * (waitingSize_ - position_)) return true;
    waitingSize_ = 0;
    while (!skipCharacter_ && position_ <= window_.size()) {
        const CompiledPattern::Step step =
            pattern_.MatchFrom(window_, position_, atSubjectStart_, moreToCome, offsets_.data());
        if (step == CompiledPattern::Step::Limit) {
            failed_ = true;
            return false;
        }
        if (step == CompiledPattern::Step::NoMatch) {
            position_ = window_.size();
            break;
        }
        if (step == CompiledPattern::Step::NeedMore) {
            position_ = offsets_[0];
            waitingSize_ = window_.size();
            break;
        }
        for (std::size_t g = 0; g < texts_.size(); ++g) {
            const std::size_t start = offsets_[2 * g], end = offsets_[2 * g + 1];
            texts_[g] = start == CompiledPattern::NotSet() || end == CompiledPattern::NotSet() || start > end
                            ? std::string_view()
                            : std::string_view(window_).substr(start, end - start);
        }
        onMatch_(texts_);
        const std::size_t matchStart = offsets_[0], matchEnd = offsets_[1];
        if (matchEnd > matchStart && matchEnd > position_) {
            position_ = matchEnd;
        } else {
            // An empty match: the next search starts one character further on.
            const std::size_t at = std::max(matchEnd, position_);
            if (at >= window_.size()) {
                position_ = at;
                skipCharacter_ = true;
                break;
            }
            position_ = at + Utf8CharLength(static_cast<unsigned char>(window_[at]));
        }
    }
    if (moreToCome) Forget();
    return true;
}

// Drops the text that no later search can look at.
void PatternStream::Forget() {
    if (position_ <= keepBefore_) return;
    std::size_t cut = position_ - keepBefore_;
    while (cut > 0 && (static_cast<unsigned char>(window_[cut]) & 0xC0) == 0x80) --cut;
    if (cut == 0) return;
    window_.erase(0, cut);
    position_ -= cut;
    if (waitingSize_ != 0) waitingSize_ -= cut;
    atSubjectStart_ = false;
}

}  // namespace lumora
