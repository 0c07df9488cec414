// SPDX-License-Identifier: GPL-3.0-or-later
#include "thumbnails/ThumbnailDecode.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

namespace lumora {

namespace {

// The decoder may allocate this much (MiB): a 4096x4096 picture in 32 bits,
// with room for the decoder's own buffers.
constexpr int kAllocationLimitMiB = 80;

bool KnownFormat(const QByteArray& format) {
    for (const char* known : {"jpeg", "jpg", "png", "gif", "bmp", "webp"})
        if (format == known) return true;
    return false;
}

QImage Fail(std::string* why, const char* reason) {
    if (why) *why = reason;
    return QImage();
}

}  // namespace

QImage DecodeThumbnail(std::string_view bytes, QSize fit, std::string* why) {
    if (bytes.empty()) return Fail(why, "no bytes");
    if (bytes.size() > kMaxThumbnailBytes) return Fail(why, "over 1 MiB");
    // The bytes stay where they are; the buffer only reads them.
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.setAllocationLimit(kAllocationLimitMiB);
    if (!reader.canRead() || !KnownFormat(reader.format())) return Fail(why, "not an image");
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) return Fail(why, "no picture size");
    if (size.width() > kMaxThumbnailSide || size.height() > kMaxThumbnailSide) return Fail(why, "over 4096x4096");
    const QSize scaled = size.scaled(fit, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    // JPEG decodes straight at (about) the small size; the others are scaled after.
    if (reader.supportsOption(QImageIOHandler::ScaledSize)) reader.setScaledSize(scaled);
    QImage image = reader.read();
    if (image.isNull()) return Fail(why, "corrupt image");
    if (image.size() != scaled) image = image.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace lumora
