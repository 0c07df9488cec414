// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ListViews.h"

#include <QAbstractItemDelegate>
#include <QAbstractListModel>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "app/CatalogueView.h"
#include "app/ListColumnHandle.h"
#include "app/ListThumbnails.h"
#include "app/MainWindow.h"
#include "app/PlayCommands.h"
#include "app/QtText.h"
#include "app/SearchPages.h"
#include "app/UnitGeometry.h"
#include "catalogue/Catalogue.h"
#include "catalogue/ListImage.h"
#include "threads/WorkerChannel.h"

namespace lumora {

namespace {

// The search results: rows of the index, titles turned into Qt's text only
// for the rows drawn, so a result set of any size is on screen at once.
class SearchResultsModel : public QAbstractListModel {
public:
    explicit SearchResultsModel(const CatalogueIndex& index, QObject* parent)
        : QAbstractListModel(parent), index_(index) {}

    void SetRows(std::vector<int> rows) {
        beginResetModel();
        rows_ = std::move(rows);
        for (auto& resolver : imageResolvers_) resolver.reset();  // the site may have moved
        endResetModel();
    }
    int IndexRow(int result) const {
        return result >= 0 && result < static_cast<int>(rows_.size()) ? rows_[static_cast<std::size_t>(result)] : -1;
    }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    QVariant data(const QModelIndex& at, int role) const override {
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != kRowImageRole) return {};
        const SearchHit hit = index_.Row(IndexRow(at.row()));
        if (hit.batchNumber == 0) return {};
        // The entry's image, resolved as the catalogue list resolves it.
        if (role == kRowImageRole) {
            if (hit.image.empty()) return QString();
            std::optional<ListImageResolver>& resolver = imageResolvers_[static_cast<std::size_t>(hit.batchNumber - 1)];
            if (!resolver) resolver.emplace(BatchAddress(hit.batchNumber, true));
            return ToQString(resolver->Resolve(hit.image));
        }
        const QString title = QString::fromUtf8(hit.title.data(), static_cast<qsizetype>(hit.title.size()));
        if (role == Qt::DisplayRole) return title;
        // The whole title, and the batch that lists it.
        return title + QStringLiteral("（第%1批）").arg(hit.batchNumber);
    }

private:
    const CatalogueIndex& index_;
    std::vector<int> rows_;
    // Per batch, made when a row of it is first drawn: rows are painted often.
    mutable std::array<std::optional<ListImageResolver>, kBatchCount> imageResolvers_;
};

// The results' rows are as wide as the view: a long title ends in "…" (the
// tooltip shows it whole) instead of the list scrolling sideways. Drawing
// is left to the delegate the view had.
class ViewWideRows : public QAbstractItemDelegate {
public:
    ViewWideRows(QAbstractItemDelegate* inner, QObject* parent) : QAbstractItemDelegate(parent), inner_(inner) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (inner_) inner_->paint(painter, option, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = inner_ ? inner_->sizeHint(option, index) : QSize();
        size.setWidth(1);  // the view makes it as wide as itself
        return size;
    }

private:
    QPointer<QAbstractItemDelegate> inner_;
};

// The column: the view bar, the search box and the pages of the views.
class ListColumn : public QWidget {
public:
    static constexpr int kBarHeight = 26;  // each of the view bar and the search box

    ListColumn(MainWindow& window) : QWidget(&window), window_(window) {
        setObjectName(QStringLiteral("列表栏"));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);

        tabs = new QTabBar(this);
        tabs->setObjectName(QStringLiteral("列表视图"));
        for (const char* name : {"目录", "搜索", "最近播放", "收藏"}) tabs->addTab(QString::fromUtf8(name));
        tabs->setExpanding(false);
        tabs->setDrawBase(false);
        tabs->setFocusPolicy(Qt::NoFocus);
        // Nor do its scroll arrows (a narrow column scrolls the tabs).
        for (QToolButton* arrow : tabs->findChildren<QToolButton*>()) arrow->setFocusPolicy(Qt::NoFocus);
        // A fixed band above the list, whatever the style: the list's rows
        // stay where scripts and people expect them, this far down.
        tabs->setFixedHeight(kBarHeight);
        layout->addWidget(tabs);
        // Where the four tabs do not fit (the column's own 100 pixels), a
        // drop-down list of the same views takes the bar's place.
        viewChooser = new QComboBox(this);
        viewChooser->setObjectName(QStringLiteral("列表视图选择"));
        for (int i = 0; i < tabs->count(); ++i) viewChooser->addItem(tabs->tabText(i));
        viewChooser->setFocusPolicy(Qt::NoFocus);
        viewChooser->setFixedHeight(kBarHeight);
        viewChooser->hide();
        layout->addWidget(viewChooser);

