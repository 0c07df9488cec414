// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CatalogueView.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QPoint>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include <utility>
#include <vector>

#include "app/AppState.h"
#include "app/ListThumbnails.h"
#include "app/PlayCommands.h"
#include "app/StatusDisplay.h"
#include "app/MainWindow.h"
#include "app/QtText.h"
#include "app/TimerInterval.h"
#include "catalogue/Catalogue.h"
#include "threads/WorkerChannel.h"

namespace lumora {

namespace {

// Rows per queued call: the list fills in steps while the GUI stays live.
constexpr std::size_t kRowsPerCall = 256;

void AppendRows(MainWindow& window, const std::vector<ListRow>& rows, std::size_t from, std::size_t to) {
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(to - from));
    for (std::size_t i = from; i < to; ++i) {
        auto* item = new QTreeWidgetItem(QStringList{ToQString(rows[i].title), ToQString(rows[i].id), QString()});
        if (!rows[i].image.Empty()) item->setData(kTitleColumn, kRowImageRole, ToQString(rows[i].image));
        items.append(item);
    }
    window.Units().catalogueList->addTopLevelItems(items);
}

QTreeWidgetItem* CurrentItem(const QTreeWidget& list) {
    const int row = CurrentRow(list);
    return row >= 0 ? list.topLevelItem(row) : nullptr;
}

// The row's address is known (currentAddress): play it after the delay, or
// show the failed play when there is none.
void PlayReadRow(MainWindow& window, const Text& id) {
    AppState& state = window.State();
    if (state.currentAddress.Empty()) {
        ShowPlayFailure(state, window.Units());
        return;
    }
    SetWindowTitleText(window, "Lumora视频播放器：" + state.currentTitle);
    StartDelayedPlay(window, state.currentAddress, state.currentTitle, AddressOrigin::Network);
    state.pendingRowId = id;
    window.Units().localState->setChecked(false);
}

void OnRowResolved(MainWindow& window, const Text& address) {
    AppState& state = window.State();
    const AppState::RowResolution done = std::exchange(state.resolving, {});
    state.currentAddress = address;
    // Into the row the page belongs to, if it is still listed.
    QTreeWidgetItem* item = window.Units().catalogueList->topLevelItem(done.row);
    if (item && FromQString(item->text(kPageColumn)) == done.id) item->setText(kAddressColumn, ToQString(address));
    SetWindowTitleText(window, address.Empty() ? Text(kUnresolvedTitle) : Text("地址解析完成,双击播放"));
    UpdateFileMenu(window);
    if (done.play) PlayReadRow(window, done.id);
}

}  // namespace

void PlayReadRow(MainWindow& window) {
    AppState& state = window.State();
    if (state.currentAddress.Empty()) {
        ShowPlayFailure(state, window.Units());
        return;
    }
    SetWindowTitleText(window, "Lumora视频播放器：" + state.currentTitle);
    StartDelayedPlay(window, state.currentAddress, state.currentTitle, AddressOrigin::Network);
    window.Units().localState->setChecked(false);
}

void SetWindowTitleText(MainWindow& window, const Text& title) { window.setWindowTitle(ToQString(title)); }

void NextBatch(MainWindow& window) {
    AppState& state = window.State();
    QTreeWidget* list = window.Units().catalogueList;
    DropRowResolution(window);
    list->clear();
    list->repaint();
    // While the site cannot be reached the batch does not count on: the
    // same batch is asked for again.
    if (!state.listUnreachable) {
        BatchPage next = FollowingBatch(state.batchNumber);
        state.batchNumber = next.batchNumber;
        state.listPageAddress = std::move(next.address);
    }
    StartListFetch(window);
}

void ReloadBatch(MainWindow& window) {
    DropRowResolution(window);
    QTreeWidget* list = window.Units().catalogueList;
    list->clear();
    list->repaint();
    StartListFetch(window);
}

void StartListFetch(MainWindow& window) {
    AppState& state = window.State();
    MainWindow* w = &window;
    // The worker reads copies: a later NextBatch may replace both values.
    const int batchNumber = state.batchNumber;
    const bool started =
        window.ListFetches().Start([w, batchNumber, address = state.listPageAddress](const WorkerChannel::Job& job) {
            ListPage page = FetchListPageReached(address, job.StopToken());
            auto rows = std::make_shared<const std::vector<ListRow>>(std::move(page.rows));
            for (std::size_t from = 0; from < rows->size() && job.Current(); from += kRowsPerCall) {
                const std::size_t to = std::min(rows->size(), from + kRowsPerCall);
                job.Post([w, rows, from, to] { AppendRows(*w, *rows, from, to); });
            }
            const int count = static_cast<int>(rows->size());
            const bool reached = page.reached;
            job.Post([w, batchNumber, count, reached] {
                w->State().listUnreachable = !reached;
                SetWindowTitleText(*w, reached ? ListTitleText(batchNumber, count)
                                               : UnreachableListTitleText(batchNumber));
            });
        });
    // No thread to be had: the batch reads as a failed fetch.
    if (!started) SetWindowTitleText(window, ListTitleText(batchNumber, 0));
}

