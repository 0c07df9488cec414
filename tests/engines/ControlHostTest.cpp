// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ControlHost.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

namespace lumora {
namespace {

TEST(ControlHost, UnknownWindowTextHostsNoControl) {
    QWidget parent;
    parent.resize(400, 300);
    for (const Text& windowText : {Text(""), Text("AtlAxWin"), Text("Shell.Explorer.2"),
                                   Text("{00000000-0000-0000-0000-000000000000}"), Text("播放器")}) {
        SCOPED_TRACE(windowText.ToUtf8());
        ControlHost host(&parent, 0, 0, 10, 10, windowText);
        EXPECT_EQ(host.Control(), nullptr);
        EXPECT_EQ(host.WindowText(), windowText);
    }
}

TEST(ControlHost, IsAShownChildAtTheRectangleWithABlackBackground) {
    QWidget parent;
    parent.resize(400, 300);
    parent.show();
    auto* host = new ControlHost(&parent, 12, 34, 160, 90, "no such control");

    EXPECT_EQ(host->parentWidget(), &parent);
    EXPECT_FALSE(host->isWindow());
    EXPECT_EQ(host->geometry(), QRect(12, 34, 160, 90));
    EXPECT_TRUE(host->isVisible());

    const QImage picture = host->grab().toImage();
    ASSERT_EQ(picture.size(), QSize(160, 90));
    for (const QPoint point : {QPoint(0, 0), QPoint(80, 45), QPoint(159, 89)})
        EXPECT_EQ(picture.pixelColor(point), QColor(Qt::black));
}

TEST(ControlHost, HostOfAHiddenParentAppearsWithIt) {
    QWidget parent;
    ControlHost* host = new ControlHost(&parent, 0, 0, 50, 50, "x");
    EXPECT_FALSE(host->isHidden());
    EXPECT_FALSE(host->isVisible());
    parent.show();
    EXPECT_TRUE(host->isVisible());
}

}  // namespace
}  // namespace lumora
