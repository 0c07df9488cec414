// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/AllListPages.h"

#include "base/Text.h"
#include "catalogue/Catalogue.h"

#include <algorithm>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace lumora {

int PageQueue::TakeNext() {
    const int batch = next_.fetch_add(1);
    return batch <= kBatchCount ? batch : 0;
}

FetchedPage FetchBatchPage(int batchNumber, std::stop_token stop, PageConnection* connection) {
    FetchedPage page;
    page.batchNumber = batchNumber;
    const Text address = BatchAddress(batchNumber, true);
    if (address.Empty()) return page;
    page.rows = ReadListPageRows(address, std::move(stop), &page.ok, connection);
    return page;
}

void FetchQueuedPages(PageQueue& queue, std::stop_token stop, const std::function<void(FetchedPage)>& page) {
    PageConnection connection;
    while (!stop.stop_requested()) {
        const int batch = queue.TakeNext();
        if (batch == 0) return;
        FetchedPage fetched = FetchBatchPage(batch, stop, &connection);
        if (stop.stop_requested()) return;
        page(std::move(fetched));
    }
}

std::array<FetchedPage, 14> FetchAllListPages(int workers, std::stop_token stop) {
    std::array<FetchedPage, 14> pages;
    for (int i = 0; i < kBatchCount; ++i) pages[static_cast<std::size_t>(i)].batchNumber = i + 1;
    PageQueue queue;
    std::mutex mutex;
    const auto keep = [&](FetchedPage page) {
        const std::lock_guard lock(mutex);
        pages[static_cast<std::size_t>(page.batchNumber - 1)] = std::move(page);
    };
    std::vector<std::jthread> threads;
    const int count = std::clamp(workers, 1, kBatchCount);
    for (int i = 0; i < count; ++i) threads.emplace_back([&] { FetchQueuedPages(queue, stop, keep); });
    threads.clear();  // joins
    return pages;
}

}  // namespace lumora
