// SPDX-License-Identifier: GPL-3.0-or-later
// The download command in a real main window on the offscreen platform: the
// title texts in their order, where the file lands, and that a fast download
// writes the title only now and then.
#include "app/AppState.h"
#include "app/Downloads.h"
#include "app/MainWindow.h"
#include "app/QtText.h"
#include "base/Config.h"
#include "download/DownloadTarget.h"

#include "DownloadTestSupport.h"
#include "RawServer.h"

#include <QApplication>
#include <QPushButton>

#include <gtest/gtest.h>
#include "LoopbackHttp.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using downloadtest::Exists;
using downloadtest::Pattern;
using downloadtest::ReadFile;
using downloadtest::ScratchDir;
using lumora::Text;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kMiB = 1024 * 1024;
const std::string kStart = "下载马上开始";
const std::string kSuccess = "下载成功";
const std::string kFailure = "下载失败";

// Runs the event loop until `done` holds or 20 s have passed.
template <typename Predicate>
bool ProcessUntil(Predicate done) {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (Clock::now() > deadline) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Every title the window shows, in order, as UTF-8.
class TitleLog {
public:
    explicit TitleLog(QWidget& window) {
        // Through a context object of its own, so the log stops with its end.
        QObject::connect(&window, &QWidget::windowTitleChanged, &context_,
                         [this](const QString& title) { titles.push_back(title.toStdString()); });
    }
    bool Ended() const { return !titles.empty() && (titles.back() == kSuccess || titles.back() == kFailure); }
    // The titles between the start text and the outcome.
    std::vector<std::string> Progress() const {
        if (titles.size() < 2) return {};
        return std::vector<std::string>(titles.begin() + 1, titles.end() - 1);
    }
    std::vector<std::string> titles;

private:
    QObject context_;
};

class DownloadWindow : public ::testing::Test {
protected:
    void SetUp() override {
        server_.Server().Get("/clip.mp4", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content(clip_, "video/mp4");
        });
        server_.Server().Get("/other.mp4", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content(other_, "video/mp4");
        });
        server_.Server().Get("/large.mp4", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content(large_, "video/mp4");
        });
        // The first answer is cut after 2 MiB; later ones honour Range
        // (httplib answers it with 206).
        server_.Server().Get("/cut-once.mp4", [this](const httplib::Request& request, httplib::Response& response) {
            ranges_.push_back(request.get_header_value("Range"));
            if (ranges_.size() > 1) {
                response.set_content(clip_, "video/mp4");
                return;
            }
            response.set_content_provider(clip_.size(), "video/mp4",
                                          [this](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                              if (offset >= 2 * kMiB) return false;
                                              sink.write(clip_.data() + offset, std::min(length, 2 * kMiB - offset));
                                              return true;
                                          });
        });
        ASSERT_TRUE(server_.Start());
        base_ = server_.Url();
        UseDownloadDirectory(dir_.Path().string());
    }
    void TearDown() override { server_.Stop(); }

    void UseDownloadDirectory(const std::string& directory) {
        lumora::Config config = lumora::Config::Defaults();
        config.downloadDir = Text::FromUtf8(directory);
        override_.reset();
        override_ = std::make_unique<lumora::ScopedConfigOverride>(config);
    }

    // Chooses an entry, runs the download command and waits for its outcome.
    std::vector<std::string> Download(const std::string& path, const std::string& title) {
        state_.currentAddress = Text::FromUtf8(base_ + path);
        state_.currentTitle = Text::FromUtf8(title);
        TitleLog log(window_);
        lumora::StartDownload(state_, window_);
        EXPECT_TRUE(ProcessUntil([&log] { return log.Ended(); }));
        return log.titles;
    }

    const std::string clip_ = Pattern(3 * kMiB);
    const std::string other_ = Pattern(kMiB, 9);
    const std::string large_ = Pattern(32 * kMiB, 5);
    lumora::test::LoopbackHttp server_;
    std::vector<std::string> ranges_;  // the Range line of each /cut-once.mp4 request
    std::string base_;
    ScratchDir dir_;
    std::unique_ptr<lumora::ScopedConfigOverride> override_;
    lumora::AppState state_;
    lumora::MainWindow window_{state_};
};

