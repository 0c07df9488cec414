// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ListColumnHandle.h"

#include <QMouseEvent>

#include <algorithm>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/WindowLayout.h"

namespace lumora {

ListColumnHandle::ListColumnHandle(QWidget& window) : QWidget(&window) {
    setObjectName(QStringLiteral("列表分隔条"));
    setCursor(Qt::SplitHCursor);
    // Draws nothing: the list's frame shows where the boundary is.
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void ListColumnHandle::Place(int listWidth, int height) {
    setGeometry(listWidth - kListHandleWidth / 2, 0, kListHandleWidth, std::max(0, height));
    show();
    raise();
}

void ListColumnHandle::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    grabOffset_ = event->position().toPoint().x();
    event->accept();
}

void ListColumnHandle::mouseMoveEvent(QMouseEvent* event) {
    auto* window = qobject_cast<MainWindow*>(parentWidget());
    if (grabOffset_ < 0 || !window) return QWidget::mouseMoveEvent(event);
    const int boundary = mapToParent(event->position().toPoint()).x() - grabOffset_ + kListHandleWidth / 2;
    SetListColumnWidth(*window, boundary);
    emit Moved(window->State().listWidth);
    event->accept();
}

void ListColumnHandle::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) grabOffset_ = -1;
    QWidget::mouseReleaseEvent(event);
}

void SetListColumnWidth(MainWindow& window, int listWidth) {
    window.State().listWidth = ListColumnWidth(listWidth, window.width());
    LayoutMainWindow(window);
}

}  // namespace lumora
