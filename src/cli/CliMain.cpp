#include "cli/CliMain.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

namespace lumora::cli {

namespace {

using Clock = std::chrono::steady_clock;

// Taken while the program's static objects are set up, before main.
const Clock::time_point gLoaded = Clock::now();

// The start lumora-cli passed on, when it is a plausible one: not in the
// future and not older than a minute.
Clock::time_point PassedOnStart() {
    const char* text = std::getenv(kStartedVariable);
    if (!text || !*text) return gLoaded;
    char* end = nullptr;
    const long long ns = std::strtoll(text, &end, 10);
    if (*end != '\0' || ns <= 0) return gLoaded;
    const Clock::time_point start{std::chrono::nanoseconds(ns)};
    if (start > gLoaded || gLoaded - start > std::chrono::minutes(1)) return gLoaded;
    return start;
}

}  // namespace

Clock::time_point ProcessStart() {
    static const Clock::time_point start = PassedOnStart();
    return start;
}

void PassOnProcessStart() {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(gLoaded.time_since_epoch()).count();
    setenv(kStartedVariable, std::to_string(ns).c_str(), 1);
}

int UsageError(std::string_view message) {
    std::cerr << "lumora-cli: " << message << '\n';
    return 2;
}

void PrintLine(const Text& text) {
    const std::string utf8 = text.ToUtf8();
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
}

int RunVerb(std::span<const Verb> verbs, int argc, char** argv) {
    if (argc < 2) return UsageError(kUsage);
    const std::string verb = argv[1];
    const Verb* chosen = nullptr;
    for (const Verb& v : verbs)
        if (verb == v.name) chosen = &v;
    if (!chosen) return UsageError("unknown verb \"" + verb + "\"; " + kUsage);
    // A Qt application object sets the locale from the environment; numbers
    // are read and written the C way either way.
    std::setlocale(LC_ALL, "C");
    Args args;
    for (int i = 2; i < argc; ++i) args.push_back(Text::FromUtf8(argv[i]));
    return chosen->run(args);
}

}  // namespace lumora::cli
