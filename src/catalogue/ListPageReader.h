// SPDX-License-Identifier: GPL-3.0-or-later
// The list pattern over a list page while its body arrives.
//
// No match of kListPattern spans a line feed, so the page is cut into blocks
// of whole lines and each block is matched on a worker thread while the
// transfer goes on: the rows are found in about the time the page takes to
// arrive, and the page is never held whole. The rows are those that the
// pattern gives over the whole body read as UTF-8 (cut at its first zero
// byte, invalid sequences as U+FFFD), in page order, each with the image of
// its entry: the nearest <img> before the matched anchor that neither an
// anchor's end nor an earlier match separates from it.
#pragma once

#include "web/PageRequest.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace lumora {

// Rows of a list page as UTF-8: every identifier, title and image source,
// one after the other in `text`. Rows past 4 GiB of text are dropped (a
// page's body is far smaller).
class ListPageRows {
public:
    int Count() const { return ends_.empty() ? 0 : static_cast<int>((ends_.size() - 1) / kFields); }
    // Row `index`, counted from 0.
    std::string_view Id(int index) const { return Field(index, 0); }
    std::string_view Title(int index) const { return Field(index, 1); }
    // The src of the entry's <img> before the matched anchor, as written in
    // the page (ScanEntryImage); empty when the entry has none.
    std::string_view Image(int index) const { return Field(index, 2); }

    void Add(std::string_view id, std::string_view title, std::string_view image = {});
    void Clear();

private:
    static constexpr std::size_t kFields = 3;
    static constexpr std::size_t kMaxText = UINT32_MAX;
    std::string_view Field(int index, int field) const;

    std::string text_;
    // Where each field ends in text_, row after row, after a first 0: field
    // f of row i is text_[ends_[3i + f], ends_[3i + f + 1]).
    std::vector<std::uint32_t> ends_;
};

class ListPageReader : public PageBodySink {
public:
    ListPageReader();
    ~ListPageReader() override;
    ListPageReader(const ListPageReader&) = delete;
    ListPageReader& operator=(const ListPageReader&) = delete;

    void Restart() override;
    void Take(std::string_view piece) override;

    // Ends the body and waits for the worker: the rows in page order; none
    // when the engine hit one of its limits. Call once.
    ListPageRows Finish();

private:
    struct Block {
        std::string lines;
        bool restart = false;  // drop the rows found so far
    };

    void Send(Block block);
    void Work();
    // An empty buffer for the next block: one the worker is done with, or new.
    std::string SpareBuffer();
    void KeepSpare(std::string buffer);

    std::string pending_;                           // what came after the last block sent
    std::size_t lastLineFeed_ = std::string::npos;  // the last line feed in pending_

    std::mutex mutex_;
    std::condition_variable ready_;  // a block came, or the body ended
    std::condition_variable taken_;  // the worker took a block
    std::deque<Block> blocks_;
    std::vector<std::string> spare_;  // matched blocks' buffers, emptied
    bool ended_ = false;
    ListPageRows rows_;  // the worker's, until it ends
    std::thread worker_;
};

class Text;

// The rows of the list page at `address`, matched while it arrives (the
// request of every list page: PageRequest's limits, no proxy). None when
// the request fails or `stop` is requested before it ends; `ok`, when
// given, tells whether the request succeeded. With `connection`, the
// request goes through that kept handle.
ListPageRows ReadListPageRows(const Text& address, std::stop_token stop = {}, bool* ok = nullptr,
                              PageConnection* connection = nullptr);

}  // namespace lumora
