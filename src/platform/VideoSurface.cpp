#include "platform/VideoSurface.h"

#include "platform/MpvSession.h"

#include <QEvent>
#include <QMetaObject>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <mpv/render_gl.h>

namespace lumora {

namespace {

void* GetProcAddress(void*, const char* name) {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

}  // namespace

VideoSurface::VideoSurface(MpvSession* session, QWidget* host) : QOpenGLWidget(host), session_(session) {
    if (host) {
        setGeometry(host->rect());
        host->installEventFilter(this);
    }
    if (session) session->AttachSurface(this);
    show();
}

VideoSurface::~VideoSurface() {
    // QOpenGLWidget's destructor destroys the context after this one has
    // run: its signal must not reach this object any more.
    if (context()) disconnect(context(), nullptr, this, nullptr);
    ReleaseRender();
}

bool VideoSurface::eventFilter(QObject* watched, QEvent* event) {
    // An empty host (the engine put away is parked at size 0x0) leaves the
    // surface at its last size, clipped away. Back from empty, QOpenGLWidget
    // makes a new framebuffer; at the size it had before, Qt 6.4 keeps
    // composing the old one's texture and the picture stays black until the
    // widget gets a new GL context.
    if (watched == parentWidget() && event->type() == QEvent::Resize && !parentWidget()->rect().isEmpty())
        setGeometry(parentWidget()->rect());
    return QOpenGLWidget::eventFilter(watched, event);
}

void VideoSurface::initializeGL() {
    // A new GL context (first show, or the old one was replaced): the
    // render context of the old one is gone already.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &VideoSurface::ReleaseRender, Qt::DirectConnection);
    if (!session_ || !session_->Handle() || render_) return;
    mpv_opengl_init_params glInit{&GetProcAddress, nullptr};
    const char* api = MPV_RENDER_API_TYPE_OPENGL;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(api)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&render_, session_->Handle(), params) < 0) {
        render_ = nullptr;
        session_->SurfaceReady(false);
        return;
    }
    mpv_render_context_set_update_callback(render_, &VideoSurface::OnUpdate, this);
    session_->SurfaceReady(true);
}

void VideoSurface::paintGL() {
    if (!render_) {
        QOpenGLFunctions* gl = context()->functions();
        gl->glClearColor(0, 0, 0, 1);
        gl->glClear(GL_COLOR_BUFFER_BIT);
        return;
    }
    const qreal ratio = devicePixelRatioF();
    mpv_opengl_fbo fbo{int(defaultFramebufferObject()), int(width() * ratio), int(height() * ratio), 0};
    int flipY = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(render_, params);
}

void VideoSurface::ReleaseRender() {
    if (!render_) return;
    const bool current = context() && context()->isValid();
    if (current) makeCurrent();
    mpv_render_context_free(render_);
    render_ = nullptr;
    if (current) doneCurrent();
    if (session_) session_->SurfaceLost();
}

void VideoSurface::OnUpdate(void* context) {
    // Runs on an mpv thread: only queue the repaint, once per batch.
    auto* self = static_cast<VideoSurface*>(context);
    if (!self->updateQueued_.exchange(true))
        QMetaObject::invokeMethod(self, &VideoSurface::FrameReady, Qt::QueuedConnection);
}

void VideoSurface::FrameReady() {
    updateQueued_.store(false);
    if (render_ && (mpv_render_context_update(render_) & MPV_RENDER_UPDATE_FRAME)) update();
}

}  // namespace lumora
