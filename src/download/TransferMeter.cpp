// SPDX-License-Identifier: GPL-3.0-or-later
#include "download/TransferMeter.h"

#include "base/NumberText.h"
#include "base/TimeText.h"
#include "download/DownloadProgress.h"

#include <cmath>

namespace lumora {

namespace {

// The speed is measured over this much of the recent past: long enough to
// be steady, short enough to follow a change of pace.
constexpr auto kWindow = std::chrono::seconds(5);
// Samples closer together than this replace each other.
constexpr auto kSampleGap = std::chrono::milliseconds(100);
constexpr auto kShortestMeasure = std::chrono::milliseconds(250);

}  // namespace

void TransferMeter::Add(std::int64_t received, Clock::time_point now) {
    if (!samples_.empty() && received < samples_.back().received) samples_.clear();
    if (samples_.size() >= 2 && now - samples_[samples_.size() - 2].at < kSampleGap)
        samples_.back() = {now, received};
    else
        samples_.push_back({now, received});
    while (samples_.size() > 2 && now - samples_[1].at >= kWindow) samples_.pop_front();
}

double TransferMeter::BytesPerSecond() const {
    if (samples_.size() < 2) return 0;
    const Sample& first = samples_.front();
    const Sample& last = samples_.back();
    const auto span = last.at - first.at;
    if (span < kShortestMeasure) return 0;
    return static_cast<double>(last.received - first.received) / std::chrono::duration<double>(span).count();
}

long long SecondsLeft(std::int64_t total, std::int64_t received, double bytesPerSecond) {
    if (total <= 0 || bytesPerSecond <= 0 || !std::isfinite(bytesPerSecond)) return -1;
    if (received >= total) return 0;
    return static_cast<long long>(std::ceil(static_cast<double>(total - received) / bytesPerSecond));
}

Text TerminalProgressText(std::int64_t total, std::int64_t received, double bytesPerSecond) {
    Text text = DownloadProgressText(total, received);
    if (bytesPerSecond <= 0 || !std::isfinite(bytesPerSecond)) return text;
    text += Text("    ");
    text += NumberText(std::round(bytesPerSecond / 1048576.0 * 100.0) / 100.0);
    text += Text("MB/s");
    const long long left = SecondsLeft(total, received, bytesPerSecond);
    if (left >= 0) {
        text += Text("    ETA ");
        text += FormatTime(left);
    }
    return text;
}

}  // namespace lumora
