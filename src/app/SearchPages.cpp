// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SearchPages.h"

#include "base/Log.h"
#include "catalogue/AllListPages.h"
#include "catalogue/Catalogue.h"
#include "threads/WorkerChannel.h"

#include <utility>

namespace lumora {

SearchPages::SearchPages(QObject* parent) : QObject(parent), fetches_(std::make_unique<WorkerChannel>(*this)) {}

SearchPages::~SearchPages() {
    fetches_->Supersede();
    fetches_->Close();
}

void SearchPages::Ensure() {
    if (!started_) Start();
}

void SearchPages::Refresh() {
    // Nobody searched yet: the first search fetches them anyway.
    if (started_) Start();
}

void SearchPages::Start() {
    started_ = true;
    // A fetch still running is dropped: its pages post nothing more.
    fetches_->Supersede();
    pending_ = kBatchCount;
    auto queue = std::make_shared<PageQueue>();
    SearchPages* self = this;
    int workers = 0;
    for (int i = 0; i < kPageFetchWorkers; ++i) {
        const bool started = fetches_->Start(
            [self, queue](const WorkerChannel::Job& job) {
                FetchQueuedPages(*queue, job.StopToken(), [&job, self](FetchedPage page) {
                    auto indexed = std::make_shared<IndexedPage>(IndexPage(page.batchNumber, std::move(page.rows)));
                    const bool ok = page.ok;
                    job.Post([self, indexed, ok] {
                        // A failed page keeps what an earlier fetch brought.
                        if (ok || !self->index_.HasPage(indexed->batchNumber)) self->TakePage(std::move(*indexed));
                        if (--self->pending_ == 0) emit self->AllArrived();
                    });
                });
            },
            WorkerChannel::Mode::Alongside);
        if (started) ++workers;
    }
    if (workers == 0) {
        LogWarning(LogLayer::Catalogue, "search: no thread to fetch the list pages with");
        pending_ = 0;
        emit AllArrived();
    }
}

void SearchPages::TakePage(IndexedPage page) {
    const int batch = page.batchNumber;
    index_.SetPage(std::move(page));
    emit PageArrived(batch);
}

}  // namespace lumora
