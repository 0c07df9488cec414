// SPDX-License-Identifier: GPL-3.0-or-later
#include "download/DownloadToFile.h"
#include "download/DownloadPlan.h"
#include "base/Log.h"
#include "download/ResumeRecord.h"
#include "web/CurlPolicy.h"
#include "web/WebLog.h"
#include "web/WebText.h"

#include <curl/curl.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lumora {

namespace {

using Clock = std::chrono::steady_clock;

// Bytes asked of the connection at a time: ten blocks, reported block by
// block. A receive per block would cost a good part of the speed.
constexpr long kReceiveBufferBytes = 10 * static_cast<long>(kDownloadBlockBytes);
// Bytes gathered before they go to the file: curl hands over at most 16 KiB
// at a time, and one write each would cost more than the copy.
constexpr std::size_t kWriteBufferBytes = 256 * 1024;
// A ".part" that keeps being replaced under us is given up after this many tries.
constexpr int kOpenAttempts = 3;
// A resume record is a few short lines; anything larger is not one.
constexpr std::size_t kRecordMax = 8192;

// The address as it goes on the wire (WireUrl); empty for anything but
// http and https.
std::string DownloadWireUrl(const Text& address) {
    const std::string& bytes = address.Bytes();
    if (!StartsWithNoCase(bytes, "http://") && !StartsWithNoCase(bytes, "https://")) return {};
    return WireUrl(address);
}

std::string ErrnoText(int error) { return std::strerror(error); }

// Opens a plain file without following a link or waiting on a FIFO.
int OpenPlain(const std::string& path, int flags) {
    const int fd = open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

bool WriteAllTo(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;  // a full disk, a size limit, an I/O error
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<ResumeRecord> ReadRecord(const std::string& path) {
    const int fd = OpenPlain(path, O_RDONLY);
    if (fd < 0) return std::nullopt;
    std::string text(kRecordMax + 1, '\0');
    std::size_t size = 0;
    while (size < text.size()) {
        const ssize_t n = read(fd, text.data() + size, text.size() - size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        size += static_cast<std::size_t>(n);
    }
    close(fd);
    if (size > kRecordMax) return std::nullopt;
    text.resize(size);
    return ParseResumeRecord(text);
}

bool WriteRecord(const std::string& path, const ResumeRecord& record) {
    const int fd = OpenPlain(path, O_WRONLY | O_CREAT | O_TRUNC);
    if (fd < 0) return false;
    const std::string text = FormatResumeRecord(record);
    const bool written = WriteAllTo(fd, text.data(), text.size());
    close(fd);
    if (!written) unlink(path.c_str());
    return written;
}

// The file being written: TARGET.part, locked while this download owns it,
// renamed over TARGET on success, and kept or removed otherwise.
class PartFile {
public:
    ~PartFile() { Discard(); }

    // Opens and locks the file, keeping what it holds. Fails with errno
    // EWOULDBLOCK when another download holds it.
    bool Open(const std::string& path) {
        path_ = path;
        for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
            const int fd = OpenPlain(path, O_WRONLY | O_CREAT);
            if (fd < 0) return false;
            if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
                const int error = errno;
                close(fd);  // another download writes it right now
                errno = error;
                return false;
            }
            // Its previous owner may have renamed or removed it between our
            // open and our lock; then the name belongs to another file.
            struct stat opened {};
            struct stat named {};
            if (fstat(fd, &opened) != 0 || lstat(path.c_str(), &named) != 0 || named.st_ino != opened.st_ino ||
                named.st_dev != opened.st_dev) {
                close(fd);
                continue;
            }
            fd_ = fd;
            size_ = opened.st_size;
            buffer_.reserve(kWriteBufferBytes);
            return true;
        }
        errno = EAGAIN;
        return false;
    }

    // Bytes in the file and in the buffer.
    std::int64_t Size() const { return size_ + static_cast<std::int64_t>(buffer_.size()); }

    // Keeps the first `size` bytes and writes on after them. (A file is cut
    // only when it holds more: ext4 flushes a file truncated to zero when
    // it is closed, which would stall every fresh download at its end.)
    bool CutTo(std::int64_t size) {
        buffer_.clear();
        if (size_ != size && ftruncate(fd_, size) != 0) return false;
        if (lseek(fd_, size, SEEK_SET) != size) return false;
        size_ = size;
        return true;
    }

    bool Append(const char* data, std::size_t size) {
        if (buffer_.size() + size > kWriteBufferBytes && !Flush()) return false;
        if (size >= kWriteBufferBytes) return WriteDirect(data, size);
        buffer_.insert(buffer_.end(), data, data + size);
        return true;
    }

    // Writes out what the buffer holds.
    bool Flush() {
        const bool ok = WriteDirect(buffer_.data(), buffer_.size());
        buffer_.clear();
        return ok;
    }

    // Everything written: the file takes the target's name.
    bool Finish(const std::string& target) {
        if (fd_ < 0 || !Flush() || rename(path_.c_str(), target.c_str()) != 0) return false;
        close(fd_);  // releases the lock
        fd_ = -1;
        return true;
    }

    // Leaves the file with every byte received, for a later attempt.
    void Keep() {
        if (fd_ < 0) return;
        Flush();
        close(fd_);
        fd_ = -1;
    }

    void Discard() {
        if (fd_ < 0) return;
        unlink(path_.c_str());  // still ours: we hold its lock
        close(fd_);
        fd_ = -1;
    }

private:
    bool WriteDirect(const char* data, std::size_t size) {
        const off_t before = size_;
        const bool ok = WriteAllTo(fd_, data, size);
        // What a failed write left is still a prefix of the file.
        const off_t now = lseek(fd_, 0, SEEK_CUR);
        size_ = now >= before ? now : before;
        return ok;
    }

    std::string path_;
    int fd_ = -1;
    off_t size_ = 0;
    std::vector<char> buffer_;
};

// What the first body bytes of the final response decided.
enum class Verdict {
    Undecided,
    Write,    // the body is (the rest of) the file
    Restart,  // the answer does not fit the kept bytes: ask again for the whole file
    Refused,  // not a file this download can take
};

// One request's state, shared with curl's callbacks.
struct Transfer {
    CURL* easy = nullptr;
    PartFile* file = nullptr;
    const DownloadProgress* progress = nullptr;
    std::string url;
    std::string recordPath;
    bool keepRecord = false;              // whether fresh bytes get a record
    bool explicitRange = false;           // the routine's own range: take what comes
    std::int64_t offset = 0;              // kept bytes the request asked to continue
    const ResumeRecord* known = nullptr;  // their record when offset > 0

    Verdict verdict = Verdict::Undecided;
    std::optional<Failure> failure;  // why a callback ended the transfer
    bool recorded = false;           // a record describes the bytes in the file
    std::int64_t total = 0;
    std::int64_t received = 0;   // the file's bytes so far, kept ones included
    std::int64_t bodyBytes = 0;  // body bytes of this response
    std::string contentType;     // of the response the body came with
    Clock::time_point responseStart = Clock::now();
};

bool IsSuccess(long status) { return status >= 200 && status <= 299; }

// One header of the response being received, trimmed; empty when absent.
std::string ResponseHeader(CURL* easy, const char* name) {
    curl_header* header = nullptr;
    if (curl_easy_header(easy, name, 0, CURLH_HEADER, -1, &header) != CURLHE_OK || !header || !header->value) return {};
    std::string_view value = header->value;
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    return std::string(value);
}

bool SameWhenBothGiven(const std::string& a, const std::string& b) { return a.empty() || b.empty() || a == b; }

// The bytes of a 206 continue the kept ones: the range starts where they end
// and runs to the recorded length, and the validators did not change.
bool FitsKeptBytes(const Transfer& transfer, CURL* easy) {
    const auto range = ParseContentRange(ResponseHeader(easy, "Content-Range"));
    if (!range || range->first != transfer.offset || range->last != range->complete - 1 ||
        range->complete != transfer.known->length)
        return false;
    return SameWhenBothGiven(ResponseHeader(easy, "ETag"), transfer.known->etag) &&
           SameWhenBothGiven(ResponseHeader(easy, "Last-Modified"), transfer.known->lastModified);
}

// The body starts a file from its first byte: forget what was kept, then
// note what a later attempt needs to continue it. (The record goes before
// the bytes it describes, and any old record before the old bytes.)
bool BeginFile(Transfer& transfer, CURL* easy, std::int64_t total) {
    unlink(transfer.recordPath.c_str());
    if (!transfer.file->CutTo(0)) {
        transfer.failure = Failure{FailureKind::Storage, "cannot write the .part file: " + ErrnoText(errno)};
        return false;
    }
    transfer.total = total;
    transfer.received = 0;
    if (transfer.keepRecord && total > 0) {
        ResumeRecord record;
        record.address = transfer.url;
        record.etag = ResponseHeader(easy, "ETag");
        record.lastModified = ResponseHeader(easy, "Last-Modified");
        if (!PlainHeaderValue(record.etag)) record.etag.clear();
        if (!PlainHeaderValue(record.lastModified)) record.lastModified.clear();
        record.length = total;
        transfer.recorded = WriteRecord(transfer.recordPath, record);
    }
    return true;
}

Verdict Decide(Transfer& transfer) {
    CURL* easy = transfer.easy;
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    if (!IsSuccess(status)) {
        transfer.failure = Failure{FailureKind::Status, "the server answered " + std::to_string(status)};
        return Verdict::Refused;
    }
    transfer.contentType = ResponseHeader(easy, "Content-Type");
    curl_off_t length = -1;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    const std::int64_t bodyLength = length > 0 ? static_cast<std::int64_t>(length) : 0;
    if (transfer.explicitRange) {
        transfer.total = bodyLength;
        return Verdict::Write;
    }
    if (status == 206) {
        if (transfer.offset > 0) {
            if (!FitsKeptBytes(transfer, easy)) return Verdict::Restart;
            transfer.total = transfer.known->length;
            transfer.received = transfer.offset;
            return Verdict::Write;
        }
        // A part nobody asked for is taken only when it is the whole file.
        const auto range = ParseContentRange(ResponseHeader(easy, "Content-Range"));
        if (!range || range->first != 0 || range->last != range->complete - 1) {
            transfer.failure = Failure{FailureKind::Mismatch, "the server sent a part of the file instead of the file"};
            return Verdict::Refused;
        }
        return BeginFile(transfer, easy, range->complete) ? Verdict::Write : Verdict::Refused;
    }
    // The whole file (a 200 to a ranged request: the file changed, or the
    // server does not do ranges).
    return BeginFile(transfer, easy, bodyLength) ? Verdict::Write : Verdict::Refused;
}

// A header block ends with a blank line: the body, if this response is the
// final one, starts here.
std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (n == 0 || data[0] == '\r' || data[0] == '\n') {
        transfer->responseStart = Clock::now();
        transfer->verdict = Verdict::Undecided;
    }
    return n;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (transfer->verdict == Verdict::Undecided) transfer->verdict = Decide(*transfer);
    if (transfer->verdict != Verdict::Write) return CURL_WRITEFUNC_ERROR;
    // A 206 may announce a body longer than its range: what lies beyond the
    // file's length never reaches the disk.
    if (transfer->total > 0 && transfer->received + static_cast<std::int64_t>(n) > transfer->total) {
        transfer->failure = Failure{FailureKind::Mismatch, "the server sent more than the file's length"};
        return CURL_WRITEFUNC_ERROR;
    }
    if (!transfer->file->Append(data, n)) {
        transfer->failure = Failure{FailureKind::Storage, "cannot write the .part file: " + ErrnoText(errno)};
        return CURL_WRITEFUNC_ERROR;
    }
    transfer->bodyBytes += static_cast<std::int64_t>(n);
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - transfer->responseStart).count();
    for (std::size_t done = 0; done < n;) {
        const std::size_t block = std::min(kDownloadBlockBytes, n - done);
        done += block;
        transfer->received += static_cast<std::int64_t>(block);
        if (*transfer->progress) (*transfer->progress)(transfer->total, transfer->received, elapsed > 0 ? elapsed : 30);
    }
    return n;
}

