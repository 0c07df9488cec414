// SPDX-License-Identifier: GPL-3.0-or-later
// Video through the render API into the host widget. Needs a display with
// OpenGL: ctest runs these on an X server of their own (on-x-display.sh);
// on the offscreen platform they are skipped.
#include "ControlsTestSupport.h"

#include "engines/ControlHost.h"
#include "platform/VideoSurface.h"

#include <QGuiApplication>
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPalette>
#include <QScreen>
#include <QWindow>
#include <QWidget>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace lumora {
namespace {

using namespace controls_test;

bool OpenGlAvailable() {
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    return surface.isValid() && context.create() && context.makeCurrent(&surface);
}

// How much of the picture is not black.
double LitShare(const QImage& image) {
    if (image.isNull()) return 0;
    int lit = 0, total = 0;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4, ++total)
            if (qGray(image.pixel(x, y)) > 40) ++lit;
    return total ? double(lit) / total : 0;
}

class VideoSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString platform = QGuiApplication::platformName();
        if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
            GTEST_SKIP() << "no display";
        ASSERT_TRUE(OpenGlAvailable()) << "no OpenGL on the display";
        PlaybackOptions options;
        options.extraOptions = {{"ao", "null"}};  // the picture is what counts here
        SetPlaybackOptions(options);
    }
    void TearDown() override { SetPlaybackOptions(HeadlessOptions()); }
};

// The host's player, stretching the clip to its size, holding it paused.
AutomationRef HoldClip(ControlHost& host) {
    const AutomationRef control = host.Control();
    AutomationWrite(control, "StretchToFit", {Text("true")});
    AutomationWrite(control, "URL", {Text::FromUtf8(MediaPath("clip.mp4"))});
    SubCall(control, "controls", "pause");
    return control;
}

// What the screen shows of `widget`, read back from the X server.
QImage OnScreen(const QWidget& widget) {
    const QRect rect(widget.mapToGlobal(QPoint(0, 0)), widget.size());
    return QGuiApplication::primaryScreen()->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height()).toImage();
}

TEST_F(VideoSurfaceTest, ThePictureFillsTheHostAndSurvivesANewTopLevelWindow) {
    QWidget window;
    window.resize(320, 240);
    QWidget area(&window);
    area.setGeometry(0, 0, 320, 240);
    ControlHost host(&area, 0, 0, 320, 240, kMediaPlayerControlName);
    window.show();
    auto* surface = host.findChild<VideoSurface*>();
    ASSERT_NE(surface, nullptr);

    const AutomationRef control = HoldClip(host);
    ASSERT_TRUE(WaitFor([&] {
        return surface->Rendering() && VariantInt(SubRead(control, "currentMedia", "imageSourceWidth")) == 160;
    }));
    EXPECT_TRUE(WaitFor([&] { return LitShare(OnScreen(host)) > 0.5; }, 5000));

    host.resize(200, 150);
    EXPECT_EQ(surface->size(), QSize(200, 150));
    EXPECT_EQ(surface->PictureWindow()->size(), QSize(200, 150));

    // Taken out of its window (as full screen does) and put back, the video
    // area's picture window moves to another top-level window each time; the
    // picture comes back there.
    for (QWidget* parent : {static_cast<QWidget*>(nullptr), &window}) {
        area.setParent(parent);
        area.show();
        EXPECT_TRUE(WaitFor([&] { return surface->Rendering() && LitShare(OnScreen(host)) > 0.5; }, 5000));
        EXPECT_EQ(PlayerState(control), 2);
    }
}

TEST_F(VideoSurfaceTest, AnEmptyHostShowsNoPictureUntilItHasASizeAgain) {
    // The engine put away is parked at 0x0 outside the area; the picture
    // window is native and not clipped by the widgets, so it must not stay
    // on screen at its old size.
    QWidget window;
    window.resize(320, 240);
    QPalette black;
    black.setColor(QPalette::Window, Qt::black);
    window.setPalette(black);
    ControlHost host(&window, 100, 80, 200, 150, kMediaPlayerControlName);
    window.show();
    auto* surface = host.findChild<VideoSurface*>();
    ASSERT_NE(surface, nullptr);
    const AutomationRef control = HoldClip(host);
    ASSERT_TRUE(WaitFor([&] { return LitShare(OnScreen(host)) > 0.5; }, 5000));

    host.setGeometry(-100, -100, 0, 0);
    EXPECT_FALSE(surface->PictureWindow()->isVisible());
    EXPECT_TRUE(WaitFor([&] { return LitShare(OnScreen(window)) < 0.01; }, 5000)) << "the picture stays on screen";

    host.setGeometry(100, 80, 200, 150);
    EXPECT_TRUE(WaitFor([&] { return LitShare(OnScreen(host)) > 0.5; }, 5000)) << "no picture after the host is back";
}

}  // namespace
}  // namespace lumora

namespace lumora {
namespace {

// Records the pointer events a widget receives.
class PointerLog : public QObject {
public:
    struct Seen {
        QEvent::Type type;
        QPoint position;
        Qt::MouseButton button;
    };
    std::vector<Seen> seen;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick: {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                seen.push_back({event->type(), mouse->position().toPoint(), mouse->button()});
                break;
            }
            case QEvent::Wheel:
                seen.push_back({event->type(), static_cast<QWheelEvent*>(event)->position().toPoint(), Qt::NoButton});
                break;
            default:
                break;
        }
        return false;
    }
};

// Where the window system gives the pointer to the picture's own window (a
// Wayland subsurface), clicks, double-clicks, right-clicks and the wheel
// reach the host at the same place.
TEST_F(VideoSurfaceTest, PointerEventsOfThePictureReachTheHost) {
    QWidget parent;
    parent.resize(400, 300);
    QWidget host(&parent);
    host.setGeometry(20, 10, 320, 240);
    auto* surface = new VideoSurface(nullptr, &host);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    QWindow* picture = surface->PictureWindow();
    ASSERT_NE(picture, nullptr);
    PointerLog log;
    host.installEventFilter(&log);

    const QPointF at(50, 40);
    const QPointF global = picture->mapToGlobal(at.toPoint());
    struct Case {
        QEvent::Type type;
        Qt::MouseButton button;
    };
    for (const Case& c : {Case{QEvent::MouseButtonPress, Qt::LeftButton}, Case{QEvent::MouseButtonDblClick, Qt::LeftButton},
                          Case{QEvent::MouseButtonPress, Qt::RightButton},
                          Case{QEvent::MouseButtonRelease, Qt::RightButton}}) {
        QMouseEvent event(c.type, at, global, c.button, c.button, Qt::NoModifier);
        QCoreApplication::sendEvent(picture, &event);
    }
    QWheelEvent wheel(at, global, QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(picture, &wheel);

    const QPoint inHost = surface->mapTo(&host, QPoint(50, 40));
    ASSERT_EQ(log.seen.size(), 5u);
    const std::vector<std::pair<QEvent::Type, Qt::MouseButton>> expected = {
        {QEvent::MouseButtonPress, Qt::LeftButton},  {QEvent::MouseButtonDblClick, Qt::LeftButton},
        {QEvent::MouseButtonPress, Qt::RightButton}, {QEvent::MouseButtonRelease, Qt::RightButton},
        {QEvent::Wheel, Qt::NoButton}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(log.seen[i].type, expected[i].first) << i;
        EXPECT_EQ(log.seen[i].button, expected[i].second) << i;
        EXPECT_EQ(log.seen[i].position, inHost) << i;
    }
}

}  // namespace
}  // namespace lumora
