// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop notice at the end of a download, against a private session
// bus (a dbus-daemon this test starts) and a stand-in notification service
// on its own connection to that bus.
#include "app/AppState.h"
#include "app/Downloads.h"
#include "app/QtText.h"
#include "base/Config.h"

#include "DownloadTestSupport.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <QWidget>

#include <gtest/gtest.h>
#include "LoopbackHttp.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using downloadtest::ScratchDir;
using lumora::Text;
using Clock = std::chrono::steady_clock;

const QString kService = QStringLiteral("org.freedesktop.Notifications");

// A dbus-daemon of the test's own: no service files, so nothing on it starts
// unless the test registers it.
class PrivateBus {
public:
    PrivateBus() {
        const std::string config = dir_ / "bus.conf";
        std::ofstream(config) << "<busconfig><type>session</type><listen>unix:dir=" << dir_.Path().string()
                              << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                                 "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                                 "<allow own=\"*\"/></policy></busconfig>\n";
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        std::string configArg = "--config-file=" + config;
        char* argv[] = {const_cast<char*>("dbus-daemon"),       configArg.data(),
                        const_cast<char*>("--nofork"),          const_cast<char*>("--nopidfile"),
                        const_cast<char*>("--print-address=1"), nullptr};
        const int failed = posix_spawnp(&pid_, "dbus-daemon", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        if (failed != 0) {
            pid_ = -1;
            close(out[0]);
            return;
        }
        // The daemon prints its address once it listens.
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        char buffer[512];
        while (address_.find('\n') == std::string::npos && Clock::now() < deadline) {
            pollfd fd{out[0], POLLIN, 0};
            if (poll(&fd, 1, 100) <= 0) continue;
            const ssize_t n = read(out[0], buffer, sizeof buffer);
            if (n <= 0) break;
            address_.append(buffer, static_cast<std::size_t>(n));
        }
        close(out[0]);
        if (address_.find('\n') == std::string::npos)
            address_.clear();
        else
            address_.resize(address_.find('\n'));
    }
    ~PrivateBus() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    const std::string& Address() const { return address_; }

private:
    ScratchDir dir_;
    pid_t pid_ = -1;
    std::string address_;
};

PrivateBus* bus = nullptr;

struct Notice {
    QString app;
    QString summary;
    QString body;
};

// The stand-in notification service: records every Notify.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList capabilities{QStringLiteral("body")};
    std::vector<Notice> notices;

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        notices.push_back({app, summary, body});
        return static_cast<uint>(notices.size());
    }
};

template <typename Predicate>
bool ProcessUntil(Predicate done, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > deadline) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

class DownloadNotice : public ::testing::Test {
protected:
    void SetUp() override {
        if (!bus || bus->Address().empty()) GTEST_SKIP() << "dbus-daemon could not be started";
        server_.Server().Get("/clip.mp4", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(std::string(100'000, 'v'), "video/mp4");
        });
        ASSERT_TRUE(server_.Start());
        base_ = server_.Url();
        lumora::Config config = lumora::Config::Defaults();
        config.downloadDir = Text::FromUtf8(dir_.Path().string());
        override_ = std::make_unique<lumora::ScopedConfigOverride>(config);
    }
    void TearDown() override {
        server_.Stop();
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
    }

    // Puts the stand-in service on the bus.
    void Offer(FakeNotifications& service) {
        QDBusConnection connection =
            QDBusConnection::connectToBus(QString::fromStdString(bus->Address()), QStringLiteral("fake-notifications"));
        ASSERT_TRUE(connection.isConnected());
        ASSERT_TRUE(connection.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                              QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(connection.registerService(kService));
    }

    // Runs the download command and waits for its outcome in the title.
    QString Download(const std::string& path, const std::string& title) {
        state_.currentAddress = Text::FromUtf8(base_ + path);
        state_.currentTitle = Text::FromUtf8(title);
        const QString success = lumora::ToQString(Text("下载成功"));
        const QString failure = lumora::ToQString(Text("下载失败"));
        lumora::StartDownload(state_, window_);
        EXPECT_TRUE(ProcessUntil([&] { return window_.windowTitle() == success || window_.windowTitle() == failure; }));
        return window_.windowTitle();
    }

    ScratchDir dir_;
    lumora::test::LoopbackHttp server_;
    std::string base_;
    std::unique_ptr<lumora::ScopedConfigOverride> override_;
    lumora::AppState state_;
    QWidget window_;
};

// Success names the file; failure gives the reason; a body-markup service
// gets the text escaped.
TEST_F(DownloadNotice, SaysWhereTheFileWentOrWhyItFailed) {
    FakeNotifications service;
    ASSERT_NO_FATAL_FAILURE(Offer(service));

    ASSERT_EQ(Download("/clip.mp4", "片 a&b"), lumora::ToQString(Text("下载成功")));
    ASSERT_TRUE(ProcessUntil([&] { return service.notices.size() == 1; }));
    EXPECT_EQ(service.notices[0].app, QStringLiteral("Lumora"));
    EXPECT_EQ(service.notices[0].summary, lumora::ToQString(Text("下载成功")));
    EXPECT_EQ(service.notices[0].body, QString::fromStdString(dir_ / "片 a&b.mp4"));

    ASSERT_EQ(Download("/missing.mp4", "缺"), lumora::ToQString(Text("下载失败")));
    ASSERT_TRUE(ProcessUntil([&] { return service.notices.size() == 2; }));
    EXPECT_EQ(service.notices[1].summary, lumora::ToQString(Text("下载失败")));
    EXPECT_TRUE(service.notices[1].body.contains(QStringLiteral("404"))) << service.notices[1].body.toStdString();

    service.capabilities << QStringLiteral("body-markup");
    ASSERT_EQ(Download("/clip.mp4", "<b>&"), lumora::ToQString(Text("下载成功")));
    ASSERT_TRUE(ProcessUntil([&] { return service.notices.size() == 3; }));
    EXPECT_EQ(service.notices[2].body, QString::fromStdString(dir_ / "&lt;b&gt;&amp;.mp4"));
}

// A bus without the service: the download ends as always, and nothing waits.
TEST_F(DownloadNotice, WithoutTheServiceNothingIsShownAndNothingFails) {
    ASSERT_FALSE(QDBusConnection::sessionBus().interface()->isServiceRegistered(kService).value());
    const auto started = Clock::now();
    EXPECT_EQ(Download("/clip.mp4", "无服务"), lumora::ToQString(Text("下载成功")));
    EXPECT_EQ(downloadtest::ReadFile(dir_ / "无服务.mp4"), std::string(100'000, 'v'));
    // The window stays responsive while the unanswered call is out.
    bool ticked = false;
    QTimer::singleShot(10, [&ticked] { ticked = true; });
    EXPECT_TRUE(ProcessUntil([&] { return ticked; }, std::chrono::seconds(1)));
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(5));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    PrivateBus privateBus;
    bus = &privateBus;
    // The player finds this bus the way it finds the desktop's.
    if (!privateBus.Address().empty())
        qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(privateBus.Address()));
    int status = 0;
    {
        QApplication application(argc, argv);
        status = RUN_ALL_TESTS();
    }
    return status;
}

#include "DownloadNoticeTest.moc"
