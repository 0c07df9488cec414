// SPDX-License-Identifier: GPL-3.0-or-later
#include "threads/BackgroundPriority.h"

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace lumora {

namespace {

// Under the normal 0: about a tenth of the processor when a thread at 0 wants it too.
constexpr int kBackgroundNice = 10;

}  // namespace

bool GiveWayThisThread() {
    // On Linux the nice value belongs to the thread named by its id.
    return setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kBackgroundNice) == 0;
}

bool RunAsBatchThisThread() {
    const sched_param batch{};
    return sched_setscheduler(0, SCHED_BATCH, &batch) == 0;
}

}  // namespace lumora
