// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue in the window against lumora-site in process: the batch
// cycle, a newer fetch superseding an older one, a site that is down, and the
// row events with the address cache in column 2 and the title texts.
#include "app/CatalogueView.h"
#include "app/DropTarget.h"
#include "app/PlayCommands.h"
#include "app/QtText.h"
#include "app/StatusBarUnit.h"
#include "app/TimerInterval.h"
#include "base/Config.h"
#include "catalogue/Catalogue.h"
#include "site/SiteData.h"
#include "site/SiteServer.h"
#include "threads/WorkerChannel.h"

#include "LoopbackHttp.h"
#include "RawServer.h"
#include "WindowFixture.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QElapsedTimer>
#include <QTimer>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace lumora {
namespace {

using test::RawServer;
using test::WaitUntil;
using test::WindowTest;

using Row = std::pair<std::string, std::string>;  // title, id (UTF-8)

std::vector<Row> RowsOf(const std::vector<ListRow>& rows) {
    std::vector<Row> out;
    for (const ListRow& row : rows) out.emplace_back(row.title.ToUtf8(), row.id.ToUtf8());
    return out;
}

class CatalogueWindowTest : public WindowTest {
protected:
    CatalogueWindowTest() {
        QObject::connect(&window, &QWidget::windowTitleChanged, &window,
                         [this](const QString& title) { titles.push_back(title.toStdString()); });
    }

