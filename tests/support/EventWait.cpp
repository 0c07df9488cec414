// SPDX-License-Identifier: GPL-3.0-or-later
#include "EventWait.h"

#include "threads/WorkerChannel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace lumora::test {

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limit.count()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

bool WaitUntilSettled(const WorkerChannel& channel, std::chrono::milliseconds limit) {
    // A job posts before it counts as ended, so its posts are queued by now.
    const bool ended = WaitUntil([&] { return channel.Running() == 0; }, limit);
    RunPostedEvents();
    return ended;
}

void RunPostedEvents() {
    for (int round = 0; round < 3; ++round) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace lumora::test
