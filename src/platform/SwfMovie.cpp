// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SwfMovie.h"

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string_view>

namespace lumora {

namespace {

// Larger files are not a player movie; the bound also caps what a forged
// header can make the inflater produce.
constexpr std::uint32_t kMaxMovieSize = 16u << 20;
constexpr unsigned kMetadataTag = 77;
constexpr unsigned kEndTag = 0;

std::uint32_t Le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

// Inflates `in` into exactly `size` bytes; false when the stream is broken,
// ends early or would give more.
bool InflateExactly(std::string_view in, std::size_t size, std::string& out) {
    if (in.size() > 0xffffffffu) return false;
    out.assign(size, '\0');
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return false;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    stream.avail_in = uInt(in.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(size);
    int result = inflate(&stream, Z_FINISH);
    bool ok = result == Z_STREAM_END && stream.total_out == size;
    if (result == Z_BUF_ERROR && stream.avail_out == 0) {
        // The output is full: it is exact only if the stream has nothing more.
        unsigned char extra = 0;
        stream.next_out = &extra;
        stream.avail_out = 1;
        result = inflate(&stream, Z_FINISH);
        ok = result == Z_STREAM_END && stream.avail_out == 1;
    }
    inflateEnd(&stream);
    return ok;
}

// The tag list after the header: true when it parses to its End tag and a
// Metadata tag on the way holds the marker.
bool TagsDeclareProtocol(std::string_view body) {
    if (body.empty()) return false;
    // Frame rectangle: 5 bits of field width, then four fields of that width.
    const unsigned bits = static_cast<unsigned char>(body[0]) >> 3;
    std::size_t at = (5 + 4 * bits + 7) / 8 + 4;  // rectangle, frame rate, frame count
    bool marked = false;
    const std::string_view marker(kPlayerMovieMarker);
    while (at + 2 <= body.size()) {
        const auto* p = reinterpret_cast<const unsigned char*>(body.data()) + at;
        const unsigned header = p[0] | p[1] << 8;
        const unsigned code = header >> 6;
        std::size_t length = header & 0x3f;
        at += 2;
        if (length == 0x3f) {
            if (at + 4 > body.size()) return false;
            length = Le32(reinterpret_cast<const unsigned char*>(body.data()) + at);
            at += 4;
        }
        if (length > body.size() - at) return false;
        const std::string_view content = body.substr(at, length);
        if (code == kMetadataTag && content.find(marker) != std::string_view::npos) marked = true;
        if (code == kEndTag) return marked;
        at += length;
    }
    return false;
}

}  // namespace

bool IsPlayerMovie(const ByteSet& file) {
    if (file.size() < 8) return false;
    const auto* head = reinterpret_cast<const unsigned char*>(file.data());
    const bool compressed = std::memcmp(head, "CWS", 3) == 0;
    if (!compressed && std::memcmp(head, "FWS", 3) != 0) return false;
    if (head[3] < 8) return false;
    const std::uint32_t length = Le32(head + 4);
    if (length < 8 || length > kMaxMovieSize) return false;
    if (!compressed) return file.size() == length && TagsDeclareProtocol(std::string_view(file).substr(8));
    std::string body;
    if (!InflateExactly(std::string_view(file).substr(8), length - 8, body)) return false;
    return TagsDeclareProtocol(body);
}

}  // namespace lumora
