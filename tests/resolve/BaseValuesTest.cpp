// SPDX-License-Identifier: GPL-3.0-or-later
// The time text and the configured values.
#include "base/Config.h"
#include "base/TimeText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

namespace lumora {
namespace {

TEST(TimeText, FormatTime) {
    const std::vector<std::pair<long long, const char*>> cases = {
        {3725, "01:02:05"},  {59, "00:00:59"},      {0, "00:00:00"},  {3600, "01:00:00"},
        {86399, "23:59:59"}, {360000, "100:00:00"}, {-5, "00:00:00"},
    };
    for (const auto& [seconds, expected] : cases) EXPECT_EQ(FormatTime(seconds), Text(expected)) << seconds;
}

TEST(TimeText, WholeSeconds) {
    constexpr long long most = std::numeric_limits<long long>::max();
    constexpr long long least = std::numeric_limits<long long>::min();
    const double infinity = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<double, long long>> cases = {
        {1.9, 1}, {-1.9, -1}, {std::nan(""), 0}, {1e30, most}, {-1e30, least}, {infinity, most}, {-infinity, least},
    };
    for (const auto& [seconds, expected] : cases) EXPECT_EQ(WholeSeconds(seconds), expected) << seconds;
}

Config::Lookup From(const std::map<std::string, std::string>& variables) {
    return [variables](const char* name) -> const char* {
        const auto found = variables.find(name);
        return found == variables.end() ? nullptr : found->second.c_str();
    };
}

TEST(Config, DefaultsPointAtTheLocalSite) {
    const Config c = Config::Defaults();
    for (const Text* host :
         {&c.catalogueHost, &c.serviceHost, &c.songSearchAHost, &c.trackLocatorAHost, &c.songSearchBHost,
          &c.songSearchCHost, &c.mvSearchHost, &c.mvFileHost, &c.video56InfoHost})
        EXPECT_EQ(*host, Text("127.0.0.1:8600"));
    EXPECT_EQ(c.relayBase, Text("http://127.0.0.1:8600/mv/"));
    EXPECT_EQ(c.video56Domain, Text("56.lumora.test"));
    EXPECT_EQ(c.liveHosts, (std::vector<Text>{"live-a.lumora.test", "live-b.lumora.test", "live-c.lumora.test"}));
    EXPECT_EQ(c.liveServerPrefix, Text("10.20.30."));
    EXPECT_TRUE(c.downloadDir.Empty());
}

TEST(Config, ServiceHostCoversEndpointsNotSetOnTheirOwn) {
    const Config c = Config::FromEnvironment(From({
        {"LUMORA_SERVICE_HOST", " services.test:81 "},
        {"LUMORA_MV_FILE_HOST", "files.test"},
        {"LUMORA_SONG_SEARCH_B_HOST", ""},  // empty: as if unset
        {"LUMORA_CATALOGUE_HOST", "catalogue.test:8080"},
    }));
    EXPECT_EQ(c.catalogueHost, Text("catalogue.test:8080"));
    EXPECT_EQ(c.serviceHost, Text("services.test:81"));
    EXPECT_EQ(c.mvFileHost, Text("files.test"));
    EXPECT_EQ(c.songSearchBHost, Text("services.test:81"));
    EXPECT_EQ(c.video56InfoHost, Text("services.test:81"));
    EXPECT_EQ(c.relayBase, Text("http://services.test:81/mv/"));
}

TEST(Config, ListsAndTextsAsWritten) {
    const Config c = Config::FromEnvironment(From({
        {"LUMORA_LIVE_HOSTS", " one.test, two.test,,三.test ,"},
        {"LUMORA_LIVE_SERVER_PREFIX", "192.0.2."},
        {"LUMORA_RELAY_BASE", "http://relay.test/mv/"},
        {"LUMORA_VIDEO56_DOMAIN", "video56.test"},
        {"LUMORA_DOWNLOAD_DIR", "/tmp/下载 "},
    }));
    EXPECT_EQ(c.liveHosts, (std::vector<Text>{"one.test", "two.test", "三.test"}));
    EXPECT_EQ(c.liveServerPrefix, Text("192.0.2."));
    EXPECT_EQ(c.relayBase, Text("http://relay.test/mv/"));
    EXPECT_EQ(c.video56Domain, Text("video56.test"));
    EXPECT_EQ(c.downloadDir, Text("/tmp/下载 "));  // GBK inside, the blank kept
}

TEST(Config, OverrideAnswersUntilItEnds) {
    const Text before = Config::Get().liveServerPrefix;
    {
        Config changed = Config::Defaults();
        changed.liveServerPrefix = "198.51.100.";
        ScopedConfigOverride scoped(changed);
        EXPECT_EQ(Config::Get().liveServerPrefix, Text("198.51.100."));
    }
    EXPECT_EQ(Config::Get().liveServerPrefix, before);
}

}  // namespace
}  // namespace lumora
