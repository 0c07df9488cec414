// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ListThumbnails.h"

#include <QAbstractItemModel>
#include <QCache>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScrollBar>
#include <QSet>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>

#include <memory>
#include <utility>
#include <vector>

#include "app/MainWindowUnits.h"
#include "app/QtText.h"
#include "thumbnails/ThumbnailCache.h"
#include "thumbnails/ThumbnailLoad.h"
#include "threads/BackgroundPriority.h"
#include "threads/WorkerChannel.h"

namespace lumora {

namespace {

// Requests waiting for a worker; older ones are dropped past this many.
constexpr std::size_t kMaxWanted = 256;

QPixmap MakePlaceholder() {
    QPixmap pixmap(kRowImageSize);
    pixmap.fill(QColor(0xd8, 0xd8, 0xd8));
    QPainter painter(&pixmap);
    painter.setPen(QColor(0xb0, 0xb0, 0xb0));
    painter.drawRect(0, 0, kRowImageSize.width() - 1, kRowImageSize.height() - 1);
    return pixmap;
}

class ListThumbnails : public QObject {
public:
    ListThumbnails(QTreeWidget& list, ListThumbnailOptions options)
        : QObject(&list),
          options_(std::move(options)),
          channel_(*this),
          shown_(options_.imagesInMemory),
          workers_(options_.workers > 0 ? options_.workers : 1) {}

    // One more view whose rows ask for images as they are painted.
    void AddView(QAbstractItemView& view) {
        views_.push_back(&view);
        // Rows scrolled away no longer want their images; those in view ask again as they are painted.
        connect(view.verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { wanted_.clear(); });
        connect(view.model(), &QAbstractItemModel::modelReset, this, [this] { wanted_.clear(); });
        // While rows are still coming in, the images wait (see Want).
        connect(view.model(), &QAbstractItemModel::rowsInserted, this, [this] { ++insertions_; });
    }
    ~ListThumbnails() override { channel_.Close(); }

    // The icon a row with image `address` shows now; `request`: the row is in
    // view, so an image not at hand is asked for.
    QIcon IconFor(const QString& address, bool request) {
        if (placeholder_.isNull()) placeholder_ = QIcon(MakePlaceholder());
        if (address.isEmpty()) return placeholder_;
        if (const QIcon* icon = shown_.object(address)) return icon->isNull() ? placeholder_ : *icon;
        if (request && !loading_.contains(address)) Want(address);
        return placeholder_;
    }

private:
    void Want(const QString& address) {
        for (const QString& waiting : wanted_)
            if (waiting == address) return;
        if (wanted_.size() >= kMaxWanted) wanted_.erase(wanted_.begin());
        wanted_.push_back(address);
        QueueDispatch();
    }

    // Workers start out of the paint, one turn of the event loop after it,
    // and only once the list has stopped filling: the first rows are on
    // screen before any image work takes a processor.
    void QueueDispatch() {
        if (dispatchQueued_) return;
        dispatchQueued_ = true;
        const int insertions = insertions_;
        QTimer::singleShot(0, this, [this, insertions] {
            dispatchQueued_ = false;
            if (insertions != insertions_) {
                QueueDispatch();
                return;
            }
            Dispatch();
        });
    }

    // Starts workers for the newest requests, up to the limit.
    void Dispatch() {
        while (loading_.size() < workers_ && !wanted_.empty()) {
            const QString address = std::move(wanted_.back());
            wanted_.pop_back();
            if (loading_.contains(address) || shown_.contains(address)) continue;
            loading_.insert(address);
            const bool started = channel_.Run(
                [cache = Cache(), text = FromQString(address)](std::stop_token stop) {
                    // Fetching and decoding give way to the window's own thread.
                    GiveWayThisThread();
                    return LoadThumbnail(text, kRowImageSize, *cache, std::move(stop));
                },
                [this, address](QImage image) { Arrived(address, std::move(image)); }, WorkerChannel::Mode::Alongside);
            if (!started) Arrived(address, QImage());
        }
    }

    // The disk cache, set up with the first image asked for.
    std::shared_ptr<ThumbnailCache> Cache() {
        if (!cache_)
            cache_ = std::make_shared<ThumbnailCache>(
                options_.cacheFolder.empty() ? ThumbnailCache::DefaultFolder() : options_.cacheFolder,
                options_.cacheCapBytes);
        return cache_;
    }

    void Arrived(const QString& address, QImage image) {
        loading_.remove(address);
        // A null icon stands for "none to show": the placeholder, not asked for again.
        shown_.insert(address, new QIcon(image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(std::move(image)))));
        for (const QPointer<QAbstractItemView>& view : views_)
            if (view) view->viewport()->update();
        Dispatch();
    }

    std::vector<QPointer<QAbstractItemView>> views_;
    const ListThumbnailOptions options_;
    std::shared_ptr<ThumbnailCache> cache_;
    WorkerChannel channel_;
    QCache<QString, QIcon> shown_;
    QSet<QString> loading_;
    std::vector<QString> wanted_;  // newest last
    QIcon placeholder_;
    qsizetype workers_;
    bool dispatchQueued_ = false;
    int insertions_ = 0;  // row insertions so far
};

// The title column's painter: the row's image (or the placeholder) as its decoration.
class RowImageDelegate : public QStyledItemDelegate {
public:
    RowImageDelegate(ListThumbnails& images, QObject* parent) : QStyledItemDelegate(parent), images_(images) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        painting_ = true;
        QStyledItemDelegate::paint(painter, option, index);
        painting_ = false;
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->decorationSize = kRowImageSize;
        option->icon = images_.IconFor(index.data(kRowImageRole).toString(), painting_);
    }

private:
    ListThumbnails& images_;
    mutable bool painting_ = false;
};

void Show(ListThumbnails& images, QAbstractItemView& view, int column) {
    images.AddView(view);
    view.setIconSize(kRowImageSize);
    view.setItemDelegateForColumn(column, new RowImageDelegate(images, &view));
}

}  // namespace

void AttachListThumbnails(QTreeWidget& list, ListThumbnailOptions options) {
    Show(*new ListThumbnails(list, std::move(options)), list, kTitleColumn);
}

void ShareListThumbnails(const QTreeWidget& list, QAbstractItemView& view, int column) {
    for (QObject* child : list.children())
        if (auto* images = dynamic_cast<ListThumbnails*>(child)) return Show(*images, view, column);
}

int RowImageIndent(const QTreeWidget& list) {
    if (!dynamic_cast<const RowImageDelegate*>(list.itemDelegateForColumn(kTitleColumn))) return 0;
    const int margin = list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1;
    return kRowImageSize.width() + 2 * margin;
}

}  // namespace lumora
