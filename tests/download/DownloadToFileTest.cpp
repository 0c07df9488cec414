// SPDX-License-Identifier: GPL-3.0-or-later
// DownloadToFile against servers on 127.0.0.1: what it sends, what lands in
// the file, what progress it reports, and that no failure ever leaves a
// partial file under the final name or harms an earlier complete one.
#include "download/DownloadProgress.h"
#include "download/DownloadToFileCompat.h"

#include "DownloadTestSupport.h"
#include "RawServer.h"

#include <gtest/gtest.h>
#include "LoopbackHttp.h"
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <future>
#include <string>
#include <stop_token>
#include <thread>
#include <vector>

namespace {

using downloadtest::Exists;
using downloadtest::Pattern;
using downloadtest::ReadFile;
using downloadtest::ScratchDir;
using downloadtest::WriteFile;
using lumora::DownloadToFile;
using lumora::Text;
using lumora::test::HttpReply;
using lumora::test::RawServer;

constexpr std::size_t kMiB = 1024 * 1024;

struct Step {
    std::int64_t total;
    std::int64_t received;
    std::int64_t elapsed;
};

// Every progress call of one download, in order.
struct Recorder {
    std::vector<Step> steps;
    lumora::DownloadProgress Callback() {
        return [this](std::int64_t total, std::int64_t received, std::int64_t elapsed) {
            steps.push_back({total, received, elapsed});
        };
    }
};

Text Path(const std::string& path) { return Text::FromUtf8(path); }

// Blocks of at most the block size, each counted once, elapsed never 0.
void ExpectWellFormedSteps(const std::vector<Step>& steps, std::int64_t total, std::int64_t size) {
    ASSERT_FALSE(steps.empty());
    std::int64_t previous = 0;
    for (const Step& step : steps) {
        EXPECT_EQ(step.total, total);
        EXPECT_GT(step.received, previous);
        EXPECT_LE(step.received - previous, static_cast<std::int64_t>(lumora::kDownloadBlockBytes));
        EXPECT_GT(step.elapsed, 0);
        previous = step.received;
    }
    EXPECT_EQ(steps.back().received, size);
}

class Download : public ::testing::Test {
protected:
    void SetUp() override {
        server_.Server().Get("/three.mp4", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content(three_, "video/mp4");
        });
        server_.Server().Get("/unsized.mp4", [this](const httplib::Request&, httplib::Response& response) {
            response.set_chunked_content_provider("video/mp4", [this](std::size_t offset, httplib::DataSink& sink) {
                if (offset >= unsized_.size()) {
                    sink.done();
                    return true;
                }
                const std::size_t n = std::min<std::size_t>(50'000, unsized_.size() - offset);
                sink.write(unsized_.data() + offset, n);
                return true;
            });
        });
        server_.Server().Get("/page.txt", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content(text_, "text/plain");  // compressed on the wire: the client accepts gzip
        });
        server_.Server().Get("/empty", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("", "video/mp4");
        });
        server_.Server().Get(R"(/status/(\d+))", [](const httplib::Request& request, httplib::Response& response) {
            response.status = std::stoi(request.matches[1].str());
            response.set_content("an error page, not the video", "text/html");
        });
        server_.Server().Get("/hop", [this](const httplib::Request&, httplib::Response& response) {
            response.set_redirect(base_ + "/three.mp4");
        });
        server_.Server().Get("/to-file", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("file:///etc/hostname");
        });
        ASSERT_TRUE(server_.Start());
        base_ = server_.Url();
    }
    void TearDown() override { server_.Stop(); }

    Text Url(const std::string& path) const { return Text::FromUtf8(base_ + path); }

    const std::string three_ = Pattern(3 * kMiB);
    const std::string unsized_ = Pattern(kMiB + kMiB / 4, 7);
    const std::string text_ = [] {
        std::string text;
        for (int i = 0; text.size() < 200'000; ++i) text += "line " + std::to_string(i) + " of a long page\n";
        return text;
    }();
    lumora::test::LoopbackHttp server_;
    std::string base_;
    ScratchDir dir_;
};