// The header block as curl entries, one per line, then the range lines.
CurlHeaderList HeaderList(std::int64_t start, bool range, const std::string& ifRange) {
    std::string block(kDownloadHeaders);
    if (range) block += "\r\nRange:bytes=" + std::to_string(start) + "-";
    if (range && !ifRange.empty()) block += "\r\nIf-Range: " + ifRange;
    return CurlHeaderLines(block);
}

// Why curl's transfer ended without the file.
Failure FailureOf(const Transfer& transfer, CURLcode code, const TransferOutcome& outcome, const char* detail,
                  const CurlStallWatch& watch, const DownloadLimits& limits) {
    if (transfer.failure) return *transfer.failure;
    if (watch.Stopped()) return Failure{FailureKind::Stopped, "stopped"};
    if (watch.Stalled())
        return Failure{FailureKind::Stalled,
                       "nothing received for " + std::to_string(limits.stallTimeout.count() / 1000) + " s"};
    if (outcome.failure && outcome.failure->kind == FailureKind::Status)
        return Failure{FailureKind::Status, "the server answered " + std::to_string(outcome.status)};
    const FailureKind kind = outcome.failure ? outcome.failure->kind : FailureKind::Network;
    return Failure{kind, detail[0] ? detail : curl_easy_strerror(code)};
}

