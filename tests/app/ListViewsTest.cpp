// SPDX-License-Identifier: GPL-3.0-or-later
// The list column's views and the search over the whole catalogue, in a real
// window against lumora-site in process: the tab bar and its pages, Ctrl+F
// and Esc, typing as a person types, the results against the rows of all 14
// pages, a result's double-click playing as a row's does, the pages fetched
// once per session and again on a refresh, and full screen.
#include "app/CatalogueView.h"
#include "app/ListViews.h"
#include "app/SearchPages.h"
#include "app/StatusBarUnit.h"
#include "app/WindowLayout.h"
#include "base/Config.h"
#include "catalogue/AllListPages.h"
#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueSearch.h"
#include "site/SiteData.h"
#include "site/SiteServer.h"
#include "threads/WorkerChannel.h"

#include "WindowFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QSlider>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QListView>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace lumora {
namespace {

using test::WaitUntil;
using test::WindowTest;

// Types `text` into `widget` key by key, as a keyboard (or an input method
// committing one character at a time) does; window shortcuts see each key.
void Type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(0), QString(c), Qt::NoModifier);
    }
}

class ListViewsTest : public WindowTest {
protected:
    ListViewsTest() {
        tabs = window.findChild<QTabBar*>(QStringLiteral("列表视图"));
        box = window.findChild<QLineEdit*>(QStringLiteral("搜索框"));
        results = window.findChild<QListView*>(QStringLiteral("搜索结果"));
        column = window.findChild<QWidget*>(QStringLiteral("列表栏"));
    }
    ~ListViewsTest() override {
        WaitUntil([this] { return !SearchPagesOf(window).Fetching(); }, 15'000);
        override_.reset();
        if (site_) site_->Stop();
    }

    void StartSite() {
        std::string error;
        std::optional<site::SiteData> data = site::LoadSiteData(site::BundledDataDir(), &error);
        ASSERT_TRUE(data) << error;
        site::SiteOptions options;
        options.port = 0;
        options.requestLog = [this](const std::string& line) {
            std::lock_guard lock(mutex_);
            requests_.push_back(line);
        };
        site_.emplace(std::move(*data), options);
        ASSERT_TRUE(site_->Start(&error)) << error;
        Config config = Config::Defaults();
        config.catalogueHost = Text::FromUtf8("127.0.0.1:" + std::to_string(site_->Port()));
        override_.emplace(config);
    }
    // The site's first list page, as the batches ask for it.
    Text FirstListPage() const { return Text::FromUtf8("http://127.0.0.1:" + std::to_string(site_->Port()) + "/"); }
    int Requests(const std::string& prefix) {
        std::lock_guard lock(mutex_);
        return static_cast<int>(std::count_if(requests_.begin(), requests_.end(),
                                              [&](const std::string& line) { return line.starts_with(prefix); }));
    }
    // The list pages the window asked for (not those Expected read).
    int ListRequests() { return Requests("GET / ") + Requests("GET /vodlist/") - ownRequests_; }

    // The titles the results view shows, in order.
    std::vector<std::string> Shown() const {
        std::vector<std::string> titles;
        for (int row = 0; row < results->model()->rowCount(); ++row)
            titles.push_back(results->model()->index(row, 0).data().toString().toStdString());
        return titles;
    }
    // What the same search over all 14 pages, read here once, finds.
    std::vector<std::string> Expected(const std::string& query) {
        if (!reference_) {
            reference_.emplace();
            for (FetchedPage& page : FetchAllListPages()) reference_->SetPage(page.batchNumber, std::move(page.rows));
            ownRequests_ = 14;
        }
        std::vector<std::string> titles;
        for (int row : reference_->Match(query)) titles.emplace_back(reference_->Row(row).title);
        return titles;
    }
    bool AllPagesIn() {
        return WaitUntil([this] { return SearchPagesOf(window).Index().PagesHeld() == kBatchCount &&
                                         !SearchPagesOf(window).Fetching(); });
    }
    std::string Title() const { return window.windowTitle().toStdString(); }

    QTabBar* tabs = nullptr;
    QLineEdit* box = nullptr;
    QListView* results = nullptr;
    QWidget* column = nullptr;

private:
    std::optional<site::SiteServer> site_;
    std::optional<ScopedConfigOverride> override_;
    std::optional<CatalogueIndex> reference_;
    int ownRequests_ = 0;
    std::mutex mutex_;
    std::vector<std::string> requests_;
};

TEST_F(ListViewsTest, TabsSwitchThePagesAndTheCatalogueStaysAsItWas) {
    ASSERT_TRUE(tabs && box && results && column);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    std::vector<std::string> names;
    for (int i = 0; i < tabs->count(); ++i) names.push_back(tabs->tabText(i).toStdString());
    EXPECT_EQ(names, (std::vector<std::string>{"目录", "搜索", "最近播放", "收藏"}));
    EXPECT_EQ(CurrentListView(window), ListView::Catalogue);
    EXPECT_TRUE(units.catalogueList->isVisible());
    EXPECT_EQ(units.catalogueList->objectName(), QStringLiteral("超级列表框1"));

    // The column fills the list's place; the bar and the box sit above the list.
    EXPECT_EQ(column->geometry(), QRect(0, 0, 100, window.height() - 80));
    EXPECT_EQ(units.catalogueList->mapTo(&window, QPoint(0, 0)).x(), 0);
    EXPECT_GT(units.catalogueList->mapTo(&window, QPoint(0, 0)).y(), box->mapTo(&window, QPoint(0, 0)).y());
    EXPECT_EQ(units.catalogueList->mapTo(&window, QPoint(0, units.catalogueList->height())).y(), window.height() - 80);

    // The slots of the history and the favourites take the pages given.
    auto* recent = new QLabel(QStringLiteral("历史"));
    SetRecentPage(window, recent);
    auto* favourites = new QLabel(QStringLiteral("收藏夹"));
    SetFavouritesPage(window, favourites);

    struct Case {
        ListView view;
        QWidget* page;
    };
    const std::vector<Case> cases = {{ListView::Search, results},
                                     {ListView::Recent, recent},
                                     {ListView::Favourites, favourites},
                                     {ListView::Catalogue, units.catalogueList}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.view));
        tabs->setCurrentIndex(static_cast<int>(c.view));
        EXPECT_EQ(CurrentListView(window), c.view);
        for (QWidget* page : {static_cast<QWidget*>(units.catalogueList), static_cast<QWidget*>(results),
                              static_cast<QWidget*>(recent), static_cast<QWidget*>(favourites)})
            EXPECT_EQ(page->isVisible(), page == c.page) << page->objectName().toStdString();
    }

    // In the column's own 100 pixels the four tabs do not fit: a drop-down
    // list of the same views stands in their place and switches as they do.
    auto* chooser = window.findChild<QComboBox*>(QStringLiteral("列表视图选择"));
    ASSERT_TRUE(chooser);
    EXPECT_TRUE(chooser->isVisible());
    EXPECT_FALSE(tabs->isVisible());
    EXPECT_EQ(chooser->currentText(), QStringLiteral("目录"));
    chooser->showPopup();
    QAbstractItemView* popup = chooser->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup->window()));
    const QRect third = popup->visualRect(popup->model()->index(2, 0));
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, third.center());
    EXPECT_EQ(CurrentListView(window), ListView::Recent);
    EXPECT_TRUE(recent->isVisible());
    ShowListView(window, ListView::Favourites);
    EXPECT_EQ(chooser->currentText(), QStringLiteral("收藏"));
    // A column wide enough shows the tabs themselves.
    LayoutListColumn(window, QRect(0, 0, tabs->sizeHint().width() + 10, window.height() - 80));
    EXPECT_TRUE(tabs->isVisible());
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_EQ(tabs->currentIndex(), static_cast<int>(ListView::Favourites));
    LayoutListColumn(window, QRect(0, 0, 100, window.height() - 80));
    EXPECT_TRUE(chooser->isVisible());

    // A page given again replaces the one before.
    QPointer<QLabel> before = recent;
    auto* again = new QLabel(QStringLiteral("历史二"));
    SetRecentPage(window, again);
    EXPECT_TRUE(before.isNull());
    ShowListView(window, ListView::Recent);
    EXPECT_TRUE(again->isVisible());

    // Full screen hides the whole column; leaving it shows the view chosen
    // and no other page (the list is shown again by the layout).
    ShowListView(window, ListView::Search);
    ToggleWindowFullScreen(window);
    EXPECT_FALSE(column->isVisible());
    ToggleWindowFullScreen(window);
    EXPECT_TRUE(column->isVisible());
    EXPECT_TRUE(results->isVisible());
    EXPECT_FALSE(units.catalogueList->isVisible());
    EXPECT_FALSE(units.fullScreenMode->isChecked());
}