TEST_F(Download, WithContentLengthEveryBlockIsReportedAndTheFileIsExact) {
    Recorder recorder;
    const std::string target = dir_ / "three.MP4";
    ASSERT_EQ(DownloadToFile(Url("/three.mp4"), Path(target), recorder.Callback()), 0);
    EXPECT_EQ(ReadFile(target), three_);
    EXPECT_FALSE(Exists(target + ".part"));
    ExpectWellFormedSteps(recorder.steps, 3 * kMiB, 3 * kMiB);
    const Step& last = recorder.steps.back();
    EXPECT_EQ(lumora::DownloadProgressText(last.total, last.received), Text("3MB/3MB    已完成：100%"));
}

TEST_F(Download, WithoutContentLengthTheTotalIsZero) {
    Recorder recorder;
    const std::string target = dir_ / "unsized.MP4";
    ASSERT_EQ(DownloadToFile(Url("/unsized.mp4"), Path(target), recorder.Callback()), 0);
    EXPECT_EQ(ReadFile(target), unsized_);
    ExpectWellFormedSteps(recorder.steps, 0, static_cast<std::int64_t>(unsized_.size()));
    const Step& last = recorder.steps.back();
    EXPECT_EQ(lumora::DownloadProgressText(last.total, last.received), Text("1.25MB/0MB    已完成：0%"));
}

// The page is text a server would gladly pack; it is asked for as stored.
TEST_F(Download, FollowsRedirectsAndTakesTheFileAsStored) {
    std::string target = dir_ / "hop.MP4";
    EXPECT_EQ(DownloadToFile(Url("/hop"), Path(target), nullptr), 0);
    EXPECT_EQ(ReadFile(target), three_);

    target = dir_ / "page.MP4";
    EXPECT_EQ(DownloadToFile(Url("/page.txt"), Path(target), nullptr), 0);
    EXPECT_EQ(ReadFile(target), text_);
}

// An error answer is a failed download: no file under the target's name, no
// partial file, and an earlier download of the same title left whole.
TEST_F(Download, ErrorStatusesFailAndKeepTheEarlierFile) {
    const std::string earlier = dir_ / "kept.MP4";
    const std::string fresh = dir_ / "fresh.MP4";
    WriteFile(earlier, "the complete earlier download");
    for (const char* path :
         {"/status/404", "/status/403", "/status/500", "/status/503", "/status/300", "/nowhere", "/to-file"}) {
        SCOPED_TRACE(path);
        Recorder recorder;
        EXPECT_EQ(DownloadToFile(Url(path), Path(earlier), recorder.Callback()), -1);
        EXPECT_EQ(DownloadToFile(Url(path), Path(fresh), recorder.Callback()), -1);
        EXPECT_TRUE(recorder.steps.empty());
        EXPECT_EQ(ReadFile(earlier), "the complete earlier download");
        EXPECT_FALSE(Exists(fresh));
        EXPECT_FALSE(Exists(earlier + ".part"));
        EXPECT_FALSE(Exists(fresh + ".part"));
    }
}

TEST_F(Download, TheSameTitleTwiceReplacesTheEarlierFile) {
    const std::string target = dir_ / "twice.MP4";
    ASSERT_EQ(DownloadToFile(Url("/unsized.mp4"), Path(target), nullptr), 0);
    ASSERT_EQ(DownloadToFile(Url("/three.mp4"), Path(target), nullptr), 0);
    EXPECT_EQ(ReadFile(target), three_);
    // A leftover partial file of a download that died is simply reused.
    WriteFile(target + ".part", std::string(5 * kMiB, 'x'));
    ASSERT_EQ(DownloadToFile(Url("/unsized.mp4"), Path(target), nullptr), 0);
    EXPECT_EQ(ReadFile(target), unsized_);
    EXPECT_FALSE(Exists(target + ".part"));
}

