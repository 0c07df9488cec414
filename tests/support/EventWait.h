// SPDX-License-Identifier: GPL-3.0-or-later
// Waiting in tests for something to happen, never for a fixed time: the
// event loop runs until a condition holds, with a limit for when it never does.
#pragma once

#include <chrono>
#include <functional>

namespace lumora {
class WorkerChannel;
}

namespace lumora::test {

// Runs the event loop until `done` holds or `limit` has passed; false on time-out.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10));
inline bool WaitUntil(const std::function<bool()>& done, int limitMs) {
    return WaitUntil(done, std::chrono::milliseconds(limitMs));
}

// Waits until every job of `channel` has ended, then runs what they posted:
// after it, nothing more of theirs arrives.
bool WaitUntilSettled(const WorkerChannel& channel, std::chrono::milliseconds limit = std::chrono::seconds(10));

// Runs the events already posted (and those they post in turn), without waiting.
void RunPostedEvents();

}  // namespace lumora::test
