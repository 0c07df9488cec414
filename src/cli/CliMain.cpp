#include "cli/CliMain.h"

#include <clocale>
#include <cstdio>
#include <iostream>
#include <string>

namespace lumora::cli {

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
