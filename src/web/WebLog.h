// SPDX-License-Identifier: GPL-3.0-or-later
// The trail of one curl transfer in the log: why it failed (curl's reason,
// and the system's when a socket call failed), an HTTP error status, and at
// debug level the status of every answer.
#pragma once

#include <curl/curl.h>

#include "base/Log.h"
#include "web/CurlPolicy.h"

namespace lumora {

// Call right after the transfer on `handle` ended as `outcome` says.
void LogTransfer(CURL* handle, const TransferOutcome& outcome, LogLayer layer = LogLayer::Web);

}  // namespace lumora
