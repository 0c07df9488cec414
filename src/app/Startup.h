// Start-up of the player: from process entry to the running event loop.
#pragma once

namespace lumora {

// Builds the application, shows the main window and runs the event loop until
// the program ends; returns the exit code. `argc` must outlive the call.
int ProgramStart(int& argc, char** argv);

}  // namespace lumora
