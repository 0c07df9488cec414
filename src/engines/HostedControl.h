// SPDX-License-Identifier: GPL-3.0-or-later
// What the two engines share about hosting their control: the control, its
// host widget inside the parent, and the rectangle last given to Move.
#pragma once

#include "base/Text.h"
#include "platform/Automation.h"
#include "platform/RightClickRegistry.h"
#include "player/Player.h"

#include <QPointer>
#include <QWidget>

namespace lumora {

class HostedControl {
public:
    // Creates the host widget for `windowText` in the effective parent (the
    // given one, else the one remembered). False without a parent or when no
    // control came up; the host widget stays in the second case.
    bool CreateHost(QWidget* parent, int left, int top, int width, int height, const char* windowText);
    // Hosts a typed player instead of a control reached by name: the host
    // widget at the rectangle with an mpv player drawing inside it.
    bool CreatePlayerHost(QWidget* parent, int left, int top, int width, int height);

    // The typed player the engine drives; null before CreatePlayerHost.
    Player* Engine() const { return player_.data(); }
    // Puts another player in (tests); the caller keeps it alive.
    void UsePlayer(Player* player) { player_ = player; }

    bool SetVisible(int show);
    int Move(int left, int top, int width, int height);
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    QWidget* ParentWindow() const { return parentWindow_; }
    QWidget* HostWindow() const;

    AutomationRef control;

protected:
    QPointer<QWidget> hostWindow_;
    QPointer<QWidget> parentWindow_;
    QPointer<Player> player_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

}  // namespace lumora
