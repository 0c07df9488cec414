// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/HostedControl.h"

#include "player/MpvPlayer.h"
#include "player/VideoHost.h"

namespace lumora {

bool HostedControl::CreatePlayerHost(QWidget* parent, int left, int top, int width, int height) {
    if (parent) parentWindow_ = parent;
    if (!parentWindow_) return false;
    auto* host = new VideoHost(parentWindow_, left, top, width, height);
    host->show();
    hostWindow_ = host;
    player_ = new MpvPlayer(host);
    return true;
}

bool HostedControl::SetVisible(int show) {
    if (hostWindow_) hostWindow_->setVisible(show == 1);
    return show == 1;
}

int HostedControl::Move(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (!hostWindow_) return 0;
    hostWindow_->setGeometry(left, top, width, height);
    return 1;
}

QWidget* HostedControl::HostWindow() const { return hostWindow_.data(); }

}  // namespace lumora
