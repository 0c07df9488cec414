// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliMain.h"

#include "base/TerminalText.h"
#include "cli/Usage.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <iostream>
#include <optional>
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

int Failure(std::string_view reason) {
    std::string line = "lumora-cli: ";
    AppendEscapedField(line, reason);
    line += '\n';
    std::fflush(stdout);  // what was printed before stays before the reason
    std::fwrite(line.data(), 1, line.size(), stderr);
    return 1;
}

int ResultStatus(bool nonEmpty, std::string_view reason) { return nonEmpty ? 0 : Failure(reason); }

void PrintLine(const Text& text) {
    const std::string utf8 = text.ToUtf8();
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
}

void PrintRecord(const std::vector<Text>& fields) {
    std::string line;
    for (const Text& field : fields) {
        if (&field != &fields.front()) line += '\t';
        AppendEscapedField(line, field.ToUtf8());
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
}

void PrintBody(const Text& text) {
    std::string body;
    AppendEscapedBody(body, text.ToUtf8());
    body += '\n';
    std::fwrite(body.data(), 1, body.size(), stdout);
}

int RunVerb(std::span<const Verb> verbs, int argc, char** argv) {
    if (const std::optional<int> answered = AnswerWithoutRunning(argc, argv)) return *answered;
    const std::string_view verb = argv[1];
    const Verb* chosen = nullptr;
    for (const Verb& v : verbs)
        if (verb == v.name) chosen = &v;
    if (!chosen) {
        std::string reason = "\"";
        reason.append(verb);
        reason += "\" is not run by this program";
        return UsageError(reason);
    }
    // A Qt application object sets the locale from the environment; numbers
    // are read and written the C way either way.
    std::setlocale(LC_ALL, "C");
    Args args;
    for (const std::string& word :
         ReadVerbWords(*FindVerbUsage(verb), std::span<char* const>(argv + 2, argv + argc)).words)
        args.push_back(Text::FromUtf8(word));
    const int status = chosen->run(args);
    // Output that could not be written (a full disk) is no result.
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Failure(std::string("cannot write the output: ") + std::strerror(errno));
    return status;
}

}  // namespace lumora::cli
