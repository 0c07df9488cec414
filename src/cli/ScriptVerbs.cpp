// Verbs of the text codings and the regular-expression object.
#include "cli/Verbs.h"
#include "cli/GbkFile.h"
#include "cli/TerminalText.h"
#include "script/Codings.h"
#include "script/CompiledPattern.h"
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
// defaults finds, read straight off the engine: the file is converted to
// UTF-8 once, as Create converts its subject, and the matches are printed
// from that copy instead of being converted to GBK and back one by one.
int Regex(const Args& args) {
    if (args.size() != 2) return UsageError("usage: lumora-cli regex PATTERN FILE");
    std::string subject;
    const std::string problem = ReadGbkFileAsUtf8(args[1].ToUtf8(), PageRequestLimits{}.maxBodyBytes, subject);
    if (!problem.empty()) return Failure(problem);

    const CompiledPattern pattern(args[0].ToUtf8(), false, true);
    std::vector<std::size_t> offsets;
    const bool ran = pattern.Ok() && pattern.MatchAll(subject, true, offsets);
    const std::size_t groups = pattern.Groups();
    const std::size_t stride = 2 * (groups + 1);
    const std::size_t count = ran ? offsets.size() / stride : 0;
    const auto slice = [&subject](std::size_t start, std::size_t end) {
        if (start == CompiledPattern::NotSet() || end == CompiledPattern::NotSet() || start > end) return std::string_view();
        return std::string_view(subject).substr(start, end - start);
    };

    std::string out = std::to_string(count) + '\n';
    constexpr std::size_t kFlushBytes = 1 << 20;
    for (std::size_t m = 0; m < count; ++m) {
        const std::size_t* match = offsets.data() + m * stride;
        if (groups == 0) AppendEscapedField(out, slice(match[0], match[1]));
        for (std::size_t g = 1; g <= groups; ++g) {
            if (g > 1) out += '\t';
            AppendEscapedField(out, slice(match[2 * g], match[2 * g + 1]));
        }
        out += '\n';
        if (out.size() >= kFlushBytes) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (!pattern.Ok()) return Failure("the pattern is not a valid regular expression");
    if (!ran) return Failure("the pattern ran into the matching engine's limits");
    return ResultStatus(count > 0, "no match");
}

}  // namespace lumora::cli