int CurrentRow(const QTreeWidget& list) {
    const QList<QTreeWidgetItem*> selected = list.selectedItems();
    int row = -1;
    for (QTreeWidgetItem* item : selected) {
        const int index = list.indexOfTopLevelItem(item);
        if (index >= 0 && (row < 0 || index < row)) row = index;
    }
    return row;
}

void DropRowResolution(MainWindow& window) {
    window.RowResolutions().Supersede();
    window.State().resolving = {};
}

void ResolveCurrentRow(MainWindow& window, RowAction action) {
    AppState& state = window.State();
    const QTreeWidget& list = *window.Units().catalogueList;
    const int row = CurrentRow(list);
    const Text id = row >= 0 ? FromQString(list.topLevelItem(row)->text(kPageColumn)) : Text();
    state.resolving = {true, row, id, action == RowAction::Play};
    MainWindow* w = &window;
    const bool started =
        window.RowResolutions().Run([id](std::stop_token stop) { return FetchVideoAddress(id, std::move(stop)); },
                                    [w](Text address) { OnRowResolved(*w, address); });
    // No thread to be had: the same as a failed request.
    if (!started) OnRowResolved(window, Text());
}

void ReadCurrentRow(MainWindow& window, RowAction action) {
    AppState& state = window.State();
    const QTreeWidget& list = *window.Units().catalogueList;
    const int row = CurrentRow(list);
    const QTreeWidgetItem* item = row >= 0 ? list.topLevelItem(row) : nullptr;
    const Text id = item ? FromQString(item->text(kPageColumn)) : Text();
    state.currentAddress = item ? FromQString(item->text(kAddressColumn)) : Text();
    state.currentTitle = item ? FromQString(item->text(kTitleColumn)) : Text();
    if (state.currentAddress.Empty()) {
        // The page of this very row is on its way: wait for it.
        if (state.resolving.active && state.resolving.row == row && state.resolving.id == id) {
            state.resolving.play = state.resolving.play || action == RowAction::Play;
            return;
        }
        SetWindowTitleText(window, "解析地址中，请稍后。。。");
        ResolveCurrentRow(window, action);
        return;
    }
    if (state.resolving.active) {
        // Another row's page is dropped; this row's address is at hand.
        DropRowResolution(window);
        SetWindowTitleText(window, "地址解析完成,双击播放");
    }
    if (action == RowAction::Play) PlayReadRow(window, id);
}

void OnListRowClicked(MainWindow& window) { ReadCurrentRow(window); }

void OnListRowRightClicked(MainWindow& window, const QPoint& globalPos) {
    ReadCurrentRow(window);
    PopUpFileMenu(window, globalPos);
}

void OnListDoubleClicked(MainWindow& window) {
    StopPlayback(window);
    ReadCurrentRow(window, RowAction::Play);
}

void UpdateFileMenu(MainWindow& window) {
    const MainWindowUnits& u = window.Units();
    const QTreeWidgetItem* item = CurrentItem(*u.catalogueList);
    u.playAction->setEnabled(item && !item->text(kAddressColumn).isEmpty());
    u.downloadFileAction->setEnabled(!window.State().currentAddress.Empty());
}

void PopUpFileMenu(MainWindow& window, const QPoint& globalPos) {
    UpdateFileMenu(window);
    window.Units().fileMenu->popup(globalPos);
}

std::function<void(int x, int y)> VideoAreaRightClick(MainWindow& window) {
    MainWindow* w = &window;
    return [w](int, int) { PopUpFileMenu(*w, QCursor::pos()); };
}

void StartDelayedPlay(MainWindow& window, const Text& address, const Text& programme, AddressOrigin origin) {
    AppState& state = window.State();
    state.pendingPlayAddress = address;
    state.pendingPlayOrigin = origin;
    state.pendingProgrammeName = programme;
    state.pendingNameInTitle = false;
    // What plays now is being replaced: it no longer names itself.
    state.nameInTitle = false;
    state.pendingRowId = Text();
    SetTimerInterval(window.Units().delayedPlayTimer, kDelayedPlayMs);
}

}  // namespace lumora
