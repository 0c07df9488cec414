// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Usage.h"

#include "base/Version.h"
#include "base/TerminalText.h"

#include <cstdio>
#include <cstring>

namespace lumora::cli {

namespace {

constexpr OptionUsage kObjectOptions[] = {
    {"--method", "M"}, {"--agent", "A"}, {"--referer", "R"}, {"--user-key", "K"}, {"--cookie", "C"}, {"--timeout", "S"},
};
constexpr OptionUsage kListOptions[] = {{"--address", "URL"}};
constexpr OptionUsage kDownloadOptions[] = {{"--no-continue", nullptr}};
constexpr OptionUsage kPlayOptions[] = {{"--null", nullptr}, {"--seconds", "N"}, {"--first-frame", nullptr}};

constexpr VerbUsage kVerbUsages[] = {
    {"fetch",
     "URL",
     {},
     1,
     1,
     "The page at URL as text (GET with the player's default headers). Lines, tabs and CR LF pass as\n"
     "they are; other control characters are escaped."},
    {"code",
     "OP TEXT",
     {},
     2,
     2,
     "A text coding of TEXT, printed as it comes out. OP is one of uridecode, percentdecode, unescape,\n"
     "uriencode, uriencode-script, base64decode, base64decode-script, looksbase64 (prints true or\n"
     "false), digest (MD5, 32 lower-case hex digits)."},
    {"regex",
     "PATTERN FILE",
     {},
     2,
     2,
     "Runs PATTERN (case-insensitive, multi-line, global) over FILE taken as GBK text: the match count,\n"
     "then one line per match with its sub-matches (or the whole match) joined by a tab, escaped.\n"
     "FILE must be a regular file of at most 64 MiB."},
    {"object", "URL", kObjectOptions, 1, 1,
     "One request on a worker thread; prints the answer's text. URL may start with \"head@\" (prints\n"
     "the response headers) or \"loca@\" (prints the Location of a GET without redirects); a name\n"
     "without http:// or https:// is read as a local file. --timeout takes 1 to 3600 seconds."},
    {"socket",
     "URL",
     {},
     1,
     1,
     "The first bytes (at most 2048) of the answer to a hand-built GET over a plain socket; only\n"
     "\"http://\" addresses."},
    {"probe",
     "URL",
     {},
     1,
     1,
     "Where URL finally leads and what its server announces:\n"
     "[Length]..[/Length][Type]..[/Type][File]final address[/File]; exit 1 when the File part is empty."},
    {"list", "N", kListOptions, 1, 1,
     "The rows of catalogue batch N (1 to 14; 1 is the start-up page \"/\"), one \"ID<TAB>TITLE\" line\n"
     "each, then the title line; --address reads the list from another page."},
    {"video", "ID", {}, 1, 1, "The playable address from video ID's detail page."},
    {"classify",
     "ADDRESS",
     {},
     1,
     1,
     "The engine that playing ADDRESS chooses (flash or player), a tab and the address that engine is\n"
     "handed; plain http addresses are probed as the player does; nothing is played."},
    {"resolve",
     "ADDRESS [TITLE]",
     {},
     1,
     2,
     "What the player's Open makes of an address, without playing it: the engine type it asks for\n"
     "(0 by address, 1 media player, 2 Flash), the address and the title, joined by tabs; understands\n"
     "the private forms (12345, yyt://, quil://, mp3://, qqmv://, pages of the 56 service,\n"
     "ADDRESS|TITLE)."},
    {"download", "URL FILE", kDownloadOptions, 2, 2,
     "Downloads URL into FILE, continuing what an earlier run left in FILE.part; progress with speed\n"
     "and time left (one line on a terminal, a line a second otherwise), then 下载成功 and\n"
     "\"saved: PATH\" (exit 0) or 下载失败 (exit 1). --no-continue starts over instead."},
    {"history", "", {}, 0, 0,
     "The play history of the player, newest first, one line an entry: the time it was last played,\n"
     "the position and the length in seconds (0: unknown), the kind (row, address, file), the row's id,\n"
     "the address or the file, and the title, joined by tabs; exit 1 when it is empty."},
    {"favourites", "", {}, 0, 0,
     "The favourites, newest first, one line each: when marked, the kind (row, address, file), the\n"
     "row's id, the address or the file, and the title, joined by tabs; exit 1 when there are none."},
    {"play", "ADDRESS", kPlayOptions, 1, 1,
     "Plays ADDRESS through the player's engines; prints each change of the play state with its\n"
     "status-bar text and, once playing, a line \"position/duration\" every second; stops at the end, on\n"
     "failure or after N seconds. --null: no video window and no sound device (runs without a\n"
     "display). Exit 0 when \"playing\" was reached, 1 otherwise. --first-frame: stops at the first\n"
     "decoded picture and prints \"first frame after N ms\", counted from the start of lumora-cli\n"
     "(exit 0 when it came)."},
};

const OptionUsage* FindOption(const VerbUsage& verb, std::string_view name) {
    for (const OptionUsage& option : verb.options)
        if (name == option.name) return &option;
    return nullptr;
}

std::string Escaped(std::string_view word) {
    std::string out;
    AppendEscapedField(out, word);
    return out;
}

}  // namespace

std::span<const VerbUsage> VerbUsages() { return kVerbUsages; }

const VerbUsage* FindVerbUsage(std::string_view name) {
    for (const VerbUsage& verb : kVerbUsages)
        if (name == verb.name) return &verb;
    return nullptr;
}

std::string Synopsis(const VerbUsage& verb) {
    std::string line = std::string("lumora-cli ") + verb.name;
    if (*verb.arguments) line += std::string(" ") + verb.arguments;
    for (const OptionUsage& option : verb.options) {
        line += std::string(" [") + option.name;
        if (option.value) line += std::string(" ") + option.value;
        line += "]";
    }
    return line;
}

std::string UsageText() {
    std::string text = "usage:\n";
    for (const VerbUsage& verb : kVerbUsages) text += "  " + Synopsis(verb) + "\n";
    text += "  lumora-cli VERB --help | --help | --version\n";
    return text;
}

std::string ToolHelp() {
    return "lumora-cli: the player's subsystems from a terminal.\n\n" + UsageText() +
           "\nOptions may stand before or after the other arguments; \"--\" ends the options.\n"
           "Text from the network is printed with control characters escaped (\\t, \\n, \\r, \\\\, \\xHH).\n"
           "Exit status: 0 for a result, 1 for none (with the reason on standard error), 2 for a usage error.\n";
}

std::string VerbHelp(const VerbUsage& verb) { return "usage: " + Synopsis(verb) + "\n\n" + verb.help + "\n"; }

std::string VersionText() { return std::string("lumora-cli ") + kLumoraVersion + "\n"; }

VerbWords ReadVerbWords(const VerbUsage& verb, std::span<char* const> words) {
    VerbWords read;
    std::vector<std::string> options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string_view word = words[i];
        if (optionsEnded || !word.starts_with("-") || word == "-" ||
            (word.size() > 1 && word[1] != '-' && word != "-h")) {
            read.words.emplace_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (word == "--help" || word == "-h") {
            read.help = true;
            continue;
        }
        const std::size_t equals = word.find('=');
        const std::string_view name = word.substr(0, equals);
        const OptionUsage* option = FindOption(verb, name);
        if (!option) {
            read.error = "unknown option " + Escaped(name) + " of " + verb.name;
            continue;
        }
        options.emplace_back(name);
        if (!option->value) {
            if (equals != std::string_view::npos) read.error = std::string(name) + " takes no value";
        } else if (equals != std::string_view::npos) {
            options.emplace_back(word.substr(equals + 1));
        } else if (i + 1 < words.size()) {
            options.emplace_back(words[++i]);
        } else {
            read.error = std::string(name) + " needs a value " + option->value;
        }
    }
    if (read.error.empty() && (read.words.size() < verb.fewestPositional || read.words.size() > verb.mostPositional))
        read.error = read.words.size() < verb.fewestPositional ? "missing arguments" : "too many arguments";
    read.words.insert(read.words.end(), options.begin(), options.end());
    return read;
}

std::optional<int> AnswerWithoutRunning(int argc, char** argv) {
    const auto answer = [](const std::string& text, int status) {
        std::fputs(text.c_str(), status == 0 ? stdout : stderr);
        return status;
    };
    if (argc < 2) return answer(UsageText(), 2);
    const std::string_view first = argv[1];
    if (first == "--help" || first == "-h" || first == "help") {
        if (argc == 2) return answer(ToolHelp(), 0);
        const VerbUsage* verb = argc == 3 ? FindVerbUsage(argv[2]) : nullptr;
        if (!verb) return answer("lumora-cli: help takes one verb\n" + UsageText(), 2);
        return answer(VerbHelp(*verb), 0);
    }
    if (first == "--version") return answer(VersionText(), 0);
    const VerbUsage* verb = FindVerbUsage(first);
    if (!verb) return answer("lumora-cli: unknown verb \"" + Escaped(first) + "\"\n" + UsageText(), 2);
    const VerbWords words = ReadVerbWords(*verb, std::span<char* const>(argv + 2, argv + argc));
    if (words.help) return answer(VerbHelp(*verb), 0);
    if (!words.error.empty()) return answer("lumora-cli: " + words.error + "; usage: " + Synopsis(*verb) + "\n", 2);
    return std::nullopt;
}

}  // namespace lumora::cli
