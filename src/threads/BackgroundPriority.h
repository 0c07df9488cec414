// SPDX-License-Identifier: GPL-3.0-or-later
// Background work that must not take the processor from the window: the
// calling thread gives way to the program's other threads (and other
// programs) whenever the processors are busy, and runs at full speed when
// they are not.
#pragma once

namespace lumora {

// Lowers the calling thread's scheduling priority (Linux: nice 10 for this
// thread only). Best effort; false when the system refused.
bool GiveWayThisThread();

// Makes the calling thread a batch thread (Linux SCHED_BATCH) at its
// priority: woken, it does not take the processor from the thread that woke
// it, which goes on at once. Best effort; false when the system refused.
bool RunAsBatchThisThread();

}  // namespace lumora
