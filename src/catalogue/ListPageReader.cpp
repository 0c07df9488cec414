// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/ListPageReader.h"

#include "base/CodePage.h"
#include "catalogue/Catalogue.h"
#include "catalogue/ListImage.h"
#include "script/CompiledPattern.h"

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace lumora {

namespace {

// Blocks of about this size keep a block in the cache while it is checked
// and matched, and the worker busy while the next one arrives.
constexpr std::size_t kBlockBytes = 64 * 1024;
// At most this many blocks wait for the worker; the transfer waits for it
// beyond that. A page of megabytes then goes through the same few buffers
// (kept as spares once matched) instead of fresh memory, and its page
// faults, for every block.
constexpr std::size_t kQueuedBlocks = 4;

// Compiling the list pattern (with its JIT code) costs more than reading a
// short list page, so readers hand their compiled pattern on to the next.
class PatternPool {
public:
    std::unique_ptr<CompiledPattern> Take() {
        {
            const std::lock_guard lock(mutex_);
            if (!free_.empty()) {
                std::unique_ptr<CompiledPattern> pattern = std::move(free_.back());
                free_.pop_back();
                return pattern;
            }
        }
        return std::make_unique<CompiledPattern>(kListPattern, false, true);
    }
    void Give(std::unique_ptr<CompiledPattern> pattern) {
        const std::lock_guard lock(mutex_);
        if (free_.size() < kKept) free_.push_back(std::move(pattern));
    }

private:
    static constexpr std::size_t kKept = 8;  // more than readers at once
    std::mutex mutex_;
    std::vector<std::unique_ptr<CompiledPattern>> free_;
};

PatternPool& Patterns() {
    static PatternPool* const pool = new PatternPool;  // never destroyed: readers may outlive main
    return *pool;
}

}  // namespace

void ListPageRows::Add(std::string_view id, std::string_view title, std::string_view image) {
    if (id.size() + title.size() + image.size() > kMaxText - text_.size()) return;
    if (ends_.empty()) ends_.push_back(0);
    for (std::string_view field : {id, title, image}) {
        text_ += field;
        ends_.push_back(static_cast<std::uint32_t>(text_.size()));
    }
}

void ListPageRows::Clear() {
    text_.clear();
    ends_.clear();
}

std::string_view ListPageRows::Field(int index, int field) const {
    if (index < 0 || index >= Count()) return {};
    const std::uint32_t* at = ends_.data() + kFields * static_cast<std::size_t>(index) + field;
    return std::string_view(text_).substr(at[0], at[1] - at[0]);
}

ListPageReader::ListPageReader() : worker_(&ListPageReader::Work, this) {}

ListPageReader::~ListPageReader() {
    if (worker_.joinable()) Finish();
}

void ListPageReader::Send(Block block) {
    {
        std::unique_lock lock(mutex_);
        taken_.wait(lock, [this] { return blocks_.size() < kQueuedBlocks; });
        blocks_.push_back(std::move(block));
    }
    ready_.notify_one();
}

void ListPageReader::Restart() {
    pending_.clear();
    lastLineFeed_ = std::string::npos;
    Send({std::string(), true});
}

void ListPageReader::Take(std::string_view piece) {
    // Only the new piece is searched, so a line longer than a block costs no
    // more than a short one.
    if (const std::size_t at = piece.rfind('\n'); at != std::string_view::npos) lastLineFeed_ = pending_.size() + at;
    pending_ += piece;
    if (pending_.size() < kBlockBytes || lastLineFeed_ == std::string::npos) return;
    std::string lines = std::move(pending_);
    pending_ = SpareBuffer();
    pending_.append(lines, lastLineFeed_ + 1);
    lines.resize(lastLineFeed_);
    lastLineFeed_ = std::string::npos;
    Send({std::move(lines), false});
}

std::string ListPageReader::SpareBuffer() {
    {
        const std::lock_guard lock(mutex_);
        if (!spare_.empty()) {
            std::string buffer = std::move(spare_.back());
            spare_.pop_back();
            return buffer;
        }
    }
    std::string buffer;
    buffer.reserve(2 * kBlockBytes);
    return buffer;
}

void ListPageReader::KeepSpare(std::string buffer) {
    buffer.clear();
    const std::lock_guard lock(mutex_);
    if (spare_.size() < kQueuedBlocks) spare_.push_back(std::move(buffer));
}

ListPageRows ListPageReader::Finish() {
    lastLineFeed_ = std::string::npos;
    Send({std::exchange(pending_, std::string()), false});
    {
        const std::lock_guard lock(mutex_);
        ended_ = true;
    }
    ready_.notify_one();
    worker_.join();
    return std::move(rows_);
}

void ListPageReader::Work() {
    // Taken here, while the request is still being set up.
    std::unique_ptr<CompiledPattern> compiled = Patterns().Take();
    const CompiledPattern& pattern = *compiled;
    const bool usable = pattern.Ok() && pattern.Groups() >= 2;
    std::vector<std::size_t> offsets;
    bool cut = false;      // a zero byte ended the text
    bool overrun = false;  // the engine hit a limit: no rows at all
    // The image of an entry that began in an earlier block, after its last
    // match: the image of the next match when its block has none before it.
    std::string carriedImage;
    for (;;) {
        Block block;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return ended_ || !blocks_.empty(); });
            if (blocks_.empty()) break;
            block = std::move(blocks_.front());
            blocks_.pop_front();
        }
        taken_.notify_one();
        if (block.restart) {
            rows_.Clear();
            cut = overrun = false;
            carriedImage.clear();
            continue;
        }
        if (cut || overrun || !usable) continue;
        if (const std::size_t zero = block.lines.find('\0'); zero != std::string::npos) {
            block.lines.resize(zero);
            cut = true;
        }
        std::string lines = SanitizeUtf8(std::move(block.lines));
        offsets.clear();
        if (!pattern.MatchAll(lines, true, offsets)) {
            overrun = true;
            continue;
        }
        const std::size_t stride = 2 * (pattern.Groups() + 1);
        const auto group = [&](std::size_t match, std::size_t index) -> std::string_view {
            const std::size_t start = offsets[match + 2 * index];
            const std::size_t end = offsets[match + 2 * index + 1];
            if (start == CompiledPattern::NotSet() || end < start) return {};
            return std::string_view(lines).substr(start, end - start);
        };
        std::size_t entryStart = 0;  // where the current entry's markup may begin
        for (std::size_t match = 0; match + stride <= offsets.size(); match += stride) {
            const EntryImageScan image = ScanEntryImage(lines, entryStart, offsets[match]);
            const bool carried = entryStart == 0 && !image.bounded;
            rows_.Add(group(match, 1), group(match, 2), carried ? std::string_view(carriedImage) : image.source);
            entryStart = offsets[match + 1];
        }
        const EntryImageScan tail = ScanEntryImage(lines, entryStart, lines.size());
        if (entryStart != 0 || tail.bounded) carriedImage = tail.source;
        KeepSpare(std::move(lines));
    }
    if (overrun || !usable) rows_.Clear();
    Patterns().Give(std::move(compiled));
}

}  // namespace lumora