// The path `name` gives the finished file; empty when it is no path.
std::string NamedTarget(const NameOnArrival& name, const Transfer& transfer, CURL* easy) {
    const char* effective = nullptr;
    curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective);
    std::string target = name(transfer.contentType, effective ? effective : transfer.url).ToUtf8();
    if (target.find('\0') != std::string::npos) target.clear();
    return target;
}

DownloadResult& Fail(DownloadResult& result, FailureKind kind, std::string reason) {
    result.failure = {kind, std::move(reason)};
    return result;
}

}  // namespace

DownloadResult RunDownload(const Text& address, const Text& file, const DownloadProgress& progress, const DownloadPlan& plan,
                   const DownloadLimits& limits) {
    DownloadResult result;
    const std::string url = DownloadWireUrl(address);
    std::string target = file.ToUtf8();
    if (url.empty()) return Fail(result, FailureKind::Refused, "not an http or https address");
    if (target.empty() || target.find('\0') != std::string::npos)
        return Fail(result, FailureKind::Refused, "no file name");
    if (!CurlReady()) return Fail(result, FailureKind::Refused, "libcurl could not start");
    const std::string partPath = target + std::string(kPartSuffix);
    const std::string recordPath = target + std::string(kResumeSuffix);

    PartFile part;
    if (!part.Open(partPath))
        return Fail(result, FailureKind::Storage,
                    errno == EWOULDBLOCK ? partPath + " is being written by another download"
                                         : "cannot open " + partPath + ": " + ErrnoText(errno));

    // What an earlier attempt left, when it fits this download.
    std::optional<ResumeRecord> known;
    std::int64_t offset = 0;
    if (plan.resume && part.Size() > 0) {
        known = ReadRecord(recordPath);
        if (known && known->address == url && part.Size() <= known->length) {
            // All of it there: fetch the last byte again, so the server
            // still confirms the file before it is taken.
            offset = std::min(part.Size(), known->length - 1);
        } else {
            known.reset();
        }
    }
    if (offset > 0) LogDebug(LogLayer::Download, "continuing " + partPath + " from byte " + std::to_string(offset));
    if (offset == 0) unlink(recordPath.c_str());
    if (!part.CutTo(offset))
        return Fail(result, FailureKind::Storage, "cannot write " + partPath + ": " + ErrnoText(errno));

    Transfer transfer;
    for (int attempt = 0;; ++attempt) {
        CurlEasy easy(curl_easy_init());
        const bool ranged = plan.range || offset > 0;
        const auto headers =
            HeaderList(plan.range ? plan.start : offset, ranged, known ? IfRangeValue(*known) : std::string());
        if (!easy || !headers) return Fail(result, FailureKind::Refused, "out of memory");
        transfer = Transfer{};
        transfer.easy = easy.get();
        transfer.file = &part;
        transfer.progress = &progress;
        transfer.url = url;
        transfer.recordPath = recordPath;
        transfer.keepRecord = !plan.range;
        transfer.explicitRange = plan.range;
        transfer.offset = offset;
        transfer.known = known ? &*known : nullptr;
        transfer.recorded = offset > 0;

        CURL* handle = easy.get();
        char detail[CURL_ERROR_SIZE] = {};
        CurlPolicy policy;
        policy.connectTimeout = limits.connectTimeout;
        policy.followRedirects = true;
        policy.maxRedirects = limits.maxRedirects;
        policy.http11 = false;
        // The session's agent name; the User-Agent line of the header block is
        // what goes out. There is no cache here: every download asks the server.
        policy.agent = DownloadAgentName().Bytes();
        policy.receiveStall = policy.sendStall = limits.stallTimeout;
        policy.stop = limits.stop;
        CurlStallWatch watch;
        ApplyCurlPolicy(handle, policy, watch);
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
        // A status of 400 or above ends the transfer before its body (Decide
        // refuses the rest that are not 2xx).
        curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
        curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, detail);
        curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, OnHeader);
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer);
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnBody);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);

        const CURLcode code = curl_easy_perform(handle);
        const TransferOutcome outcome = OutcomeOf(handle, code, watch);
        LogTransfer(handle, outcome, LogLayer::Download);
        const long status = outcome.status;
        // The kept bytes and this answer do not belong together: once, the
        // whole file from its start.
        const bool misfit =
            transfer.verdict == Verdict::Restart || (offset > 0 && code == CURLE_HTTP_RETURNED_ERROR && status == 416);
        if (misfit && attempt == 0) {
            LogDebug(LogLayer::Download, "the answer does not continue " + partPath + " (status " +
                                             std::to_string(status) + "): fetching the whole file");
            offset = 0;
            known.reset();
            unlink(recordPath.c_str());
            if (!part.CutTo(0))
                return Fail(result, FailureKind::Storage, "cannot write " + partPath + ": " + ErrnoText(errno));
            continue;
        }
        result.total = transfer.total;
        result.resumedFrom = transfer.verdict == Verdict::Write ? transfer.received - transfer.bodyBytes : 0;
        if (code != CURLE_OK || transfer.verdict == Verdict::Refused || misfit) {
            if (misfit)
                Fail(result, FailureKind::Mismatch, "the server's answers do not fit the file");
            else {
                Failure failure = FailureOf(transfer, code, outcome, detail, watch, limits);
                Fail(result, failure.kind, std::move(failure.reason));
            }
        } else if (!IsSuccess(status)) {
            Fail(result, FailureKind::Status, "the server answered " + std::to_string(status));
        } else if (transfer.bodyBytes == 0) {
            // Nothing to save is no download: an earlier file of that name stays.
            Fail(result, FailureKind::Mismatch, "the server sent an empty body");
        } else if (transfer.total > 0 && transfer.received != transfer.total) {
            Fail(result, FailureKind::Network,
                 "the server sent " + std::to_string(transfer.received) + " of " + std::to_string(transfer.total) +
                     " bytes");
        } else if (!part.Flush()) {
            Fail(result, FailureKind::Storage, "cannot write " + partPath + ": " + ErrnoText(errno));
        } else if (plan.name && (target = NamedTarget(plan.name, transfer, handle)).empty()) {
            Fail(result, FailureKind::Refused, "no file name");
        } else if (!part.Finish(target)) {
            // The name is taken by something that is no file (a directory).
            Fail(result, FailureKind::Storage, "cannot save " + target + ": " + ErrnoText(errno));
            transfer.recorded = false;
        } else {
            unlink(recordPath.c_str());
            result.ok = true;
            result.saved = Text::FromUtf8(target);
            return result;
        }
        break;
    }
    // A failure keeps bytes a record describes, for a later attempt.
    if (transfer.recorded && part.Size() > 0) {
        part.Keep();
        result.partKept = true;
    } else {
        part.Discard();
        unlink(recordPath.c_str());
    }
    return result;
}


Text DownloadAgentName() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
    return Text::Gbk("Agent" + std::to_string(static_cast<std::uint32_t>(ms)));
}

DownloadResult DownloadFile(const Text& address, const Text& file, const DownloadProgress& progress,
                            PartialFile partial, const DownloadLimits& limits, const NameOnArrival& name) {
    DownloadPlan plan;
    plan.resume = partial == PartialFile::Resume;
    plan.name = name;
    return RunDownload(address, file, progress, plan, limits);
}

}  // namespace lumora
