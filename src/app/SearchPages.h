// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of all 14 list pages for the search view: fetched on workers of
// the window (at most kPageFetchWorkers at once, the request of every list
// page), folded for matching there, and kept for the session.
#pragma once

#include <QObject>

#include <memory>
#include <string_view>
#include <vector>

#include "catalogue/CatalogueSearch.h"

namespace lumora {

class WorkerChannel;

class SearchPages : public QObject {
    Q_OBJECT
public:
    explicit SearchPages(QObject* parent = nullptr);
    ~SearchPages() override;  // stops and joins the fetches

    // Starts the fetch of all pages unless it ran already this session.
    void Ensure();
    // Fetches all pages again once a search asked for them (the reload
    // command); the pages held stay until replaced.
    void Refresh();
    // Whether a fetch is still bringing pages.
    bool Fetching() const { return pending_ > 0; }

    const CatalogueIndex& Index() const { return index_; }
    // For tests and benchmarks: takes a page as a fetch would.
    void TakePage(IndexedPage page);

signals:
    // A page arrived (the index changed).
    void PageArrived(int batchNumber);
    // Every page of the latest fetch arrived (or failed).
    void AllArrived();

private:
    void Start();

    CatalogueIndex index_;
    std::unique_ptr<WorkerChannel> fetches_;
    bool started_ = false;
    int pending_ = 0;  // pages of the latest fetch not arrived yet
};

}  // namespace lumora