        searchBox = new QLineEdit(this);
        searchBox->setObjectName(QStringLiteral("搜索框"));
        searchBox->setPlaceholderText(QStringLiteral("搜索 (Ctrl+F)"));
        searchBox->setClearButtonEnabled(true);
        // Reached by Ctrl+F or a click, never by Tab or at start: a key
        // typed in the window stays a window key (N, S, Space, ...).
        searchBox->setFocusPolicy(Qt::ClickFocus);
        searchBox->installEventFilter(this);
        searchBox->setFixedHeight(kBarHeight);
        layout->addWidget(searchBox);

        pages = new QStackedWidget(this);
        pages->setObjectName(QStringLiteral("列表页"));
        layout->addWidget(pages, 1);

        QTreeWidget* list = window.Units().catalogueList;
        pages->addWidget(list);

        results = new QListView(pages);
        results->setObjectName(QStringLiteral("搜索结果"));
        results->setUniformItemSizes(true);
        // Tens of thousands of results: the rows in view are laid out at
        // once, the rest in steps after, so a keystroke never waits for them.
        results->setLayoutMode(QListView::Batched);
        results->setBatchSize(256);
        results->setEditTriggers(QAbstractItemView::NoEditTriggers);
        results->setSelectionMode(QAbstractItemView::SingleSelection);
        results->setTextElideMode(Qt::ElideRight);
        model = new SearchResultsModel(search.Index(), results);
        results->setModel(model);
        ShareListThumbnails(*list, *results, 0);
        QAbstractItemDelegate* drawn = results->itemDelegateForColumn(0);
        results->setItemDelegateForColumn(0, new ViewWideRows(drawn ? drawn : results->itemDelegate(), results));
        results->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        results->installEventFilter(this);
        pages->addWidget(results);

        recent = Placeholder(QStringLiteral("最近播放"));
        favourites = Placeholder(QStringLiteral("收藏"));
        pages->addWidget(recent);
        pages->addWidget(favourites);

