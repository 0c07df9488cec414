// SPDX-License-Identifier: GPL-3.0-or-later
// A value, or the reason there is none: what a request, a download or a play
// hands back inside the program, so that the log and the caller can say why
// something failed. The empty texts and status values callers see are made
// from it at the edges.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace lumora {

enum class FailureKind {
    Refused,   // the input can't be used: an address, a name, a header value
    Network,   // no connection, or the transfer broke off
    Status,    // the server answered with an error status
    TooLarge,  // past a size cap
    Stalled,   // nothing moved for the stall limit, or the time limit passed
    Stopped,   // the caller asked it to end
    Storage,   // a file could not be opened, written or renamed
    Mismatch,  // the answer does not fit what was asked
};

struct Failure {
    FailureKind kind = FailureKind::Network;
    std::string reason;  // one line of English
};

template <typename T>
class Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    bool Ok() const { return state_.index() == 0; }
    explicit operator bool() const { return Ok(); }

    T& Value() { return std::get<0>(state_); }
    const T& Value() const { return std::get<0>(state_); }
    const Failure& Error() const { return std::get<1>(state_); }

    // The value, or `fallback` after a failure (the edge form).
    T ValueOr(T fallback) && { return Ok() ? std::move(std::get<0>(state_)) : std::move(fallback); }

private:
    std::variant<T, Failure> state_;
};

// Nothing to return but whether it worked.
struct Done {};

}  // namespace lumora
