// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RightClickRegistry.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace lumora {
namespace {

using Point = std::pair<int, int>;

// A control's own window: counts what reaches it and takes every press.
class CountingWidget : public QWidget {
public:
    using QWidget::QWidget;
    int presses = 0, releases = 0, doubleClicks = 0, contextMenus = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        ++presses;
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        ++releases;
        event->accept();
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        ++doubleClicks;
        event->accept();
    }
    void contextMenuEvent(QContextMenuEvent* event) override {
        ++contextMenus;
        event->accept();
    }
};

void SendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, QPointF position) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, position, widget->mapToGlobal(position), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void SendContextMenu(QWidget* widget) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(1, 1), widget->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(widget, &event);
}

// The records a test appended, from the count it saw before.
std::vector<SubclassRecord> RecordsSince(std::size_t before) {
    const auto& all = SubclassedWindows();
    return {all.begin() + static_cast<std::ptrdiff_t>(before), all.end()};
}

TEST(RightClickRegistry, PressCallsTheHandlerWithTheWidgetRelativePosition) {
    QWidget root;
    root.resize(300, 200);
    auto* child = new CountingWidget(&root);
    child->setGeometry(30, 40, 100, 100);
    root.show();
    std::vector<Point> calls;
    SubclassTree(&root, [&](int x, int y) { calls.emplace_back(x, y); });

    const std::vector<std::pair<QPointF, Point>> cases = {
        {{10, 20}, {10, 20}},
        {{0, 0}, {0, 0}},
        {{-5, -7}, {-5, -7}},      // outside while the mouse is captured
        {{-0.5, 99.5}, {-1, 99}},  // a fractional position is the pixel it falls in
        {{40000, -40000}, {40000, -40000}},
    };
    for (const auto& [position, expected] : cases) {
        calls.clear();
        SendMouse(child, QEvent::MouseButtonPress, Qt::RightButton, position);
        SendMouse(child, QEvent::MouseButtonRelease, Qt::RightButton, position);
        EXPECT_EQ(calls, std::vector<Point>{expected});
    }
    EXPECT_EQ(child->presses, 0);
    EXPECT_EQ(child->releases, 0);

    // In the root, the position is the root's own.
    calls.clear();
    SendMouse(&root, QEvent::MouseButtonPress, Qt::RightButton, {40, 60});
    EXPECT_EQ(calls, std::vector<Point>{Point(40, 60)});

    // A quick second right press arrives as a double-click: a press all the same.
    calls.clear();
    SendMouse(child, QEvent::MouseButtonDblClick, Qt::RightButton, {3, 4});
    EXPECT_EQ(calls, std::vector<Point>{Point(3, 4)});
    EXPECT_EQ(child->doubleClicks, 0);
}

TEST(RightClickRegistry, RightButtonIsSwallowedWithoutAHandlerAndOtherEventsPass) {
    CountingWidget outside;              // not registered: sees what propagates out
    auto* area = new QWidget(&outside);  // a plain widget passes presses on to its parent
    auto* control = new CountingWidget(area);
    outside.show();
    SubclassTree(area, {});

    for (QWidget* target : {static_cast<QWidget*>(area), static_cast<QWidget*>(control)}) {
        SendMouse(target, QEvent::MouseButtonPress, Qt::RightButton, {5, 5});
        SendMouse(target, QEvent::MouseButtonRelease, Qt::RightButton, {5, 5});
        SendMouse(target, QEvent::MouseButtonDblClick, Qt::RightButton, {5, 5});
        SendContextMenu(target);
    }
    EXPECT_EQ(control->presses + control->releases + control->doubleClicks + control->contextMenus, 0);
    EXPECT_EQ(outside.presses + outside.releases + outside.doubleClicks + outside.contextMenus, 0);

    // Other buttons reach the control, and from the plain area they propagate out.
    SendMouse(control, QEvent::MouseButtonPress, Qt::LeftButton, {5, 5});
    SendMouse(control, QEvent::MouseButtonRelease, Qt::LeftButton, {5, 5});
    SendMouse(area, QEvent::MouseButtonPress, Qt::MiddleButton, {5, 5});
    EXPECT_EQ(control->presses, 1);
    EXPECT_EQ(control->releases, 1);
    EXPECT_EQ(outside.presses, 1);
}

