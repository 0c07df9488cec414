// SPDX-License-Identifier: GPL-3.0-or-later
// What each verb of lumora-cli takes, its help text, and the reading of the
// words after the verb.
//
// Options may stand before or after the positional arguments, as "--name
// VALUE" or "--name=VALUE"; "--" ends the options; "--help" or "-h" anywhere
// asks for the verb's help. A verb receives its positional arguments first,
// then each option given, as "--name" (and its value), in the order given.
// A new option of a verb is added to its row in kVerbUsages, which also
// makes it appear in the help.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumora::cli {

struct OptionUsage {
    const char* name;   // "--method"
    const char* value;  // "M"; nullptr for an option that takes no value
};

struct VerbUsage {
    const char* name;
    const char* arguments;  // positional arguments as the synopsis shows them
    std::span<const OptionUsage> options;
    std::size_t fewestPositional;
    std::size_t mostPositional;
    const char* help;  // what the verb does, lines of at most 100 characters
};

// Every verb, in the order the usage text lists them.
std::span<const VerbUsage> VerbUsages();
const VerbUsage* FindVerbUsage(std::string_view name);

// "lumora-cli VERB ARGUMENTS [OPTIONS...]" on one line.
std::string Synopsis(const VerbUsage& verb);
// The usage text: one verb a line.
std::string UsageText();
// The help of the whole tool, and of one verb.
std::string ToolHelp();
std::string VerbHelp(const VerbUsage& verb);
// "lumora-cli VERSION".
std::string VersionText();

// The words after the verb, read against its usage.
struct VerbWords {
    std::vector<std::string> words;  // positional arguments, then the options
    bool help = false;               // --help or -h was given
    std::string error;               // a usage error, when not empty
};
VerbWords ReadVerbWords(const VerbUsage& verb, std::span<char* const> words);

// lumora-cli's answer to what comes before any verb work: help and version
// (exit 0), or a usage error (exit 2); nothing when the verb is to run.
// Prints what it answers.
std::optional<int> AnswerWithoutRunning(int argc, char** argv);

}  // namespace lumora::cli
