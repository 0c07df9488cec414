// SPDX-License-Identifier: GPL-3.0-or-later
// The least a Qt program that draws libmpv's picture through the render API
// must do, in the two ways Qt offers, to tell what the way of drawing costs:
//   widget  a QOpenGLWidget of 580x476 inside a 680x556 widget window (as
//           lumora's picture sits in its main window): Qt draws the picture
//           into a texture and composes the whole window with it each frame
//   window     a QOpenGLWindow of 580x476: the picture goes straight to the
//              window, as mpv's own output does
//   container  that QOpenGLWindow in a window container at the picture's
//              place in a 680x556 widget window (lumora's way): a native
//              child window, swapped alone
// Plays FILE once to its end (sound to ao=null) and exits.
//
//   window_render_peer widget|window|container FILE
#include <QApplication>
#include <QMetaObject>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QOpenGLWindow>
#include <QWidget>

#include <mpv/client.h>
#include <mpv/render_gl.h>

#include <atomic>
#include <clocale>
#include <cstdio>
#include <cstring>

namespace {

void* ProcAddress(void*, const char* name) {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

// The render context of one GL surface (widget or window), repainting it
// for every new frame.
template <class Surface>
class Picture : public Surface {
public:
    explicit Picture(mpv_handle* mpv) : mpv_(mpv) {}
    ~Picture() override {
        if (render_) {
            this->makeCurrent();
            mpv_render_context_free(render_);
        }
    }

protected:
    void initializeGL() override {
        mpv_opengl_init_params init{&ProcAddress, nullptr};
        const char* api = MPV_RENDER_API_TYPE_OPENGL;
        mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(api)},
                                     {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &init},
                                     {MPV_RENDER_PARAM_INVALID, nullptr}};
        if (mpv_render_context_create(&render_, mpv_, params) < 0) {
            render_ = nullptr;
            return;
        }
        mpv_render_context_set_update_callback(render_, &Picture::OnUpdate, this);
        const char* load[] = {"loadfile", file, nullptr};
        mpv_command_async(mpv_, 0, load);
    }

    void paintGL() override {
        if (!render_) return;
        const qreal ratio = this->devicePixelRatioF();
        mpv_opengl_fbo fbo{int(this->defaultFramebufferObject()), int(this->width() * ratio),
                           int(this->height() * ratio), 0};
        int flip = 1;
        mpv_render_param params[] = {
            {MPV_RENDER_PARAM_OPENGL_FBO, &fbo}, {MPV_RENDER_PARAM_FLIP_Y, &flip}, {MPV_RENDER_PARAM_INVALID, nullptr}};
        mpv_render_context_render(render_, params);
    }

public:
    static inline const char* file = nullptr;

private:
    static void OnUpdate(void* context) {
        auto* self = static_cast<Picture*>(context);
        if (!self->queued_.exchange(true))
            QMetaObject::invokeMethod(
                self->Receiver(),
                [self] {
                    self->queued_ = false;
                    if (mpv_render_context_update(self->render_) & MPV_RENDER_UPDATE_FRAME) self->update();
                },
                Qt::QueuedConnection);
    }
    QObject* Receiver() { return this; }

    mpv_handle* mpv_;
    mpv_render_context* render_ = nullptr;
    std::atomic<bool> queued_{false};
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool known = argc == 3 && (std::strcmp(argv[1], "widget") == 0 || std::strcmp(argv[1], "window") == 0 ||
                                     std::strcmp(argv[1], "container") == 0);
    if (!known) {
        std::fprintf(stderr, "usage: window_render_peer widget|window|container FILE\n");
        return 2;
    }
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle* mpv = mpv_create();
    const char* const options[][2] = {{"config", "no"},   {"vo", "libmpv"}, {"ao", "null"},
                                      {"terminal", "no"}, {"idle", "yes"},  {"video-timing-offset", "0"}};
    for (const auto& option : options) mpv_set_option_string(mpv, option[0], option[1]);
    if (!mpv || mpv_initialize(mpv) < 0) return 1;
    // The file played once: quit at its end.
    QObject quitter;
    mpv_set_wakeup_callback(
        mpv,
        [](void* receiver) {
            QMetaObject::invokeMethod(
                static_cast<QObject*>(receiver),
                [] {
                    mpv_handle* handle = static_cast<mpv_handle*>(qApp->property("mpv").value<void*>());
                    for (mpv_event* event = mpv_wait_event(handle, 0); event->event_id != MPV_EVENT_NONE;
                         event = mpv_wait_event(handle, 0))
                        if (event->event_id == MPV_EVENT_END_FILE || event->event_id == MPV_EVENT_SHUTDOWN)
                            qApp->quit();
                },
                Qt::QueuedConnection);
        },
        &quitter);
    app.setProperty("mpv", QVariant::fromValue(static_cast<void*>(mpv)));

    int code = 0;
    if (std::strcmp(argv[1], "widget") == 0) {
        Picture<QOpenGLWidget>::file = argv[2];
        QWidget window;
        window.resize(680, 556);
        auto* picture = new Picture<QOpenGLWidget>(mpv);
        picture->setParent(&window);
        picture->setGeometry(100, 0, 580, 476);
        window.show();
        code = app.exec();
        delete picture;
    } else if (std::strcmp(argv[1], "container") == 0) {
        Picture<QOpenGLWindow>::file = argv[2];
        QWidget window;
        window.resize(680, 556);
        QWidget* container = QWidget::createWindowContainer(new Picture<QOpenGLWindow>(mpv), &window);
        container->setGeometry(100, 0, 580, 476);
        window.show();
        code = app.exec();
        delete container;  // and the picture with it, before the core goes
    } else {
        Picture<QOpenGLWindow>::file = argv[2];
        Picture<QOpenGLWindow> window(mpv);
        window.resize(580, 476);
        window.show();
        code = app.exec();
    }
    mpv_set_wakeup_callback(mpv, nullptr, nullptr);
    mpv_terminate_destroy(mpv);
    return code;
}
