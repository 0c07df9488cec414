// SPDX-License-Identifier: GPL-3.0-or-later
// Where a download goes and under which name.
#pragma once

#include "base/Text.h"

#include <string_view>

namespace lumora {

// The directory downloads are written to: LUMORA_DOWNLOAD_DIR when set, else
// the user's download folder (XDG_DOWNLOAD_DIR of user-dirs.dirs, usually
// ~/Downloads; it may not exist yet). No trailing "/".
Text DownloadDirectory();

// `directory` + "/" + the title made safe as one file name, without an
// extension: the download's ".part" and ".resume" are this + the suffix, and
// the finished file this + the extension of what arrived (SavedFileName).
// The name always lies directly inside `directory`: "/" and control
// characters become "_", a title that is empty or only dots has each dot (or
// its emptiness) replaced by "_", and a long title is cut at a character
// boundary so that the name with its extension, ".part" or ".resume" fits the
// file system's 255-byte limit.
Text DownloadStem(const Text& directory, const Text& title);

// The finished download's path: `stem` + ReceivedExtension of the answer's
// Content-Type, the address it came from and the address asked for.
Text SavedFileName(const Text& stem, std::string_view contentType, std::string_view finalAddress,
                   const Text& address);

// Whether a finished download of `title` is in `directory`, under any
// extension a download is saved with.
bool EarlierDownloadExists(const Text& directory, const Text& title);

// The title a typed address's download takes from the address itself: the
// last segment of its path, percent-decoded, without its extension ("clip"
// for "http://host/v/clip.mp4?x=1"). Empty when that is no usable name: no
// path, a path ending in "/", bytes that are not UTF-8, a zero byte, or
// nothing but dots, blanks and control characters. DownloadFileName makes
// what it gives safe, as it does every title.
Text TypedAddressTitle(const Text& address);

}  // namespace lumora
