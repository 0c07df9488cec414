// SPDX-License-Identifier: GPL-3.0-or-later
// Verbs of the text codings and the regular-expression object.
#include "cli/Verbs.h"
#include "base/GbkTables.h"
#include "cli/GbkFile.h"
#include "base/TerminalText.h"
#include "script/Codings.h"
#include "script/CompiledPattern.h"
#include "script/PatternStream.h"
#include "web/PageRequest.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace lumora::cli {

namespace {

struct Coding {
    const char* name;
    Text (*run)(const Text&);
};

Text UriEncodePlain(const Text& t) { return UriEncode(t, false); }
Text UriEncodeScript(const Text& t) { return UriEncode(t, true); }

constexpr Coding kCodings[] = {
    {"uridecode", UriDecode},
    {"percentdecode", PercentDecode},
    {"unescape", Unescape},
    {"uriencode", UriEncodePlain},
    {"uriencode-script", UriEncodeScript},
    {"base64decode", Base64Decode},
    {"base64decode-script", ScriptBase64Decode},
    {"digest", ScriptDigest},
};

constexpr const char* kCodeUsage =
    "usage: lumora-cli code OP TEXT; OP is uridecode, percentdecode, unescape, uriencode, "
    "uriencode-script, base64decode, base64decode-script, looksbase64 or digest";

}  // namespace

int Code(const Args& args) {
    if (args.size() != 2) return UsageError(kCodeUsage);
    const std::string op = args[0].Bytes();
    if (op == "looksbase64") {
        const bool looks = LooksBase64(args[1]);
        PrintLine(looks ? "true" : "false");
        return ResultStatus(looks, "the text does not look like base64");
    }
    for (const Coding& c : kCodings) {
        if (op != c.name) continue;
        const Text result = c.run(args[1]);
        if (!result.Empty()) PrintLine(result);
        return ResultStatus(!result.Empty(), op + " gives an empty text");
    }
    return UsageError(kCodeUsage);
}

// regex PATTERN FILE: what RegexObject::Create(PATTERN, FILE's text) with its
// defaults finds, read straight off the engine. The file is converted to
// UTF-8 (as Create converts its subject) and matched piece by piece while it
// is read, and the matches are printed from the UTF-8 instead of being
// converted to GBK and back one by one.
constexpr std::size_t kLinesReserve = 64 << 20;

int Regex(const Args& args) {
    if (args.size() != 2) return UsageError("usage: lumora-cli regex PATTERN FILE");
    const CompiledPattern pattern(args[0].ToUtf8(), false, true, true);
    if (!pattern.Ok()) {
        PrintLine("0");
        return Failure("the pattern is not a valid regular expression");
    }
    const bool groups = pattern.Groups() > 0;
    // Held until the count is known. Reserved generously: pages are touched
    // only as the lines fill them, and the lines are never copied to grow.
    std::string lines;
    lines.reserve(kLinesReserve);
    std::size_t count = 0;
    PatternStream stream(pattern, [&](const std::vector<std::string_view>& texts) {
        ++count;
        if (!groups) AppendEscapedField(lines, texts[0]);
        for (std::size_t g = 1; g < texts.size(); ++g) {
            if (g > 1) lines += '\t';
            AppendEscapedField(lines, texts[g]);
        }
        lines += '\n';
    });
    const std::string problem =
        ReadGbkFile(args[1].ToUtf8(), PageRequestLimits{}.maxBodyBytes, [&stream](std::string_view gbk) {
            AppendTableGbkToUtf8(gbk, stream.Tail());
            stream.Scan(true);
        });
    if (!problem.empty()) return Failure(problem);
    if (!stream.Scan(false)) {
        PrintLine("0");
        return Failure("the pattern ran into the matching engine's limits");
    }
    const std::string countLine = std::to_string(count) + '\n';
    std::fwrite(countLine.data(), 1, countLine.size(), stdout);
    std::fwrite(lines.data(), 1, lines.size(), stdout);
    return ResultStatus(count > 0, "no match");
}

}  // namespace lumora::cli