TEST_F(DownloadWindow, NothingChosenAsksForAVideo) {
    TitleLog log(window_);
    lumora::StartDownload(state_, window_);
    EXPECT_EQ(log.titles, std::vector<std::string>{"请选择需要下载的视频。。。"});
    EXPECT_TRUE(state_.downloadPath.Empty());
}

// Start text, progress texts with the last block's text last, then the outcome;
// choosing another entry right after the command changes nothing of it.
TEST_F(DownloadWindow, TitlesInOrderAndTheFileUnderItsTitle) {
    state_.currentAddress = Text::FromUtf8(base_ + "/clip.mp4");
    state_.currentTitle = Text("电影");
    TitleLog log(window_);
    // Through the window's own button.
    auto* button = window_.findChild<QPushButton*>(QStringLiteral("按钮下载"));
    ASSERT_NE(button, nullptr);
    button->click();
    state_.currentAddress = Text::FromUtf8(base_ + "/missing.mp4");
    state_.currentTitle = Text("另一个");
    ASSERT_TRUE(ProcessUntil([&log] { return log.Ended(); }));

    ASSERT_GE(log.titles.size(), 3u);
    EXPECT_EQ(log.titles.front(), kStart);
    EXPECT_EQ(log.titles.back(), kSuccess);
    // "<received>MB/3MB    已完成：<percent>%", received never going back.
    double received = 0;
    for (const std::string& title : log.Progress()) {
        const std::size_t unit = title.find("MB/3MB    已完成：");
        ASSERT_NE(unit, std::string::npos) << title;
        ASSERT_TRUE(title.ends_with("%")) << title;
        const double now = std::stod(title.substr(0, unit));
        EXPECT_GE(now, received) << title;
        received = now;
    }
    EXPECT_EQ(log.Progress().back(), "3MB/3MB    已完成：100%");
    const std::string file = dir_ / "电影.mp4";
    EXPECT_EQ(state_.downloadPath.ToUtf8(), dir_ / "电影");
    EXPECT_EQ(ReadFile(file), clip_);
    EXPECT_FALSE(Exists(dir_ / "另一个.mp4"));
}

TEST_F(DownloadWindow, AnErrorAnswerFailsWithoutAFile) {
    EXPECT_EQ(Download("/missing.mp4", "缺"), (std::vector<std::string>{kStart, kFailure}));
    EXPECT_TRUE(std::filesystem::is_empty(dir_.Path()));
}

TEST_F(DownloadWindow, TheSameTitleTwiceReplacesTheFile) {
    EXPECT_EQ(Download("/clip.mp4", "同名").back(), kSuccess);
    EXPECT_EQ(Download("/other.mp4", "同名").back(), kSuccess);
    EXPECT_EQ(ReadFile(dir_ / "同名.mp4"), other_);
}

// Hostile titles put the file inside the download directory, never beside it.
TEST_F(DownloadWindow, HostileTitlesStayInsideTheDirectory) {
    std::filesystem::create_directory(dir_ / "downloads");
    UseDownloadDirectory(dir_ / "downloads");
    for (const char* title : {"../x", "a/b", "\n", ".", ".."}) {
        SCOPED_TRACE(title);
        EXPECT_EQ(Download("/other.mp4", title).back(), kSuccess);
        const std::filesystem::path path(state_.downloadPath.ToUtf8() + ".mp4");
        EXPECT_EQ(path.parent_path(), dir_.Path() / "downloads");
        EXPECT_EQ(ReadFile(path.string()), other_);
    }
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) names.push_back(entry.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"downloads"});
}

