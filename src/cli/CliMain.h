// SPDX-License-Identifier: GPL-3.0-or-later
// The shared entry of the lumora-cli programs: finds the verb, converts the
// arguments and runs it.
//
// lumora-cli itself links no Qt, so its light verbs start as fast as the
// libraries they use allow. Verbs that wait in a Qt event loop are in
// lumora-cli-events, those that play through the engines (and libmpv) in
// lumora-cli-media; lumora-cli hands them over by exec.
#pragma once

#include "cli/Verbs.h"

#include <chrono>
#include <span>

namespace lumora::cli {

struct Verb {
    const char* name;
    int (*run)(const Args&);
};

// When this run of lumora-cli began, on the steady clock: lumora-cli passes
// its own start on to the program it hands a verb to (environment variable
// kStartedVariable, nanoseconds), so a helper program counts from there too.
inline constexpr const char* kStartedVariable = "LUMORA_CLI_STARTED_NS";
std::chrono::steady_clock::time_point ProcessStart();
// Puts this program's own start into the environment, for the program about
// to replace it.
void PassOnProcessStart();

// Runs argv[1] from `verbs` with its words read as cli/Usage.h describes;
// answers help, version and usage errors without running anything. A Qt
// program constructs its application object before calling this.
int RunVerb(std::span<const Verb> verbs, int argc, char** argv);

}  // namespace lumora::cli
