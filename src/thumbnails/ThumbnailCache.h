// SPDX-License-Identifier: GPL-3.0-or-later
// The list images kept on disk between runs: one file per image address in
// a folder of its own, the whole folder held under a size cap by removing
// the oldest files first (by the time they were written).
//
// Every call may come from any thread; a file is written under a temporary
// name and renamed, so a reader (another copy of the program included) never
// sees half an image.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace lumora {

class ThumbnailCache {
public:
    static constexpr std::uintmax_t kDefaultCapBytes = 32u << 20;

    // The folder is made (0700) on the first write.
    ThumbnailCache(std::filesystem::path folder, std::uintmax_t capBytes = kDefaultCapBytes);

    // $XDG_CACHE_HOME/lumora/thumbnails (else ~/.cache/lumora/thumbnails).
    static std::filesystem::path DefaultFolder();

    // The bytes stored for `address`, if any.
    std::optional<std::string> Read(std::string_view address) const;
    // Stores `bytes` for `address`, then removes the oldest files until the
    // folder is back under the cap (a single file over the cap is not kept).
    // False when nothing could be written.
    bool Write(std::string_view address, std::string_view bytes);

    const std::filesystem::path& Folder() const { return folder_; }
    std::uintmax_t CapBytes() const { return capBytes_; }

private:
    std::filesystem::path FileOf(std::string_view address) const;
    void Trim();

    const std::filesystem::path folder_;
    const std::uintmax_t capBytes_;
    std::mutex mutex_;
    // What this process wrote since the folder was last measured; the folder
    // is measured again (other copies write there too) once it may be full.
    std::uintmax_t knownBytes_ = 0;
    bool measured_ = false;
};

}  // namespace lumora
