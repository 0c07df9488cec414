// SPDX-License-Identifier: GPL-3.0-or-later
#include "thumbnails/ThumbnailCache.h"

#include "base/Log.h"

#include <QCryptographicHash>
#include <QStandardPaths>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <vector>

#include <unistd.h>

namespace lumora {

namespace {

constexpr std::string_view kSuffix = ".img";

// A name no two writers share: the process and a counter.
std::string TemporaryName() {
    static std::atomic<unsigned> counter{0};
    return ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

ThumbnailCache::ThumbnailCache(std::filesystem::path folder, std::uintmax_t capBytes)
    : folder_(std::move(folder)), capBytes_(capBytes) {}

std::filesystem::path ThumbnailCache::DefaultFolder() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return std::filesystem::path(base.toStdString()) / "lumora" / "thumbnails";
}

std::filesystem::path ThumbnailCache::FileOf(std::string_view address) const {
    const QByteArray digest = QCryptographicHash::hash(QByteArrayView(address.data(), static_cast<qsizetype>(address.size())),
                                                       QCryptographicHash::Sha256)
                                  .toHex();
    return folder_ / (digest.toStdString() + std::string(kSuffix));
}

std::optional<std::string> ThumbnailCache::Read(std::string_view address) const {
    std::ifstream in(FileOf(address), std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || bytes.empty()) return std::nullopt;
    return bytes;
}

bool ThumbnailCache::Write(std::string_view address, std::string_view bytes) {
    if (bytes.empty() || bytes.size() > capBytes_) return false;
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    std::filesystem::permissions(folder_, std::filesystem::perms::owner_all, error);
    const std::filesystem::path temporary = folder_ / TemporaryName();
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::filesystem::remove(temporary, error);
            LogDebug(LogLayer::Catalogue, "thumbnail cache: cannot write in " + folder_.string());
            return false;
        }
    }
    std::filesystem::rename(temporary, FileOf(address), error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    const std::lock_guard lock(mutex_);
    knownBytes_ += bytes.size();
    if (!measured_ || knownBytes_ > capBytes_) Trim();
    return true;
}

void ThumbnailCache::Trim() {
    struct File {
        std::filesystem::path path;
        std::filesystem::file_time_type written;
        std::uintmax_t bytes;
    };
    std::vector<File> files;
    std::uintmax_t total = 0;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(folder_, error)) {
        std::error_code itemError;
        if (!item.is_regular_file(itemError) || item.path().extension() != kSuffix) continue;
        const std::uintmax_t bytes = item.file_size(itemError);
        const auto written = item.last_write_time(itemError);
        if (itemError) continue;
        files.push_back({item.path(), written, bytes});
        total += bytes;
    }
    measured_ = true;
    if (total > capBytes_) {
        // Down to nine tenths of the cap, so the folder is not measured again at every write.
        const std::uintmax_t goal = capBytes_ / 10 * 9;
        std::sort(files.begin(), files.end(), [](const File& a, const File& b) { return a.written < b.written; });
        for (const File& file : files) {
            if (total <= goal) break;
            if (std::filesystem::remove(file.path, error) || !std::filesystem::exists(file.path, error))
                total -= std::min(total, file.bytes);
        }
    }
    knownBytes_ = total;
}

}  // namespace lumora
