// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DropTarget.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <vector>

#include "app/MainWindow.h"
#include "app/PlayCommands.h"
#include "app/PlaybackTweaks.h"
#include "app/QtText.h"

namespace lumora {

namespace {

bool IsSubtitleFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("srt") || suffix == QLatin1String("ass") || suffix == QLatin1String("vtt");
}

// The first line of a dragged text, without surrounding blanks.
QString FirstLine(const QString& text) {
    const QString trimmed = text.trimmed();
    return trimmed.left(trimmed.indexOf(QLatin1Char('\n'))).trimmed();
}

class DropFilter : public QObject {
public:
    explicit DropFilter(MainWindow& window) : QObject(&window), window_(window) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove: {
                auto* drag = static_cast<QDropEvent*>(event);
                if (drag->mimeData() && AcceptsDrop(*drag->mimeData())) drag->acceptProposedAction();
                return true;
            }
            case QEvent::Drop: {
                auto* drop = static_cast<QDropEvent*>(event);
                if (drop->mimeData() && DropOnWindow(window_, *drop->mimeData())) drop->acceptProposedAction();
                return true;
            }
            default:
                return false;
        }
    }

private:
    MainWindow& window_;
};

}  // namespace

void InstallDropTarget(MainWindow& window) {
    window.setAcceptDrops(true);
    window.installEventFilter(new DropFilter(window));
}

bool AcceptsDrop(const QMimeData& data) { return data.hasUrls() || !FirstLine(data.text()).isEmpty(); }

bool DropOnWindow(MainWindow& window, const QMimeData& data) {
    QStringList media;
    std::vector<QString> subtitles;
    QString address;
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile()) {
            const QString path = url.toLocalFile();
            if (!QFileInfo(path).isFile()) continue;
            if (IsSubtitleFile(path))
                subtitles.push_back(path);
            else
                media.push_back(path);
        } else if (address.isEmpty() && url.isValid() && !url.isEmpty()) {
            address = url.toString();
        }
    }
    if (!media.isEmpty()) {
        std::vector<Text> files;
        for (const QString& path : media) files.push_back(FromQString(path));
        PlayLocalFiles(window, files);
        return true;
    }
    if (!subtitles.empty()) return AddSubtitleFiles(window, subtitles);
    if (address.isEmpty() && !data.hasUrls()) address = FirstLine(data.text());
    if (address.isEmpty()) return false;
    PlayTypedAddress(window, FromQString(address));
    return true;
}

}  // namespace lumora
