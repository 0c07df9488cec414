// What the program does before Qt starts, so that the window comes up
// without waiting on things it does not need yet.
#pragma once

#include <thread>

namespace lumora {

// With no session bus to reach, libdbus would launch one of its own the
// first time anything asks for it (Qt's accessibility bridge does, when the
// first list view is made): a fork and exec the window waits for, and a
// daemon left behind. Marks the bus as absent instead.
void KeepFromLaunchingSessionBus();

// Reads the font configuration on a worker while Qt connects to the
// display; the window's first text finds it loaded. Join before the first
// widget is made.
std::jthread WarmFontConfiguration();

}  // namespace lumora
