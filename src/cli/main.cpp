// lumora-cli: the player's subsystems from a terminal.
//
// The verbs that play or classify through the playback engines live in a
// second program, lumora-cli-media, beside this one: loading libmpv and its
// codecs costs tens of milliseconds, which the light verbs should not pay.
#include "cli/CliMain.h"

#include <climits>
#include <cstring>
#include <string>
#include <unistd.h>

namespace lumora::cli {
namespace {

constexpr Verb kVerbs[] = {
    {"fetch", Fetch, WithoutApplication},
    {"code", Code, WithoutApplication},
    {"regex", Regex, WithoutApplication},
    {"object", Object},
    {"socket", Socket},
    {"probe", Probe},
    {"list", List, WithoutApplication},
    {"video", Video, WithoutApplication},
    {"download", Download, WithoutApplication},
};

constexpr const char* kMediaVerbs[] = {"classify", "resolve", "play"};

// Replaces this process by lumora-cli-media from this program's directory.
int RunMediaProgram(char** argv) {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return UsageError("cannot find lumora-cli-media");
    std::string path(self, static_cast<std::size_t>(n));
    path = path.substr(0, path.rfind('/') + 1) + "lumora-cli-media";
    execv(path.c_str(), argv);
    return UsageError("cannot start " + path);
}

}  // namespace
}  // namespace lumora::cli

int main(int argc, char** argv) {
    using namespace lumora::cli;
    if (argc >= 2)
        for (const char* verb : kMediaVerbs)
            if (std::strcmp(argv[1], verb) == 0) return RunMediaProgram(argv);
    return RunVerb(kVerbs, argc, argv);
}
