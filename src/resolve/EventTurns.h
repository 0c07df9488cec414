// Lets the thread's pending events run when a resolution starts and again
// when it ends, so the window stays responsive around the network waits.
#pragma once

#include <QCoreApplication>

namespace lumora {

// Runs the pending events of the calling thread; nothing without an
// application object.
inline void LetPendingEventsRun() {
    if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents();
}

class EventTurns {
public:
    EventTurns() { LetPendingEventsRun(); }
    ~EventTurns() { LetPendingEventsRun(); }
    EventTurns(const EventTurns&) = delete;
    EventTurns& operator=(const EventTurns&) = delete;
};

}  // namespace lumora
