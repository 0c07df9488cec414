// Where a download goes and under which name.
#pragma once

#include "base/Text.h"

namespace lumora {

// The directory downloads are written to: LUMORA_DOWNLOAD_DIR when set, else
// `programDirectory` when it is a directory this process can write, else the
// user's video directory (which may not exist yet). No trailing "/".
Text DownloadDirectory(const Text& programDirectory);

// `directory` + "/" + the title made safe as one file name + ".MP4". The name
// always lies directly inside `directory`: "/" and control characters become
// "_", a title that is empty or only dots has each dot (or its emptiness)
// replaced by "_", and a long title is cut at a character boundary so that
// the name and its ".part" and ".resume" fit the file system's 255-byte limit.
Text DownloadFileName(const Text& directory, const Text& title);

// The title a typed address's download takes from the address itself: the
// last segment of its path, percent-decoded, without its extension ("clip"
// for "http://host/v/clip.mp4?x=1"). Empty when that is no usable name: no
// path, a path ending in "/", bytes that are not UTF-8, a zero byte, or
// nothing but dots, blanks and control characters. DownloadFileName makes
// what it gives safe, as it does every title.
Text TypedAddressTitle(const Text& address);

}  // namespace lumora
