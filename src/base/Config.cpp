// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Config.h"

#include <atomic>
#include <cstdlib>

namespace lumora {

namespace {

constexpr const char* kDefaultHost = "127.0.0.1:8600";
constexpr int kDefaultHandoffPort = 12500;

std::atomic<const Config*> activeOverride{nullptr};

// The trimmed value of a variable; empty when unset or blank.
Text Value(const Config::Lookup& lookup, const char* name) {
    const char* raw = lookup(name);
    if (raw == nullptr) return {};
    return Text::FromUtf8(raw).Trimmed();
}

Text ValueOr(const Config::Lookup& lookup, const char* name, const Text& fallback) {
    Text value = Value(lookup, name);
    return value.Empty() ? fallback : value;
}

std::vector<Text> CommaList(const Text& text) {
    std::vector<Text> items;
    for (const Text& piece : text.Split(Text(","))) {
        Text item = piece.Trimmed();
        if (!item.Empty()) items.push_back(std::move(item));
    }
    return items;
}

// A port number written in decimal digits only, 1 to 65535; else `fallback`.
int PortOr(const Text& text, int fallback) {
    const std::string& digits = text.Bytes();
    if (digits.empty() || digits.size() > 5) return fallback;
    int port = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return fallback;
        port = port * 10 + (c - '0');
    }
    return port >= 1 && port <= 65535 ? port : fallback;
}

}  // namespace

Config Config::Defaults() {
    return FromEnvironment([](const char*) -> const char* { return nullptr; });
}

Config Config::FromEnvironment(const Lookup& given) {
    const Lookup lookup = given ? given : Lookup([](const char* name) { return std::getenv(name); });
    Config c;
    c.catalogueHost = ValueOr(lookup, "LUMORA_CATALOGUE_HOST", Text(kDefaultHost));
    c.serviceHost = ValueOr(lookup, "LUMORA_SERVICE_HOST", Text(kDefaultHost));
    c.songSearchAHost = ValueOr(lookup, "LUMORA_SONG_SEARCH_A_HOST", c.serviceHost);
    c.trackLocatorAHost = ValueOr(lookup, "LUMORA_TRACK_LOCATOR_A_HOST", c.serviceHost);
    c.songSearchBHost = ValueOr(lookup, "LUMORA_SONG_SEARCH_B_HOST", c.serviceHost);
    c.songSearchCHost = ValueOr(lookup, "LUMORA_SONG_SEARCH_C_HOST", c.serviceHost);
    c.mvSearchHost = ValueOr(lookup, "LUMORA_MV_SEARCH_HOST", c.serviceHost);
    c.mvFileHost = ValueOr(lookup, "LUMORA_MV_FILE_HOST", c.serviceHost);
    c.video56InfoHost = ValueOr(lookup, "LUMORA_VIDEO56_INFO_HOST", c.serviceHost);
    c.relayBase = ValueOr(lookup, "LUMORA_RELAY_BASE", "http://" + c.serviceHost + "/mv/");
    c.video56Domain = ValueOr(lookup, "LUMORA_VIDEO56_DOMAIN", Text("56.lumora.test"));
    c.liveHosts = CommaList(
        ValueOr(lookup, "LUMORA_LIVE_HOSTS", Text("live-a.lumora.test,live-b.lumora.test,live-c.lumora.test")));
    c.liveServerPrefix = ValueOr(lookup, "LUMORA_LIVE_SERVER_PREFIX", Text("10.20.30."));
    // A directory name may end in a blank, so this one is taken as written.
    const char* downloadDir = lookup("LUMORA_DOWNLOAD_DIR");
    if (downloadDir != nullptr) c.downloadDir = Text::FromUtf8(downloadDir);
    c.instanceMarker = Value(lookup, "LUMORA_INSTANCE_MARKER");
    c.handoffPort = PortOr(Value(lookup, "LUMORA_HANDOFF_PORT"), kDefaultHandoffPort);
    return c;
}

const Config& Config::Get() {
    if (const Config* forced = activeOverride.load(std::memory_order_acquire)) return *forced;
    static const Config fromEnvironment = FromEnvironment();
    return fromEnvironment;
}

ScopedConfigOverride::ScopedConfigOverride(Config config)
    : config_(std::move(config)), previous_(activeOverride.exchange(&config_, std::memory_order_acq_rel)) {}

ScopedConfigOverride::~ScopedConfigOverride() { activeOverride.store(previous_, std::memory_order_release); }

}  // namespace lumora
