// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the X screen saver (and the monitor's power saving, which follows the
// same idle timer) from starting: while running, resets the server's idle
// timer well within its time-out, on a connection of its own to $DISPLAY.
#pragma once

#include <QObject>
#include <QTimer>

struct _XDisplay;

namespace lumora {

class XScreenSaverReset : public QObject {
public:
    explicit XScreenSaverReset(QObject* parent = nullptr);
    ~XScreenSaverReset() override;

    // Resets at once and then again before the time-out; false when no X
    // server answers at $DISPLAY.
    bool Start();
    void Stop();
    bool Running() const { return timer_.isActive(); }

private:
    void Reset();

    _XDisplay* display_ = nullptr;
    QTimer timer_;
};

}  // namespace lumora