    ~CatalogueWindowTest() override {
        // No worker may outlive the test (they hold nothing of it, but the
        // process should end with none running).
        WaitUntil([this] { return window.ListFetches().Running() == 0; }, 15'000);
        override_.reset();
        if (site_) site_->Stop();
    }

    // On `port`, or on a free one.
    void StartSite(int port = 0) {
        std::string error;
        std::optional<site::SiteData> data = site::LoadSiteData(site::BundledDataDir(), &error);
        ASSERT_TRUE(data) << error;
        site::SiteOptions options;
        options.port = port;
        options.requestLog = [this](const std::string& line) {
            std::lock_guard<std::mutex> lock(requestsMutex_);
            requests_.push_back(line);
        };
        site_.emplace(std::move(*data), options);
        ASSERT_TRUE(site_->Start(&error)) << error;
        UseCatalogueHost("127.0.0.1:" + std::to_string(site_->Port()));
    }

    // The site goes away (its port then refuses connections).
    int StopSite() {
        const int port = site_->Port();
        site_->Stop();
        site_.reset();
        return port;
    }

    void UseCatalogueHost(const std::string& host) {
        Config config = Config::Defaults();
        config.catalogueHost = Text::FromUtf8(host);
        override_.reset();
        override_.emplace(config);
    }

    std::string SiteAddress() const { return "http://127.0.0.1:" + std::to_string(site_->Port()); }

    // Requests the site answered whose line starts with `prefix`. The site
    // logs a request once its answer is out, so the count is read after it
    // has had a moment to reach `atLeast`.
    int Requests(const std::string& prefix, int atLeast = 1) {
        WaitUntil([&] { return CountRequests(prefix) >= atLeast; }, 2000);
        return CountRequests(prefix);
    }
    int CountRequests(const std::string& prefix) {
        std::lock_guard<std::mutex> lock(requestsMutex_);
        return static_cast<int>(std::count_if(requests_.begin(), requests_.end(),
                                              [&](const std::string& line) { return line.starts_with(prefix); }));
    }

    std::vector<Row> ListRows() const {
        std::vector<Row> rows;
        for (int i = 0; i < units.catalogueList->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = units.catalogueList->topLevelItem(i);
            rows.emplace_back(item->text(kTitleColumn).toStdString(), item->text(kPageColumn).toStdString());
        }
        return rows;
    }

    // The row resolution the last row event started has arrived.
    bool Resolved() {
        return WaitUntil([this] { return !state.resolving.active && window.RowResolutions().Running() == 0; });
    }

    std::string Column2(int row) const {
        return units.catalogueList->topLevelItem(row)->text(kAddressColumn).toStdString();
    }
    std::string Title() const { return window.windowTitle().toStdString(); }

    // The start-up fetch: batch 1, the home page.
    bool FirstBatchShown() {
        state.batchNumber = 1;
        state.listPageAddress = StartUpBatch().address;
        StartListFetch(window);
        return WaitUntil([this] { return Title().starts_with("第1批"); });
    }

    QPoint RowCenter(int row) const {
        return units.catalogueList->visualItemRect(units.catalogueList->topLevelItem(row)).center();
    }
    void Click(int row) { QTest::mouseClick(units.catalogueList->viewport(), Qt::LeftButton, {}, RowCenter(row)); }
    // As a person double-clicks: a click, then the second press.
    void DoubleClick(int row) {
        Click(row);
        QTest::mouseDClick(units.catalogueList->viewport(), Qt::LeftButton, {}, RowCenter(row));
    }
    void RightClick(int row) {
        QWidget* viewport = units.catalogueList->viewport();
        const QPoint at = RowCenter(row);
        QTest::mousePress(viewport, Qt::RightButton, {}, at);
        QTest::mouseRelease(viewport, Qt::RightButton, {}, at);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QCoreApplication::sendEvent(viewport, &menu);
    }

    std::vector<std::string> titles;

private:
    std::optional<site::SiteServer> site_;
    std::optional<ScopedConfigOverride> override_;
    std::mutex requestsMutex_;
    std::vector<std::string> requests_;
};

TEST_F(CatalogueWindowTest, BatchCycleFillsTheListAndTheTitle) {
    StartSite();
    ASSERT_TRUE(FirstBatchShown());
    BatchPage batch = StartUpBatch();
    std::vector<ListRow> expected = FetchListPage(batch.address);
    ASSERT_GE(expected.size(), 5u);
    EXPECT_EQ(Title(), ListTitleText(1, static_cast<int>(expected.size())).ToUtf8());
    EXPECT_EQ(ListRows(), RowsOf(expected));

    for (int click = 1; click <= kBatchCount; ++click) {
        SCOPED_TRACE(click);
        batch = FollowingBatch(batch.batchNumber);
        expected = FetchListPage(batch.address);
        window.setWindowTitle(QStringLiteral("-"));
        units.nextBatchButton->click();
        EXPECT_EQ(units.catalogueList->topLevelItemCount(), 0) << "cleared at once";
        EXPECT_EQ(state.batchNumber, batch.batchNumber);
        EXPECT_EQ(state.listPageAddress, batch.address);
        const std::string title = ListTitleText(batch.batchNumber, static_cast<int>(expected.size())).ToUtf8();
        ASSERT_TRUE(WaitUntil([&] { return Title() == title; })) << Title();
        EXPECT_EQ(ListRows(), RowsOf(expected));
        for (int row = 0; row < units.catalogueList->topLevelItemCount(); ++row) EXPECT_EQ(Column2(row), "");
    }
    // The first click fetched category 27; the wrap fetched the bare address.
    EXPECT_EQ(state.batchNumber, 1);
    EXPECT_EQ(state.listPageAddress.ToUtf8(), SiteAddress());
    EXPECT_EQ(Requests("GET /vodlist/index.php?id=27 ", 2), 2);
}

TEST_F(CatalogueWindowTest, NewerFetchSupersedesAnOlderOneStillRunning) {
    // Category 27 (batch 2) and 32 (batch 3) answer with pages of their own;
    // one of them only after a while.
    const auto page = [](const std::vector<Row>& rows) {
        std::string html = "<html><body>";
        for (const auto& [title, id] : rows)
            html +=
                "<div></div><a href=\"/vod/index.php?id=" + id + "\" target=\"_blank\" title=\"" + title + " \" alt=x>";
        return html + "</body></html>";
    };
    const std::vector<Row> older = {{"先来的一", "2701"}, {"先来的二", "2702"}};
    const std::vector<Row> newer = {{"后到的一", "3201"}, {"后到的二", "3202"}, {"后到的三", "3203"}};

    for (const std::string slow : {"27", "32"}) {
        SCOPED_TRACE("slow category " + slow);
        test::LoopbackHttp server;
        server.Server().Get("/vodlist/index.php", [&](const httplib::Request& request, httplib::Response& response) {
            const std::string id = request.get_param_value("id");
            if (id == slow) std::this_thread::sleep_for(std::chrono::milliseconds(400));
            response.set_content(page(id == "27" ? older : newer), "text/html; charset=utf-8");
        });
        ASSERT_TRUE(server.Start());
        UseCatalogueHost(server.Host());

        units.catalogueList->clear();
        titles.clear();
        state.batchNumber = 1;
        units.nextBatchButton->click();  // batch 2
        units.nextBatchButton->click();  // batch 3, at once
        const bool done =
            WaitUntil([&] { return window.ListFetches().Running() == 0 && Title() == "第3批共14批搜索到：3个视频"; });
        test::RunPostedEvents();  // anything the older fetch posted before it ended
        server.Stop();
        ASSERT_TRUE(done) << Title();
        EXPECT_EQ(ListRows(), newer);
        EXPECT_EQ(
            std::count_if(titles.begin(), titles.end(), [](const std::string& t) { return t.starts_with("第2批"); }),
            0);
        EXPECT_EQ(Title(), "第3批共14批搜索到：3个视频");
    }
}

TEST_F(CatalogueWindowTest, SiteThatIsDownGivesAnEmptyBatchAndAnEmptyAddress) {
    UseCatalogueHost("127.0.0.1:1");
    ASSERT_TRUE(FirstBatchShown());
    EXPECT_EQ(Title(), "第1批：无法连接服务器,按F5重新载入");
    EXPECT_EQ(units.catalogueList->topLevelItemCount(), 0);

    // A double-click with no row at all asks the site all the same; no
    // address comes back, and the double-click shows that nothing can play.
    window.show();
    QTest::mouseDClick(units.catalogueList->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    ASSERT_TRUE(Resolved());
    EXPECT_EQ(Title(), kUnresolvedTitle);
    EXPECT_TRUE(state.pendingPlayAddress.Empty());
    EXPECT_FALSE(units.delayedPlayTimer->isActive());
    EXPECT_EQ(units.statusBar->SectionText(0), QStringLiteral("播放失败,已准备就绪."));
    EXPECT_EQ(std::find(titles.begin(), titles.end(), "地址解析完成,双击播放"), titles.end());
}

TEST_F(CatalogueWindowTest, SiteGoneWhileBrowsingKeepsTheBatchUntilAReloadReachesIt) {
    StartSite();
    ASSERT_TRUE(FirstBatchShown());
    units.nextBatchButton->click();
    ASSERT_TRUE(WaitUntil([&] { return Title().starts_with("第2批共14批搜索到："); })) << Title();

    // The site goes away: the next batch says so, and further clicks ask
    // for that same batch again instead of counting on.
    const int port = StopSite();
    for (int click = 1; click <= 3; ++click) {
        SCOPED_TRACE(click);
        window.setWindowTitle(QStringLiteral("-"));
        units.nextBatchButton->click();
        ASSERT_TRUE(WaitUntil([&] { return Title() == "第3批：无法连接服务器,按F5重新载入"; })) << Title();
        EXPECT_EQ(state.batchNumber, 3);
        EXPECT_EQ(state.listPageAddress, BatchAddress(3));
        EXPECT_EQ(units.catalogueList->topLevelItemCount(), 0);
    }

    // Back again: the reload command fetches the batch it stayed on, and the
    // batches count on from there.
    StartSite(port);
    const std::vector<ListRow> third = FetchListPage(BatchAddress(3));
    ASSERT_FALSE(third.empty());
    units.reloadAction->trigger();
    const std::string title = ListTitleText(3, static_cast<int>(third.size())).ToUtf8();
    ASSERT_TRUE(WaitUntil([&] { return Title() == title; })) << Title();
    EXPECT_EQ(ListRows(), RowsOf(third));
    EXPECT_EQ(Requests("GET /vodlist/index.php?id=32 ", 2), 2) << "the test's own fetch and the reload";
    units.nextBatchButton->click();
    ASSERT_TRUE(WaitUntil([&] { return Title().starts_with("第4批共14批搜索到："); })) << Title();

    // A reload of a batch the site answered gives that batch again.
    window.setWindowTitle(QStringLiteral("-"));
    ReloadBatch(window);
    ASSERT_TRUE(WaitUntil([&] { return Title().starts_with("第4批共14批搜索到："); })) << Title();
    EXPECT_EQ(state.batchNumber, 4);
}

TEST_F(CatalogueWindowTest, RowEventsResolveOnceAndPlayAfterTheDelay) {
    StartSite();
    ASSERT_TRUE(FirstBatchShown());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_EQ(units.catalogueList->topLevelItem(0)->text(kPageColumn), QStringLiteral("1001"));

    // A click resolves the row and keeps the address in column 2.
    titles.clear();
    Click(0);
    ASSERT_TRUE(Resolved());
    const std::string addressA = SiteAddress() + "/media/demo-a.mp4";
    EXPECT_EQ(Column2(0), addressA);
    EXPECT_EQ(state.currentAddress.ToUtf8(), addressA);
    EXPECT_EQ(state.currentTitle, Text("夏日海边清新写真"));
    EXPECT_EQ(titles, (std::vector<std::string>{"解析地址中，请稍后。。。", "地址解析完成,双击播放"}));
    EXPECT_EQ(Requests("GET /vod/index.php?id=1001 "), 1);

    // Clicking it again fetches nothing and leaves the title alone.
    window.setWindowTitle(QStringLiteral("x"));
    Click(0);
    EXPECT_EQ(Requests("GET /vod/index.php?id=1001 "), 1);
    EXPECT_EQ(Title(), "x");
    EXPECT_EQ(state.currentAddress.ToUtf8(), addressA);

    // A right-click resolves first, then the menu pops up.
    RightClick(2);
    EXPECT_TRUE(units.fileMenu->isVisible()) << "at once, while the page is fetched";
    EXPECT_FALSE(units.playAction->isEnabled());
    ASSERT_TRUE(Resolved());
    // The open menu's commands come alive with the address.
    EXPECT_TRUE(units.playAction->isEnabled());
    EXPECT_TRUE(units.downloadFileAction->isEnabled());
    EXPECT_EQ(CurrentRow(*units.catalogueList), 2);
    EXPECT_EQ(Column2(2), addressA);
    EXPECT_EQ(state.currentTitle, Text("校园时光毕业纪念"));
    EXPECT_TRUE(units.fileMenu->isVisible());
    units.fileMenu->hide();

    // A withdrawn video resolves to nothing, stored as such: the next
    // action fetches again.
    Click(6);
    ASSERT_TRUE(Resolved());
    EXPECT_EQ(Column2(6), "");
    EXPECT_EQ(Title(), kUnresolvedTitle);
    Click(6);
    ASSERT_TRUE(Resolved());
    EXPECT_EQ(Requests("GET /vod/index.php?id=1006 ", 2), 2);

    // A double-click stops, shows the title and plays after 100 ms.
    units.localState->setChecked(true);
    log.clear();
    titles.clear();
    DoubleClick(3);
    const std::string addressFlv = SiteAddress() + "/media/demo.flv";
    ASSERT_TRUE(WaitUntil([&] { return state.pendingPlayAddress.ToUtf8() == addressFlv; }));
    EXPECT_EQ(Title(), "Lumora视频播放器：秋天的童话 完整版");
    // The click's fetch served the double-click too.
    EXPECT_EQ(titles, (std::vector<std::string>{"解析地址中，请稍后。。。", "地址解析完成,双击播放",
                                                "Lumora视频播放器：秋天的童话 完整版"}));
    EXPECT_EQ(Requests("GET /vod/index.php?id=1004 "), 1);
    EXPECT_EQ(units.delayedPlayTimer->interval(), 100);
    EXPECT_TRUE(units.delayedPlayTimer->isActive());
    EXPECT_FALSE(units.localState->isChecked());
    EXPECT_TRUE(Opened().empty());
    ASSERT_TRUE(WaitUntil([&] { return !Opened().empty(); }));
    EXPECT_EQ(Opened(), std::vector<std::string>{addressFlv});
    EXPECT_FALSE(units.delayedPlayTimer->isActive());
    EXPECT_EQ(Requests("GET /vod/index.php?id=1001 ", 2), 1) << "the cached row was never fetched again";
}

TEST_F(CatalogueWindowTest, MenuPlayTakesColumn2AsItIs) {
    StartSite();
    ASSERT_TRUE(FirstBatchShown());
    QTreeWidgetItem* item = units.catalogueList->topLevelItem(1);
    units.catalogueList->setCurrentItem(item);
    ASSERT_EQ(CurrentRow(*units.catalogueList), 1);
    units.localState->setChecked(true);
    log.clear();

    units.playAction->trigger();
    EXPECT_TRUE(log.empty()) << "no stop first";
    EXPECT_EQ(Title(), "Lumora视频播放器：城市夜景延时摄影");
    EXPECT_TRUE(state.currentAddress.Empty());
    EXPECT_TRUE(state.pendingPlayAddress.Empty());
    EXPECT_TRUE(units.delayedPlayTimer->isActive());
    EXPECT_FALSE(units.localState->isChecked());
    EXPECT_EQ(Requests("GET /vod/"), 0) << "no resolving";

    // With the address resolved, the menu plays it.
    item->setText(kAddressColumn, QStringLiteral("http://127.0.0.1:1/v.mp4"));
    units.playAction->trigger();
    EXPECT_EQ(state.pendingPlayAddress, Text("http://127.0.0.1:1/v.mp4"));
}

// Detail pages of a stand-in site: `page` answers the identifier's page
// after `delay` (several requests at once, unlike RawServer).
class DetailSite {
public:
    using Page = std::function<std::pair<int, std::string>(const std::string& id)>;  // delay ms, body

    explicit DetailSite(Page page) : page_(std::move(page)) {
        server_.Server().Get("/vod/index.php", [this](const httplib::Request& request, httplib::Response& response) {
            const auto [delay, body] = page_(request.get_param_value("id"));
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            response.set_content(body, "text/html; charset=utf-8");
        });
        server_.Start();
    }
    std::string Host() const { return server_.Host(); }

private:
    Page page_;
    test::LoopbackHttp server_;
};

std::string VideoPage(const std::string& address) {
    return "<html><script>var video=['" + address + "->video/mp4'];</script></html>";
}

class RowResolutionTest : public CatalogueWindowTest {
protected:
    void AddRows(const std::vector<Row>& rows) {
        units.catalogueList->clear();
        for (const auto& [title, id] : rows)
            new QTreeWidgetItem(units.catalogueList,
                                {QString::fromStdString(title), QString::fromStdString(id), QString()});
    }
    // The longest gap between ticks of a 10 ms timer of the window while
    // `act` runs and then for `forMs`.
    qint64 LongestTickGap(const std::function<void()>& act, int forMs) {
        QTimer ticker(&window);
        QElapsedTimer sinceTick;
        qint64 longest = 0;
        QObject::connect(&ticker, &QTimer::timeout, &window, [&] { longest = std::max(longest, sinceTick.restart()); });
        sinceTick.start();
        ticker.start(10);
        act();
        QElapsedTimer clock;
        clock.start();
        WaitUntil([&] { return clock.elapsed() > forMs; }, forMs + 1000);
        ticker.stop();
        return std::max(longest, sinceTick.elapsed());
    }
};

TEST_F(RowResolutionTest, TheWindowKeepsWorkingWhileARowsPageIsSilentOrTrickles) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    std::vector<RawServer::Piece> trickle;
    for (int i = 0; i < 20; ++i) trickle.push_back({std::chrono::milliseconds(2000), "x"});
    const std::vector<std::pair<const char*, RawServer::Reply>> sites = {
        {"silent", RawServer::Reply{"", true}},
        {"trickle", RawServer::Reply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nx", false, trickle}},
    };
    for (const auto& [name, reply] : sites) {
        SCOPED_TRACE(name);
        RawServer server([reply](const std::string&, int) { return reply; });
        UseCatalogueHost("127.0.0.1:" + std::to_string(server.Port()));
        AddRows({{"慢视频", "7001"}});

        const qint64 gap = LongestTickGap([&] { Click(0); }, 4000);
        EXPECT_LT(gap, 1000);
        EXPECT_TRUE(state.resolving.active) << "still waiting on the page";
        EXPECT_EQ(Title(), "解析地址中，请稍后。。。");
        ASSERT_EQ(server.Requests().size(), 1u);
        EXPECT_TRUE(server.Requests()[0].starts_with("GET /vod/index.php?id=7001 "));

        // Dropped: the worker is told to stop and ends soon after.
        DropRowResolution(window);
        EXPECT_TRUE(WaitUntil([&] { return window.RowResolutions().Running() == 0; }, 3000));
    }
}

TEST_F(RowResolutionTest, ANewerClickDropsWhatAnOlderFetchBringsBackLate) {
    DetailSite site([](const std::string& id) {
        return std::make_pair(id == "8001" ? 800 : 0, VideoPage("http://127.0.0.1:1/" + id + ".mp4"));
    });
    UseCatalogueHost(site.Host());
    AddRows({{"慢的", "8001"}, {"快的", "8002"}});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    titles.clear();
    Click(0);
    Click(1);
    ASSERT_TRUE(Resolved());
    ASSERT_TRUE(test::WaitUntilSettled(window.RowResolutions()));  // the slow fetch has ended
    EXPECT_EQ(Column2(0), "");
    EXPECT_EQ(Column2(1), "http://127.0.0.1:1/8002.mp4");
    EXPECT_EQ(state.currentAddress, Text("http://127.0.0.1:1/8002.mp4"));
    EXPECT_EQ(state.currentTitle, Text("快的"));
    // (A title set to the text it holds already is no change.)
    EXPECT_EQ(titles, (std::vector<std::string>{"解析地址中，请稍后。。。", "地址解析完成,双击播放"}));
}

TEST_F(RowResolutionTest, ADoubleClickWhileAPageIsFetchedPlaysTheRowDoubleClicked) {
    DetailSite site([](const std::string& id) {
        return std::make_pair(id == "9001" ? 600 : 0, VideoPage("http://127.0.0.1:1/" + id + ".mp4"));
    });
    UseCatalogueHost(site.Host());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    struct Case {
        const char* name;
        int doubleClicked;  // row 0 (slow), 1 (fast) or 2 (resolved already)
        const char* played;
    };
    const std::vector<Case> cases = {
        {"the same row: its page is waited for", 0, "http://127.0.0.1:1/9001.mp4"},
        {"another row", 1, "http://127.0.0.1:1/9002.mp4"},
        {"a row resolved already", 2, "http://127.0.0.1:1/cached.mp4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DropRowResolution(window);
        AddRows({{"慢的", "9001"}, {"快的", "9002"}, {"有了的", "9003"}});
        units.catalogueList->topLevelItem(2)->setText(kAddressColumn, QStringLiteral("http://127.0.0.1:1/cached.mp4"));
        log.clear();

        Click(0);
        ASSERT_TRUE(state.resolving.active);
        DoubleClick(c.doubleClicked);
        ASSERT_TRUE(WaitUntil([&] { return !Opened().empty(); }));
        // Once the slow fetch and any probe have ended, nothing more plays.
        ASSERT_TRUE(test::WaitUntilSettled(window.RowResolutions()));
        ASSERT_TRUE(WaitUntil([&] { return !state.mediaObject->Busy(); }));
        EXPECT_EQ(Opened(), std::vector<std::string>{c.played});
        EXPECT_EQ(state.currentAddress, Text(c.played));
        const std::string title = units.catalogueList->topLevelItem(c.doubleClicked)->text(kTitleColumn).toStdString();
        EXPECT_EQ(Title(), "Lumora视频播放器：" + title);
    }
}

TEST_F(RowResolutionTest, ARowWithoutAnAddressSaysSoAndItsDoubleClickShowsTheFailure) {
    DetailSite site([](const std::string& id) {
        if (id == "5001")
            return std::make_pair(0, std::string("<html>这个视频已经下架</html>"));  // withdrawn: no markers
        return std::make_pair(0, VideoPage(""));                                     // markers around nothing
    });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    struct Case {
        const char* name;
        std::string host;
        const char* id;
    };
    const std::vector<Case> cases = {
        {"withdrawn", site.Host(), "5001"},
        {"empty between the markers", site.Host(), "5002"},
        {"site down", "127.0.0.1:" + std::to_string(test::ClosedPort()), "5003"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UseCatalogueHost(c.host);
        AddRows({{"没有地址的", c.id}});
        // Something played before; the poll runs.
        PlayAddress(window, "http://127.0.0.1:1/v/before.flv");
        movie.code = 3; movie.Tell();
        ASSERT_TRUE(WaitUntil([&] { return units.statusBar->SectionText(0) == QStringLiteral("正在播放："); }));
        log.clear();

        Click(0);
        ASSERT_TRUE(Resolved());
        EXPECT_EQ(Title(), kUnresolvedTitle);
        EXPECT_EQ(Column2(0), "");

        DoubleClick(0);
        ASSERT_TRUE(Resolved());
        // A delayed play would come from a fetch or a probe still under way.
        ASSERT_TRUE(test::WaitUntilSettled(window.RowResolutions()));
        ASSERT_TRUE(WaitUntil([&] { return !state.mediaObject->Busy(); }));
        EXPECT_EQ(units.statusBar->SectionText(0), QStringLiteral("播放失败,已准备就绪."));
        EXPECT_FALSE(units.stopButton->isEnabled());
        EXPECT_EQ(Title(), kUnresolvedTitle);
        EXPECT_TRUE(Opened().empty());
        EXPECT_FALSE(test::Entries(log, "flash stop").empty()) << "the double-click stopped playback";
    }
}

TEST_F(RowResolutionTest, ATypedOrHandedOverAddressDropsARowStillResolving) {
    DetailSite site(
        [](const std::string& id) { return std::make_pair(600, VideoPage("http://127.0.0.1:1/" + id + ".mp4")); });
    UseCatalogueHost(site.Host());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    AddRows({{"慢的", "6001"}});

    Click(0);
    ASSERT_EQ(Title(), "解析地址中，请稍后。。。");
    PlayTypedAddress(window, "http://127.0.0.1:1/typed.mp4");
    EXPECT_EQ(Title(), "Lumora视频播放器") << "no longer resolving";
    ASSERT_TRUE(test::WaitUntilSettled(window.RowResolutions()));  // the row's fetch has ended
    ASSERT_TRUE(WaitUntil([&] { return !Opened().empty() && !state.mediaObject->Busy(); }));  // what replaced it is open
    EXPECT_EQ(state.currentAddress, Text("http://127.0.0.1:1/typed.mp4"));
    EXPECT_EQ(Title(), "Lumora视频播放器");
    EXPECT_EQ(Opened(), std::vector<std::string>{"http://127.0.0.1:1/typed.mp4"});
}

// A double-clicked row whose page is late never replaces what the user chose
// after it: local files dropped on the window or taken from the file dialog.
TEST_F(RowResolutionTest, LocalFilesChosenLaterDropARowStillResolving) {
    DetailSite site(
        [](const std::string& id) { return std::make_pair(600, VideoPage("http://127.0.0.1:1/" + id + ".mp4")); });
    UseCatalogueHost(site.Host());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("local film.mp4"));
    {
        QFile touch(file);
        ASSERT_TRUE(touch.open(QIODevice::WriteOnly));
    }

    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"dropped on the window",
         [&] {
             QMimeData data;
             data.setUrls({QUrl::fromLocalFile(file)});
             ASSERT_TRUE(DropOnWindow(window, data));
         }},
        {"from the file dialog", [&] { PlayLocalFiles(window, {FromQString(file)}); }},
    };
    for (const auto& [name, choose] : cases) {
        SCOPED_TRACE(name);
        AddRows({{"慢的", "6002"}});
        log.clear();
        DoubleClick(0);
        ASSERT_TRUE(state.resolving.active);
        choose();
        EXPECT_EQ(Title(), "Lumora视频播放器") << "no longer resolving";
        ASSERT_TRUE(test::WaitUntilSettled(window.RowResolutions()));  // the row's fetch has ended
        ASSERT_TRUE(WaitUntil([&] { return !Opened().empty() && !state.mediaObject->Busy(); }));  // what replaced it is open
        EXPECT_EQ(Opened(), std::vector<std::string>{file.toStdString()});
        EXPECT_TRUE(units.localState->isChecked()) << "the programme line names the file";
        EXPECT_EQ(Title(), "Lumora视频播放器");
    }
}

}  // namespace
}  // namespace lumora
