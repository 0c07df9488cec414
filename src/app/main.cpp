// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Startup.h"

#include "app/QuitSignals.h"

#include <cstdlib>

int main(int argc, char** argv) {
    // SDL (behind some of libmpv's sound outputs) would take SIGTERM for
    // itself while a core starts; the program's own handling holds instead.
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 1);
    lumora::CatchQuitSignals();
    return lumora::ProgramStart(argc, argv);
}
