// Copying one web resource into a file, with progress after every block.
//
// The transfer runs on the caller's thread and blocks until it ends. Every
// call has its own transfer handle, so several downloads may run at once on
// different threads.
#pragma once

#include "base/Text.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace lumora {

// Progress is reported after every block of this many bytes.
inline constexpr std::size_t kDownloadBlockBytes = 10240;

// The header block sent with every download, one text with CR LF between
// lines and none at its end; a ranged request appends "\r\nRange:bytes=N-".
// The file is asked for as the server stores it (identity): a packed body
// would not match its Content-Length in the progress, could unpack to many
// times its size on disk, and its byte ranges would not be the file's.
inline constexpr std::string_view kDownloadHeaders =
    "Accept: */*\r\nAccept-Language: zh-cn\r\nAccept-Encoding: identity\r\n"
    "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)";

// Called after every block with the total length from Content-Length (0 when
// the response has none), the bytes received so far and the milliseconds since
// the response arrived (never 0: a measured 0 is passed as 30).
using DownloadProgress = std::function<void(std::int64_t total, std::int64_t received, std::int64_t elapsed)>;

// Bounds that keep a dead or stalled server from holding a download forever.
struct DownloadLimits {
    std::chrono::milliseconds connectTimeout{30'000};
    // No byte received for this long ends the download as failed. Checked
    // about once a second, so shorter limits act as about one second.
    std::chrono::milliseconds stallTimeout{30'000};
    int maxRedirects = 10;
};

// Downloads `address` (http or https; redirects followed, to http and https
// only) into `file`, given as a path text. With `range`, asks for the bytes
// from `start` on. The body is stored as it came over the wire, never
// decoded. Returns 0 on success and -1 on failure. Blocks until the transfer
// ends.
//
// The bytes go to `file` + ".part", which replaces `file` only when the whole
// body arrived: a failure (no connection, a final status other than 2xx, a
// cut or stalled transfer, a full disk, an empty body) removes the partial
// file and leaves an earlier `file` as it was. A ".part" that another download is writing at
// the same moment is not touched: the second download fails at once. A
// symbolic link in the ".part" name is never followed.
int DownloadToFile(const Text& address, const Text& file, const DownloadProgress& progress,
                   std::int32_t start = 0, bool range = false, const DownloadLimits& limits = {});

// The agent name of a download: "Agent" and the millisecond tick count.
Text DownloadAgentName();

}  // namespace lumora
