// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LibraryPages.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <functional>
#include <utility>

#include "app/PlayHistory.h"
#include "library/LibraryStore.h"

namespace lumora {

namespace {

QTreeWidget* MakeList(QWidget* page, const QStringList& headers) {
    auto* list = new QTreeWidget(page);
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    return list;
}

// What a list row shows of an entry: the title, else the address or file.
QString EntryName(const LibraryEntry& entry) { return entry.title.isEmpty() ? entry.reference : entry.title; }

// A double-click or Enter opens the row's entry, Delete removes it.
class ListKeys : public QObject {
public:
    ListKeys(QTreeWidget* list, std::function<void()> enter, std::function<void()> remove)
        : QObject(list), enter_(std::move(enter)), remove_(std::move(remove)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            enter_();
            return true;
        }
        if (key == Qt::Key_Delete) {
            remove_();
            return true;
        }
        return false;
    }

private:
    std::function<void()> enter_;
    std::function<void()> remove_;
};

template <typename Page>
void BindListEvents(Page* page, QTreeWidget* list, const std::vector<LibraryEntry>& entries, const OpenEntry& open) {
    const auto openRow = [list, &entries, open](int row) {
        if (open && row >= 0 && row < static_cast<int>(entries.size())) open(entries[static_cast<std::size_t>(row)]);
    };
    QObject::connect(list, &QTreeWidget::itemDoubleClicked, page,
                     [list, openRow](QTreeWidgetItem* item) { openRow(list->indexOfTopLevelItem(item)); });
    list->installEventFilter(new ListKeys(
        list, [list, openRow] { openRow(list->indexOfTopLevelItem(list->currentItem())); },
        [page] { page->RemoveSelected(); }));
}

int SelectedRow(const QTreeWidget& list) {
    const QList<QTreeWidgetItem*> selected = list.selectedItems();
    return selected.isEmpty() ? -1 : list.indexOfTopLevelItem(selected.front());
}

}  // namespace

RecentPage::RecentPage(LibraryStore& store, OpenEntry open, QWidget* parent)
    : QWidget(parent), store_(store), open_(std::move(open)) {
    setObjectName(QStringLiteral("最近播放"));
    list_ = MakeList(this, {QStringLiteral("标题"), QStringLiteral("播放到"), QStringLiteral("时间")});
    list_->setObjectName(QStringLiteral("最近播放列表"));
    remove_ = new QPushButton(QStringLiteral("删除"), this);
    remove_->setObjectName(QStringLiteral("删除记录"));
    clear_ = new QPushButton(QStringLiteral("清空历史"), this);
    clear_->setObjectName(QStringLiteral("清空历史"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(remove_);
    buttons->addWidget(clear_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    BindListEvents(this, list_, entries_, open_);
    connect(remove_, &QPushButton::clicked, this, &RecentPage::RemoveSelected);
    connect(clear_, &QPushButton::clicked, this, &RecentPage::ClearAll);
    const bool writable = store_.Writable();
    remove_->setEnabled(writable);
    clear_->setEnabled(writable);
    Refresh();
}

void RecentPage::Refresh() {
    const int selected = SelectedRow(*list_);
    list_->clear();
    entries_.clear();
    QList<QTreeWidgetItem*> items;
    for (const HistoryRecord& record : store_.History()) {
        QString where = PositionText(record.position);
        if (record.duration > 0) where += QStringLiteral(" / ") + PositionText(record.duration);
        auto* item = new QTreeWidgetItem(
            {EntryName(record.entry), where, record.playedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))});
        item->setToolTip(0, record.entry.reference);
        items.append(item);
        entries_.push_back(record.entry);
    }
    list_->addTopLevelItems(items);
    if (selected >= 0 && selected < list_->topLevelItemCount()) list_->topLevelItem(selected)->setSelected(true);
}

void RecentPage::RemoveSelected() {
    const int row = SelectedRow(*list_);
    if (row < 0 || row >= static_cast<int>(entries_.size())) return;
    store_.RemoveHistory(entries_[static_cast<std::size_t>(row)]);
    Refresh();
    emit Edited();
}

void RecentPage::ClearAll() {
    store_.ClearHistory();
    Refresh();
    emit Edited();
}

void RecentPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh();
}

FavouritesPage::FavouritesPage(LibraryStore& store, OpenEntry open, QWidget* parent)
    : QWidget(parent), store_(store), open_(std::move(open)) {
    setObjectName(QStringLiteral("收藏"));
    list_ = MakeList(this, {QStringLiteral("标题"), QStringLiteral("收藏时间")});
    list_->setObjectName(QStringLiteral("收藏列表"));
    remove_ = new QPushButton(QStringLiteral("取消收藏"), this);
    remove_->setObjectName(QStringLiteral("取消收藏"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(remove_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    BindListEvents(this, list_, entries_, open_);
    connect(remove_, &QPushButton::clicked, this, &FavouritesPage::RemoveSelected);
    remove_->setEnabled(store_.Writable());
    Refresh();
}

void FavouritesPage::Refresh() {
    const int selected = SelectedRow(*list_);
    list_->clear();
    entries_.clear();
    QList<QTreeWidgetItem*> items;
    for (const FavouriteRecord& record : store_.Favourites()) {
        auto* item = new QTreeWidgetItem(
            {EntryName(record.entry), record.addedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))});
        item->setToolTip(0, record.entry.reference);
        items.append(item);
        entries_.push_back(record.entry);
    }
    list_->addTopLevelItems(items);
    if (selected >= 0 && selected < list_->topLevelItemCount()) list_->topLevelItem(selected)->setSelected(true);
}

void FavouritesPage::RemoveSelected() {
    const int row = SelectedRow(*list_);
    if (row < 0 || row >= static_cast<int>(entries_.size())) return;
    store_.SetFavourite(entries_[static_cast<std::size_t>(row)], false);
    Refresh();
    emit Edited();
}

void FavouritesPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh();
}

}  // namespace lumora
