// SPDX-License-Identifier: GPL-3.0-or-later
#include "download/DownloadToFileCompat.h"
#include "download/DownloadPlan.h"

namespace lumora {

int DownloadToFile(const Text& address, const Text& file, const DownloadProgress& progress, std::int32_t start,
                   bool range, const DownloadLimits& limits) {
    DownloadPlan plan;
    plan.start = start;
    plan.range = range;
    return RunDownload(address, file, progress, plan, limits).ok ? 0 : -1;
}

}  // namespace lumora
