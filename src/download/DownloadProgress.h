// SPDX-License-Identifier: GPL-3.0-or-later
// The progress text of a download and the pacing that keeps a fast download
// from flooding the display that shows it.
#pragma once

#include "base/Text.h"

#include <chrono>
#include <cstdint>
#include <functional>

namespace lumora {

// "<received>MB/<total>MB    已完成：<percent>%": the byte counts in MiB rounded
// to 2 decimals in their shortest form (1.25, 3, 0.01), the percentage
// received × 100 / total truncated and at most 100, 0 when the total is
// unknown (0).
Text DownloadProgressText(std::int64_t total, std::int64_t received);

// The shortest gap between two texts written to a display.
inline constexpr std::chrono::milliseconds kProgressInterval{30};

// Passes a stream of texts on to a sink at most once per interval: a text
// offered sooner is held, and a later one replaces it. Flush writes the held
// text, so the last text offered always arrives. Not thread-safe; one
// download uses one on its own thread.
class CoalescedText {
public:
    using Clock = std::chrono::steady_clock;
    using Sink = std::function<void(const Text&)>;

    explicit CoalescedText(Sink sink, std::chrono::milliseconds interval = kProgressInterval);

    void Offer(Text text, Clock::time_point now = Clock::now());
    void Flush();

private:
    Sink sink_;
    Clock::duration interval_;
    bool written_ = false;
    Clock::time_point lastWrite_{};
    bool pending_ = false;
    Text held_;
};

}  // namespace lumora
