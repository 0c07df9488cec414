// Video through the render API into the host widget. Needs a display with
// OpenGL: ctest runs these on an X server of their own (on-x-display.sh);
// on the offscreen platform they are skipped.
#include "ControlsTestSupport.h"

#include "platform/ControlHost.h"
#include "platform/VideoSurface.h"

#include <QGuiApplication>
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QWidget>

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

TEST_F(VideoSurfaceTest, ThePictureFillsTheHostAndSurvivesANewTopLevelWindow) {
    QWidget window;
    window.resize(320, 240);
    QWidget area(&window);
    area.setGeometry(0, 0, 320, 240);
    ControlHost host(&area, 0, 0, 320, 240, kMediaPlayerControlName);
    window.show();
    auto* surface = host.findChild<VideoSurface*>();
    ASSERT_NE(surface, nullptr);

    const AutomationRef control = host.Control();
    AutomationWrite(control, "StretchToFit", {Text("true")});
    AutomationWrite(control, "URL", {Text::FromUtf8(MediaPath("clip.mp4"))});
    SubCall(control, "controls", "pause");
    ASSERT_TRUE(WaitFor([&] {
        return surface->Rendering() && VariantInt(SubRead(control, "currentMedia", "imageSourceWidth")) == 160;
    }));
    EXPECT_TRUE(WaitFor([&] { return LitShare(surface->grabFramebuffer()) > 0.5; }, 5000));

    host.resize(200, 150);
    EXPECT_EQ(surface->size(), QSize(200, 150));

    // Taken out of its window (as full screen does) and put back, the video
    // area gets a new GL context each time; the picture comes back on it.
    for (QWidget* parent : {static_cast<QWidget*>(nullptr), &window}) {
        const QOpenGLContext* before = surface->context();
        area.setParent(parent);
        area.show();
        EXPECT_TRUE(WaitFor([&] { return surface->context() != before && surface->Rendering(); }, 5000));
        EXPECT_TRUE(WaitFor([&] { return LitShare(surface->grabFramebuffer()) > 0.5; }, 5000));
        EXPECT_EQ(PlayerState(control), 2);
    }
}

}  // namespace
}  // namespace lumora
