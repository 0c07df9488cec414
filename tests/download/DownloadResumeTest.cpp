// SPDX-License-Identifier: GPL-3.0-or-later
// Continuing an interrupted download against servers on 127.0.0.1 that
// honour or ignore ranges, change the file between attempts, cut the
// connection at a given byte or answer 416: the finished file is always the
// server's file, and a continued download asks only for the missing bytes.
#include "download/DownloadToFile.h"

#include "DownloadTestSupport.h"
#include "RawServer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

using downloadtest::Exists;
using downloadtest::Pattern;
using downloadtest::ReadFile;
using downloadtest::ScratchDir;
using downloadtest::WriteFile;
using lumora::DownloadFile;
using lumora::DownloadResult;
using lumora::PartialFile;
using lumora::Text;
using lumora::test::RawServer;

constexpr std::size_t kSize = 3 * 1024 * 1024;
constexpr std::size_t kCut = 1'000'000;
constexpr std::size_t kAll = std::string::npos;

// How the server answers one request.
struct Behaviour {
    enum Ranges {
        Honour,         // 206 for a Range whose If-Range matches, else 200
        IgnoreIfRange,  // 206 for any Range, If-Range or not
        Ignore,         // always the whole file with 200
        Refuse,         // 416 for any Range
        Misplace,       // 206 that starts 1000 bytes before the asked byte
        Overlong,       // a fitting 206 with 1000 bytes more than its range
    } ranges = Honour;
    std::string etag = "\"v1\"";
    std::string lastModified = "Mon, 07 Dec 2026 10:00:00 GMT";
    const std::string* body = nullptr;
    std::size_t cutAt = kAll;  // body bytes sent before the connection is cut
    std::string errorStatus;   // answer with this status and a short page instead
};

// What the server saw and sent for one request.
struct Exchange {
    std::optional<std::size_t> rangeStart;  // "Range:bytes=N-"
    std::string ifRange;
    std::size_t bodyBytes = 0;
};

std::string Header(const std::string& request, const std::string& name) {
    const std::size_t at = request.find("\r\n" + name);
    if (at == std::string::npos) return {};
    const std::size_t from = at + 2 + name.size();
    return request.substr(from, request.find("\r\n", from) - from);
}

// Serves one address throughout a test; from Serve on, answers its i-th
// request with behaviours[i] (the last one for every later request).
class FileServer {
public:
    FileServer() : server_([this](const std::string& request, int) { return Answer(request); }) {}

    void Serve(std::vector<Behaviour> behaviours) {
        std::lock_guard lock(mutex_);
        behaviours_ = std::move(behaviours);
        exchanges_.clear();
    }
    Text Url() const { return Text::FromUtf8(server_.Url("/film.mp4")); }
    std::vector<Exchange> Exchanges() const {
        std::lock_guard lock(mutex_);
        return exchanges_;
    }

private:
    RawServer::Reply Answer(const std::string& request) {
        std::lock_guard lock(mutex_);
        const Behaviour& b = behaviours_.at(std::min(exchanges_.size(), behaviours_.size() - 1));
        Exchange exchange;
        const std::string range = Header(request, "Range:bytes=");
        if (!range.empty()) exchange.rangeStart = std::stoull(range);
        exchange.ifRange = Header(request, "If-Range: ");
        if (!b.errorStatus.empty()) {
            exchanges_.push_back(exchange);
            return RawServer::Reply{lumora::test::HttpReply(b.errorStatus, {}, "an error page")};
        }
        const std::string& body = *b.body;

        std::string status = "200 OK";
        std::string lines;
        std::size_t from = 0;
        if (exchange.rangeStart) {
            const std::size_t start = *exchange.rangeStart;
            const bool validatorHolds =
                exchange.ifRange.empty() || exchange.ifRange == b.etag || exchange.ifRange == b.lastModified;
            if (b.ranges == Behaviour::Refuse || (b.ranges != Behaviour::Ignore && start >= body.size())) {
                status = "416 Range Not Satisfiable";
                lines = "Content-Range: bytes */" + std::to_string(body.size()) + "\r\n";
                from = body.size();
            } else if (b.ranges == Behaviour::IgnoreIfRange || b.ranges == Behaviour::Misplace ||
                       b.ranges == Behaviour::Overlong || (b.ranges == Behaviour::Honour && validatorHolds)) {
                from = b.ranges == Behaviour::Misplace ? start - 1000 : start;
                status = "206 Partial Content";
                lines = "Content-Range: bytes " + std::to_string(from) + "-" + std::to_string(body.size() - 1) + "/" +
                        std::to_string(body.size()) + "\r\n";
            }
        }
        if (!b.etag.empty()) lines += "ETag: " + b.etag + "\r\n";
        if (!b.lastModified.empty()) lines += "Last-Modified: " + b.lastModified + "\r\n";
        std::string content = body.substr(from);
        if (b.ranges == Behaviour::Overlong && exchange.rangeStart) content += std::string(1000, 'x');
        const std::string sent = content.substr(0, b.cutAt);
        exchange.bodyBytes = sent.size();
        exchanges_.push_back(exchange);
        return RawServer::Reply{"HTTP/1.1 " + status + "\r\n" + lines + "Content-Length: " +
                                std::to_string(content.size()) + "\r\nConnection: close\r\n\r\n" + sent};
    }

