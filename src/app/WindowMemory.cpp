// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowMemory.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <map>

#include "app/AppState.h"
#include "app/ConfigFile.h"
#include "app/ListColumnHandle.h"
#include "app/MainWindow.h"
#include "app/WindowLayout.h"
#include "app/WindowManagerCheck.h"

namespace lumora {

namespace {

// A file larger than this is not ours.
constexpr qint64 kLargestFile = 512;
// The numbers a place may hold: coordinates of the X protocol, sizes of a
// large desktop.
constexpr int kFarthest = 32767;
constexpr int kLargest = 16384;
// So much of the window must lie on a screen for its remembered position
// to be used: the frame's top edge, where it is grabbed to move it.
constexpr int kShownWidth = 64;
constexpr int kShownHeight = 32;
// The frame a window manager adds, taken before it is known (logical
// pixels): borders and a title bar.
constexpr QSize kFrameAllowance{8, 40};

// Writes the place shortly after a change, and once more when the window
// goes if a change is still waiting.
class WindowPlaceWriter : public QObject {
public:
    WindowPlaceWriter(MainWindow& window, const WindowPlace& written, const QString& path)
        : QObject(&window), window_(window), path_(path), written_(written), pending_(written) {
        setObjectName(QStringLiteral("窗口位置记忆"));
        delay_.setSingleShot(true);
        delay_.setInterval(300);
        connect(&delay_, &QTimer::timeout, this, [this] { Flush(); });
    }
    ~WindowPlaceWriter() override { Flush(); }

    WindowPlace& Pending() { return pending_; }
    void Changed() { delay_.start(); }

    // The place the window got at start (from the file, the screen's fit
    // and the window manager) is no change: only what happens afterwards
    // is written.
    void Settle() {
        settled_ = true;
        Capture();
        written_ = pending_;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (settled_ && watched == &window_ &&
            (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
             event->type() == QEvent::WindowStateChange) &&
            Capture())
            Changed();
        return false;
    }

private:
    // Takes the normal window's rectangle as it is now; a maximized,
    // minimized or full-screen window keeps the one from before.
    bool Capture() {
        const bool normal =
            !(window_.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) &&
            !Borderless(window_) && window_.isVisible();
        if (!normal) return false;
        pending_.position = window_.pos();
        pending_.size = window_.size();
        return true;
    }

    void Flush() {
        delay_.stop();
        if (pending_ == written_) return;
        if (WriteWindowPlace(path_, pending_))
            written_ = pending_;
        else
            qWarning("lumora: cannot write %s", qUtf8Printable(path_));
    }

    MainWindow& window_;
    QString path_;
    WindowPlace written_;
    WindowPlace pending_;
    QTimer delay_;
    bool settled_ = false;
};

WindowPlaceWriter* Writer(MainWindow& window) {
    return window.findChild<WindowPlaceWriter*>(QStringLiteral("窗口位置记忆"), Qt::FindDirectChildrenOnly);
}

std::optional<int> Number(const QByteArray& text, int lowest, int highest) {
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < lowest || number > highest) return std::nullopt;
    return number;
}

}  // namespace

QString WindowPlacePath() { return ConfigFilePath(QStringLiteral("window")); }

WindowPlace ParseWindowPlace(const QByteArray& bytes) {
    // Each key with the range of its number.
    static const std::map<QByteArray, std::pair<int, int>> ranges = {
        {"x", {-kFarthest, kFarthest}}, {"y", {-kFarthest, kFarthest}}, {"width", {1, kLargest}},
        {"height", {1, kLargest}},      {"list", {geometry::kListWidth, kLargest}}, {"playlist", {0, 1}},
    };
    std::map<QByteArray, int> values;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty()) continue;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0) return {};
        const QByteArray key = line.left(equals).trimmed();
        const auto range = ranges.find(key);
        if (range == ranges.end() || values.count(key)) return {};
        const std::optional<int> number =
            Number(line.mid(equals + 1).trimmed(), range->second.first, range->second.second);
        if (!number) return {};
        values[key] = *number;
    }
    if (values.count("x") != values.count("y")) return {};
    WindowPlace place;
    if (values.count("x")) place.position = QPoint(values["x"], values["y"]);
    if (values.count("width")) place.size.setWidth(values["width"]);
    if (values.count("height")) place.size.setHeight(values["height"]);
    if (values.count("list")) place.listWidth = values["list"];
    if (values.count("playlist")) place.playListShown = values["playlist"] == 1;
    return place;
}

