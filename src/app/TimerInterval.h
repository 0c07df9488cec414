// The one way the window's timers are driven: an interval above 0 starts a
// timer (restarting it when it already runs), 0 or less stops it. A stopped
// timer reads back interval 0, so a handler can ask whether its timer runs
// with a given interval.
#pragma once

#include <QTimer>

namespace lumora {

inline void SetTimerInterval(QTimer* timer, int ms)
{
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
