// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlayListPanel.h"

#include <QAbstractItemModel>
#include <QKeyEvent>

#include <algorithm>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/OnScreenDisplay.h"
#include "app/PlaybackTweaks.h"
#include "app/QtText.h"
#include "player/Player.h"
#include "resolve/MediaFront.h"

namespace lumora {

namespace {

constexpr int kPanelWidth = 260;
const QString kPlayingMark = QStringLiteral("▶ ");

MediaFront* Front(MainWindow& window) { return window.State().mediaObject.get(); }

// The list shows while it has an item marked playing (or last played).
bool ListShowing(const MediaFront& front) {
    return front.PlaylistItemPlaying() >= 1 &&
           front.PlaylistItemPlaying() <= static_cast<int>(front.PlaylistItems().size());
}

}  // namespace

QString PlayListItemName(const Text& item) {
    QString name = ToQString(item);
    while (name.endsWith(QLatin1Char('/'))) name.chop(1);
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const QString last = slash >= 0 ? name.mid(slash + 1) : name;
    return last.isEmpty() ? ToQString(item) : last;
}

PlayListPanel::PlayListPanel(MainWindow& window) : QListWidget(&window), window_(window) {
    setObjectName(QStringLiteral("播放列表"));
    // The picture is a native window of the main window's: the panel is a
    // native window beside it, raised above it.
    setAttribute(Qt::WA_NativeWindow);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setTextElideMode(Qt::ElideMiddle);
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { PlayRow(row(item)); });
    connect(model(), &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex&, int start, int, const QModelIndex&, int destination) {
                RowsMoved(start, destination > start ? destination - 1 : destination);
            });
    hide();
}

void PlayListPanel::Place() {
    const QRect area = window_.Units().videoArea->geometry();
    const int width = std::min(kPanelWidth, area.width() / 2);
    setGeometry(area.right() + 1 - width, area.top(), width, area.height());
    raise();
}

void PlayListPanel::Refresh() {
    const MediaFront* front = Front(window_);
    std::vector<Text> items;
    int index = -1;
    if (front && ListShowing(*front)) {
        items = front->PlaylistItems();
        index = front->PlaylistItemPlaying() - 1;
    }
    if (items == shownItems_ && index == shownIndex_) return;
    shownItems_ = items;
    shownIndex_ = index;
    const int selected = currentRow();
    clear();
    for (std::size_t i = 0; i < items.size(); ++i) {
        const bool playing = static_cast<int>(i) == index;
        auto* item = new QListWidgetItem((playing ? kPlayingMark : QString()) + PlayListItemName(items[i]), this);
        item->setToolTip(ToQString(items[i]));
        QFont font = item->font();
        font.setBold(playing);
        item->setFont(font);
    }
    if (!items.empty()) setCurrentRow(std::clamp(selected < 0 ? index : selected, 0, int(items.size()) - 1));
}

bool PlayListPanel::event(QEvent* event) {
    // The list keeps ↑, ↓, Enter and Delete for itself while it has the focus.
    if (event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Return || key == Qt::Key_Enter ||
            key == Qt::Key_Delete || key == Qt::Key_Home || key == Qt::Key_End) {
            event->accept();
            return true;
        }
    }
    return QListWidget::event(event);
}

void PlayListPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && currentRow() >= 0) {
        RemoveRow(currentRow());
        return;
    }
    QListWidget::keyPressEvent(event);
}

void PlayListPanel::PlayRow(int row) {
    if (MediaFront* front = Front(window_)) front->PlayPlaylistItem(row + 1);
    Refresh();
}

void PlayListPanel::RemoveRow(int row) {
    if (MediaFront* front = Front(window_)) front->RemovePlaylistItem(row + 1);
    Refresh();
    if (count() > 0) setCurrentRow(std::min(row, count() - 1));
}

void PlayListPanel::RowsMoved(int from, int to) {
    if (MediaFront* front = Front(window_)) front->MovePlaylistItem(from + 1, to + 1);
    // Marks and names follow the front's list.
    shownIndex_ = -2;
    Refresh();
    setCurrentRow(to);
}

PlayListPanel* PlayListPanelOf(const MainWindow& window) {
    return window.findChild<PlayListPanel*>(QString(), Qt::FindDirectChildrenOnly);
}

void InstallPlayListPanel(MainWindow& window) {
    auto* panel = new PlayListPanel(window);
    // The picture's place and the list follow; the picture's windows, shown
    // anew, would cover it.
    class AreaWatch : public QObject {
    public:
        explicit AreaWatch(PlayListPanel& panel) : QObject(&panel), panel_(panel) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if ((event->type() == QEvent::Resize || event->type() == QEvent::Move) && panel_.isVisible())
                panel_.Place();
            return false;
        }

    private:
        PlayListPanel& panel_;
    };
    window.Units().videoArea->installEventFilter(new AreaWatch(*panel));
    if (MediaFront* front = Front(window)) {
        const auto follow = [panel] {
            panel->Refresh();
            if (panel->isVisible()) panel->raise();
        };
        QObject::connect(front, &MediaFront::StateChanged, panel, follow, Qt::QueuedConnection);
    }
    panel->Refresh();
}

bool StepPlayList(MainWindow& window, int step) {
    MediaFront* front = Front(window);
    if (!front || !ListShowing(*front)) return false;
    return front->PlayPlaylistItem(front->PlaylistItemPlaying() + step);
}

bool StepChapterOrItem(MainWindow& window, int step) {
    MediaFront* front = Front(window);
    Player* player = front ? front->ActivePlayer() : nullptr;
    if (StepChapter(window, step)) {
        const int count = static_cast<int>(player->Chapters().size());
        const int chapter = std::clamp(std::max(player->Chapter(), 0) + step, 0, count - 1);
        QString text = QStringLiteral("章节：%1/%2").arg(chapter + 1).arg(count);
        const std::string title = player->Chapters()[chapter].title;
        if (!title.empty()) text += QLatin1Char(' ') + QString::fromStdString(title);
        ShowOsd(window, text);
        return true;
    }
    return StepPlayList(window, step);
}

}  // namespace lumora
