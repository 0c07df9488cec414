// SPDX-License-Identifier: GPL-3.0-or-later
// The layout of the main window at several client widths, and full screen
// entered and left, with Esc and with the button.
#include "app/Startup.h"
#include "app/StatusBarUnit.h"
#include "app/WindowLayout.h"

#include "WindowFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>

namespace lumora {
namespace {

using test::WaitUntil;
using test::WindowTest;

TEST(WindowLayoutOffsetTest, ButtonRowOffsetIsFloored) {
    const std::vector<std::pair<int, int>> cases = {
        {680, 0}, {681, 0}, {682, 1}, {1000, 160}, {679, -1}, {678, -1}, {677, -2}, {0, -340}, {1, -340},
    };
    for (const auto& [width, offset] : cases) EXPECT_EQ(ButtonRowOffset(width), offset) << width;
}

class WindowLayoutTest : public WindowTest {
protected:
    // Counts the Esc presses that reach the widget with the focus.
    class KeyCounter : public QObject {
    public:
        int escapes = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) ++escapes;
            return false;
        }
    };

    // Esc as the window system delivers it: to the window, then the focus.
    void PressEscape() {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(window.windowHandle(), &press);
    }

    std::vector<QWidget*> HiddenInFullScreen() const {
        return {units.nextBatchButton,  units.progressSlider, units.statusBar,     units.playButton, units.stopButton,
                units.fullScreenButton, units.downloadButton, units.catalogueList, units.aboutButton};
    }
};

TEST_F(WindowLayoutTest, UnitsFollowTheClientSize) {
    struct Case {
        int width, height;
        int offset;  // of the button row
    };
    const std::vector<Case> cases = {{680, 556, 0}, {1000, 556, 160}, {679, 556, -1}, {1000, 700, 160}, {760, 556, 40}};
    struct RowUnit {
        QWidget* unit;
        int left, width;
    };
    const std::vector<RowUnit> row = {
        {units.nextBatchButton, 6, 60}, {units.playButton, 72, 66},      {units.stopButton, 144, 60},
        {units.exitButton, 216, 60},    {units.muteButton, 284, 60},     {units.fullScreenButton, 360, 60},
        {units.aboutButton, 432, 60},   {units.downloadButton, 504, 60}, {units.volumeSlider, 576, 90},
    };
    window.show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        window.resize(c.width, c.height);
        ASSERT_TRUE(WaitUntil([&] { return window.size() == QSize(c.width, c.height); }));
        const int w = c.width, h = c.height;
        for (const RowUnit& unit : row)
            EXPECT_EQ(unit.unit->geometry(), QRect(c.offset + unit.left, h - 54, unit.width, 33))
                << unit.unit->objectName().toStdString();
        EXPECT_EQ(units.progressSlider->geometry(), QRect(0, h - 76, w, 24));
        // The video area ends at the window's right edge, not 100 pixels past it.
        EXPECT_EQ(units.videoArea->geometry(), QRect(100, 0, w - 100, h - 80));
        // The list column (the view bar and the search box over the list)
        // takes the list's place; the list ends where the video area does.
        EXPECT_EQ(window.findChild<QWidget*>(QStringLiteral("列表栏"))->geometry(), QRect(0, 0, 100, h - 80));
        const QRect list(units.catalogueList->mapTo(&window, QPoint(0, 0)), units.catalogueList->size());
        EXPECT_EQ(list.left(), 0);
        EXPECT_EQ(list.width(), 100);
        EXPECT_EQ(list.bottom(), h - 81);
        EXPECT_EQ(units.statusBar->SectionWidths(), (StatusBarUnit::Widths{w - 320, 100, 100, 120}));
        EXPECT_EQ(units.statusBar->geometry(), QRect(0, h - 20, w, 20));
        // The volume caption: right of its slider on the row where there is
        // room, else hidden; never over the picture.
        const QRect caption = units.volumeLabel->geometry();
        if (c.width >= 760) {
            EXPECT_FALSE(units.volumeLabel->isHidden());
        }
        if (!units.volumeLabel->isHidden()) {
            EXPECT_EQ(caption, QRect(c.offset + 670, h - 52, 40, 29));
            EXPECT_LE(caption.right(), w - 1);
        }
        EXPECT_TRUE(units.volumeLabel->isHidden() || !caption.intersects(units.videoArea->geometry()));
        const MediaFront& front = *state.mediaObject;
        EXPECT_EQ(QRect(front.Left(), front.Top(), front.Width(), front.Height()), QRect(0, 0, w - 100, h - 80));
        EXPECT_EQ(state.savedWindowRect.size(), window.size());
    }
}

