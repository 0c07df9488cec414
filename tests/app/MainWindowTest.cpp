// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QTreeWidget>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "app/OpenAddressWindow.h"
#include "app/StatusBarUnit.h"

namespace lumora {
namespace {

struct UnitCase {
    const char* name;
    const char* kind;     // class name
    const char* caption;  // the "text" property; "" for units without one
    QRect rect;           // null for units that are not widgets
};

TEST(MainWindowTest, EveryUnitExistsWithKindCaptionAndRectangle) {
    MainWindow window;
    const std::vector<UnitCase> cases = {
        {"超级列表框1", "QTreeWidget", "", {0, 0, 100, 392}},
        {"图片框1", "QWidget", "", {100, 0, 570, 400}},
        {"打开文件", "QPushButton", "换一批", {6, 446, 60, 33}},
        {"播放按钮", "QPushButton", "播放/暂停", {72, 446, 60, 33}},
        {"停止按钮", "QPushButton", "停止", {144, 446, 60, 33}},
        {"退出按钮", "QPushButton", "退出", {216, 446, 60, 33}},
        {"静音按钮", "QPushButton", "静音", {288, 446, 60, 33}},
        {"全屏按钮", "QPushButton", "全屏", {360, 446, 60, 33}},
        {"按钮关于", "QPushButton", "关于", {432, 448, 60, 32}},
        {"按钮下载", "QPushButton", "下载", {504, 448, 60, 32}},
        {"滑块条_声道", "QSlider", "", {560, 448, 120, 33}},
        {"标签_音量文字", "QLabel", "音量", {648, 450, 40, 29}},
        {"进度滑块条", "QSlider", "", {8, 403, 656, 24}},
        {"播放状态条", "lumora::StatusBarUnit", "", {0, 508, 680, 20}},
        {"全屏模式", "QCheckBox", "全屏", {8, 366, 56, 33}},
        {"本网状态", "QRadioButton", "本网状态", {16, 480, 72, 24}},
        {"系统数据", "QUdpSocket", "", {}},
        {"实时时钟", "QTimer", "", {}},
        {"拉动时钟", "QTimer", "", {}},
        {"延时时钟", "QTimer", "", {}},
        {"延时播放时钟", "QTimer", "", {}},
    };
    for (const UnitCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto found = window.findChildren<QObject*>(QString::fromUtf8(c.name));
        ASSERT_EQ(found.size(), 1);
        QObject* unit = found.front();
        EXPECT_EQ(unit->parent(), &window);
        EXPECT_STREQ(unit->metaObject()->className(), c.kind);
        EXPECT_EQ(unit->property("text").toString(), QString::fromUtf8(c.caption));
        auto* widget = qobject_cast<QWidget*>(unit);
        EXPECT_EQ(widget != nullptr, !c.rect.isNull());
        if (widget) {
            EXPECT_EQ(widget->geometry(), c.rect);
        }
        if (auto* timer = qobject_cast<QTimer*>(unit)) {
            EXPECT_FALSE(timer->isActive());
            EXPECT_EQ(timer->interval(), 0);
        }
    }
}

TEST(MainWindowTest, WindowAndUnitSettingsAtCreation) {
    MainWindow window;
    const MainWindowUnits& u = window.Units();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Lumora视频播放器"));
    EXPECT_EQ(window.size(), QSize(680, 556));

    ASSERT_EQ(u.catalogueList->columnCount(), 3);
    const QTreeWidgetItem* header = u.catalogueList->headerItem();
    EXPECT_EQ(header->text(kTitleColumn), QStringLiteral("写真视频"));
    EXPECT_EQ(header->text(kPageColumn), QStringLiteral("网址"));
    EXPECT_EQ(header->text(kAddressColumn), QStringLiteral("地址"));
    EXPECT_FALSE(u.catalogueList->rootIsDecorated());

    EXPECT_EQ(u.videoArea->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_TRUE(u.videoArea->autoFillBackground());

    EXPECT_EQ(u.volumeSlider->orientation(), Qt::Horizontal);
    EXPECT_EQ(u.volumeSlider->minimum(), 0);
    EXPECT_EQ(u.volumeSlider->maximum(), 100);
    EXPECT_EQ(u.volumeSlider->value(), 45);
    EXPECT_EQ(u.progressSlider->orientation(), Qt::Horizontal);
    EXPECT_EQ(u.progressSlider->maximum(), 0);

    // The local-file flag is checked and unchecked on its own.
    EXPECT_FALSE(u.localState->autoExclusive());
    u.localState->setChecked(true);
    u.localState->setChecked(false);
    EXPECT_FALSE(u.localState->isChecked());

    EXPECT_EQ(u.handoffSocket->state(), QAbstractSocket::UnconnectedState);

    const std::vector<QString> sections = {QStringLiteral("准备就绪"), QStringLiteral("缓冲状态：等待中"),
                                           QStringLiteral("音量：***%"), QStringLiteral("00:00:00/00:00:00")};
    for (int i = 0; i < StatusBarUnit::kSectionCount; ++i)
        EXPECT_EQ(u.statusBar->SectionText(i), sections[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(u.statusBar->SectionWidths(), (StatusBarUnit::Widths{360, 100, 100, 120}));
}

TEST(MainWindowTest, FileMenuHoldsTheFiveCommandsInOrder) {
    MainWindow window;
    auto* menu = window.findChild<QMenu*>(QStringLiteral("文件"));
    ASSERT_NE(menu, nullptr);
    const QStringList expected = {QStringLiteral("打开本地文件"), QStringLiteral("打开网络文件"),
                                  QStringLiteral("下载文件"), QStringLiteral("播放"), QStringLiteral("退出")};
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), expected.size());
    for (qsizetype i = 0; i < actions.size(); ++i) {
        EXPECT_EQ(actions[i]->text(), expected[i]);
        EXPECT_EQ(window.findChild<QAction*>(expected[i]), actions[i]);
    }
    EXPECT_EQ(window.Units().exitAction, actions.back());
}

TEST(MainWindowTest, OpenAddressWindowExistsHiddenWithItsTwoUnits) {
    MainWindow window;
    auto* dialog = window.findChild<OpenAddressWindow*>(QStringLiteral("打开地址窗口"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog, window.Units().openAddressWindow);
    EXPECT_TRUE(dialog->isWindow());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(dialog->windowTitle().isEmpty());
    EXPECT_EQ(dialog->minimumSize(), QSize(380, 73));
    EXPECT_EQ(dialog->maximumSize(), QSize(380, 73));

    auto* edit = window.findChild<QLineEdit*>(QStringLiteral("编辑框1"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->parent(), dialog);
    EXPECT_EQ(edit->geometry(), QRect(8, 8, 288, 32));
    EXPECT_TRUE(edit->text().isEmpty());

    auto* button = window.findChild<QPushButton*>(QStringLiteral("按钮1"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->parent(), dialog);
    EXPECT_EQ(button->text(), QStringLiteral("播放"));
    EXPECT_EQ(button->geometry(), QRect(312, 8, 56, 32));
    EXPECT_TRUE(button->isDefault());  // Enter plays
}

}  // namespace
}  // namespace lumora
