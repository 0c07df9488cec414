// The picture of a player session: a GL widget that fills its host and
// draws mpv's video through the render API.
//
// The render context belongs to this widget's GL context. It is freed
// before the mpv core goes (the session asks for it in its destructor),
// when the widget goes, and when Qt replaces the GL context (the widget moved
// to another top-level window, as in full screen); the next initializeGL
// makes a new one and the session brings the video back.
#pragma once

#include <QOpenGLWidget>
#include <QPointer>

#include <atomic>

struct mpv_render_context;

namespace lumora {

class MpvSession;

class VideoSurface : public QOpenGLWidget {
    Q_OBJECT
public:
    // A child of `host` covering it; follows the host's size, except to an
    // empty one.
    VideoSurface(MpvSession* session, QWidget* host);
    ~VideoSurface() override;

    // Frees the render context (with this widget's GL context current).
    void ReleaseRender();
    bool Rendering() const { return render_ != nullptr; }

protected:
    void initializeGL() override;
    void paintGL() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void OnUpdate(void* context);
    void FrameReady();

    QPointer<MpvSession> session_;
    mpv_render_context* render_ = nullptr;
    std::atomic<bool> updateQueued_{false};
};

}  // namespace lumora