    std::vector<Behaviour> behaviours_;
    mutable std::mutex mutex_;
    std::vector<Exchange> exchanges_;
    RawServer server_;
};

struct Steps {
    std::vector<std::int64_t> received;
    std::vector<std::int64_t> totals;
    lumora::DownloadProgress Callback() {
        return [this](std::int64_t total, std::int64_t got, std::int64_t) {
            totals.push_back(total);
            received.push_back(got);
        };
    }
};

class Resume : public ::testing::Test {
protected:
    FileServer& Use(std::vector<Behaviour> behaviours) {
        server_.Serve(std::move(behaviours));
        return server_;
    }

    DownloadResult Download(FileServer& server, PartialFile partial = PartialFile::Resume, Steps* steps = nullptr) {
        Steps ignored;
        return DownloadFile(server.Url(), Text::FromUtf8(target_), (steps ? steps : &ignored)->Callback(), partial);
    }

    // A first attempt whose connection is cut after kCut bytes of `body`.
    void CutFirstAttempt(const std::string& body, Behaviour first = {}) {
        std::filesystem::remove(target_);
        first.body = &body;
        first.cutAt = kCut;
        FileServer& server = Use({first});
        const DownloadResult result = Download(server);
        ASSERT_FALSE(result.ok);
        ASSERT_TRUE(result.partKept);
        ASSERT_EQ(ReadFile(part_), body.substr(0, kCut));
        ASSERT_TRUE(Exists(record_));
        ASSERT_FALSE(Exists(target_));
    }

    void ExpectDone(const DownloadResult& result, const std::string& body) {
        EXPECT_TRUE(result.ok) << result.failure.reason;
        EXPECT_EQ(ReadFile(target_), body);
        EXPECT_FALSE(Exists(part_));
        EXPECT_FALSE(Exists(record_));
    }

    const std::string body_ = Pattern(kSize, 1);
    const std::string changed_ = Pattern(kSize + 4096, 2);
    FileServer server_;
    ScratchDir dir_;
    const std::string target_ = dir_ / "film.MP4";
    const std::string part_ = target_ + ".part";
    const std::string record_ = target_ + ".resume";
};

