// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/VideoHost.h"

#include <QPalette>

namespace lumora {

VideoHost::VideoHost(QWidget* parent, int left, int top, int width, int height) : QWidget(parent) {
    setObjectName(QStringLiteral("VideoHost"));
    // Black before the first frame and around a picture that keeps its size.
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    setGeometry(left, top, width, height);
    // Without a parent it would be a top-level window: then it stays hidden.
    if (parent) setVisible(true);
}

}  // namespace lumora
