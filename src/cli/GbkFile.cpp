#include "cli/GbkFile.h"

#include "base/GbkTables.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora::cli {

namespace {

constexpr std::size_t kBlockBytes = 1 << 20;
constexpr std::uintptr_t kHugePageBytes = 2 << 20;

// A text of tens of megabytes is written once from start to end: in 2 MiB
// pages it takes a few page faults instead of thousands. Only a hint.
void PreferHugePages(std::string& buffer) {
    const auto begin = reinterpret_cast<std::uintptr_t>(buffer.data());
    const std::uintptr_t end = begin + buffer.capacity();
    const std::uintptr_t first = (begin + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
    const std::uintptr_t last = end & ~(kHugePageBytes - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

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

std::string ReadGbkFileAsUtf8(const std::string& path, std::size_t maxBytes, std::string& utf8) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused
    // right after, by its type.
    const FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.Get() < 0) return Reason(path, std::strerror(errno));
    struct stat status {};
    if (fstat(file.Get(), &status) != 0) return Reason(path, std::strerror(errno));
    if (!S_ISREG(status.st_mode)) return Reason(path, "not a regular file");
    const std::string tooLarge = "larger than " + std::to_string(maxBytes >> 20) + " MiB";
    if (static_cast<unsigned long long>(status.st_size) > maxBytes) return Reason(path, tooLarge);

    // Converted block by block, each cut after its last line feed: a line
    // feed never belongs to a multi-byte character, so the pieces convert
    // exactly as the whole file would.
    utf8.reserve(utf8.size() + status.st_size + status.st_size / 2 + 16);
    PreferHugePages(utf8);
    const std::unique_ptr<char[]> block(new char[kBlockBytes]);
    std::string carried;  // the bytes after the last line feed so far
    std::size_t total = 0;
    for (;;) {
        const ssize_t n = read(file.Get(), block.get(), kBlockBytes);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Reason(path, std::strerror(errno));
        if (n == 0) break;
        total += static_cast<std::size_t>(n);
        if (total > maxBytes) return Reason(path, tooLarge);
        const std::string_view piece(block.get(), static_cast<std::size_t>(n));
        const std::size_t cut = piece.rfind('\n');
        if (cut == std::string_view::npos) {
            carried += piece;
            continue;
        }
        if (!carried.empty()) {
            carried += piece.substr(0, cut + 1);
            AppendTableGbkToUtf8(carried, utf8);
            carried.clear();
        } else {
            AppendTableGbkToUtf8(piece.substr(0, cut + 1), utf8);
        }
        carried += piece.substr(cut + 1);
    }
    AppendTableGbkToUtf8(carried, utf8);
    return {};
}

}  // namespace lumora::cli
