// SPDX-License-Identifier: GPL-3.0-or-later
// The pointer in full screen: shown while it moves, hidden after a second
// of stillness, always shown while a menu or a dialog is open.
#pragma once

#include <QObject>
#include <QTimer>

namespace lumora {

class PointerHider : public QObject {
    Q_OBJECT
public:
    static constexpr int kStillMs = 1000;

    // Watches the application's pointer events while it lives; the pointer
    // shows again when it goes.
    explicit PointerHider(QObject* parent);
    ~PointerHider() override;

    bool Hidden() const { return hidden_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Show();
    void HideIfIdle();

    QTimer still_;
    bool hidden_ = false;
};

}  // namespace lumora