TEST_F(DownloadWindow, ADirectoryThatCannotBeWrittenFails) {
    downloadtest::WriteFile(dir_ / "plain", "a file where the directory should be");
    UseDownloadDirectory(dir_ / "plain/videos");
    EXPECT_EQ(Download("/clip.mp4", "无处"), (std::vector<std::string>{kStart, kFailure}));
    // A directory that does not exist yet is made.
    UseDownloadDirectory(dir_ / "new/videos");
    EXPECT_EQ(Download("/other.mp4", "新").back(), kSuccess);
    EXPECT_EQ(ReadFile(dir_ / "new/videos/新.mp4"), other_);
}

// 32 MiB are 3277 blocks; the title sees a text at most every 30 ms of the
// download, and still the last block's text.
TEST_F(DownloadWindow, AFastDownloadWritesTheTitleOnlyNowAndThen) {
    const auto started = Clock::now();
    const std::vector<std::string> titles = Download("/large.mp4", "大");
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
    ASSERT_EQ(titles.back(), kSuccess);
    const std::size_t progressTitles = titles.size() - 2;
    EXPECT_GE(progressTitles, 1u);
    EXPECT_LE(progressTitles, static_cast<std::size_t>(elapsed / 30 + 2)) << elapsed << " ms";
    EXPECT_EQ(titles[titles.size() - 2], "32MB/32MB    已完成：100%");
    EXPECT_EQ(ReadFile(dir_ / "大.mp4"), large_);
}

// Downloading the entry again continues the interrupted download: only the
// missing bytes are asked for, the progress goes on from the size reached,
// and --report-state says where the file was saved.
TEST_F(DownloadWindow, AnInterruptedDownloadContinuesWhereItEnded) {
    const std::vector<std::string> first = Download("/cut-once.mp4", "续");
    EXPECT_EQ(first.back(), kFailure);
    EXPECT_EQ(ReadFile(dir_ / "续.part"), clip_.substr(0, 2 * kMiB));

    state_.reportState = true;
    std::fflush(stdout);
    const int savedStdout = dup(STDOUT_FILENO);
    const std::string report = dir_ / "report.txt";
    const int reportFile = open(report.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(reportFile, 0);
    dup2(reportFile, STDOUT_FILENO);
    close(reportFile);
    const std::vector<std::string> second = Download("/cut-once.mp4", "续");
    ProcessUntil([] { return true; });
    std::fflush(stdout);
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);

    EXPECT_EQ(second.back(), kSuccess);
    EXPECT_EQ(ReadFile(dir_ / "续.mp4"), clip_);
    EXPECT_EQ(ranges_, (std::vector<std::string>{"", "bytes=" + std::to_string(2 * kMiB) + "-"}));
    ASSERT_GE(second.size(), 3u) << ::testing::PrintToString(second);
    for (std::size_t i = 1; i + 1 < second.size(); ++i) {
        const std::string& title = second[i];
        const std::size_t unit = title.find("MB/3MB    已完成：");
        ASSERT_NE(unit, std::string::npos) << ::testing::PrintToString(second);
        EXPECT_GE(std::stod(title.substr(0, unit)), 2.0) << title;
    }
    EXPECT_EQ(second[second.size() - 2], "3MB/3MB    已完成：100%");
    EXPECT_NE(ReadFile(report).find("saved: " + (dir_ / "续.mp4") + "\n"), std::string::npos) << ReadFile(report);
}

