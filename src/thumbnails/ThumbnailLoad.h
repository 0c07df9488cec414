// SPDX-License-Identifier: GPL-3.0-or-later
// One list image from its address to a small picture: the disk cache first,
// else a page request with a byte cap and short time-outs, then the safe
// decoder; what decodes is kept in the cache. Blocks; for worker threads.
#pragma once

#include "base/Text.h"
#include "thumbnails/ThumbnailCache.h"

#include <QImage>
#include <QSize>

#include <chrono>
#include <stop_token>

namespace lumora {

// Bounds of one image request: a list image is small, and a dead server
// must not hold a worker for long.
inline constexpr std::chrono::milliseconds kThumbnailConnectTimeout{5000};
inline constexpr std::chrono::milliseconds kThumbnailStallTimeout{5000};
inline constexpr std::chrono::milliseconds kThumbnailOverallTimeout{10000};

// The picture at `address` (http or https only) scaled to fit `fit`; a null
// image when there is none to show: a failed request, a status other than
// 200, more than kMaxThumbnailBytes, or bytes DecodeThumbnail refuses. The
// reason goes to the log (lumora.catalogue, debug).
QImage LoadThumbnail(const Text& address, QSize fit, ThumbnailCache& cache, std::stop_token stop = {});

}  // namespace lumora
