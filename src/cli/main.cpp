// lumora-cli: the player's subsystems from a terminal.
#include "cli/Verbs.h"

#include <QCoreApplication>

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

namespace {

struct Verb {
    const char* name;
    int (*run)(const Args&);
};

constexpr Verb kVerbs[] = {
    {"fetch", Fetch},
    {"code", Code},
    {"regex", Regex},
    {"object", Object},
    {"socket", Socket},
    {"probe", Probe},
    {"list", List},
    {"video", Video},
};

constexpr const char* kUsage =
    "usage: lumora-cli fetch URL | code OP TEXT | regex PATTERN FILE | object URL [OPTIONS] | socket URL | probe URL | list N [--address URL] | video ID";

}  // namespace
}  // namespace lumora::cli

int main(int argc, char** argv) {
    using namespace lumora::cli;
    // Requests wait for their workers in an event loop, which needs the
    // application object. It sets the locale from the environment; numbers
    // are read and written the C way.
    QCoreApplication app(argc, argv);
    std::setlocale(LC_ALL, "C");
    if (argc < 2) return UsageError(kUsage);
    const std::string verb = argv[1];
    Args args;
    for (int i = 2; i < argc; ++i) args.push_back(lumora::Text::FromUtf8(argv[i]));
    for (const Verb& v : kVerbs)
        if (verb == v.name) return v.run(args);
    return UsageError("unknown verb \"" + verb + "\"; " + kUsage);
}