// Addresses that are not http or https, or that could not be sent as they
// are, fail before any request.
TEST_F(Download, RefusesAddressesOtherThanWebAddresses) {
    const std::string target = dir_ / "refused.MP4";
    std::string withZero = base_ + "/three.mp4";
    withZero += '\0';
    withZero += "x";
    const std::vector<std::string> addresses = {
        "",
        "file:///etc/hostname",
        "ftp://127.0.0.1/x.mp4",
        "dict://127.0.0.1/",
        "127.0.0.1/three.mp4",
        base_ + "/three.mp4\r\nX-Injected: 1",
        withZero,
    };
    for (const std::string& address : addresses) {
        SCOPED_TRACE(address);
        EXPECT_EQ(DownloadToFile(Text::FromUtf8(address), Path(target), nullptr), -1);
        EXPECT_FALSE(Exists(target));
        EXPECT_FALSE(Exists(target + ".part"));
    }
    EXPECT_EQ(DownloadToFile(Url("/three.mp4"), Text(), nullptr), -1);
}

TEST_F(Download, ATargetThatCannotBeWrittenFails) {
    WriteFile(dir_ / "plain", "a file, not a directory");
    std::filesystem::create_directory(dir_ / "taken.MP4.part");
    std::filesystem::create_directory(dir_ / "dir.MP4");
    for (const std::string& target :
         {dir_ / "plain/inside.MP4", dir_ / "missing/inside.MP4", dir_ / "taken.MP4", dir_ / "dir.MP4"}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(DownloadToFile(Url("/three.mp4"), Path(target), nullptr), -1);
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "taken.MP4.part"));
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "dir.MP4"));
    EXPECT_FALSE(Exists(dir_ / "dir.MP4.part"));
}

// A link planted under the partial file's name is not followed: the file it
// points at stays as it was.
TEST_F(Download, NeverWritesThroughALinkInThePartialName) {
    const std::string outside = dir_ / "outside";
    WriteFile(outside, "someone else's file");
    const std::string target = dir_ / "linked.MP4";
    std::filesystem::create_symlink(outside, target + ".part");
    EXPECT_EQ(DownloadToFile(Url("/three.mp4"), Path(target), nullptr), -1);
    EXPECT_EQ(ReadFile(outside), "someone else's file");
    EXPECT_FALSE(Exists(target));
}

TEST(DownloadRequest, SendsTheHeaderBlockAndTheRangeLine) {
    RawServer server([](const std::string&, int) { return RawServer::Reply{HttpReply("200 OK", {}, "body")}; });
    ScratchDir dir;
    const std::string target = dir / "raw.MP4";
    const Text address = Text::FromUtf8(server.Url("/视频 a.mp4?x=1"));
    ASSERT_EQ(DownloadToFile(address, Path(target), nullptr), 0);
    ASSERT_EQ(DownloadToFile(address, Path(target), nullptr, 1234, true), 0);
    ASSERT_EQ(DownloadToFile(address, Path(target), nullptr, 1234, false), 0);
    EXPECT_EQ(ReadFile(target), "body");

    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (const std::string& request : requests) {
        SCOPED_TRACE(request);
        EXPECT_EQ(request.rfind("GET /%E8%A7%86%E9%A2%91%20a.mp4?x=1 HTTP/1.1\r\n", 0), 0u);
        for (const char* line :
             {"\r\nAccept: */*\r\n", "\r\nAccept-Language: zh-cn\r\n", "\r\nAccept-Encoding: identity\r\n",
              "\r\nUser-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR "
              "1.1.4322)\r\n"})
            EXPECT_NE(request.find(line), std::string::npos) << line;
        EXPECT_EQ(request.find("Accept:"), request.rfind("Accept:"));  // curl adds none of its own
        EXPECT_EQ(request.find("User-Agent:"), request.rfind("User-Agent:"));
    }
    EXPECT_EQ(requests[0].find("Range"), std::string::npos);
    EXPECT_NE(requests[1].find("\r\nRange:bytes=1234-\r\n"), std::string::npos);
    EXPECT_EQ(requests[2].find("Range"), std::string::npos);

    const std::string agent = lumora::DownloadAgentName().Bytes();
    EXPECT_TRUE(agent.starts_with("Agent") && agent.size() > 5 &&
                agent.find_first_not_of("0123456789", 5) == std::string::npos)
        << agent;
}

