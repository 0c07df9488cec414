// Verbs of the text codings and the regular-expression object.
#include "cli/Verbs.h"
#include "script/Codings.h"
#include "script/RegexObject.h"

#include <fstream>
#include <iterator>
#include <sstream>

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
        return ResultStatus(looks);
    }
    for (const Coding& c : kCodings) {
        if (op != c.name) continue;
        const Text result = c.run(args[1]);
        if (!result.Empty()) PrintLine(result);
        return ResultStatus(!result.Empty());
    }
    return UsageError(kCodeUsage);
}

int Regex(const Args& args) {
    if (args.size() != 2) return UsageError("usage: lumora-cli regex PATTERN FILE");
    std::ifstream file(args[1].ToUtf8(), std::ios::binary);
    if (!file) {
        PrintLine("0");
        return 1;
    }
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    RegexObject regex;
    regex.Create(args[0], Text::Gbk(std::move(bytes)));
    const int count = regex.MatchCount();
    const int groups = regex.SubMatchCount();
    PrintLine(Text::Gbk(std::to_string(count)));
    for (int m = 1; m <= count; ++m) {
        if (groups == 0) {
            PrintLine(regex.MatchText(m));
            continue;
        }
        std::vector<Text> subs;
        for (int s = 1; s <= groups; ++s) subs.push_back(regex.SubMatchText(m, s));
        PrintLine(Join(subs, "\t"));
    }
    return ResultStatus(count > 0);
}

}  // namespace lumora::cli
