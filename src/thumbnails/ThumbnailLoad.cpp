// SPDX-License-Identifier: GPL-3.0-or-later
#include "thumbnails/ThumbnailLoad.h"

#include "base/Log.h"
#include "thumbnails/ThumbnailDecode.h"
#include "web/NetworkAddress.h"
#include "web/PageRequest.h"

#include <string>
#include <utility>

namespace lumora {

namespace {

// The status code of the final response's status line, 0 when there is none.
int StatusOf(const Text& rawHeaders) {
    const std::string& head = rawHeaders.Bytes();
    if (head.compare(0, 5, "HTTP/") != 0) return 0;
    const std::size_t blank = head.find(' ');
    if (blank == std::string::npos || blank + 4 > head.size()) return 0;
    int status = 0;
    for (std::size_t i = blank + 1; i < blank + 4; ++i) {
        if (head[i] < '0' || head[i] > '9') return 0;
        status = status * 10 + (head[i] - '0');
    }
    return status;
}

QImage Refuse(const Text& address, const std::string& reason) {
    LogDebug(LogLayer::Catalogue, "thumbnail " + address.ToUtf8() + ": " + reason);
    return QImage();
}

}  // namespace

QImage LoadThumbnail(const Text& address, QSize fit, ThumbnailCache& cache, std::stop_token stop) {
    const std::string key = address.Bytes();
    if (!address.Bytes().starts_with("http://") && !address.Bytes().starts_with("https://"))
        return Refuse(address, "not a web address");
    std::string why;
    if (const std::optional<std::string> kept = cache.Read(key)) {
        QImage image = DecodeThumbnail(*kept, fit, &why);
        if (!image.isNull()) return image;
    }
    PageRequestArgs args;
    args.proxy = Text();
    args.stop = std::move(stop);
    args.headers = Text("Accept: image/*");
    args.limits.maxBodyBytes = kMaxThumbnailBytes;
    args.limits.connectTimeout = kThumbnailConnectTimeout;
    args.limits.noProgressTimeout = kThumbnailStallTimeout;
    args.limits.overallTimeout = kThumbnailOverallTimeout;
    args.limits.maxRedirects = 5;
    const Result<ByteSet> body = RequestPage(address, args);
    if (!body) return Refuse(address, "the request failed: " + body.Error().reason);
    const ByteSet& bytes = body.Value();
    if (const int status = StatusOf(args.rawHeaders); status != 200)
        return Refuse(address, "status " + std::to_string(status));
    QImage image = DecodeThumbnail(bytes, fit, &why);
    if (image.isNull()) return Refuse(address, why);
    cache.Write(key, bytes);
    return image;
}

}  // namespace lumora
