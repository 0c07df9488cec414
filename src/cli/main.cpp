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
    {"classify", "lumora-cli-media"}, {"resolve", "lumora-cli-media"}, {"play", "lumora-cli-media"},
};

// Replaces this process by `program` from this program's directory.
int RunSiblingProgram(const std::string& program, char** argv) {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return UsageError("cannot find " + program);
    std::string path(self, static_cast<std::size_t>(n));
    path = path.substr(0, path.rfind('/') + 1) + program;
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
