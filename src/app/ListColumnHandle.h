// SPDX-License-Identifier: GPL-3.0-or-later
// The grip between the catalogue list and the picture: dragging it widens
// (or narrows back) the list column, as a splitter's handle does. It is a
// thin strip over the boundary, so the units keep their places and the
// layout keeps the column's width in AppState::listWidth.
#pragma once

#include <QWidget>

namespace lumora {

class MainWindow;

class ListColumnHandle : public QWidget {
    Q_OBJECT
public:
    explicit ListColumnHandle(QWidget& window);

    // Over the boundary at `listWidth`, as high as the list; shown.
    void Place(int listWidth, int height);

signals:
    // The user dragged the boundary to `listWidth` (already laid out).
    void Moved(int listWidth);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int grabOffset_ = -1;  // where in the strip the drag took hold; -1: none
};

// The strip's width, centred on the boundary.
inline constexpr int kListHandleWidth = 6;

// Sets the list column to `listWidth` (kept within what the window allows)
// and lays the window out again.
void SetListColumnWidth(MainWindow& window, int listWidth);

}  // namespace lumora
