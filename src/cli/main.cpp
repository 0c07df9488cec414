// SPDX-License-Identifier: GPL-3.0-or-later
// lumora-cli: the player's subsystems from a terminal.
//
// This program carries the verbs that need neither a Qt event loop nor the
// playback engines; it hands the others to the programs beside it.
#include "cli/CliMain.h"
#include "cli/Usage.h"

#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <unistd.h>

namespace lumora::cli {
namespace {

constexpr Verb kVerbs[] = {
    {"fetch", Fetch}, {"code", Code},         {"regex", Regex},
    {"list", List},   {"video", Video},       {"download", Download}, {"probe", Probe},
};

struct HandedVerb {
    const char* verb;
    const char* program;
};

constexpr HandedVerb kHandedVerbs[] = {
    {"object", "lumora-cli-events"},  {"socket", "lumora-cli-events"},
    {"history", "lumora-cli-events"}, {"favourites", "lumora-cli-events"},
    {"classify", "lumora-cli-media"}, {"resolve", "lumora-cli-media"}, {"play", "lumora-cli-media"},
};

// Replaces this process by `program` from this program's directory (the
// build tree), else from the helpers' folder of an installation.
int RunSiblingProgram(const std::string& program, char** argv) {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return UsageError("cannot find " + program);
    std::string directory(self, static_cast<std::size_t>(n));
    directory = directory.substr(0, directory.rfind('/') + 1);
    const std::string beside = directory + program;
    const std::string installed = directory + LUMORA_HELPERS_FROM_BIN + "/" + program;
    const std::string& path = access(beside.c_str(), X_OK) == 0 ? beside : installed;
    PassOnProcessStart();
    execv(path.c_str(), argv);
    return UsageError("cannot start " + path);
}

}  // namespace
}  // namespace lumora::cli

int main(int argc, char** argv) {
    using namespace lumora::cli;
    // Help, version and usage errors of every verb are answered here, before
    // a handed verb starts its program.
    if (const std::optional<int> answered = AnswerWithoutRunning(argc, argv)) return *answered;
    if (argc >= 2)
        for (const HandedVerb& handed : kHandedVerbs)
            if (std::strcmp(argv[1], handed.verb) == 0) return RunSiblingProgram(handed.program, argv);
    return RunVerb(kVerbs, argc, argv);
}