        connect(tabs, &QTabBar::currentChanged, this, [this](int index) { OnViewChosen(index); });
        connect(viewChooser, &QComboBox::activated, tabs, &QTabBar::setCurrentIndex);
        connect(searchBox, &QLineEdit::textChanged, this, [this] { OnQueryChanged(); });
        connect(results, &QAbstractItemView::clicked, this, [this](const QModelIndex& at) { ActOn(at, RowAction::Read); });
        connect(results, &QAbstractItemView::doubleClicked, this,
                [this](const QModelIndex& at) { ActOn(at, RowAction::Play); });
        connect(&search, &SearchPages::PageArrived, this, [this] { OnPageArrived(); });
    }

    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        const bool tabsFit = tabs->sizeHint().width() <= width();
        tabs->setVisible(tabsFit);
        viewChooser->setVisible(!tabsFit);
    }

    void Show(ListView view) {
        tabs->setCurrentIndex(static_cast<int>(view));  // OnViewChosen follows
        OnViewChosen(static_cast<int>(view));
    }

    // Pages other than the current one stay hidden, whoever showed them.
    void KeepPagesApart() {
        for (int i = 0; i < pages->count(); ++i)
            if (i != pages->currentIndex()) pages->widget(i)->hide();
        if (QWidget* current = pages->currentWidget()) current->show();
    }

    void ReplacePage(QWidget*& slot, QWidget* page) {
        if (!page || page == slot) return;
        const int at = pages->indexOf(slot);
        const bool current = pages->currentIndex() == at;
        pages->insertWidget(at, page);
        pages->removeWidget(slot);
        delete slot;
        slot = page;
        if (current) pages->setCurrentIndex(at);
        KeepPagesApart();
    }

    // Matches the box's text against the pages held and shows the results.
    // The results of the last few queries are kept while the pages stay:
    // typing on looks only among the results of a query it narrows, and
    // deleting back finds the earlier results at hand.
    void RunQuery() {
        const std::string query = searchBox->text().toStdString();
        const CatalogueIndex& index = search.Index();
        const auto same = std::find_if(recentQueries.begin(), recentQueries.end(),
                                       [&](const QueryResults& kept) { return kept.query == query; });
        if (same != recentQueries.end()) {
            QueryResults kept = std::move(*same);
            recentQueries.erase(same);
            recentQueries.push_front(std::move(kept));
            model->SetRows(recentQueries.front().rows);
            return;
        }
        const QueryResults* narrowest = nullptr;
        for (const QueryResults& kept : recentQueries)
            if ((!narrowest || kept.rows.size() < narrowest->rows.size()) && QueryNarrows(kept.query, query))
                narrowest = &kept;
        std::vector<int> rows = narrowest ? index.Match(query, narrowest->rows) : index.Match(query);
        model->SetRows(rows);
        recentQueries.push_front({query, std::move(rows)});
        std::size_t held = 0;
        for (auto kept = recentQueries.begin(); kept != recentQueries.end(); ++kept) {
            held += kept->rows.size();
            if (held > kKeptResultRows || kept - recentQueries.begin() >= kKeptQueries) {
                recentQueries.erase(kept + (kept == recentQueries.begin() ? 1 : 0), recentQueries.end());
                break;
            }
        }
    }

    // The index changed: kept results no longer hold.
    void OnPageArrived() {
        recentQueries.clear();
        RunQuery();
    }

    SearchPages search{this};
    QTabBar* tabs = nullptr;
    QComboBox* viewChooser = nullptr;
    QLineEdit* searchBox = nullptr;
    QStackedWidget* pages = nullptr;
    QListView* results = nullptr;
    SearchResultsModel* model = nullptr;
    QWidget* recent = nullptr;
    QWidget* favourites = nullptr;
    std::unordered_map<std::string, Text> addresses;  // resolved results by id, for the session

    struct QueryResults {
        std::string query;
        std::vector<int> rows;
    };
    static constexpr std::ptrdiff_t kKeptQueries = 32;
    static constexpr std::size_t kKeptResultRows = 2'000'000;
    std::deque<QueryResults> recentQueries;  // the latest first

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::KeypadModifier) return false;
        if (watched == searchBox) {
            // Esc empties the box, ↓ goes down into the results; neither
            // reaches a window key (leave full screen, volume).
            const int k = key->key();
            if (k != Qt::Key_Escape && k != Qt::Key_Down && k != Qt::Key_Up) return false;
            event->accept();
            if (event->type() == QEvent::ShortcutOverride) return false;
            if (k == Qt::Key_Escape) {
                searchBox->clear();
            } else if (k == Qt::Key_Down && model->rowCount({}) > 0) {
                results->setFocus();
                results->setCurrentIndex(model->index(0));
            }
            return true;
        }
        if (watched == results) {
            const bool arrow = key->key() == Qt::Key_Up || key->key() == Qt::Key_Down;
            const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            if (event->type() == QEvent::ShortcutOverride) {
                if (arrow || enter) event->accept();  // the results move, not the volume
                return false;
            }
            if (enter && results->currentIndex().isValid()) {
                ActOn(results->currentIndex(), RowAction::Play);
                return true;
            }
        }
        return false;
    }

