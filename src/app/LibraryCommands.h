// SPDX-License-Identifier: GPL-3.0-or-later
// The library in the window: opening the database, the play history that
// follows playback, the commands of the menu 文件 (收藏, 记录播放历史,
// 最近播放, 收藏夹) and the keys B (收藏) and R (从头播放), and opening a
// history or favourite entry as a row, an address or a file opens.
#pragma once

#include "base/Text.h"
#include "library/LibraryEntry.h"

#include <QString>

class QWidget;

namespace lumora {

class MainWindow;
class RecentPage;
class FavouritesPage;

// Opens the library at `databasePath` (the user's, LibraryDatabasePath(),
// when empty) for the window and installs the history and the commands.
// The player plays on whatever becomes of the database.
void StartLibrary(MainWindow& window, const QString& databasePath = {});

// The two pages, made for the view switcher as children of `parent` and
// kept up to date with the history; both null when the library is not open.
struct LibraryPageSet {
    RecentPage* recent = nullptr;
    FavouritesPage* favourites = nullptr;
};
LibraryPageSet MakeLibraryPages(MainWindow& window, QWidget* parent);

// 收藏 (key B): marks the current row, or unmarks it when marked; without a
// current row, what plays. The title says which.
void ToggleFavourite(MainWindow& window);
// R: the medium playing from its start.
void StartOver(MainWindow& window);

// Opens an entry of the history or the favourites: a row as a double-click
// on it does (its detail page read on a worker, then the delayed play), an
// address as a typed one, a file as the file dialog's.
void OpenLibraryEntry(MainWindow& window, const LibraryEntry& entry);

// What the delayed play starts is an entry of the history: the row it came
// from (AppState pendingRowId) or the address. Called as it starts.
void NoteDelayedPlay(MainWindow& window, const Text& address);
// Local files start: each file that loads is an entry.
void NoteLocalFilesPlay(MainWindow& window);

}  // namespace lumora
