// SPDX-License-Identifier: GPL-3.0-or-later
// How one run of the download routine treats the file's start: the shared
// core of DownloadFile and the routine's first form. Internal to download/.
#pragma once

#include "download/DownloadToFile.h"

#include <cstdint>

namespace lumora {

struct DownloadPlan {
    std::int64_t start = 0;
    bool range = false;   // ask for the bytes from `start` on and keep no record
    bool resume = false;  // continue a kept ".part"
    NameOnArrival name;   // set: `file` names only the ".part" and record (DownloadFile)
};

DownloadResult RunDownload(const Text& address, const Text& file, const DownloadProgress& progress,
                           const DownloadPlan& plan, const DownloadLimits& limits);

}  // namespace lumora
