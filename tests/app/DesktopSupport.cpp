// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopSupport.h"

#include "platform/PlaybackOptions.h"
#include "resolve/MediaFront.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include <cstdlib>

namespace lumora::desktop_test {

QString MediaPath(const char* name) { return QStringLiteral(LUMORA_TEST_MEDIA "/") + QString::fromUtf8(name); }

QImage ScreenPixels(const QRect& globalRect) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    // Window 0 is the root window: the grab shows what is on screen.
    return screen->grabWindow(0, globalRect.x(), globalRect.y(), globalRect.width(), globalRect.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QRect GlobalRect(const QWidget& widget) { return QRect(widget.mapToGlobal(QPoint(0, 0)), widget.size()); }

double ShareNear(const QImage& image, const QColor& colour, QColor* average) {
    const QRect middle(image.width() / 4, image.height() / 4, image.width() / 2, image.height() / 2);
    long long near = 0, total = 0, r = 0, g = 0, b = 0;
    for (int y = middle.top(); y <= middle.bottom(); y += 3) {
        for (int x = middle.left(); x <= middle.right(); x += 3) {
            const QRgb pixel = image.pixel(x, y);
            r += qRed(pixel);
            g += qGreen(pixel);
            b += qBlue(pixel);
            ++total;
            if (std::abs(qRed(pixel) - colour.red()) <= 40 && std::abs(qGreen(pixel) - colour.green()) <= 40 &&
                std::abs(qBlue(pixel) - colour.blue()) <= 40)
                ++near;
        }
    }
    if (average) *average = total ? QColor(int(r / total), int(g / total), int(b / total)) : QColor();
    return total ? double(near) / double(total) : 0;
}

namespace {

QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(5000)) return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

int Field(const QString& text, const char* name) {
    const QRegularExpression pattern(QStringLiteral("%1:\\s*(-?\\d+)").arg(QLatin1String(name)));
    const QRegularExpressionMatch match = pattern.match(text);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

}  // namespace

ServerWindow ReadServerWindow(const QWidget& window) {
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        // A Wayland client learns only what the compositor configures: its
        // size and states; no place on the screen, no frame.
        ServerWindow seen;
        const QWindow* handle = window.windowHandle();
        seen.geometry = QRect(QPoint(), handle ? handle->size() : window.size());
        if (handle && handle->windowStates().testFlag(Qt::WindowFullScreen))
            seen.wmState = QStringLiteral("_NET_WM_STATE_FULLSCREEN");
        if (handle && handle->windowStates().testFlag(Qt::WindowMaximized))
            seen.wmState += QStringLiteral(" _NET_WM_STATE_MAXIMIZED_VERT _NET_WM_STATE_MAXIMIZED_HORZ");
        seen.frame = QStringLiteral("the compositor's");
        return seen;
    }
    const QString id = QStringLiteral("0x") + QString::number(window.winId(), 16);
    const QString info = Run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    ServerWindow seen;
    seen.geometry = QRect(Field(info, "Absolute upper-left X"), Field(info, "Absolute upper-left Y"),
                          Field(info, "Width"), Field(info, "Height"));
    seen.wmState = Run(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QStringLiteral("_NET_WM_STATE")}).trimmed();
    seen.frame =
        Run(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QStringLiteral("_NET_FRAME_EXTENTS")}).trimmed();
    return seen;
}

bool WindowManagerPlacesWindows() { return qEnvironmentVariable("LUMORA_TEST_WINDOW_MANAGER") == QLatin1String("weston"); }

DesktopWindow::DesktopWindow() : units(window.Units()) {
    PlaybackOptions options;
    options.extraOptions = {{"ao", "null"}};  // the picture is what counts here
    SetPlaybackOptions(options);
    state.mediaObject->Attach(units.videoArea, 110, 0, 570, 400);  // as start-up attaches it
    window.show();
    WaitUntil([&] { return window.windowHandle() && window.windowHandle()->isExposed(); });
}

}  // namespace lumora::desktop_test
