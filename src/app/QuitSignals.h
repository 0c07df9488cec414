// SPDX-License-Identifier: GPL-3.0-or-later
// SIGTERM, SIGINT and SIGHUP end the program as the exit button does: the
// handler only writes a byte into a pipe, and the event loop, reading it,
// quits with status 0, so the window closes and everything it keeps is
// written as at a normal exit. A signal that comes before the event loop runs
// waits in the pipe and ends the program as soon as it runs.
#pragma once

namespace lumora {

// Installs the handlers; call it first thing in main.
void CatchQuitSignals();

// Starts reading the pipe; call it once the application object exists.
void WatchQuitSignals();

}  // namespace lumora
