// SPDX-License-Identifier: GPL-3.0-or-later
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
// copy that handed its argument to the running one; 0 after --help or
// --version, 2 for an unknown "--" option, 1 without a display). `argc`
// must outlive the call; argv is rearranged. The program's own options
// (CommandLine.h) are taken out of the arguments before Qt sees them.
int ProgramStart(int& argc, char** argv);

// The start-up sequence of a new main window, on the arguments of the
// process (program path excluded; the first one as AddressOfArgument makes
// it). When another copy of this user runs and holds the handoff port, hands
// it the first argument and returns false (this copy ends with code 0);
// without an argument to hand over it just returns false. Otherwise binds
// the handoff port (unless another copy runs), attaches MediaFront to the
// video area, writes the volume text, installs the Esc filter, sets
// programDirectory, starts the first list fetch (batch 1, the home page)
// and plays the first argument; returns true.
bool OnMainWindowCreated(MainWindow& window, const std::vector<Text>& arguments);

// Watches every key press of the application: Esc leaves full screen. The
// key is never swallowed. Owned by (and removed with) `window`.
void InstallEscapeFilter(MainWindow& window);

// The directory of the program file, no trailing separator.
Text ProgramDirectory();

// Releases the application state: MediaFront first, then the dialog, the
// socket and the texts.
void ProgramExit(std::unique_ptr<AppState>& state);

}  // namespace lumora
