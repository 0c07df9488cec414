#include "download/DownloadToFile.h"
#include "web/CurlHandles.h"
#include "web/WebLog.h"
#include "web/WebText.h"

#include <curl/curl.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
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

// The address as it goes on the wire (WireUrl); empty for anything but
// http and https.
std::string DownloadWireUrl(const Text& address) {
    const std::string& bytes = address.Bytes();
    if (!StartsWithNoCase(bytes, "http://") && !StartsWithNoCase(bytes, "https://")) return {};
    return WireUrl(address);
}

// The file being written: TARGET.part, locked while this download owns it,
// renamed over TARGET on success and removed otherwise.
class PartFile {
public:
    ~PartFile() { Discard(); }

    bool Open(const std::string& path) {
        path_ = path;
        for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
            // Non-blocking so that a FIFO in the name can't hold the open;
            // no symbolic link is followed.
            const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
            if (fd < 0) return false;
            struct stat opened {};
            if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
                close(fd);  // not a plain file, or another download writes it right now
                return false;
            }
            // Its previous owner may have renamed or removed it between our
            // open and our lock; then the name belongs to another file.
            struct stat named {};
            if (lstat(path.c_str(), &named) != 0 || named.st_ino != opened.st_ino || named.st_dev != opened.st_dev) {
                close(fd);
                continue;
            }
            // A leftover of an earlier attempt starts over. (Only then: ext4
            // flushes a file truncated to zero when it is closed, which would
            // stall every download at its end.)
            if (opened.st_size != 0 && ftruncate(fd, 0) != 0) {
                close(fd);
                return false;
            }
            fd_ = fd;
            buffer_.reserve(kWriteBufferBytes);
            return true;
        }
        return false;
    }

    bool Append(const char* data, std::size_t size) {
        if (buffer_.size() + size > kWriteBufferBytes && !Flush()) return false;
        if (size >= kWriteBufferBytes) return WriteAll(data, size);
        buffer_.insert(buffer_.end(), data, data + size);
        return true;
    }

    // Everything written: the file takes the target's name.
    bool Finish(const std::string& target) {
        if (fd_ < 0 || !Flush() || rename(path_.c_str(), target.c_str()) != 0) return false;
        close(fd_);  // releases the lock
        fd_ = -1;
        return true;
    }

    void Discard() {
        if (fd_ < 0) return;
        unlink(path_.c_str());  // still ours: we hold its lock
        close(fd_);
        fd_ = -1;
    }

private:
    bool Flush() {
        const bool ok = WriteAll(buffer_.data(), buffer_.size());
        buffer_.clear();
        return ok;
    }

    bool WriteAll(const char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t n = write(fd_, data, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;  // a full disk, a size limit, an I/O error
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    std::string path_;
    int fd_ = -1;
    std::vector<char> buffer_;
};

// One transfer's state, shared with curl's callbacks.
struct Transfer {
    CURL* easy = nullptr;
    PartFile* file = nullptr;
    const DownloadProgress* progress = nullptr;
    std::int64_t total = 0;
    std::int64_t received = 0;
    bool responseChecked = false;
    bool refused = false;  // a final response other than 2xx
    Clock::time_point responseStart = Clock::now();
    Clock::duration stallLimit{};
    Clock::time_point lastProgress = Clock::now();
    curl_off_t lastCount = 0;
};

bool IsSuccess(long status) { return status >= 200 && status <= 299; }

// A header block ends with a blank line: the body, if this response is the
// final one, starts here.
std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (n == 0 || data[0] == '\r' || data[0] == '\n') {
        transfer->responseStart = Clock::now();
        transfer->responseChecked = false;
    }
    return n;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (!transfer->responseChecked) {
        transfer->responseChecked = true;
        long status = 0;
        curl_easy_getinfo(transfer->easy, CURLINFO_RESPONSE_CODE, &status);
        if (!IsSuccess(status)) {
            transfer->refused = true;
            return CURL_WRITEFUNC_ERROR;
        }
        curl_off_t length = -1;
        curl_easy_getinfo(transfer->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        transfer->total = length > 0 ? static_cast<std::int64_t>(length) : 0;
    }
    if (!transfer->file->Append(data, n)) return CURL_WRITEFUNC_ERROR;
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

// Ends a transfer that has received nothing for the stall limit. (curl's
// low-speed check averages over several seconds and would notice late.)
int OnTransferInfo(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(user);
    const auto now = Clock::now();
    if (received != transfer->lastCount) {
        transfer->lastCount = received;
        transfer->lastProgress = now;
        return 0;
    }
    return now - transfer->lastProgress >= transfer->stallLimit ? 1 : 0;
}

// The header block as curl entries, one per line, the range line last.
CurlHeaderList HeaderList(std::int32_t start, bool range) {
    std::string block(kDownloadHeaders);
    if (range) block += "\r\nRange:bytes=" + std::to_string(start) + "-";
    curl_slist* list = nullptr;
    for (std::size_t from = 0; from <= block.size();) {
        std::size_t end = block.find("\r\n", from);
        if (end == std::string::npos) end = block.size();
        const std::string line = block.substr(from, end - from);
        from = end + 2;
        if (line.empty()) continue;
        curl_slist* grown = curl_slist_append(list, line.c_str());
        if (!grown) {
            curl_slist_free_all(list);
            return nullptr;
        }
        list = grown;
    }
    return CurlHeaderList(list);
}

}  // namespace

Text DownloadAgentName() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
    return Text::Gbk("Agent" + std::to_string(static_cast<std::uint32_t>(ms)));
}

int DownloadToFile(const Text& address, const Text& file, const DownloadProgress& progress, std::int32_t start,
                   bool range, const DownloadLimits& limits) {
    const std::string url = DownloadWireUrl(address);
    const std::string target = file.ToUtf8();
    if (url.empty() || target.empty() || target.find('\0') != std::string::npos || !CurlReady()) return -1;
    CurlEasy easy(curl_easy_init());
    const auto headers = HeaderList(start, range);
    if (!easy || !headers) return -1;

    PartFile part;
    if (!part.Open(target + ".part")) return -1;

    Transfer transfer;
    transfer.easy = easy.get();
    transfer.file = &part;
    transfer.progress = &progress;
    transfer.stallLimit = limits.stallTimeout;

    CURL* handle = easy.get();
    const std::string agent = DownloadAgentName().Bytes();
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, static_cast<long>(limits.maxRedirects));
    // The session's agent name; the User-Agent line of the header block is
    // what goes out. There is no cache here: every download asks the server.
    curl_easy_setopt(handle, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
    // A status of 400 or above ends the transfer before its body (OnBody
    // refuses the rest that are not 2xx).
    curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeout.count()));
    curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, OnTransferInfo);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);

    const CURLcode result = curl_easy_perform(handle);
    LogTransfer(handle, result, LogLayer::Download);
    if (result != CURLE_OK || transfer.refused) return -1;
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    // Nothing to save is no download: an earlier file of that name stays.
    if (!IsSuccess(status) || transfer.received == 0 || !part.Finish(target)) return -1;
    return 0;
}

}  // namespace lumora
