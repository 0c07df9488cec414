#include "app/CatalogueView.h"

#include <QMenu>
#include <QMetaObject>
#include <QPoint>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/QtText.h"
#include "app/TimerInterval.h"
#include "catalogue/Catalogue.h"
#include "resolve/MediaFront.h"

namespace lumora {

struct ListFetchChannel {
    std::mutex mutex;
    MainWindow* window = nullptr;  // null once the window is going
    std::atomic<std::uint64_t> newest{0};
    std::atomic<int> running{0};
};

namespace {

// Rows per queued call: the list fills in steps while the GUI stays live.
constexpr std::size_t kRowsPerCall = 256;

// Runs `call` on the GUI thread, unless the window is gone by then.
template <typename Call>
void Deliver(ListFetchChannel& channel, Call call)
{
    std::lock_guard<std::mutex> lock(channel.mutex);
    if (MainWindow* window = channel.window)
        QMetaObject::invokeMethod(window, [window, call = std::move(call)]() { call(*window); }, Qt::QueuedConnection);
}

bool Newest(const MainWindow& window, std::uint64_t number)
{
    return window.State().listFetchNumber == number;
}

void AppendRows(MainWindow& window, const std::vector<ListRow>& rows, std::size_t from, std::size_t to)
{
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(to - from));
    for (std::size_t i = from; i < to; ++i)
        items.append(new QTreeWidgetItem(QStringList{ToQString(rows[i].title), ToQString(rows[i].id), QString()}));
    window.Units().catalogueList->addTopLevelItems(items);
}

void RunListFetch(std::shared_ptr<ListFetchChannel> channel, std::uint64_t number, int batchNumber, Text address)
{
    auto rows = std::make_shared<const std::vector<ListRow>>(FetchListPage(address));
    if (channel->newest.load() == number) {
        for (std::size_t from = 0; from < rows->size(); from += kRowsPerCall) {
            const std::size_t to = std::min(rows->size(), from + kRowsPerCall);
            Deliver(*channel, [rows, from, to, number](MainWindow& window) {
                if (Newest(window, number))
                    AppendRows(window, *rows, from, to);
            });
        }
        const int count = static_cast<int>(rows->size());
        Deliver(*channel, [number, batchNumber, count](MainWindow& window) {
            if (Newest(window, number))
                SetWindowTitleText(window, ListTitleText(batchNumber, count));
        });
    }
    --channel->running;
}

QTreeWidgetItem* CurrentItem(const QTreeWidget& list)
{
    const int row = CurrentRow(list);
    return row >= 0 ? list.topLevelItem(row) : nullptr;
}

}  // namespace

std::shared_ptr<ListFetchChannel> MakeListFetchChannel(MainWindow& window)
{
    auto channel = std::make_shared<ListFetchChannel>();
    channel->window = &window;
    return channel;
}

void CloseListFetchChannel(ListFetchChannel& channel)
{
    std::lock_guard<std::mutex> lock(channel.mutex);
    channel.window = nullptr;
}

int ListFetchesRunning(const ListFetchChannel& channel)
{
    return channel.running.load();
}

void SetWindowTitleText(MainWindow& window, const Text& title)
{
    window.setWindowTitle(ToQString(title));
}

void NextBatch(MainWindow& window)
{
    AppState& state = window.State();
    QTreeWidget* list = window.Units().catalogueList;
    list->clear();
    list->repaint();
    BatchPage next = FollowingBatch(state.batchNumber);
    state.batchNumber = next.batchNumber;
    state.listPageAddress = std::move(next.address);
    StartListFetch(window);
}

void StartListFetch(MainWindow& window)
{
    AppState& state = window.State();
    const std::shared_ptr<ListFetchChannel>& channel = window.FetchChannel();
    const std::uint64_t number = ++state.listFetchNumber;
    channel->newest = number;
    ++channel->running;
    // The worker reads copies: a later NextBatch may replace both values.
    try {
        std::thread(RunListFetch, channel, number, state.batchNumber, state.listPageAddress).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the batch reads as a failed fetch.
        --channel->running;
        SetWindowTitleText(window, ListTitleText(state.batchNumber, 0));
    }
}

int CurrentRow(const QTreeWidget& list)
{
    const QList<QTreeWidgetItem*> selected = list.selectedItems();
    int row = -1;
    for (QTreeWidgetItem* item : selected) {
        const int index = list.indexOfTopLevelItem(item);
        if (index >= 0 && (row < 0 || index < row))
            row = index;
    }
    return row;
}

void ResolveCurrentRow(MainWindow& window)
{
    AppState& state = window.State();
    const QTreeWidget& list = *window.Units().catalogueList;
    const QTreeWidgetItem* item = CurrentItem(list);
    const Text id = item ? FromQString(item->text(kPageColumn)) : Text();
    state.currentAddress = FetchVideoAddress(id);
    // The selection may have moved while the page was fetched.
    if (QTreeWidgetItem* now = CurrentItem(list))
        now->setText(kAddressColumn, ToQString(state.currentAddress));
    SetWindowTitleText(window, "地址解析完成,双击播放");
}

void ReadCurrentRow(MainWindow& window)
{
    AppState& state = window.State();
    const QTreeWidgetItem* item = CurrentItem(*window.Units().catalogueList);
    state.currentAddress = item ? FromQString(item->text(kAddressColumn)) : Text();
    state.currentTitle = item ? FromQString(item->text(kTitleColumn)) : Text();
    if (state.currentAddress.Empty()) {
        SetWindowTitleText(window, "解析地址中，请稍后。。。");
        ResolveCurrentRow(window);
    }
}

void OnListRowClicked(MainWindow& window)
{
    ReadCurrentRow(window);
}

void OnListRowRightClicked(MainWindow& window, const QPoint& globalPos)
{
    ReadCurrentRow(window);
    window.Units().fileMenu->popup(globalPos);
}

void OnListDoubleClicked(MainWindow& window)
{
    AppState& state = window.State();
    if (state.mediaObject)
        state.mediaObject->Stop();
    ReadCurrentRow(window);
    SetWindowTitleText(window, "Lumora视频播放器：" + state.currentTitle);
    StartDelayedPlay(window, state.currentAddress);
    window.Units().localState->setChecked(false);
}

void StartDelayedPlay(MainWindow& window, const Text& address)
{
    window.State().pendingPlayAddress = address;
    SetTimerInterval(window.Units().delayedPlayTimer, kDelayedPlayMs);
}

}  // namespace lumora
