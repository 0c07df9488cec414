// SPDX-License-Identifier: GPL-3.0-or-later
// The list's images under real widgets: the window against lumora-site in
// process shows each row's image in the row's icon area; a bare list with a
// loopback server of hostile answers shows placeholders, stays live while an
// image stalls, and asks only for the images of the rows in view.
#include "app/CatalogueView.h"
#include "app/ListThumbnails.h"
#include "app/ListViews.h"
#include "app/SearchPages.h"
#include "app/QtText.h"
#include "base/Config.h"
#include "catalogue/Catalogue.h"
#include "site/SiteData.h"
#include "site/SiteServer.h"

#include "EventWait.h"
#include "LoopbackHttp.h"
#include "WindowFixture.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QScrollBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

namespace lumora {
namespace {

using namespace std::chrono_literals;
using test::WaitUntil;

// The colours seen in the icon area of the row at `at` (unselected), as drawn now.
std::set<QRgb> IconColours(QAbstractItemView& view, const QModelIndex& at) {
    const QImage shot = view.viewport()->grab().toImage();
    const QRect cell = view.visualRect(at);
    const int margin = view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
    const QRect icon(cell.left() + margin, cell.center().y() - kRowImageSize.height() / 2, kRowImageSize.width(),
                     kRowImageSize.height());
    std::set<QRgb> colours;
    // The inner part, clear of the placeholder's border.
    for (int y = icon.top() + 3; y < icon.bottom() - 3; ++y)
        for (int x = icon.left() + 3; x < icon.right() - 3; ++x) colours.insert(shot.pixel(x, y) & 0xFFFFFF);
    return colours;
}
std::set<QRgb> IconColours(QTreeWidget& list, int row) {
    return IconColours(list, list.indexFromItem(list.topLevelItem(row), kTitleColumn));
}

const QRgb kPlaceholderGrey = 0xD8D8D8;

bool OnlyPlaceholder(const std::set<QRgb>& colours) {
    return colours.size() == 1 && *colours.begin() == kPlaceholderGrey;
}

class ListImagesWindowTest : public test::WindowTest {
protected:
    ~ListImagesWindowTest() override {
        WaitUntil([this] { return window.ListFetches().Running() == 0; }, 15'000);
        override_.reset();
        if (site_) site_->Stop();
    }
    void StartSite() {
        std::string error;
        std::optional<site::SiteData> data = site::LoadSiteData(site::BundledDataDir(), &error);
        ASSERT_TRUE(data) << error;
        site::SiteOptions options;
        options.port = 0;
        site_.emplace(std::move(*data), options);
        ASSERT_TRUE(site_->Start(&error)) << error;
        Config config = Config::Defaults();
        config.catalogueHost = Text::FromUtf8("127.0.0.1:" + std::to_string(site_->Port()));
        override_.emplace(config);
    }

    // The site started and its first batch listed in the window shown.
    void ShowFirstBatch() {
        StartSite();
        window.show();
        state.batchNumber = 1;
        state.listPageAddress = StartUpBatch().address;
        StartListFetch(window);
        ASSERT_TRUE(WaitUntil([this] { return window.windowTitle().startsWith(QStringLiteral("第1批")); }));
    }

    std::optional<site::SiteServer> site_;
    std::optional<ScopedConfigOverride> override_;
};

TEST_F(ListImagesWindowTest, EachRowShowsItsVideosStill) {
    ASSERT_NO_FATAL_FAILURE(ShowFirstBatch());
    QTreeWidget& list = *units.catalogueList;
    ASSERT_GE(list.topLevelItemCount(), 7);
    // Rows 0 (1001, demo A's colour bars) and 6 (1006, withdrawn: the site's flat grey image).
    EXPECT_EQ(list.topLevelItem(0)->data(kTitleColumn, kRowImageRole).toString(),
              QStringLiteral("http://127.0.0.1:%1/img/1001.jpg").arg(site_->Port()));
    ASSERT_TRUE(WaitUntil([&] { return IconColours(list, 0).size() > 20; })) << "the still's many colours";
    ASSERT_TRUE(WaitUntil([&] {
        const std::set<QRgb> colours = IconColours(list, 6);
        return !colours.empty() && !colours.contains(kPlaceholderGrey) &&
               std::all_of(colours.begin(), colours.end(), [](QRgb c) { return qGray(c) > 100 && qGray(c) < 160; });
    })) << "the site's own grey";
    // The title still reads the same, with the image before it.
    EXPECT_EQ(list.topLevelItem(0)->text(kTitleColumn), QStringLiteral("夏日海边清新写真"));
    EXPECT_GT(list.visualItemRect(list.topLevelItem(0)).height(), kRowImageSize.height());
}

// A search result shows its entry's image as the row in the catalogue does.
TEST_F(ListImagesWindowTest, SearchResultsShowTheirEntriesImages) {
    StartSite();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    FocusSearchBox(window);
    ASSERT_TRUE(WaitUntil([this] {
        return SearchPagesOf(window).Index().PagesHeld() == kBatchCount && !SearchPagesOf(window).Fetching();
    }));
    auto* box = window.findChild<QLineEdit*>(QStringLiteral("搜索框"));
    auto* results = window.findChild<QListView*>(QStringLiteral("搜索结果"));
    ASSERT_TRUE(box && results);
    box->setText(QStringLiteral("夏日海边清新写真"));  // 1001, demo A's colour bars, twice
    ASSERT_EQ(results->model()->rowCount(), 2);
    const QModelIndex first = results->model()->index(0, 0);
    EXPECT_EQ(first.data(kRowImageRole).toString(), QStringLiteral("http://127.0.0.1:%1/img/1001.jpg").arg(site_->Port()));
    EXPECT_TRUE(WaitUntil([&] { return IconColours(*results, first).size() > 20; })) << "the still's many colours";
    EXPECT_GT(results->visualRect(first).height(), kRowImageSize.height());
    // A title longer than the narrow column is cut, not scrolled sideways.
    EXPECT_EQ(results->visualRect(first).width(), results->viewport()->width());
    EXPECT_EQ(results->horizontalScrollBar()->maximum(), 0);
}

TEST_F(ListImagesWindowTest, ABatchChangeOrReloadWhileImagesAreOnTheirWayShowsTheNewRowsImages) {
    ASSERT_NO_FATAL_FAILURE(ShowFirstBatch());
    QTreeWidget& list = *units.catalogueList;
    // The first rows painted, their images asked for: the list goes away under them.
    IconColours(list, 0);
    test::WaitUntil([] { return false; }, 5);
    NextBatch(window);
    ReloadBatch(window);
    ReloadBatch(window);
    ASSERT_TRUE(WaitUntil([this] { return window.windowTitle().startsWith(QStringLiteral("第2批")); }));
    ASSERT_GE(list.topLevelItemCount(), 1);
    EXPECT_TRUE(WaitUntil([&] { return !IconColours(list, 0).contains(kPlaceholderGrey); }))
        << "the new first row's image";
}

// One JPEG of one colour.
std::string Jpeg(QColor colour) {
    QImage image(96, 72, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes.toStdString();
}

class BareListTest : public testing::Test {
protected:
    BareListTest() {
        auto& server = http_.Server();
        server.Get(R"(/ok/(\d+)\.jpg)", [this](const httplib::Request& req, httplib::Response& res) {
            {
                std::lock_guard lock(mutex_);
                asked_.insert(std::stoi(req.matches[1]));
            }
            res.set_content(Jpeg(Qt::red), "image/jpeg");
        });
        // Each slow image keeps its worker a while, so a list change falls while they are out.
        server.Get(R"(/slow/(\d+)\.jpg)", [](const httplib::Request&, httplib::Response& res) {
            std::this_thread::sleep_for(150ms);
            res.set_content(Jpeg(Qt::blue), "image/jpeg");
        });
        server.Get("/missing.jpg", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
        server.Get("/page.jpg", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html>no</html>", "text/html");
        });
        server.Get("/corrupt.jpg", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(Jpeg(Qt::red).substr(0, 30) + std::string(2000, 'x'), "image/jpeg");
        });
        server.Get("/stall.jpg", [this](const httplib::Request&, httplib::Response& res) {
            for (int i = 0; i < 2000 && !release_; ++i) std::this_thread::sleep_for(10ms);
            res.set_content("late", "text/plain");
        });
        http_.Start();
        list.setColumnCount(3);
        list.setUniformRowHeights(true);
        list.setRootIsDecorated(false);
        list.resize(220, 300);
        ListThumbnailOptions options;
        options.cacheFolder = (temporary_.path() + "/thumbnails").toStdString();
        AttachListThumbnails(list, options);
    }
    ~BareListTest() override {
        release_ = true;
        list.clear();
        http_.Stop();
    }

    void AddRow(const QString& title, const std::string& path) {
        auto* item = new QTreeWidgetItem(QStringList{title, QString(), QString()});
        if (!path.empty()) item->setData(kTitleColumn, kRowImageRole, QString::fromStdString(http_.Url(path)));
        list.addTopLevelItem(item);
    }
    std::set<int> Asked() {
        std::lock_guard lock(mutex_);
        return asked_;
    }

    QTemporaryDir temporary_;
    test::LoopbackHttp http_;
    std::mutex mutex_;
    std::set<int> asked_;
    std::atomic<bool> release_{false};
    QTreeWidget list;
};

TEST_F(BareListTest, RefusedAnswersShowThePlaceholderAndAStallHoldsNothingUp) {
    AddRow("stalled", "/stall.jpg");
    AddRow("good", "/ok/1.jpg");
    AddRow("missing", "/missing.jpg");
    AddRow("html", "/page.jpg");
    AddRow("corrupt", "/corrupt.jpg");
    AddRow("no image", "");
    AddRow("local file", "");
    list.topLevelItem(6)->setData(kTitleColumn, kRowImageRole, QStringLiteral("file:///etc/hostname"));
    list.show();
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(WaitUntil([&] {
        const std::set<QRgb> colours = IconColours(list, 1);
        return !colours.empty() && std::all_of(colours.begin(), colours.end(), [](QRgb c) {
            return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
        });
    })) << "the good image, while the first row's stalls";
    EXPECT_LT(timer.elapsed(), 4000);
    // Let the refused answers arrive: they stay placeholders.
    test::WaitUntil([] { return false; }, 500);
    for (int row : {0, 2, 3, 4, 5, 6}) EXPECT_TRUE(OnlyPlaceholder(IconColours(list, row))) << row;
    // The list answers while the stalled image is still on its way.
    list.setCurrentItem(list.topLevelItem(3));
    EXPECT_EQ(list.currentItem()->text(0), QStringLiteral("html"));
}

TEST_F(BareListTest, OnlyTheRowsInViewAskForTheirImages) {
    constexpr int kRows = 2000;
    for (int i = 0; i < kRows; ++i) AddRow(QString::number(i), "/ok/" + std::to_string(i) + ".jpg");
    list.show();
    const int perPage = list.viewport()->height() / list.visualItemRect(list.topLevelItem(0)).height() + 1;
    ASSERT_TRUE(WaitUntil([&] { return Asked().size() >= static_cast<std::size_t>(perPage) - 1; }));
    test::WaitUntil([] { return false; }, 300);
    std::set<int> asked = Asked();
    EXPECT_LE(asked.size(), static_cast<std::size_t>(perPage) + 1);
    EXPECT_LE(*asked.rbegin(), perPage + 1);

    list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum());
    ASSERT_TRUE(WaitUntil([&] { return Asked().contains(kRows - 1); }));
    test::WaitUntil([] { return false; }, 300);
    asked = Asked();
    for (int row : asked) EXPECT_TRUE(row <= perPage + 1 || row >= kRows - perPage - 1) << row << " was never in view";
    EXPECT_FALSE(OnlyPlaceholder(IconColours(list, kRows - 1)));
}

TEST_F(BareListTest, AListClearedWhileImagesAreOnTheirWayFillsAgain) {
    list.show();
    // Three times over: rows whose images are slow, cleared while the images are out.
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 20; ++i) AddRow(QString::number(i), "/slow/" + std::to_string(round * 100 + i) + ".jpg");
        IconColours(list, 0);
        test::WaitUntil([] { return false; }, 50);
        list.clear();
    }
    for (int i = 0; i < 20; ++i) AddRow(QString::number(i), "/ok/" + std::to_string(i) + ".jpg");
    ASSERT_TRUE(WaitUntil([&] {
        const std::set<QRgb> colours = IconColours(list, 0);
        return !colours.empty() && std::all_of(colours.begin(), colours.end(), [](QRgb c) { return qRed(c) > 200; });
    })) << "the new rows' images, after the old ones";
    EXPECT_EQ(list.topLevelItemCount(), 20);
}

}  // namespace
}  // namespace lumora
