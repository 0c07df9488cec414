// SPDX-License-Identifier: GPL-3.0-or-later
// The views of the list column: a tab bar (目录, 搜索, 最近播放, 收藏) and the
// search box above the list, and the page of the view chosen below them.
//
// 目录 is the catalogue list itself (超级列表框1), unchanged. 搜索 lists the
// rows of all 14 list pages whose titles hold every word typed into the
// search box, as it is typed; the pages are fetched once a search is first
// asked for and kept for the session (SearchPages). A result acts as a row
// of the list does: a click reads its address, a double-click or Enter
// plays it. 最近播放 and 收藏 show the pages given to SetRecentPage and
// SetFavouritesPage, a plain placeholder until then.
#pragma once

class QRect;
class QWidget;

namespace lumora {

class MainWindow;
class SearchPages;

enum class ListView { Catalogue = 0, Search = 1, Recent = 2, Favourites = 3 };

// Builds the column around the window's catalogue list (which moves into
// it). Called once by the window's constructor.
void InstallListViews(MainWindow& window);

ListView CurrentListView(const MainWindow& window);
void ShowListView(MainWindow& window, ListView view);

// Ctrl+F: shows the search view and puts the focus in the search box, all
// of its text selected. Esc in the box clears it.
void FocusSearchBox(MainWindow& window);

// Fetches all 14 list pages again for the search (the reload command); the
// pages held stay searchable until their new versions arrive.
void RefreshSearchPages(MainWindow& window);

// The pages of the history and the favourites; the window takes them over.
// A page given before replaces the placeholder (or the page given earlier,
// which is deleted).
void SetRecentPage(MainWindow& window, QWidget* page);
void SetFavouritesPage(MainWindow& window, QWidget* page);

// The layout's part: the column fills `rect` of the window; shown or
// hidden with the list (full screen hides it).
void LayoutListColumn(MainWindow& window, const QRect& rect);
void ShowListColumn(MainWindow& window, bool shown);

// The search's own parts, for tests and benchmarks.
SearchPages& SearchPagesOf(MainWindow& window);

}  // namespace lumora
