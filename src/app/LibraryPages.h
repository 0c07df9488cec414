// SPDX-License-Identifier: GPL-3.0-or-later
// The two pages of the library: 最近播放 (the play history, newest first:
// entries removable, the whole history clearable) and 收藏 (the
// favourites). Plain widgets over the library store; a double-click (or
// Enter) on an entry opens it through the function given, as a row opens.
#pragma once

#include "library/LibraryEntry.h"

#include <QWidget>

#include <functional>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace lumora {

class LibraryStore;

using OpenEntry = std::function<void(const LibraryEntry&)>;

class RecentPage : public QWidget {
    Q_OBJECT
public:
    RecentPage(LibraryStore& store, OpenEntry open, QWidget* parent = nullptr);

    QTreeWidget* List() const { return list_; }
    QPushButton* RemoveButton() const { return remove_; }
    QPushButton* ClearButton() const { return clear_; }

    // Reads the history again.
    void Refresh();
    // The selected entry goes from the history; the whole history goes.
    void RemoveSelected();
    void ClearAll();

signals:
    void Edited();

protected:
    void showEvent(QShowEvent* event) override;

private:
    LibraryStore& store_;
    OpenEntry open_;
    QTreeWidget* list_;
    QPushButton* remove_;
    QPushButton* clear_;
    std::vector<LibraryEntry> entries_;
};

class FavouritesPage : public QWidget {
    Q_OBJECT
public:
    FavouritesPage(LibraryStore& store, OpenEntry open, QWidget* parent = nullptr);

    QTreeWidget* List() const { return list_; }
    QPushButton* RemoveButton() const { return remove_; }

    void Refresh();
    void RemoveSelected();

signals:
    void Edited();

protected:
    void showEvent(QShowEvent* event) override;

private:
    LibraryStore& store_;
    OpenEntry open_;
    QTreeWidget* list_;
    QPushButton* remove_;
    std::vector<LibraryEntry> entries_;
};

}  // namespace lumora