// Only the missing bytes cross the wire, asked for with the validator, and
// the progress goes on from the kept size toward the whole length.
TEST_F(Resume, ContinuesWithOnlyTheMissingBytes) {
    struct Case {
        const char* name;
        Behaviour server;
        std::string ifRange;
    };
    Behaviour weak;
    weak.etag = "W/\"v1\"";  // never used in If-Range
    Behaviour dated;
    dated.etag = "";
    Behaviour bare;
    bare.etag = "";
    bare.lastModified = "";
    const std::vector<Case> cases = {
        {"strong ETag", {}, "\"v1\""},
        {"weak ETag", weak, "Mon, 07 Dec 2026 10:00:00 GMT"},
        {"Last-Modified only", dated, "Mon, 07 Dec 2026 10:00:00 GMT"},
        {"no validator", bare, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(CutFirstAttempt(body_, c.server));
        Behaviour second = c.server;
        second.body = &body_;
        FileServer& server = Use({second});
        Steps steps;
        const DownloadResult result = Download(server, PartialFile::Resume, &steps);
        ExpectDone(result, body_);
        EXPECT_EQ(result.resumedFrom, static_cast<std::int64_t>(kCut));
        const std::vector<Exchange> exchanges = server.Exchanges();
        ASSERT_EQ(exchanges.size(), 1u);
        EXPECT_EQ(exchanges[0].rangeStart, kCut);
        EXPECT_EQ(exchanges[0].ifRange, c.ifRange);
        EXPECT_EQ(exchanges[0].bodyBytes, kSize - kCut);
        ASSERT_FALSE(steps.received.empty());
        EXPECT_GT(steps.received.front(), static_cast<std::int64_t>(kCut));
        EXPECT_LE(steps.received.front(), static_cast<std::int64_t>(kCut + lumora::kDownloadBlockBytes));
        EXPECT_EQ(steps.received.back(), static_cast<std::int64_t>(kSize));
        for (const std::int64_t total : steps.totals) EXPECT_EQ(total, static_cast<std::int64_t>(kSize));
    }
}

// Whenever the answer does not continue the kept bytes, the file is fetched
// whole, and it is the server's current file.
TEST_F(Resume, EverythingElseStartsOver) {
    struct Case {
        const char* name;
        Behaviour second;
        const std::string* expected;
        std::size_t requests;  // on the second attempt
    };
    Behaviour ignores;
    ignores.ranges = Behaviour::Ignore;
    Behaviour changedHonours;
    changedHonours.etag = "\"v2\"";
    changedHonours.lastModified = "Tue, 08 Dec 2026 10:00:00 GMT";
    changedHonours.body = &changed_;
    Behaviour changedIgnoresIfRange = changedHonours;
    changedIgnoresIfRange.ranges = Behaviour::IgnoreIfRange;
    Behaviour refuses;
    refuses.ranges = Behaviour::Refuse;
    Behaviour misplaces;
    misplaces.ranges = Behaviour::Misplace;
    Behaviour longer;  // the same validators, another length
    longer.ranges = Behaviour::IgnoreIfRange;
    longer.body = &changed_;
    const std::vector<Case> cases = {
        {"200 to the range", ignores, &body_, 1},
        {"changed file, If-Range honoured", changedHonours, &changed_, 1},
        {"changed file, If-Range ignored", changedIgnoresIfRange, &changed_, 2},
        {"416", refuses, &body_, 2},
        {"range starting elsewhere", misplaces, &body_, 2},
        {"another whole length", longer, &changed_, 2},
    };
    for (Case c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(CutFirstAttempt(body_));
        if (!c.second.body) c.second.body = &body_;
        FileServer& server = Use({c.second});
        const DownloadResult result = Download(server);
        ExpectDone(result, *c.expected);
        EXPECT_EQ(result.resumedFrom, 0);
        const std::vector<Exchange> exchanges = server.Exchanges();
        ASSERT_EQ(exchanges.size(), c.requests);
        EXPECT_EQ(exchanges.front().rangeStart, kCut);
        // A second request asks for the whole file.
        EXPECT_FALSE(exchanges.back().rangeStart.has_value() && c.requests == 2);
    }
}

// Kept bytes that cannot be trusted are never continued: the request asks
// for the whole file, and nothing crashes on odd leftovers.
TEST_F(Resume, LeftoversThatDoNotFitAreFetchedWhole) {
    const std::string keep = "(as the cut left it)";
    const std::string remove = "(removed)";
    struct Case {
        const char* name;
        std::string part;
        std::string record;
        PartialFile partial = PartialFile::Resume;
    };
    const std::vector<Case> cases = {
        {"record without .part", remove, keep},
        {".part without record", keep, remove},
        {".part longer than the recorded length", body_ + "extra", keep},
        {"record of another address", keep,
         "lumora-resume 1\naddress http://127.0.0.1:1/other.mp4\netag \"v1\"\nlast-modified \nlength 3145728\n"},
        {"damaged record", keep, "lumora-resume 1\naddress http://127.0.0.1:1/fi"},
        {"binary record", keep, std::string("\0\xff\n\n", 4)},
        {"told to start over", keep, keep, PartialFile::StartOver},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(CutFirstAttempt(body_));
        for (const auto& [path, change] : {std::pair{part_, c.part}, std::pair{record_, c.record}}) {
            if (change == remove)
                std::filesystem::remove(path);
            else if (change != keep)
                WriteFile(path, change);
        }
        Behaviour whole;
        whole.body = &body_;
        FileServer& server = Use({whole});
        const DownloadResult result = Download(server, c.partial);
        ExpectDone(result, body_);
        const std::vector<Exchange> exchanges = server.Exchanges();
        ASSERT_EQ(exchanges.size(), 1u);
        EXPECT_FALSE(exchanges[0].rangeStart.has_value());
        EXPECT_EQ(exchanges[0].bodyBytes, kSize);
    }
}

// A .part that holds the whole file (the program ended before renaming it)
// costs one byte, so the server still vouches for the file; a second cut
// keeps what both attempts received.
TEST_F(Resume, AWholePartAndASecondCut) {
    ASSERT_NO_FATAL_FAILURE(CutFirstAttempt(body_));
    Behaviour cutAgain;
    cutAgain.body = &body_;
    cutAgain.cutAt = 500'000;
    {
        FileServer& server = Use({cutAgain});
        const DownloadResult result = Download(server);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.partKept);
        EXPECT_EQ(ReadFile(part_), body_.substr(0, kCut + 500'000));
    }
    WriteFile(part_, body_);
    Behaviour whole;
    whole.body = &body_;
    FileServer& server = Use({whole});
    const DownloadResult result = Download(server);
    ExpectDone(result, body_);
    ASSERT_EQ(server.Exchanges().size(), 1u);
    EXPECT_EQ(server.Exchanges()[0].rangeStart, kSize - 1);
    EXPECT_EQ(server.Exchanges()[0].bodyBytes, 1u);
}

// Another download holds the .part: this one fails before any request, and
// neither the .part nor its record changes.
TEST_F(Resume, APartLockedByAnotherDownloadIsNeverTouched) {
    ASSERT_NO_FATAL_FAILURE(CutFirstAttempt(body_));
    const std::string record = ReadFile(record_);
    const int held = open(part_.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    for (const PartialFile partial : {PartialFile::Resume, PartialFile::StartOver}) {
        Behaviour whole;
        whole.body = &body_;
        FileServer& server = Use({whole});
        const DownloadResult result = Download(server, partial);
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.partKept);
        EXPECT_NE(result.failure.reason.find("another download"), std::string::npos) << result.failure.reason;
        EXPECT_TRUE(server.Exchanges().empty());
        EXPECT_EQ(ReadFile(part_), body_.substr(0, kCut));
        EXPECT_EQ(ReadFile(record_), record);
        EXPECT_FALSE(Exists(target_));
    }
    close(held);
}

// Failures say why, and keep the received bytes only where a record
// describes them.
TEST_F(Resume, FailuresSayWhyAndKeepOnlyDescribedBytes) {
    Behaviour missing;
    missing.errorStatus = "404 Not Found";
    Behaviour busy;
    busy.errorStatus = "503 Service Unavailable";

    // An error answer before any byte: nothing is left behind.
    DownloadResult result = Download(Use({missing}));
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.partKept);
    EXPECT_NE(result.failure.reason.find("404"), std::string::npos) << result.failure.reason;
    EXPECT_FALSE(Exists(part_));
    EXPECT_FALSE(Exists(record_));

    // An error answer to a later attempt keeps what the first one received.
    ASSERT_NO_FATAL_FAILURE(CutFirstAttempt(body_));
    result = Download(Use({busy}));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.partKept);
    EXPECT_NE(result.failure.reason.find("503"), std::string::npos) << result.failure.reason;
    EXPECT_EQ(ReadFile(part_), body_.substr(0, kCut));
    EXPECT_TRUE(Exists(record_));

    // A range that brings more than the file: the excess never lands.
    Behaviour overlong;
    overlong.ranges = Behaviour::Overlong;
    overlong.body = &body_;
    result = Download(Use({overlong}));
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(Exists(target_));
    EXPECT_LE(std::filesystem::file_size(part_), kSize);
    EXPECT_EQ(ReadFile(part_), body_.substr(0, std::filesystem::file_size(part_)));
}

}  // namespace
