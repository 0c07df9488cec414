// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/KeyboardFocus.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>

#include "app/MainWindow.h"

namespace lumora {

namespace {

class FocusKeeper : public QObject {
public:
    explicit FocusKeeper(MainWindow& window) : QObject(&window), window_(window) {
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
            if (!now || now->window() != &window_) return;
            // Handed on by Qt from a unit just disabled or hidden (full
            // screen hides the list): Space would quit.
            if (old && (!old->isEnabled() || !old->isVisible()) && old->window() == &window_ &&
                now == window_.Units().exitButton) {
                holder_ = old;
                Rescue();
                return;
            }
            holder_ = now;
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::ShortcutOverride:
            case QEvent::KeyPress:
                return ButtonKey(watched, static_cast<QKeyEvent*>(event));
            case QEvent::EnabledChange: {
                // The window was not active (a dialog, another program):
                // Qt moved its focus unit without a word.
                auto* widget = qobject_cast<QWidget*>(watched);
                if (widget && widget == holder_ && !widget->isEnabled() &&
                    window_.focusWidget() == window_.Units().exitButton)
                    Rescue();
                return false;
            }
            default:
                return false;
        }
    }

private:
    bool ButtonKey(QObject* watched, QKeyEvent* key) {
        auto* button = qobject_cast<QPushButton*>(watched);
        if (!button || button->window() != &window_ || !button->isEnabled()) return false;
        if (key->modifiers() & ~Qt::KeypadModifier) return false;
        const bool space = key->key() == Qt::Key_Space;
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!space && !enter) return false;
        if (key->type() == QEvent::ShortcutOverride) {
            key->accept();  // the button's, not the window's
            return false;
        }
        if (enter && !key->isAutoRepeat()) {
            button->animateClick();
            return true;
        }
        return false;  // Space: the button presses and clicks by itself
    }

    void Rescue() {
        const MainWindowUnits& u = window_.Units();
        const auto usable = [](QWidget* unit) { return unit && unit->isEnabled() && unit->isVisible(); };
        // In full screen neither shows: the window itself takes the keys.
        QWidget* safe = usable(u.playButton)       ? static_cast<QWidget*>(u.playButton)
                        : usable(u.catalogueList) ? static_cast<QWidget*>(u.catalogueList)
                                                  : static_cast<QWidget*>(&window_);
        holder_ = safe;
        safe->setFocus(Qt::OtherFocusReason);
    }

    MainWindow& window_;
    QPointer<QWidget> holder_;
};

}  // namespace

void InstallKeyboardFocus(MainWindow& window) { qApp->installEventFilter(new FocusKeeper(window)); }

}  // namespace lumora