TEST(RightClickRegistry, RecordsParentFirstThenChildrenInCreationOrderDepthFirst) {
    QWidget root;
    auto* first = new QWidget(&root);
    auto* firstA = new QWidget(first);
    new QTimer(first);  // not a widget
    auto* firstB = new QWidget(first);
    auto* second = new QWidget(&root);
    auto* popup = new QWidget(&root, Qt::Popup);  // a window of its own, not a child window
    auto* third = new QWidget(&root);
    const auto before = SubclassedWindows().size();

    SubclassTree(nullptr, [](int, int) {});
    EXPECT_EQ(SubclassedWindows().size(), before);

    int called = 0;
    SubclassTree(&root, [&](int, int) { ++called; });
    const auto records = RecordsSince(before);
    std::vector<QWidget*> windows;
    for (const SubclassRecord& record : records) {
        windows.push_back(record.window);
        EXPECT_TRUE(record.rightClickHandler);
    }
    EXPECT_EQ(windows, (std::vector<QWidget*>{&root, first, firstA, firstB, second, third}));

    SendMouse(popup, QEvent::MouseButtonPress, Qt::RightButton, {1, 1});
    EXPECT_EQ(called, 0);
    SendMouse(firstB, QEvent::MouseButtonPress, Qt::RightButton, {1, 1});
    EXPECT_EQ(called, 1);

    const auto beforeEmpty = SubclassedWindows().size();
    QWidget lone;
    SubclassTree(&lone, {});
    ASSERT_EQ(SubclassedWindows().size(), beforeEmpty + 1);
    EXPECT_EQ(SubclassedWindows().back().window, &lone);
    EXPECT_FALSE(SubclassedWindows().back().rightClickHandler);
}

TEST(RightClickRegistry, FirstRecordWinsAndLaterWidgetsAreNotCovered) {
    QWidget root;
    auto* early = new QWidget(&root);
    std::vector<char> calls;
    SubclassTree(&root, [&](int, int) { calls.push_back('A'); });

    auto* late = new CountingWidget(&root);
    SendMouse(late, QEvent::MouseButtonPress, Qt::RightButton, {1, 1});
    EXPECT_EQ(late->presses, 1);
    EXPECT_TRUE(calls.empty());

    const auto before = SubclassedWindows().size();
    SubclassTree(&root, [&](int, int) { calls.push_back('B'); });
    const auto added = RecordsSince(before);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(added[0].window, late);

    for (QWidget* target : {&root, early, static_cast<QWidget*>(late)})
        SendMouse(target, QEvent::MouseButtonPress, Qt::RightButton, {1, 1});
    EXPECT_EQ(calls, (std::vector<char>{'A', 'A', 'B'}));
    EXPECT_EQ(late->presses, 1);
}

TEST(RightClickRegistry, ADestroyedWidgetKeepsItsRecordButNamesNoWidget) {
    auto parent = std::make_unique<QWidget>();
    std::vector<char> calls;
    const auto before = SubclassedWindows().size();
    SubclassTree(parent.get(), [&](int, int) { calls.push_back('A'); });
    ASSERT_EQ(SubclassedWindows().size(), before + 1);
    parent.reset();

    EXPECT_EQ(SubclassedWindows().size(), before + 1);
    EXPECT_EQ(SubclassedWindows()[before].window, nullptr);

    // New widgets (the allocator may hand out the old address) start afresh.
    for (int i = 0; i < 4; ++i) {
        QWidget fresh;
        const auto count = SubclassedWindows().size();
        SubclassTree(&fresh, [&](int, int) { calls.push_back('B'); });
        ASSERT_EQ(SubclassedWindows().size(), count + 1);
        SendMouse(&fresh, QEvent::MouseButtonPress, Qt::RightButton, {1, 1});
    }
    EXPECT_EQ(calls, (std::vector<char>{'B', 'B', 'B', 'B'}));
}

TEST(RightClickRegistry, AHandlerMayRegisterMoreWidgets) {
    QWidget root;
    std::vector<std::unique_ptr<QWidget>> more;
    std::vector<Point> calls;
    SubclassTree(&root, [&](int x, int y) {
        for (int i = 0; i < 64; ++i) {
            more.push_back(std::make_unique<QWidget>());
            SubclassTree(more.back().get(), {});
        }
        calls.emplace_back(x, y);
    });
    SendMouse(&root, QEvent::MouseButtonPress, Qt::RightButton, {7, 8});
    EXPECT_EQ(calls, std::vector<Point>{Point(7, 8)});
}

}  // namespace
}  // namespace lumora
