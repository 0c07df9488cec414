// Verbs that reach the web.
#include "cli/Verbs.h"
#include "web/PageRequest.h"

namespace lumora::cli {

int Fetch(const Args& args) {
    if (args.size() != 1) return UsageError("usage: lumora-cli fetch URL");
    const Text page = FetchPageText(args[0]);
    if (!page.Empty()) PrintLine(page);
    return ResultStatus(!page.Empty());
}

}  // namespace lumora::cli
