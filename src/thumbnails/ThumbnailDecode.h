// SPDX-License-Identifier: GPL-3.0-or-later
// An image answer turned into a small picture, safely: the bytes are
// bounded, the picture's size is read from its header and checked before a
// pixel is decoded, the decoder works under an allocation limit, and only the
// common still-image formats are read. Runs on any thread.
#pragma once

#include <QImage>
#include <QSize>

#include <string>
#include <string_view>

namespace lumora {

// Answers larger than this are no image.
inline constexpr std::size_t kMaxThumbnailBytes = 1u << 20;
// Pictures wider or taller than this are no image.
inline constexpr int kMaxThumbnailSide = 4096;

// `bytes` decoded and scaled to fit within `fit` (aspect ratio kept). A null
// image, with the reason in `why`, when the bytes are too many, not one of
// JPEG, PNG, GIF, BMP or WebP, larger than kMaxThumbnailSide either way, or
// corrupt.
QImage DecodeThumbnail(std::string_view bytes, QSize fit, std::string* why = nullptr);

}  // namespace lumora