private:
    static QWidget* Placeholder(const QString& name) {
        auto* label = new QLabel(name);
        label->setObjectName(name);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        return label;
    }

    void OnViewChosen(int index) {
        if (index < 0 || index >= pages->count()) return;
        viewChooser->setCurrentIndex(index);
        pages->setCurrentIndex(index);
        KeepPagesApart();
        if (index == static_cast<int>(ListView::Search)) search.Ensure();
    }

    void OnQueryChanged() {
        if (!searchBox->text().trimmed().isEmpty()) {
            if (tabs->currentIndex() != static_cast<int>(ListView::Search)) Show(ListView::Search);
            search.Ensure();
        }
        RunQuery();
    }

    // A result read or played as a list row is: the address is taken from
    // the result's detail page (once), on the row resolution worker, and a
    // play waits for it.
    void ActOn(const QModelIndex& at, RowAction action) {
        const SearchHit hit = search.Index().Row(model->IndexRow(at.row()));
        if (hit.batchNumber == 0) return;
        MainWindow& window = window_;
        AppState& state = window.State();
        if (action == RowAction::Play) StopPlayback(window);
        const std::string id(hit.id);
        const Text title = Text::FromUtf8(hit.title);
        // The page of this very result is on its way: wait for it.
        if (state.resolving.active && state.resolving.row == -1 && state.resolving.id.ToUtf8() == id) {
            state.resolving.play = state.resolving.play || action == RowAction::Play;
            return;
        }
        DropRowResolution(window);
        state.currentTitle = title;
        if (const auto known = addresses.find(id); known != addresses.end()) {
            state.currentAddress = known->second;
            if (action == RowAction::Play) PlayReadRow(window);
            return;
        }
        state.currentAddress = Text();
        SetWindowTitleText(window, "解析地址中，请稍后。。。");
        // No list row is resolving: a later click on one supersedes this.
        state.resolving = {true, -1, Text::FromUtf8(id), action == RowAction::Play};
        MainWindow* w = &window;
        const Text pageId = Text::FromUtf8(id);
        const bool started = window.RowResolutions().Run(
            [pageId](std::stop_token stop) { return FetchVideoAddress(pageId, std::move(stop)); },
            [this, w, id, title](Text address) { OnResolved(*w, id, title, address); });
        if (!started) OnResolved(window, id, title, Text());
    }

    void OnResolved(MainWindow& window, const std::string& id, const Text& title, const Text& address) {
        AppState& state = window.State();
        const AppState::RowResolution done = std::exchange(state.resolving, {});
        if (!address.Empty()) addresses[id] = address;
        state.currentAddress = address;
        state.currentTitle = title;
        SetWindowTitleText(window, address.Empty() ? Text(kUnresolvedTitle) : Text("地址解析完成,双击播放"));
        if (done.play) PlayReadRow(window);
    }

    MainWindow& window_;
};

ListColumn& ColumnOf(const MainWindow& window) {
    return *window.findChild<ListColumn*>(QStringLiteral("列表栏"), Qt::FindDirectChildrenOnly);
}

}  // namespace

void InstallListViews(MainWindow& window) {
    auto* column = new ListColumn(window);
    column->setGeometry(geometry::kCatalogueList);
    // The grip on the list's edge stays above the column it widens.
    if (QWidget* handle = window.Units().listHandle) handle->raise();
    column->Show(ListView::Catalogue);
}

ListView CurrentListView(const MainWindow& window) {
    return static_cast<ListView>(ColumnOf(window).pages->currentIndex());
}

void ShowListView(MainWindow& window, ListView view) { ColumnOf(window).Show(view); }

void FocusSearchBox(MainWindow& window) {
    ListColumn& column = ColumnOf(window);
    column.Show(ListView::Search);
    column.searchBox->setFocus(Qt::ShortcutFocusReason);
    column.searchBox->selectAll();
}

void RefreshSearchPages(MainWindow& window) { ColumnOf(window).search.Refresh(); }

void SetRecentPage(MainWindow& window, QWidget* page) {
    ListColumn& column = ColumnOf(window);
    column.ReplacePage(column.recent, page);
}

void SetFavouritesPage(MainWindow& window, QWidget* page) {
    ListColumn& column = ColumnOf(window);
    column.ReplacePage(column.favourites, page);
}

void LayoutListColumn(MainWindow& window, const QRect& rect) {
    ListColumn& column = ColumnOf(window);
    column.setGeometry(rect);
    // Laid out at once, also while the window is hidden (a hidden widget
    // gets its resize events only when shown).
    column.layout()->setGeometry(column.rect());
    column.pages->layout()->setGeometry(column.pages->contentsRect());
}

void ShowListColumn(MainWindow& window, bool shown) {
    ListColumn& column = ColumnOf(window);
    column.setVisible(shown);
    if (shown) column.KeepPagesApart();
}

SearchPages& SearchPagesOf(MainWindow& window) { return ColumnOf(window).search; }

}  // namespace lumora
