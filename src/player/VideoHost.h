// SPDX-License-Identifier: GPL-3.0-or-later
// The widget a player's picture draws into: a child of the video area at a
// given rectangle, black wherever no picture is drawn.
#pragma once

#include <QWidget>

namespace lumora {

class VideoHost : public QWidget {
    Q_OBJECT
public:
    VideoHost(QWidget* parent, int left, int top, int width, int height);
};

}  // namespace lumora
