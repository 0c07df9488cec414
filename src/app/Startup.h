// Start-up of the player: from process entry to the running event loop, the
// start-up sequence of the main window, and the release at exit.
#pragma once

#include "base/Text.h"

#include <memory>
#include <string>
#include <vector>

namespace lumora {

class MainWindow;
struct AppState;

// Builds the application state, loads the main window, runs its start-up
// sequence and the event loop; returns the exit code (0 at once for a later
// copy that handed its argument to the running one). `argc` must outlive
// the call. Options of the program itself, taken out of the arguments:
//   --report-state   print title and status text changes on standard output
int ProgramStart(int& argc, char** argv);

// The start-up sequence of a new main window, on the command line of the
// process (GBK): splits it into argumentList; when another copy runs, hands
// it the first argument and returns false (this copy ends with code 0).
// Otherwise binds the handoff port and sends the argument to it, attaches
// MediaFront to the video area, writes the volume text, installs the Esc
// filter, sets programDirectory and starts the first list fetch (batch 1,
// the home page); returns true.
bool OnMainWindowCreated(MainWindow& window, const Text& commandLine);

// Watches every key press of the application: Esc leaves full screen. The
// key is never swallowed. Owned by (and removed with) `window`.
void InstallEscapeFilter(MainWindow& window);

// The directory of the program file, no trailing separator.
Text ProgramDirectory();

// Releases the application state: MediaFront first, then the dialog, the
// socket and the texts.
void ProgramExit(std::unique_ptr<AppState>& state);

}  // namespace lumora
