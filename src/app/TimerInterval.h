// SPDX-License-Identifier: GPL-3.0-or-later
// The one way the window's timers are driven: an interval above 0 starts a
// timer (restarting it when it already runs), 0 or less stops it. A stopped
// timer reads back interval 0, so a handler can ask whether its timer runs
// with a given interval.
#pragma once

#include <QTimer>

namespace lumora {

// The intervals the handlers give the window's timers, in milliseconds.
inline constexpr int kPositionTickMs = 1000;  // 实时时钟: position and time while playing
inline constexpr int kDragTickMs = 100;       // 拉动时钟: the time while the progress slider is held
inline constexpr int kSeekSettleMs = 500;     // 延时时钟: the settle delay after a seek
inline constexpr int kDelayedPlayMs = 100;    // 延时播放时钟: the delayed start of playback

inline void SetTimerInterval(QTimer* timer, int ms) {
    if (!timer) return;
    if (ms > 0) {
        timer->setInterval(ms);
        timer->start();
    } else {
        timer->stop();
        timer->setInterval(0);
    }
}

}  // namespace lumora
