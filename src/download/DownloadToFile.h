// SPDX-License-Identifier: GPL-3.0-or-later
// Copying one web resource into a file, with progress after every block.
//
// The transfer runs on the caller's thread and blocks until it ends. Every
// call has its own transfer handle, so several downloads may run at once on
// different threads.
#pragma once

#include "base/Result.h"
#include "base/Text.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
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
    // Once requested, the download ends within about a second, failed with
    // FailureKind::Stopped; its ".part" and record stay as after a cut.
    std::stop_token stop;
};

// The file a download writes until it is complete, and the record beside it
// that lets a later attempt continue: `file` + these suffixes.
inline constexpr std::string_view kPartSuffix = ".part";
inline constexpr std::string_view kResumeSuffix = ".resume";

// What a later download does with the ".part" an earlier attempt left.
enum class PartialFile {
    Resume,     // continue it where it ended, when the server's answer fits
    StartOver,  // throw it away and fetch the whole file
};

// How a download ended, for callers that say more than success or failure.
struct DownloadResult {
    bool ok = false;
    Failure failure;                          // why it failed, when !ok; an empty reason on success
    std::int64_t resumedFrom = 0;             // bytes an earlier attempt had, which this one kept
    std::int64_t total = 0;                   // the whole file's length; 0 when unknown
    bool partKept = false;                    // failed, and ".part" with its record wait for another attempt
    Text saved;                               // the path the finished file took; empty when !ok
};

// Names a finished download from what arrived: the final answer's
// Content-Type (empty when it had none) and the address the bytes came from
// after redirects. Gives the path the file takes.
using NameOnArrival = std::function<Text(std::string_view contentType, std::string_view finalAddress)>;

// Downloads `address` (http or https; redirects followed, to http and https
// only) into `file`, given as a path text. The body is stored as it came over
// the wire, never decoded. Blocks until the transfer ends.
//
// The bytes go to `file` + ".part", which replaces `file` only when the whole
// body arrived; an earlier `file` stays as it was until then. Once the server
// has answered with the file, a record beside it (`file` + ".resume") keeps
// the address, the server's ETag and Last-Modified and the whole length.
// When the download fails after that (a cut or stalled connection, a full
// disk, an error status on a later attempt), both stay; otherwise (no
// connection, an error status, an empty body) nothing is left behind.
//
// With PartialFile::Resume, a ".part" whose record names this address and a
// length it does not exceed is continued: the request asks for the missing
// bytes ("Range:bytes=N-") with If-Range and the record's validator. A 206
// whose Content-Range starts at N and runs to the recorded length, with no
// changed validator, is appended. A 200 is taken from its start; a 416, a
// range that does not fit or a changed validator start over with a full
// request. The finished file is the file one full download gives.
//
// A ".part" that another download is writing at the same moment is not
// touched, nor its record: this download fails at once. A symbolic link in
// either name is never followed.
//
// With `name`, `file` only names the ".part" and the record (so a later
// attempt finds them before anything arrived), and the finished file takes
// the path `name` gives.
DownloadResult DownloadFile(const Text& address, const Text& file, const DownloadProgress& progress,
                            PartialFile partial, const DownloadLimits& limits = {}, const NameOnArrival& name = {});

// The agent name of a download: "Agent" and the millisecond tick count.
Text DownloadAgentName();

}  // namespace lumora