// Without LUMORA_DOWNLOAD_DIR an FLV served as video/x-flv lands in the
// user's download folder (user-dirs.dirs) as TITLE.flv, never beside the
// program; with it, in that directory.
TEST_F(DownloadWindow, TheUsersDownloadFolderAndTheExtensionOfWhatArrived) {
    const std::string flv = ReadFile(LUMORA_TEST_MEDIA "/clip.flv");
    ASSERT_FALSE(flv.empty());
    server_.Server().Get("/get", [&flv](const httplib::Request&, httplib::Response& response) {
        response.set_content(flv, "video/x-flv");
    });
    const std::string home = dir_ / "home";
    const std::string config = dir_ / "config";
    std::filesystem::create_directories(config);
    downloadtest::WriteFile(config + "/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/下载\"\n");
    downloadtest::ScopedEnvironment environment({{"HOME", home}, {"XDG_CONFIG_HOME", config}});
    const std::filesystem::path program = std::filesystem::canonical("/proc/self/exe").parent_path();
    state_.programDirectory = Text::FromUtf8(program.string());

    UseDownloadDirectory("");
    EXPECT_EQ(Download("/get?id=7", "片").back(), kSuccess);
    EXPECT_EQ(ReadFile(home + "/下载/片.flv"), flv);
    EXPECT_FALSE(Exists(program / "片.flv"));
    EXPECT_FALSE(Exists(program / "片.MP4"));

    UseDownloadDirectory(dir_ / "chosen");
    EXPECT_EQ(Download("/get?id=7", "片").back(), kSuccess);
    EXPECT_EQ(ReadFile(dir_ / "chosen/片.flv"), flv);
    // No Content-Type that names a medium: the address's extension.
    EXPECT_EQ(Download("/other.mp4", "另").back(), kSuccess);
    EXPECT_TRUE(Exists(dir_ / "chosen/另.mp4"));
}

// The window goes while its download runs: the download stops and is joined
// before the window is gone, keeps what it received for later and reports
// nothing more; the next window's download continues it.
TEST(DownloadWindowGone, TheDownloadStopsWithTheWindowAndContinuesLater) {
    const std::string body = Pattern(200'000, 2);
    const std::string whole = std::to_string(body.size());
    lumora::test::RawServer server([&](const std::string& request, int) {
        const std::size_t range = request.find("Range:bytes=");
        if (range != std::string::npos) {
            const std::size_t from = std::stoul(request.substr(range + 12));
            return lumora::test::RawServer::Reply{
                "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + std::to_string(from) + "-199999/" + whole +
                "\r\nContent-Length: " + std::to_string(body.size() - from) + "\r\n\r\n" + body.substr(from)};
        }
        // The first 50000 bytes, then silence until the client goes.
        return lumora::test::RawServer::Reply{
            "HTTP/1.1 200 OK\r\nContent-Length: " + whole + "\r\n\r\n" + body.substr(0, 50'000), true};
    });
    ScratchDir dir;
    lumora::Config config = lumora::Config::Defaults();
    config.downloadDir = Text::FromUtf8(dir.Path().string());
    lumora::ScopedConfigOverride use(config);
    const std::string stem = dir / "慢";
    const std::string file = stem + ".mp4";

    lumora::AppState state;
    state.currentAddress = Text::FromUtf8(server.Url("/slow.mp4"));
    state.currentTitle = Text("慢");
    auto window = std::make_unique<QWidget>();
    lumora::StartDownload(state, *window);
    // Progress in the title: the first bytes arrived.
    ASSERT_TRUE(ProcessUntil([&window] { return window->windowTitle().contains(QStringLiteral("%")); }));
    const auto closing = Clock::now();
    window.reset();
    EXPECT_LT(Clock::now() - closing, std::chrono::seconds(4));
    EXPECT_FALSE(Exists(file));
    const std::string kept = ReadFile(stem + ".part");
    EXPECT_FALSE(kept.empty());
    EXPECT_EQ(kept, body.substr(0, kept.size()));
    EXPECT_TRUE(Exists(stem + ".resume"));
    for (int i = 0; i < 500 && server.ClosedByClient() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(server.ClosedByClient(), 1);

    auto next = std::make_unique<QWidget>();
    lumora::StartDownload(state, *next);
    ASSERT_TRUE(ProcessUntil([&next] { return next->windowTitle() == lumora::ToQString(Text("下载成功")); }));
    EXPECT_EQ(ReadFile(file), body);
    EXPECT_FALSE(Exists(stem + ".part"));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // No desktop notices from these downloads on the desktop of whoever runs
    // the tests: a bus address that leads nowhere (download_notice_tests
    // covers the notices).
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/lumora-test-bus");
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
