// SPDX-License-Identifier: GPL-3.0-or-later
// The private address forms from a terminal.
#include "base/NumberText.h"
#include "cli/Verbs.h"
#include "resolve/PrivateSchemes.h"

namespace lumora::cli {

// resolve ADDRESS [TITLE]: what Open would hand to Play, without playing:
// the engine type, the address and the title shown, joined by tabs.
int Resolve(const Args& args) {
    if (args.empty() || args.size() > 2) return UsageError("usage: lumora-cli resolve ADDRESS [TITLE]");
    const Resolution resolution = ResolveOpen(args[0], args.size() == 2 ? args[1] : Text());
    PrintRecord({NumberText(EngineRequestCode(resolution.engineType)), resolution.address, resolution.titleOverride});
    return ResultStatus(!resolution.address.Empty(), "no address to play for " + args[0].ToUtf8());
}

}  // namespace lumora::cli
