// SPDX-License-Identifier: GPL-3.0-or-later
// All 14 list pages at once, for the search over the whole catalogue.
//
// The pages are shared out through a PageQueue: each worker takes the next
// batch not yet taken and fetches its list page with the very request and
// reader of a batch (FetchListPage's), so at most as many pages are on their
// way as there are workers. Who runs the workers is the caller's choice: the
// window runs each as a WorkerChannel job, FetchAllListPages as threads of
// its own. Batch 1 is read at its start-up address, "/".
#pragma once

#include "catalogue/ListPageReader.h"

#include <array>
#include <atomic>
#include <functional>
#include <stop_token>

namespace lumora {

// How many list pages are fetched at once.
inline constexpr int kPageFetchWorkers = 4;

// Hands out the batch numbers 1..14, each once, to any number of threads.
class PageQueue {
public:
    // The next batch not yet taken; 0 once all are.
    int TakeNext();

private:
    std::atomic<int> next_{1};
};

// The list page of one batch: its rows, and whether the request succeeded.
struct FetchedPage {
    int batchNumber = 0;
    bool ok = false;
    ListPageRows rows;
};

// The rows of batch `batchNumber`'s list page (none when the request fails
// or `stop` is requested before it ends); through `connection` when given.
FetchedPage FetchBatchPage(int batchNumber, std::stop_token stop = {}, PageConnection* connection = nullptr);

// One worker's share: takes batches from `queue` and fetches them one after
// another, on one kept connection, until none is left or `stop` is
// requested, handing each page to `page` on this thread as soon as it is read.
void FetchQueuedPages(PageQueue& queue, std::stop_token stop, const std::function<void(FetchedPage)>& page);

// The 14 pages, fetched by `workers` threads (at least 1) and waited for;
// index 0 holds batch 1.
std::array<FetchedPage, 14> FetchAllListPages(int workers = kPageFetchWorkers, std::stop_token stop = {});

}  // namespace lumora
