// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PointerHider.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QWidget>

namespace lumora {

PointerHider::PointerHider(QObject* parent) : QObject(parent) {
    still_.setSingleShot(true);
    still_.setInterval(kStillMs);
    connect(&still_, &QTimer::timeout, this, &PointerHider::HideIfIdle);
    qApp->installEventFilter(this);
    still_.start();
}

PointerHider::~PointerHider() {
    qApp->removeEventFilter(this);
    Show();
}

bool PointerHider::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::Wheel:
            Show();
            still_.start();
            break;
        case QEvent::Show: {
            // A menu or dialog opened from the keyboard shows the pointer too.
            const auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->isWindow() &&
                (widget->windowType() == Qt::Popup || widget->windowType() == Qt::Dialog)) {
                Show();
                still_.start();
            }
            break;
        }
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void PointerHider::Show() {
    if (!hidden_) return;
    hidden_ = false;
    QApplication::restoreOverrideCursor();
}

void PointerHider::HideIfIdle() {
    // A menu or dialog keeps the pointer: look again after the next stillness.
    if (QApplication::activePopupWidget() || QApplication::activeModalWidget()) {
        still_.start();
        return;
    }
    if (hidden_) return;
    hidden_ = true;
    QApplication::setOverrideCursor(Qt::BlankCursor);
}

}  // namespace lumora
