// SPDX-License-Identifier: GPL-3.0-or-later
// The picture of a player session: a widget that fills its host and holds a
// native GL child window (a QWindow in a window container), into which mpv's
// video is drawn through the render API. A new frame swaps only that child
// window; the rest of the top-level window is not drawn again, as it would be
// around a GL widget, which Qt composes into the whole window every frame.
//
// The picture takes no input: the child window is transparent for the
// pointer and never takes the keyboard, and the widgets let mouse events and
// drops through, so clicks, double-clicks and drops reach the host widget
// beneath and keys stay with the top-level window.
//
// The render context belongs to the child window's GL context, made at its
// first expose. It is freed before the mpv core goes (the session asks for it
// in its destructor), when the surface goes, and when the child window loses
// its native window; the next expose makes a new one and the session brings
// the video back.
//
// Only a medium that is opening or loaded is drawn: once it stops, ends or
// fails the picture turns black at once, so no last frame stays behind.
#pragma once

#include <QPointer>
#include <QWidget>

#include <atomic>
#include <memory>

struct mpv_render_context;
class QOpenGLContext;
class QWindow;

namespace lumora {

class MpvSession;

class VideoSurface : public QWidget {
    Q_OBJECT
public:
    // A child of `host` covering it; follows the host's size. An empty host
    // (the engine put away is parked at size 0x0) hides the picture.
    VideoSurface(MpvSession* session, QWidget* host);
    ~VideoSurface() override;

    // Frees the render context (with its GL context current).
    void ReleaseRender();
    bool Rendering() const { return render_ != nullptr; }
    // The native window the picture is drawn in.
    QWindow* PictureWindow() const;
    // A pointer event of the picture's window, sent on to the host instead;
    // false for any other event.
    bool ForwardPointer(QEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Window;
    friend class Window;

    void FollowHost();
    void Exposed();
    void CreateRender();
    void Paint();
    void SurfaceGoing();
    static void OnUpdate(void* context);
    void FrameReady();
    // The session's medium changed phase: a medium no longer playing leaves
    // a black picture.
    void FollowPhase();
    bool MediumShown() const;

    QPointer<MpvSession> session_;
    Window* window_;  // owned by container_
    QWidget* container_;
    std::unique_ptr<QOpenGLContext> gl_;
    mpv_render_context* render_ = nullptr;
    std::atomic<bool> updateQueued_{false};
    bool mediumShown_ = false;  // the last paint drew the medium
};

}  // namespace lumora