TEST_F(WindowLayoutTest, FullScreenRoundTrip) {
    InstallEscapeFilter(window);
    window.show();
    window.setGeometry(40, 30, 900, 600);
    ASSERT_TRUE(WaitUntil([&] { return window.geometry() == QRect(40, 30, 900, 600); }));
    const QRect normal = window.geometry();
    const QRect screen = window.screen()->geometry();
    ASSERT_FALSE(state.reportState);
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);

    units.fullScreenButton->click();
    EXPECT_TRUE(units.fullScreenMode->isChecked());
    for (QWidget* unit : HiddenInFullScreen()) EXPECT_TRUE(unit->isHidden()) << unit->objectName().toStdString();
    EXPECT_FALSE(units.muteButton->isHidden());
    EXPECT_FALSE(units.exitButton->isHidden());
    // The picture fills the window: the volume caption is not drawn over it.
    EXPECT_TRUE(units.volumeLabel->isHidden());
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window.isVisible());
    ASSERT_TRUE(WaitUntil([&] { return window.geometry() == screen; }));
    EXPECT_EQ(units.videoArea->geometry(), QRect(QPoint(0, 0), screen.size()));
    const MediaFront& front = *state.mediaObject;
    EXPECT_EQ(QSize(front.Width(), front.Height()), screen.size());
    // The pointer shows until it has been still for a second, shows again
    // on motion and hides again after the next second of stillness.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_TRUE(WaitUntil([] { return QApplication::overrideCursor() != nullptr; }, 3000));
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BlankCursor);
    QTest::mouseMove(units.videoArea, QPoint(50, 60));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_TRUE(WaitUntil([] { return QApplication::overrideCursor() != nullptr; }, 3000));
    EXPECT_EQ(state.savedWindowRect, normal);

    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    units.muteButton->setFocus();
    KeyCounter keys;
    units.muteButton->installEventFilter(&keys);
    PressEscape();
    EXPECT_EQ(keys.escapes, 1) << "the key goes on to the focus";
    EXPECT_FALSE(units.fullScreenMode->isChecked());
    ASSERT_TRUE(WaitUntil([&] { return window.geometry() == normal; }));
    for (QWidget* unit : HiddenInFullScreen()) EXPECT_FALSE(unit->isHidden()) << unit->objectName().toStdString();
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << "never left above other windows";
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(units.videoArea->geometry(), QRect(100, 0, 800, 520));
    EXPECT_EQ(units.nextBatchButton->geometry(), QRect(116, 546, 60, 33));
    EXPECT_FALSE(units.volumeLabel->isHidden()) << "the caption is back beside its slider";
    EXPECT_EQ(units.volumeLabel->geometry(), QRect(110 + 670, 548, 40, 29));

    // Outside full screen Esc changes nothing and still goes on.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    units.muteButton->setFocus();
    PressEscape();
    EXPECT_EQ(keys.escapes, 2);
    EXPECT_FALSE(units.fullScreenMode->isChecked());
    EXPECT_EQ(window.geometry(), normal);

    // Twice round: the cursor is hidden and shown once per round.
    units.fullScreenButton->click();
    units.fullScreenButton->click();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(units.fullScreenMode->isChecked());
}

TEST_F(WindowLayoutTest, MovesAreRememberedOnlyOutsideFullScreen) {
    window.show();
    window.setGeometry(10, 20, 700, 560);
    ASSERT_TRUE(WaitUntil([&] { return window.geometry() == QRect(10, 20, 700, 560); }));
    const QRect before = window.geometry();
    window.move(50, 60);
    ASSERT_TRUE(WaitUntil([&] { return window.geometry() != before && state.savedWindowRect == window.geometry(); }));
    const QRect moved = window.geometry();
    EXPECT_EQ(moved.size(), QSize(700, 560));
    units.fullScreenButton->click();
    window.move(5, 5);
    ASSERT_TRUE(WaitUntil([&] { return window.pos() == QPoint(5, 5); }));
    test::RunPostedEvents();
    EXPECT_EQ(state.savedWindowRect, moved);
    units.fullScreenButton->show();
    units.fullScreenButton->click();
    EXPECT_TRUE(WaitUntil([&] { return window.geometry() == moved; }));
}

}  // namespace
}  // namespace lumora
