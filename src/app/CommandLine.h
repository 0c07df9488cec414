// SPDX-License-Identifier: GPL-3.0-or-later
// The player's command line: its own options, taken out before Qt sees the
// arguments, and the address argument as the player uses it.
#pragma once

#include "base/Text.h"

#include <string>
#include <vector>

namespace lumora {

struct ProgramOptions {
    bool help = false;         // --help
    bool version = false;      // --version
    bool reportState = false;  // --report-state
    std::string unknown;       // the first unknown "--" option; set: a usage error
    // Everything else, in order (Qt's own options among them, which use one
    // dash); after "--", every argument is kept here as it is.
    std::vector<std::string> rest;
    // How many of `rest` came after "--" (those are never Qt options).
    std::size_t afterDoubleDash = 0;
};

// Reads argv[1..argc-1].
ProgramOptions ParseProgramOptions(int argc, const char* const* argv);

// The text of --help and the line of --version.
std::string ProgramHelp();
std::string ProgramVersionLine();

// The address an argument names, as the player plays and hands it over: a
// relative path that names an existing file becomes absolute (from the
// current directory); a file:// address of this machine (as a file manager
// passes it) becomes the local path it names; everything else, addresses with
// a scheme above all, stays as given.
Text AddressOfArgument(const std::string& utf8Argument);

}  // namespace lumora
