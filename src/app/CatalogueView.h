// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue in the window: the batches of the list, the rows that list
// fetches on workers append, and the row events that resolve a row's
// playable address (kept in its hidden column 2) on a worker and play it.
#pragma once

#include "base/Text.h"
#include "resolve/PlayState.h"

#include <functional>

class QPoint;
class QTreeWidget;

namespace lumora {

class MainWindow;

// The title after a detail page that yielded no address (a failed request, a
// withdrawn video, a page without the markers).
inline constexpr const char kUnresolvedTitle[] = "地址解析失败";

// "换一批": clears the list, steps batchNumber (14 wraps to 1, the bare site
// address) and starts a list fetch. While the last fetch reached no site the
// batch stays: the same page is asked for again.
void NextBatch(MainWindow& window);

// "重新载入" and F5: clears the list and fetches the current batch again.
void ReloadBatch(MainWindow& window);

// Fetches the list page of listPageAddress on a worker (the window's list
// fetch channel); the rows and then the title "第N批共14批搜索到：M个视频"
// arrive on the GUI thread. When the site could not be reached the title
// reads "第N批：无法连接服务器,按F5重新载入" instead. A fetch started later
// supersedes it: an older fetch adds no row and writes no title once a newer
// one has started.
void StartListFetch(MainWindow& window);

// The list's current row: the selected one, -1 for none.
int CurrentRow(const QTreeWidget& list);

// What to do with the current row once its address is known.
enum class RowAction { Read, Play };

// currentAddress and currentTitle from the current row. An address not
// resolved yet is fetched first (ResolveCurrentRow) and `action` waits for it;
// a row already resolved acts at once. Every call supersedes a resolution
// still running for another row.
void ReadCurrentRow(MainWindow& window, RowAction action = RowAction::Read);

// Fetches the current row's detail page on a worker (the window's row
// resolution channel) while the window keeps working. On arrival the
// address cut out of it goes into that row's column 2, empty or not, and
// into currentAddress; the title then reads "地址解析完成,双击播放", or
// kUnresolvedTitle when the page gave no address.
void ResolveCurrentRow(MainWindow& window, RowAction action = RowAction::Read);

// Drops a row resolution still running: what it brings back is ignored.
// For commands that set currentAddress themselves.
void DropRowResolution(MainWindow& window);

void OnListRowClicked(MainWindow& window);
// Reads (and starts resolving) the row, then pops the menu 文件 up at
// `globalPos`; its play and download commands come alive once the address
// is there.
void OnListRowRightClicked(MainWindow& window, const QPoint& globalPos);
// Stops playback, reads the row and, once its address is known, plays it
// after the delay; a row without an address shows the failed play instead.
void OnListDoubleClicked(MainWindow& window);

// currentAddress and currentTitle are known: plays the address after the
// delay with the title in the window title, or shows the failed play when
// the address is empty.
void PlayReadRow(MainWindow& window);

// Pops the menu 文件 up at `globalPos`, its commands enabled as far as there
// is something to act on.
void PopUpFileMenu(MainWindow& window, const QPoint& globalPos);
// "播放" needs a current row with an address, "下载文件" a currentAddress.
void UpdateFileMenu(MainWindow& window);
// A right-click on the engines in the video area pops the menu up at the
// mouse (the handler MediaFront Attach takes).
std::function<void(int x, int y)> VideoAreaRightClick(MainWindow& window);

// Hands `address` to the delayed-play timer (100 ms); `programme` is what
// the programme line names once it plays (empty: the medium's own title).
void StartDelayedPlay(MainWindow& window, const Text& address, const Text& programme = {},
                      AddressOrigin origin = AddressOrigin::User);

// Writes the window title, the program's status line.
void SetWindowTitleText(MainWindow& window, const Text& title);

}  // namespace lumora
