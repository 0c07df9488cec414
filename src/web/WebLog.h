// The trail of one curl transfer in the log: why it failed (curl's reason,
// and the system's when a socket call failed), an HTTP error status, and at
// debug level the status of every answer.
#pragma once

#include <curl/curl.h>

#include "base/Log.h"

namespace lumora {

// Call right after curl_easy_perform(handle) returned `result`.
void LogTransfer(CURL* handle, CURLcode result, LogLayer layer = LogLayer::Web);

}  // namespace lumora
