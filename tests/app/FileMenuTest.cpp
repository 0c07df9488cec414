// SPDX-License-Identifier: GPL-3.0-or-later
// The pop-up menu 文件 is a way in even when the catalogue is empty (its
// site down): it opens from the empty list and from the video area, and
// offers "播放" and "下载文件" only when there is something to act on.
#include "app/CatalogueView.h"

#include "WindowFixture.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>

namespace lumora {
namespace {

using test::WaitUntil;
using test::WindowTest;

class FileMenuTest : public WindowTest {
protected:
    FileMenuTest() {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // A right-click as the platform delivers it: the button, then the
    // context-menu event.
    static void RightClick(QWidget* widget, const QPoint& at) {
        QTest::mousePress(widget, Qt::RightButton, {}, at);
        QTest::mouseRelease(widget, Qt::RightButton, {}, at);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
        QCoreApplication::sendEvent(widget, &menu);
    }

    bool MenuUp() {
        return WaitUntil([this] { return units.fileMenu->isVisible(); }, 2000);
    }
    void HideMenu() { units.fileMenu->hide(); }
    bool PlayEnabled() const { return units.playAction->isEnabled(); }
    bool DownloadEnabled() const { return units.downloadFileAction->isEnabled(); }
};

TEST_F(FileMenuTest, OpensFromTheEmptyListWithNothingToPlayOrDownload) {
    ASSERT_EQ(units.catalogueList->topLevelItemCount(), 0);
    RightClick(units.catalogueList->viewport(), QPoint(20, 20));
    ASSERT_TRUE(MenuUp());
    EXPECT_FALSE(PlayEnabled());
    EXPECT_FALSE(DownloadEnabled());
    EXPECT_TRUE(units.openLocalFileAction->isEnabled());
    EXPECT_TRUE(units.openNetworkFileAction->isEnabled());
    HideMenu();
}

TEST_F(FileMenuTest, TheEnginesInTheVideoAreaOpenItToo) {
    // As start-up attaches MediaFront: the engines report right-clicks.
    AppState otherState;
    MainWindow other(otherState);
    otherState.mediaObject->Attach(other.Units().videoArea, 110, 0, 570, 400, VideoAreaRightClick(other));
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    // The engine shown, and the video area itself where no engine covers it.
    QWidget* engine = nullptr;
    for (QWidget* child : other.Units().videoArea->findChildren<QWidget*>())
        if (child->isVisible() && child->width() > 0) engine = child;
    ASSERT_NE(engine, nullptr);
    for (QWidget* clicked : {engine, other.Units().videoArea}) {
        SCOPED_TRACE(clicked->objectName().toStdString());
        QTest::mousePress(clicked, Qt::RightButton, {}, QPoint(5, 5));
        QTest::mouseRelease(clicked, Qt::RightButton, {}, QPoint(5, 5));
        EXPECT_TRUE(WaitUntil([&] { return other.Units().fileMenu->isVisible(); }, 2000));
        EXPECT_FALSE(other.Units().playAction->isEnabled());
        EXPECT_FALSE(other.Units().downloadFileAction->isEnabled());
        other.Units().fileMenu->hide();
    }
}

TEST_F(FileMenuTest, PlayAndDownloadComeAliveWithSomethingToActOn) {
    struct Case {
        const char* name;
        const char* rowAddress;      // column 2 of the selected row; nullptr: no row selected
        const char* currentAddress;  // the entry last acted on
        bool play, download;
    };
    const std::vector<Case> cases = {
        {"a resolved row", "http://127.0.0.1:1/v.mp4", "http://127.0.0.1:1/v.mp4", true, true},
        {"a row not resolved", "", "", false, false},
        {"a typed address, no row", nullptr, "http://127.0.0.1:1/typed.mp4", false, true},
        {"nothing", nullptr, "", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        units.catalogueList->clear();
        auto* item = new QTreeWidgetItem(units.catalogueList, {QStringLiteral("片名"), QStringLiteral("1"),
                                                               QString::fromUtf8(c.rowAddress ? c.rowAddress : "")});
        if (c.rowAddress) units.catalogueList->setCurrentItem(item);
        state.currentAddress = Text(c.currentAddress);
        PopUpFileMenu(window, window.mapToGlobal(QPoint(300, 100)));
        ASSERT_TRUE(MenuUp());
        EXPECT_EQ(PlayEnabled(), c.play);
        EXPECT_EQ(DownloadEnabled(), c.download);
        HideMenu();
    }
}

}  // namespace
}  // namespace lumora
