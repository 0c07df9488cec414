// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LibraryCommands.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QRadioButton>
#include <QTreeWidget>

#include "app/AppState.h"
#include "app/CatalogueView.h"
#include "app/LibraryPages.h"
#include "app/ListViews.h"
#include "app/MainWindow.h"
#include "app/PlayCommands.h"
#include "app/PlayHistory.h"
#include "app/QtText.h"
#include "app/StatusDisplay.h"
#include "catalogue/Catalogue.h"
#include "download/DownloadTarget.h"
#include "library/LibraryLocation.h"
#include "library/LibraryStore.h"
#include "threads/WorkerChannel.h"

namespace lumora {

namespace {

QString Q(const Text& text) { return ToQString(text); }

// The selected catalogue row as an entry; empty without one.
LibraryEntry CurrentRowEntry(const MainWindow& window) {
    const QTreeWidget& list = *window.Units().catalogueList;
    const int row = CurrentRow(list);
    const QTreeWidgetItem* item = row >= 0 ? list.topLevelItem(row) : nullptr;
    if (!item || item->text(kPageColumn).isEmpty()) return {};
    return {LibraryEntry::Kind::Row, item->text(kPageColumn), item->text(kTitleColumn)};
}

void AddLibraryActions(MainWindow& window, PlayHistory& history) {
    QMenu* menu = window.Units().fileMenu;
    menu->addSeparator();
    auto* favourite = menu->addAction(QStringLiteral("收藏"));
    favourite->setObjectName(QStringLiteral("收藏命令"));
    favourite->setCheckable(true);
    auto* recording = menu->addAction(QStringLiteral("记录播放历史"));
    recording->setObjectName(QStringLiteral("记录播放历史"));
    recording->setCheckable(true);
    recording->setChecked(history.Recording());
    recording->setEnabled(history.Store().Writable());
    auto* recent = menu->addAction(QStringLiteral("最近播放"));
    recent->setObjectName(QStringLiteral("最近播放命令"));
    auto* favourites = menu->addAction(QStringLiteral("收藏夹"));
    favourites->setObjectName(QStringLiteral("收藏夹命令"));

    MainWindow* w = &window;
    PlayHistory* h = &history;
    // The mark shows whether the current row is a favourite.
    QObject::connect(menu, &QMenu::aboutToShow, favourite, [w, h, favourite] {
        LibraryEntry entry = CurrentRowEntry(*w);
        if (entry.Empty()) entry = h->Current();
        favourite->setEnabled(!entry.Empty() && h->Store().Writable());
        favourite->setChecked(!entry.Empty() && h->Store().IsFavourite(entry));
    });
    QObject::connect(favourite, &QAction::triggered, w, [w] { ToggleFavourite(*w); });
    QObject::connect(recording, &QAction::toggled, h, [h](bool on) { h->SetRecording(on); });
    QObject::connect(recent, &QAction::triggered, w, [w] { ShowListView(*w, ListView::Recent); });
    QObject::connect(favourites, &QAction::triggered, w, [w] { ShowListView(*w, ListView::Favourites); });
}

}  // namespace

void StartLibrary(MainWindow& window, const QString& databasePath) {
    AppState& state = window.State();
    if (!state.library)
        state.library = LibraryStore::Open(databasePath.isEmpty() ? LibraryDatabasePath() : databasePath);
    auto* history = new PlayHistory(window, state.library);
    AddLibraryActions(window, *history);
    // The list column's views 最近播放 and 收藏 take the pages over.
    const LibraryPageSet pages = MakeLibraryPages(window, nullptr);
    SetRecentPage(window, pages.recent);
    SetFavouritesPage(window, pages.favourites);
}

LibraryPageSet MakeLibraryPages(MainWindow& window, QWidget* parent) {
    PlayHistory* history = FindPlayHistory(window);
    if (!history) return {};
    MainWindow* w = &window;
    const OpenEntry open = [w](const LibraryEntry& entry) { OpenLibraryEntry(*w, entry); };
    LibraryPageSet set{new RecentPage(history->Store(), open, parent),
                       new FavouritesPage(history->Store(), open, parent)};
    QObject::connect(history, &PlayHistory::HistoryChanged, set.recent, [page = set.recent] {
        if (page->isVisible()) page->Refresh();
    });
    QObject::connect(history, &PlayHistory::FavouritesChanged, set.favourites, &FavouritesPage::Refresh);
    return set;
}

void ToggleFavourite(MainWindow& window) {
    PlayHistory* history = FindPlayHistory(window);
    if (!history) return;
    LibraryEntry entry = CurrentRowEntry(window);
    if (entry.Empty()) entry = history->Current();
    if (entry.Empty()) return;
    LibraryStore& store = history->Store();
    const bool marked = !store.IsFavourite(entry);
    if (!store.SetFavourite(entry, marked)) return;
    const QString name = entry.title.isEmpty() ? entry.reference : entry.title;
    SetWindowTitleText(window, FromQString((marked ? QStringLiteral("已收藏：") : QStringLiteral("已取消收藏：")) + name));
    emit history->FavouritesChanged();
}

void StartOver(MainWindow& window) {
    if (PlayHistory* history = FindPlayHistory(window)) history->StartOver();
}

void OpenLibraryEntry(MainWindow& window, const LibraryEntry& entry) {
    AppState& state = window.State();
    switch (entry.kind) {
        case LibraryEntry::Kind::Address:
            PlayTypedAddress(window, FromQString(entry.reference));
            return;
        case LibraryEntry::Kind::File:
            StopPlayback(window);
            PlayLocalFiles(window, {FromQString(entry.reference)});
            return;
        case LibraryEntry::Kind::Row:
            break;
    }
    // As a double-click on a row whose address is not known yet.
    StopPlayback(window);
    DropRowResolution(window);
    const Text id = FromQString(entry.reference);
    const Text title = FromQString(entry.title);
    state.currentAddress = Text();
    state.currentTitle = title;
    state.resolving = {true, -1, id, true};
    SetWindowTitleText(window, "解析地址中，请稍后。。。");
    MainWindow* w = &window;
    const auto resolved = [w, id, title](Text address) {
        AppState& s = w->State();
        s.resolving = {};
        s.currentAddress = address;
        SetWindowTitleText(*w, address.Empty() ? Text(kUnresolvedTitle) : Text("地址解析完成,双击播放"));
        if (address.Empty()) {
            ShowPlayFailure(s, w->Units());
            return;
        }
        SetWindowTitleText(*w, "Lumora视频播放器：" + title);
        StartDelayedPlay(*w, address, title, AddressOrigin::Network);
        s.pendingRowId = id;
        w->Units().localState->setChecked(false);
    };
    if (!window.RowResolutions().Run([id](std::stop_token stop) { return FetchVideoAddress(id, std::move(stop)); },
                                     resolved))
        resolved(Text());
}

void NoteDelayedPlay(MainWindow& window, const Text& address) {
    PlayHistory* history = FindPlayHistory(window);
    if (!history) return;
    const AppState& state = window.State();
    const QString path = Q(address);
    if (!state.pendingRowId.Empty())
        history->Expect({LibraryEntry::Kind::Row, Q(state.pendingRowId), Q(state.programmeName)});
    else if (path.startsWith(QLatin1Char('/')) && QFileInfo(path).isFile())
        // A local file given on the command line, typed or handed over.
        history->Expect({LibraryEntry::Kind::File, path, QFileInfo(path).fileName()});
    else if (!address.Empty())
        history->Expect({LibraryEntry::Kind::Address, Q(address), Q(TypedAddressTitle(address))});
    else
        history->Expect({});
}

void NoteLocalFilesPlay(MainWindow& window) {
    if (PlayHistory* history = FindPlayHistory(window)) history->ExpectLocalFiles();
}

}  // namespace lumora
