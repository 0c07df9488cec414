// The catalogue in the window: the batches of the list, the rows that list
// fetches on worker threads append, and the row events that resolve a row's
// playable address (kept in its hidden column 2) and play it.
#pragma once

#include "base/Text.h"

#include <memory>

class QPoint;
class QTreeWidget;

namespace lumora {

class MainWindow;
struct ListFetchChannel;

// The channel through which list fetches reach `window` from their threads.
std::shared_ptr<ListFetchChannel> MakeListFetchChannel(MainWindow& window);
// Cuts the channel off: nothing reaches the window after this returns.
void CloseListFetchChannel(ListFetchChannel& channel);
// How many list fetches are still running (their threads not yet ended).
int ListFetchesRunning(const ListFetchChannel& channel);

// "换一批": clears the list, steps batchNumber (14 wraps to 1, the bare site
// address) and starts a list fetch.
void NextBatch(MainWindow& window);

// Fetches the list page of listPageAddress on a worker thread of its own; the
// rows and then the title "第N批共14批搜索到：M个视频" arrive on the GUI thread
// through queued calls. A fetch started later supersedes it: an older fetch
// adds no row and writes no title once a newer one has started.
void StartListFetch(MainWindow& window);

// The list's current row: the selected one, -1 for none.
int CurrentRow(const QTreeWidget& list);

// currentAddress and currentTitle from the current row; an address not
// resolved yet is resolved first.
void ReadCurrentRow(MainWindow& window);

// Fetches the current row's detail page (on the GUI thread, blocking for as
// long as the request does) and stores the address cut out of it in the
// row's column 2, empty or not; the title then reads "地址解析完成,双击播放".
void ResolveCurrentRow(MainWindow& window);

void OnListRowClicked(MainWindow& window);
// Reads (and resolves) the row, then pops the menu 文件 up at `globalPos`.
void OnListRowRightClicked(MainWindow& window, const QPoint& globalPos);
// Stops playback, reads the row and plays its address after the delay.
void OnListDoubleClicked(MainWindow& window);

// Hands `address` to the delayed-play timer (100 ms).
void StartDelayedPlay(MainWindow& window, const Text& address);

// Writes the window title, the program's status line.
void SetWindowTitleText(MainWindow& window, const Text& title);

}  // namespace lumora