QByteArray WindowPlaceText(const WindowPlace& place) {
    QByteArray text;
    if (place.position)
        text += "x=" + QByteArray::number(place.position->x()) + "\ny=" + QByteArray::number(place.position->y()) + "\n";
    text += "width=" + QByteArray::number(place.size.width()) + "\nheight=" + QByteArray::number(place.size.height()) +
            "\nlist=" + QByteArray::number(place.listWidth) + "\nplaylist=" + (place.playListShown ? "1" : "0") + "\n";
    return text;
}

WindowPlace ReadWindowPlace(const QString& path) {
    const std::optional<QByteArray> bytes = ReadConfigFile(path, kLargestFile);
    return bytes ? ParseWindowPlace(*bytes) : WindowPlace{};
}

bool WriteWindowPlace(const QString& path, const WindowPlace& place) {
    return ReplaceConfigFile(path, WindowPlaceText(place));
}

FirstWindowPlace FitFirstWindow(const WindowPlace& remembered, const QSize& minimum, const QList<QRect>& screens,
                                const QSize& frame) {
    FirstWindowPlace fitted{std::nullopt, remembered.size.expandedTo(minimum)};
    // The screen the window goes on: where its remembered top edge shows,
    // else the primary one.
    const QRect* screen = screens.isEmpty() ? nullptr : &screens.front();
    if (remembered.position) {
        const QRect top(*remembered.position, QSize(fitted.size.width() + frame.width(), kShownHeight));
        for (const QRect& candidate : screens) {
            const QRect shown = candidate.intersected(top);
            if (shown.width() >= std::min(kShownWidth, top.width()) && shown.height() >= kShownHeight) {
                fitted.position = remembered.position;
                screen = &candidate;
                break;
            }
        }
    }
    if (screen) {
        const QSize room = (screen->size() - frame).expandedTo(minimum);
        fitted.size = fitted.size.boundedTo(room);
        // The whole window on that screen, as far as it fits (a window left
        // partly off it, or a scale changed since, would come back cut).
        if (fitted.position) {
            const QSize outer = fitted.size + frame;
            fitted.position->setX(
                std::max(screen->left(), std::min(fitted.position->x(), screen->x() + screen->width() - outer.width())));
            fitted.position->setY(std::max(screen->top(),
                                           std::min(fitted.position->y(), screen->y() + screen->height() - outer.height())));
        }
    }
    return fitted;
}

WindowPlace RestoreWindowPlace(MainWindow& window, const QString& path) {
    const WindowPlace remembered = ReadWindowPlace(path);
    QList<QRect> screens;
    if (const QScreen* primary = QGuiApplication::primaryScreen()) screens.push_back(primary->availableGeometry());
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen()) screens.push_back(screen->availableGeometry());
    const QSize frame = WindowManagerRuns() ? kFrameAllowance : QSize(0, 0);
    const FirstWindowPlace fitted = FitFirstWindow(remembered, window.minimumSize(), screens, frame);
    window.State().listWidth = remembered.listWidth;
    window.resize(fitted.size);
    if (fitted.position) window.move(*fitted.position);
    // The resize lays the window out only when the size changed.
    LayoutMainWindow(window);
    return remembered;
}

void StartWindowMemory(MainWindow& window, const WindowPlace& remembered, const QString& path,
                       std::chrono::milliseconds settle) {
    if (Writer(window)) return;
    auto* writer = new WindowPlaceWriter(window, remembered, path);
    window.installEventFilter(writer);
    if (settle.count() <= 0)
        writer->Settle();
    else
        QTimer::singleShot(settle, writer, [writer] { writer->Settle(); });
    QObject::connect(window.Units().listHandle, &ListColumnHandle::Moved, writer, [writer](int listWidth) {
        writer->Pending().listWidth = listWidth;
        writer->Changed();
    });
}

void AttachPlayListMemory(MainWindow& window, const std::function<void(bool)>& show) {
    if (WindowPlaceWriter* writer = Writer(window)) show(writer->Pending().playListShown);
}

void NotePlayListShown(MainWindow& window, bool shown) {
    WindowPlaceWriter* writer = Writer(window);
    if (!writer || writer->Pending().playListShown == shown) return;
    writer->Pending().playListShown = shown;
    writer->Changed();
}

}  // namespace lumora
