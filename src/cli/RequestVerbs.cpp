// SPDX-License-Identifier: GPL-3.0-or-later
// Verbs of the requests on worker threads.
#include "base/NumberText.h"
#include "cli/Verbs.h"
#include "web/ObjectRequest.h"
#include "web/SocketHeadProbe.h"

#include <string>

namespace lumora::cli {

namespace {

constexpr const char* kObjectUsage =
    "usage: lumora-cli object URL [--method M] [--agent A] [--referer R] [--user-key K] [--cookie C] [--timeout S]";

}  // namespace

int Object(const Args& args) {
    if (args.empty()) return UsageError(kObjectUsage);
    ObjectRequestArgs request;
    struct Option {
        const char* name;
        Text* value;
    };
    const Option options[] = {
        {"--method", &request.method},    {"--agent", &request.userAgent}, {"--referer", &request.referer},
        {"--user-key", &request.userKey}, {"--cookie", &request.cookie},
    };
    for (std::size_t i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) return UsageError(kObjectUsage);
        const std::string name = args[i].Bytes();
        bool known = false;
        for (const Option& o : options) {
            if (name == o.name) *o.value = args[i + 1], known = true;
        }
        if (name == "--timeout") {
            const long long seconds = ReadInteger(args[i + 1]);
            if (seconds <= 0 || seconds > 3600) return UsageError("--timeout takes whole seconds from 1 to 3600");
            request.timeoutSeconds = static_cast<int>(seconds);
            known = true;
        }
        if (!known) return UsageError(kObjectUsage);
    }
    const Text result = ObjectRequestText(args[0], request);
    if (!result.Empty()) PrintBody(result);
    return ResultStatus(!result.Empty(),
                        "no text from " + args[0].ToUtf8() + " (the request failed, timed out or had an empty answer)");
}

int Socket(const Args& args) {
    if (args.size() != 1) return UsageError("usage: lumora-cli socket URL");
    const Text head = SocketHeadProbe(args[0]);
    if (!head.Empty()) PrintBody(head);
    return ResultStatus(!head.Empty(), "no answer from " + args[0].ToUtf8());
}

}  // namespace lumora::cli
