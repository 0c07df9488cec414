#include "web/WebLog.h"

#include <cstring>
#include <string>

namespace lumora {

void LogTransfer(CURL* handle, CURLcode result, LogLayer layer)
{
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    const bool failed = result != CURLE_OK || status >= 400;
    if (!LogEnabled(layer, failed ? LogLevel::Warning : LogLevel::Debug))
        return;
    char* url = nullptr;
    curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &url);
    std::string line = url ? url : "(no address)";
    if (result != CURLE_OK) {
        line += ": ";
        line += curl_easy_strerror(result);
        long osError = 0;
        if (curl_easy_getinfo(handle, CURLINFO_OS_ERRNO, &osError) == CURLE_OK && osError != 0)
            line += std::string(" (") + std::strerror(static_cast<int>(osError)) + ")";
    }
    if (status != 0)
        line += ": HTTP " + std::to_string(status);
    if (failed)
        LogWarning(layer, line);
    else
        LogDebug(layer, line);
}

}  // namespace lumora
