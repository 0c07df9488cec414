// SPDX-License-Identifier: GPL-3.0-or-later
#include "download/DownloadProgress.h"

#include "base/NumberText.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace lumora {

namespace {

Text Megabytes(std::int64_t bytes) {
    return NumberText(std::round(static_cast<double>(bytes) / 1048576.0 * 100.0) / 100.0);
}

}  // namespace

Text DownloadProgressText(std::int64_t total, std::int64_t received) {
    static const Text kOf("MB/");
    static const Text kDone("MB    已完成：");
    // A server that sends more than it announced never shows more than done.
    const std::int64_t percent = total > 0 ? std::min<std::int64_t>(received * 100 / total, 100) : 0;
    Text text = Megabytes(received);
    text += kOf;
    text += Megabytes(total);
    text += kDone;
    text += Text::Gbk(std::to_string(percent) + "%");
    return text;
}

CoalescedText::CoalescedText(Sink sink, std::chrono::milliseconds interval)
    : sink_(std::move(sink)), interval_(interval) {}

void CoalescedText::Offer(Text text, Clock::time_point now) {
    if (written_ && now - lastWrite_ < interval_) {
        held_ = std::move(text);
        pending_ = true;
        return;
    }
    written_ = true;
    lastWrite_ = now;
    pending_ = false;
    if (sink_) sink_(text);
}

void CoalescedText::Flush() {
    if (!pending_) return;
    pending_ = false;
    if (sink_) sink_(held_);
}

}  // namespace lumora
