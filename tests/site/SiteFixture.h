// SPDX-License-Identifier: GPL-3.0-or-later
// One lumora-site server on an ephemeral loopback port, shared by the tests
// of a suite, with the bundled demo data and a short stall.
#pragma once

#include "base/Text.h"
#include "script/RegexObject.h"
#include "site/SiteServer.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

namespace lumora::site::test {

// The pattern a player reads a list page with, exactly.
inline constexpr const char* kListPattern =
    R"re(</div><a href="/vod/index\.php\?id=(\d+)" target="_blank" title="(.*?) " alt=)re";

struct ListRow {
    std::string id;
    std::string title;  // UTF-8
    bool operator==(const ListRow&) const = default;
};

// The rows the list pattern finds in a UTF-8 page, in match order.
inline std::vector<ListRow> ListRows(const std::string& utf8Page) {
    RegexObject regex;
    EXPECT_TRUE(regex.Create(Text(kListPattern), Text::FromUtf8(utf8Page)));
    std::vector<ListRow> rows;
    for (int i = 1; i <= regex.MatchCount(); ++i)
        rows.push_back({regex.SubMatchText(i, 1).ToUtf8(), regex.SubMatchText(i, 2).ToUtf8()});
    return rows;
}

// The text after `start` up to the next `end` (empty when either is missing).
inline std::string Between(const std::string& text, const std::string& start, const std::string& end) {
    const std::size_t from = text.find(start);
    if (from == std::string::npos) return {};
    const std::size_t to = text.find(end, from + start.size());
    if (to == std::string::npos) return {};
    return text.substr(from + start.size(), to - from - start.size());
}

inline std::string Unslash(std::string text) {
    for (std::size_t at = text.find("\\/"); at != std::string::npos; at = text.find("\\/", at + 1)) text.erase(at, 1);
    return text;
}

class SiteTest : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        std::string error;
        std::optional<SiteData> data = LoadSiteData(BundledDataDir(), &error);
        ASSERT_TRUE(data) << error;
        ASSERT_TRUE(data->warnings.empty()) << data->warnings.front();
        SiteOptions options;
        options.port = 0;
        options.stallSeconds = 5;
        server_ = new SiteServer(std::move(*data), options);
        ASSERT_TRUE(server_->Start(&error)) << error;
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }

    static int Port() { return server_->Port(); }
    static std::string Host() { return "127.0.0.1:" + std::to_string(Port()); }

    static std::unique_ptr<httplib::Client> Client() {
        auto client = std::make_unique<httplib::Client>("127.0.0.1", Port());
        client->set_connection_timeout(2);
        client->set_read_timeout(5);
        return client;
    }

    // GET of a path on the site; a failed request reads as status -1.
    static httplib::Response Get(const std::string& path, const httplib::Headers& headers = {}) {
        httplib::Result result = Client()->Get(path, headers);
        if (!result) return httplib::Response{};
        return result.value();
    }

    // GET of an absolute address on this site, following redirects.
    static httplib::Response GetAddress(const std::string& address) {
        const std::string prefix = "http://" + Host();
        if (address.compare(0, prefix.size(), prefix) != 0) {
            ADD_FAILURE() << "not an address on the site: " << address;
            return {};
        }
        auto client = Client();
        client->set_follow_location(true);
        httplib::Result result = client->Get(address.substr(prefix.size()));
        return result ? result.value() : httplib::Response{};
    }

    // The head of the raw answer to a GET of `target`, bytes as sent (the
    // httplib client decodes %XX in header values, Location included).
    static std::string RawHead(const std::string& target) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(Port()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        std::string answer;
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            const std::string request =
                "GET " + target + " HTTP/1.1\r\nHost: " + Host() + "\r\nConnection: close\r\n\r\n";
            if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
                char chunk[4096];
                pollfd p{fd, POLLIN, 0};
                while (answer.find("\r\n\r\n") == std::string::npos && poll(&p, 1, 5000) > 0) {
                    const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
                    if (n <= 0) break;
                    answer.append(chunk, static_cast<std::size_t>(n));
                }
            }
        }
        close(fd);
        return answer.substr(0, answer.find("\r\n\r\n"));
    }

    // One header's value from a raw head; empty when absent.
    static std::string HeadValue(const std::string& head, const std::string& name) {
        return Between(head + "\r\n", "\r\n" + name + ": ", "\r\n");
    }

    static SiteServer* server_;
};

inline SiteServer* SiteTest::server_ = nullptr;

}  // namespace lumora::site::test