TEST_F(ListViewsTest, TypingSearchesAllPagesFetchedOncePerSession) {
    StartSite();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const std::vector<std::string> photos = Expected("写真");
    ASSERT_TRUE(WaitUntil([this] { return ListRequests() == 0; }));
    // Nothing is fetched for the search until a search is asked for.
    QTest::qWait(50);
    EXPECT_EQ(ListRequests(), 0);

    // Ctrl+F anywhere in the window: the search view, the focus in the box.
    units.volumeSlider->setFocus();
    QTest::keyClick(units.volumeSlider, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(CurrentListView(window), ListView::Search);
    ASSERT_TRUE(WaitUntil([this] { return box->hasFocus(); }));
    ASSERT_TRUE(AllPagesIn());
    EXPECT_EQ(ListRequests(), 14);

    struct Case {
        std::string typed;  // as typed into an empty box
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"写真", Expected("写真")},
        {"清新 写真", Expected("写真 清新")},
        {"海边", Expected("海边")},
        {"没有这个", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        box->clear();
        Type(box, QString::fromStdString(c.typed));
        EXPECT_EQ(box->text().toStdString(), c.typed);
        EXPECT_EQ(Shown(), c.expected);
    }
    // The same titles the site lists, the duplicate of video 1001 included.
    EXPECT_EQ(std::count(photos.begin(), photos.end(), "夏日海边清新写真"), 2);

    // Keys typed into the box are text, not window keys: no next batch
    // (N), no screenshot (S), no volume step (Space does not pause either).
    const int batch = state.batchNumber;
    const int volume = units.volumeSlider->value();
    box->clear();
    Type(box, QStringLiteral("ns m"));
    EXPECT_EQ(box->text(), QStringLiteral("ns m"));
    EXPECT_EQ(state.batchNumber, batch);
    EXPECT_EQ(units.volumeSlider->value(), volume);

    // Esc empties the box and the results; the view stays.
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_TRUE(box->text().isEmpty());
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(CurrentListView(window), ListView::Search);

    // Typing from the catalogue view goes to the search view; the pages
    // are not fetched again.
    ShowListView(window, ListView::Catalogue);
    Type(box, QStringLiteral("海边"));
    EXPECT_EQ(CurrentListView(window), ListView::Search);
    EXPECT_EQ(Shown(), Expected("海边"));
    QTest::qWait(50);
    EXPECT_EQ(ListRequests(), 14);

    // F5 (the reload command) fetches the batch and all 14 again; the
    // results stay meanwhile.
    state.listPageAddress = FirstListPage();
    QTest::keyClick(&window, Qt::Key_F5);
    EXPECT_EQ(Shown(), Expected("海边"));
    ASSERT_TRUE(WaitUntil([this] { return ListRequests() == 29 && !SearchPagesOf(window).Fetching(); }));
    EXPECT_EQ(Shown(), Expected("海边"));
}

TEST_F(ListViewsTest, AResultPlaysOnADoubleClickAsARowDoes) {
    StartSite();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    FocusSearchBox(window);
    ASSERT_TRUE(AllPagesIn());
    Type(box, QStringLiteral("旅行日记"));
    ASSERT_EQ(Shown(), (std::vector<std::string>{"旅行日记：西湖"}));

    const QPoint at = results->visualRect(results->model()->index(0, 0)).center();
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(results->viewport(), Qt::LeftButton, {}, at);
    ASSERT_TRUE(WaitUntil([this] { return !Opened().empty(); }));
    EXPECT_EQ(Title(), "Lumora视频播放器：旅行日记：西湖");
    EXPECT_EQ(state.currentTitle.ToUtf8(), "旅行日记：西湖");
    EXPECT_NE(Opened().back().find("/redirect/2?to=/media/demo-b.mp4"), std::string::npos) << Opened().back();
    EXPECT_FALSE(units.localState->isChecked());
    EXPECT_EQ(Requests("GET /vod/index.php?id=1005 "), 1);

    // Played again with Enter: the address is known, no page is fetched.
    results->setFocus();
    results->setCurrentIndex(results->model()->index(0, 0));
    const std::size_t opened = Opened().size();
    QTest::keyClick(results, Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return Opened().size() > opened; }));
    EXPECT_EQ(Requests("GET /vod/index.php?id=1005 "), 1);

    // A video without an address shows the failed play, as a row does.
    box->clear();
    Type(box, QStringLiteral("已下架"));
    ASSERT_EQ(Shown(), (std::vector<std::string>{"已下架的视频"}));
    const QPoint gone = results->visualRect(results->model()->index(0, 0)).center();
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, gone);
    QTest::mouseDClick(results->viewport(), Qt::LeftButton, {}, gone);
    ASSERT_TRUE(WaitUntil([this] { return !state.resolving.active && window.RowResolutions().Running() == 0; }));
    EXPECT_EQ(Title(), kUnresolvedTitle);
    EXPECT_EQ(units.statusBar->SectionText(kStateSection), QStringLiteral("播放失败,已准备就绪."));
}

}  // namespace
}  // namespace lumora