// The connection breaks, or the server goes silent, mid-way: the download
// fails, the earlier complete file stays, and what arrived waits in the
// partial file with its record for another attempt.
TEST(DownloadRequest, ACutOrStalledTransferKeepsTheEarlierFile) {
    const std::string body = Pattern(kMiB);
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    RawServer server([&](const std::string& request, int) {
        RawServer::Reply reply{head + body.substr(0, 100'000)};
        reply.holdOpen = request.find("/stall") != std::string::npos;
        return reply;
    });
    ScratchDir dir;
    const std::string target = dir / "cut.MP4";
    WriteFile(target, "the complete earlier download");
    lumora::DownloadLimits limits;
    limits.stallTimeout = std::chrono::milliseconds(500);
    for (const char* path : {"/cut", "/stall"}) {
        SCOPED_TRACE(path);
        Recorder recorder;
        EXPECT_EQ(DownloadToFile(Text::FromUtf8(server.Url(path)), Path(target), recorder.Callback(), 0, false, limits),
                  -1);
        EXPECT_FALSE(recorder.steps.empty());  // it did receive the first part
        EXPECT_EQ(ReadFile(target), "the complete earlier download");
        EXPECT_EQ(ReadFile(target + ".part"), body.substr(0, 100'000));
        EXPECT_TRUE(Exists(target + ".resume"));
    }
    // The stalled connection was given up, not left open.
    for (int i = 0; i < 500 && server.ClosedByClient() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(server.ClosedByClient(), 1);
}

// A download asked to stop (the window closing) ends soon, says so, and
// leaves what it received with its record, like a cut connection.
TEST(DownloadRequest, AStoppedDownloadKeepsItsPartForLater) {
    const std::string body = Pattern(kMiB);
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    RawServer server([&](const std::string&, int) { return RawServer::Reply{head + body.substr(0, 100'000), true}; });
    ScratchDir dir;
    const std::string target = dir / "stopped.MP4";
    std::stop_source stop;
    lumora::DownloadLimits limits;
    limits.stallTimeout = std::chrono::seconds(30);
    limits.stop = stop.get_token();
    const auto started = std::chrono::steady_clock::now();
    const lumora::DownloadResult result = lumora::DownloadFile(
        Text::FromUtf8(server.Url("/file")), Path(target),
        [&](std::int64_t, std::int64_t received, std::int64_t) {
            if (received >= 100'000) stop.request_stop();
        },
        lumora::PartialFile::Resume, limits);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failure.kind, lumora::FailureKind::Stopped);
    EXPECT_TRUE(result.partKept);
    EXPECT_FALSE(Exists(target));
    EXPECT_EQ(ReadFile(target + ".part"), body.substr(0, 100'000));
    EXPECT_TRUE(Exists(target + ".resume"));
}

// A second download to the same file while the first still runs fails at
// once and leaves the first one's partial file alone.
TEST(DownloadRequest, AConcurrentDownloadOfTheSameFileFailsAtOnce) {
    const std::string body = Pattern(300'000, 3);
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    std::promise<void> firstBlock;
    std::promise<void> secondDone;
    RawServer server([&](const std::string&, int) {
        RawServer::Reply reply{head + body.substr(0, 100'000)};
        reply.later.push_back({std::chrono::milliseconds(0), body.substr(100'000)});
        return reply;
    });
    ScratchDir dir;
    const std::string target = dir / "shared.MP4";
    std::shared_future<void> secondFinished = secondDone.get_future().share();
    bool signalled = false;
    auto first = std::async(std::launch::async, [&] {
        return DownloadToFile(Text::FromUtf8(server.Url("/a")), Path(target),
                              [&](std::int64_t, std::int64_t, std::int64_t) {
                                  if (signalled) return;
                                  signalled = true;
                                  firstBlock.set_value();
                                  secondFinished.wait_for(std::chrono::seconds(10));
                              });
    });
    ASSERT_EQ(firstBlock.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(DownloadToFile(Text::FromUtf8(server.Url("/b")), Path(target), nullptr), -1);
    EXPECT_TRUE(Exists(target + ".part"));
    secondDone.set_value();
    EXPECT_EQ(first.get(), 0);
    EXPECT_EQ(ReadFile(target), body);
    EXPECT_EQ(server.Requests().size(), 1u);  // the second never reached the network
}

// 8 MiB of zeros packed with gzip: a server that packs the body although
// the request asked for the file as stored.
std::string GzipOfZeros(std::size_t size) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    const std::string zeros(size, '\0');
    std::string packed(deflateBound(&stream, size), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
    stream.avail_in = static_cast<uInt>(zeros.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = static_cast<uInt>(packed.size());
    deflate(&stream, Z_FINISH);
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    return packed;
}

// The bytes on the wire are what is counted and stored: the progress ends at
// exactly the announced length, and the disk holds no more than was sent.
TEST(DownloadRequest, APackedBodyIsStoredAsSentAndProgressEndsAtTheWhole) {
    const std::string packed = GzipOfZeros(8 * kMiB);
    ASSERT_FALSE(packed.empty());
    RawServer server([&](const std::string&, int) {
        return RawServer::Reply{HttpReply("200 OK", {"Content-Encoding: gzip"}, packed)};
    });
    ScratchDir dir;
    const std::string target = dir / "packed.MP4";
    Recorder recorder;
    ASSERT_EQ(DownloadToFile(Text::FromUtf8(server.Url("/packed")), Path(target), recorder.Callback()), 0);
    EXPECT_EQ(ReadFile(target), packed);
    const auto size = static_cast<std::int64_t>(packed.size());
    ExpectWellFormedSteps(recorder.steps, size, size);
    const Step& last = recorder.steps.back();
    EXPECT_TRUE(lumora::DownloadProgressText(last.total, last.received).ToUtf8().ends_with("已完成：100%"));
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_NE(server.Requests()[0].find("\r\nAccept-Encoding: identity\r\n"), std::string::npos);
}

// A success status with nothing in it is no download: it fails, and an
// earlier complete file of that name stays.
TEST(DownloadRequest, AnEmptyBodyFailsAndKeepsTheEarlierFile) {
    RawServer server([](const std::string& request, int) {
        if (request.starts_with("GET /no-content ")) return RawServer::Reply{"HTTP/1.1 204 No Content\r\n\r\n"};
        if (request.starts_with("GET /chunked "))
            return RawServer::Reply{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n"};
        return RawServer::Reply{HttpReply("200 OK", {}, "")};
    });
    ScratchDir dir;
    const std::string earlier = dir / "kept.MP4";
    const std::string fresh = dir / "fresh.MP4";
    WriteFile(earlier, "the complete earlier download");
    for (const char* path : {"/no-content", "/zero-length", "/chunked"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(DownloadToFile(Text::FromUtf8(server.Url(path)), Path(earlier), nullptr), -1);
        EXPECT_EQ(DownloadToFile(Text::FromUtf8(server.Url(path)), Path(fresh), nullptr), -1);
        EXPECT_EQ(ReadFile(earlier), "the complete earlier download");
        EXPECT_FALSE(Exists(fresh));
        EXPECT_FALSE(Exists(earlier + ".part"));
        EXPECT_FALSE(Exists(fresh + ".part"));
    }
}

TEST(DownloadRequest, NoServerFails) {
    ScratchDir dir;
    const std::string target = dir / "none.MP4";
    const Text address = Text::FromUtf8("http://127.0.0.1:" + std::to_string(lumora::test::ClosedPort()) + "/x.mp4");
    EXPECT_EQ(DownloadToFile(address, Path(target), nullptr), -1);
    EXPECT_FALSE(Exists(target));
    EXPECT_FALSE(Exists(target + ".part"));
}

}  // namespace
