// SPDX-License-Identifier: GPL-3.0-or-later
// Speed and time left of a running download, and the one-line status a
// terminal shows of it.
#pragma once

#include "base/Text.h"

#include <chrono>
#include <cstdint>
#include <deque>

namespace lumora {

// The speed over the last few seconds of a download, from the byte counts
// it reports. Counts that do not grow (a resumed download's first report
// included) only start the measure.
class TransferMeter {
public:
    using Clock = std::chrono::steady_clock;

    void Add(std::int64_t received, Clock::time_point now = Clock::now());
    // Bytes per second over the window; 0 until a quarter second is measured.
    double BytesPerSecond() const;

private:
    struct Sample {
        Clock::time_point at;
        std::int64_t received;
    };
    std::deque<Sample> samples_;
};

// How long the rest of `total` takes at `bytesPerSecond`; negative when that
// can't be told (no total, no speed yet).
long long SecondsLeft(std::int64_t total, std::int64_t received, double bytesPerSecond);

// The progress text of the window title, then the speed and the time left
// when they are known: "1.5MB/3MB    已完成：50%    12.25MB/s    ETA 00:00:01".
Text TerminalProgressText(std::int64_t total, std::int64_t received, double bytesPerSecond);

}  // namespace lumora
