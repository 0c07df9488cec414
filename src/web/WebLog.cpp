// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/WebLog.h"

#include <string>

namespace lumora {

void LogTransfer(CURL* handle, const TransferOutcome& outcome, LogLayer layer) {
    const bool failed = outcome.failure || outcome.status >= 400;
    if (!LogEnabled(layer, failed ? LogLevel::Warning : LogLevel::Debug)) return;
    char* url = nullptr;
    curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &url);
    std::string line = url ? url : "(no address)";
    if (outcome.failure) line += ": " + outcome.failure->reason;
    if (outcome.status != 0) line += ": HTTP " + std::to_string(outcome.status);
    if (failed)
        LogWarning(layer, line);
    else
        LogDebug(layer, line);
}

}  // namespace lumora
