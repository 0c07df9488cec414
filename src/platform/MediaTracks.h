// SPDX-License-Identifier: GPL-3.0-or-later
// The streams and chapters of a loaded medium, as mpv lists them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumora {

struct MediaTrack {
    enum class Kind { Video, Audio, Subtitle };
    Kind kind = Kind::Video;
    std::int64_t id = 0;   // mpv's number, counted per kind from 1
    std::string title;     // UTF-8; may be empty
    std::string language;  // as the file names it ("eng", "zh"); may be empty
    std::string codec;
    bool selected = false;
    bool external = false;  // added from a file of its own (a subtitle file)
    bool picture = false;   // a still picture (an audio file's cover), not moving video
};

struct MediaChapter {
    double start = 0;   // seconds
    std::string title;  // UTF-8; may be empty
};

}  // namespace lumora
