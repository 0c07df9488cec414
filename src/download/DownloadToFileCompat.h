// SPDX-License-Identifier: GPL-3.0-or-later
// The copying routine in its first form, with an int result and a byte range
// of its own. The player saves with DownloadFile; the tests of the routine's
// table and the download benchmark use this form.
#pragma once

#include "download/DownloadToFile.h"

#include <cstdint>

namespace lumora {

// Without `range`, the same as DownloadFile with PartialFile::StartOver; with
// `range`, asks for the bytes from `start` on, stores what comes and keeps no
// record (a failure leaves no ".part"). Returns 0 on success and -1 on failure.
int DownloadToFile(const Text& address, const Text& file, const DownloadProgress& progress, std::int32_t start = 0,
                   bool range = false, const DownloadLimits& limits = {});

}  // namespace lumora
