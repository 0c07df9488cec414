// SPDX-License-Identifier: GPL-3.0-or-later
// The play list panel: the items of the play list (files chosen or dropped
// together, or the items of a ";" address), the one playing marked, over the
// right side of the picture (also in full screen). F9 shows and hides it
// (MainWindow::SetPlayListShown). A double-click or Enter plays an item,
// Delete takes it out, dragging moves it. `>` / `<` play the next and the
// previous item; PgDn / PgUp do so when the medium has no chapters.
#pragma once

#include <QListWidget>

#include <vector>

#include "base/Text.h"

namespace lumora {

class MainWindow;

class PlayListPanel : public QListWidget {
    Q_OBJECT
public:
    explicit PlayListPanel(MainWindow& window);

    // Reads the play list again when it changed (items, order, the one playing).
    void Refresh();
    // Places the panel at the right edge of the picture, above it.
    void Place();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void PlayRow(int row);
    void RemoveRow(int row);
    void RowsMoved(int from, int to);

    MainWindow& window_;
    std::vector<Text> shownItems_;
    int shownIndex_ = -1;
};

// The panel of `window`'s picture; null before InstallPlayListPanel.
PlayListPanel* PlayListPanelOf(const MainWindow& window);
void InstallPlayListPanel(MainWindow& window);

// The item `step` on from the one playing (1 next, -1 previous), within the
// list (no wrap); false when there is none.
bool StepPlayList(MainWindow& window, int step);
// The chapter `step` on; without chapters, the play list item `step` on (as
// mpv's PgDn / PgUp). The chapter reached shows on the picture.
bool StepChapterOrItem(MainWindow& window, int step);

// The name an item shows: its file name, or the whole address when it has none.
QString PlayListItemName(const Text& item);

}  // namespace lumora
