// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/GbkFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora::cli {

namespace {

constexpr std::size_t kBlockBytes = 1 << 16;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

std::string Reason(const std::string& path, const std::string& what) { return path + ": " + what; }

}  // namespace

std::string ReadGbkFile(const std::string& path, std::size_t maxBytes,
                        const std::function<void(std::string_view gbk)>& piece) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused
    // right after, by its type.
    const FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.Get() < 0) return Reason(path, std::strerror(errno));
    struct stat status {};
    if (fstat(file.Get(), &status) != 0) return Reason(path, std::strerror(errno));
    if (!S_ISREG(status.st_mode)) return Reason(path, "not a regular file");
    const std::string tooLarge = "larger than " + std::to_string(maxBytes >> 20) + " MiB";
    if (static_cast<unsigned long long>(status.st_size) > maxBytes) return Reason(path, tooLarge);

    // The bytes after the last line feed move to the front of the buffer and
    // the next read goes after them; a line longer than the buffer grows it.
    std::string buffer(kBlockBytes, '\0');
    std::size_t kept = 0;
    std::size_t total = 0;
    for (;;) {
        if (kept == buffer.size()) buffer.resize(2 * buffer.size());
        const ssize_t n = read(file.Get(), buffer.data() + kept, buffer.size() - kept);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Reason(path, std::strerror(errno));
        if (n == 0) break;
        total += static_cast<std::size_t>(n);
        if (total > maxBytes) return Reason(path, tooLarge);
        const std::string_view bytes(buffer.data(), kept + static_cast<std::size_t>(n));
        const std::size_t cut = bytes.rfind('\n', bytes.size() - 1);
        if (cut == std::string_view::npos || cut < kept) {
            kept = bytes.size();
            continue;
        }
        piece(bytes.substr(0, cut + 1));
        kept = bytes.size() - (cut + 1);
        std::memmove(buffer.data(), buffer.data() + cut + 1, kept);
    }
    if (kept > 0) piece(std::string_view(buffer.data(), kept));
    return {};
}

}  // namespace lumora::cli
