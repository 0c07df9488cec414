// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/VideoSurface.h"

#include "platform/MpvSession.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QRegion>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QExposeEvent>
#include <QMetaObject>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPlatformSurfaceEvent>
#include <QResizeEvent>
#include <QWindow>

#include <mpv/render_gl.h>

namespace lumora {

namespace {

void* GetProcAddress(void*, const char* name) {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

}  // namespace

// The native child window: passes what happens to its surface on to the
// surface widget.
class VideoSurface::Window : public QWindow {
public:
    explicit Window(VideoSurface* owner) : owner_(owner) {
        setSurfaceType(QSurface::OpenGLSurface);
        // On X, transparent for input means an empty input shape: the pointer
        // goes to the window beneath, the host's top-level window.
        setFlags(Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus);
        // Qt's Wayland client ignores that flag for a subsurface, but turns a
        // window's mask into the surface's input region: a mask wholly off
        // the surface leaves no input region at all, so the compositor gives
        // the pointer (and with it the focus and the double-click) to the
        // host's surface beneath. On X a mask would cut the picture away.
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            setMask(QRegion(-1, -1, 1, 1));
    }

    VideoSurface* owner_;  // null once the surface widget is going

protected:
    void exposeEvent(QExposeEvent*) override {
        if (owner_) owner_->Exposed();
    }
    void resizeEvent(QResizeEvent*) override {
        // A smaller window gets no expose, but the picture must be scaled.
        if (owner_ && isExposed()) requestUpdate();
    }
    bool event(QEvent* event) override {
        if (owner_) {
            if (owner_->ForwardPointer(event)) return true;
            if (event->type() == QEvent::UpdateRequest) {
                owner_->Paint();
                return true;
            }
            if (event->type() == QEvent::PlatformSurface &&
                static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
                    QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed)
                owner_->SurfaceGoing();
        }
        return QWindow::event(event);
    }
};

bool VideoSurface::ForwardPointer(QEvent* event) {
    // Where the window system hands the pointer to the picture's own window
    // (a Wayland subsurface has no empty input region), its clicks, moves and
    // wheel turns go on to the host as if the picture were not there.
    QWidget* host = parentWidget();
    if (!host) return false;
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QPointF inHost = container_->mapTo(host, mouse->position().toPoint());
            QMouseEvent forwarded(mouse->type(), inHost, mouse->globalPosition(), mouse->button(), mouse->buttons(),
                                  mouse->modifiers(), mouse->pointingDevice());
            QCoreApplication::sendEvent(host, &forwarded);
            return true;
        }
        case QEvent::Wheel: {
            const auto* wheel = static_cast<QWheelEvent*>(event);
            const QPointF inHost = container_->mapTo(host, wheel->position().toPoint());
            QWheelEvent forwarded(inHost, wheel->globalPosition(), wheel->pixelDelta(), wheel->angleDelta(),
                                  wheel->buttons(), wheel->modifiers(), wheel->phase(), wheel->inverted());
            QCoreApplication::sendEvent(host, &forwarded);
            return true;
        }
        default:
            return false;
    }
}

VideoSurface::VideoSurface(MpvSession* session, QWidget* host)
    : QWidget(host), session_(session), window_(new Window(this)) {
    container_ = QWidget::createWindowContainer(window_, this);
    // Mouse events and drops go to the host beneath (the widgets under the
    // pointer are looked up past these two), and the keyboard never comes here.
    for (QWidget* widget : {static_cast<QWidget*>(this), container_}) {
        widget->setAttribute(Qt::WA_TransparentForMouseEvents);
        widget->setAcceptDrops(false);
        widget->setFocusPolicy(Qt::NoFocus);
    }
    if (host) host->installEventFilter(this);
    FollowHost();
    if (session) {
        session->AttachSurface(this);
        connect(session, &MpvSession::Changed, this, &VideoSurface::FollowPhase);
    }
    show();
}

VideoSurface::~VideoSurface() {
    ReleaseRender();
    // The container deletes the window after this destructor has run.
    window_->owner_ = nullptr;
    gl_.reset();
}

QWindow* VideoSurface::PictureWindow() const { return window_; }

bool VideoSurface::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) FollowHost();
    return QWidget::eventFilter(watched, event);
}

void VideoSurface::FollowHost() {
    QWidget* host = parentWidget();
    if (!host) return;
    setGeometry(host->rect());
    // A native window is not clipped by the widgets around it: in an empty
    // host (the engine put away, parked at 0x0 outside the area) it would
    // still show, so it is hidden there.
    container_->setVisible(!host->rect().isEmpty());
}

void VideoSurface::resizeEvent(QResizeEvent*) { container_->setGeometry(rect()); }

void VideoSurface::Exposed() {
    if (!window_->isExposed()) return;
    if (!gl_) {
        auto gl = std::make_unique<QOpenGLContext>();
        gl->setFormat(window_->requestedFormat());
        if (!gl->create()) {
            if (session_) session_->SurfaceReady(false);
            return;
        }
        gl_ = std::move(gl);
        CreateRender();
    }
    Paint();
}

void VideoSurface::CreateRender() {
    if (!gl_ || render_ || !session_ || !session_->Handle()) return;
    if (!gl_->makeCurrent(window_)) {
        session_->SurfaceReady(false);
        return;
    }
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

void VideoSurface::Paint() {
    if (!gl_ || !window_->isExposed() || !gl_->makeCurrent(window_)) return;
    mediumShown_ = render_ && MediumShown();
    if (mediumShown_) {
        const qreal ratio = window_->devicePixelRatio();
        mpv_opengl_fbo fbo{int(gl_->defaultFramebufferObject()), int(window_->width() * ratio),
                           int(window_->height() * ratio), 0};
        int flipY = 1;
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
            {MPV_RENDER_PARAM_FLIP_Y, &flipY},
            {MPV_RENDER_PARAM_INVALID, nullptr},
        };
        mpv_render_context_render(render_, params);
    } else {
        QOpenGLFunctions* gl = gl_->functions();
        gl->glClearColor(0, 0, 0, 1);
        gl->glClear(GL_COLOR_BUFFER_BIT);
    }
    gl_->swapBuffers(window_);
}

bool VideoSurface::MediumShown() const {
    if (!session_) return false;
    const MpvSession::Phase phase = session_->CurrentPhase();
    return phase == MpvSession::Phase::Opening || phase == MpvSession::Phase::Loaded;
}

void VideoSurface::FollowPhase() {
    // Drawn black here and now rather than on a later update request: a
    // request already pending from an earlier frame may be delivered late.
    if (mediumShown_ && !MediumShown()) Paint();
}

void VideoSurface::SurfaceGoing() {
    // The GL context stays usable only with a native window to make it
    // current on: both go, and the next expose starts afresh.
    ReleaseRender();
    gl_.reset();
}

void VideoSurface::ReleaseRender() {
    if (!render_) return;
    const bool current = gl_ && window_->handle() && gl_->makeCurrent(window_);
    mpv_render_context_free(render_);
    render_ = nullptr;
    if (current) gl_->doneCurrent();
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
    if (render_ && (mpv_render_context_update(render_) & MPV_RENDER_UPDATE_FRAME)) window_->requestUpdate();
}

}  // namespace lumora
