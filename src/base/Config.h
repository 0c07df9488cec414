// SPDX-License-Identifier: GPL-3.0-or-later
// The configured values: where the catalogue site and the web services live,
// the markers of live streams and of the 56 video service, and where downloads
// go, and the single-instance marker and handoff port of the player. They
// come from LUMORA_* environment variables, read once; a variable
// that is unset or empty takes its default, which points at lumora-site on
// 127.0.0.1:8600. The program reads no configuration file.
#pragma once

#include "base/Text.h"

#include <functional>
#include <vector>

namespace lumora {

struct Config {
    Text catalogueHost;           // LUMORA_CATALOGUE_HOST, host[:port]
    Text serviceHost;             // LUMORA_SERVICE_HOST, default of every endpoint below
    Text songSearchAHost;         // LUMORA_SONG_SEARCH_A_HOST
    Text trackLocatorAHost;       // LUMORA_TRACK_LOCATOR_A_HOST
    Text songSearchBHost;         // LUMORA_SONG_SEARCH_B_HOST
    Text songSearchCHost;         // LUMORA_SONG_SEARCH_C_HOST
    Text mvSearchHost;            // LUMORA_MV_SEARCH_HOST
    Text mvFileHost;              // LUMORA_MV_FILE_HOST
    Text video56InfoHost;         // LUMORA_VIDEO56_INFO_HOST
    Text relayBase;               // LUMORA_RELAY_BASE, ends in "/mv/"
    Text video56Domain;           // LUMORA_VIDEO56_DOMAIN
    std::vector<Text> liveHosts;  // LUMORA_LIVE_HOSTS, comma-separated
    Text liveServerPrefix;        // LUMORA_LIVE_SERVER_PREFIX, three octets and a dot
    Text downloadDir;             // LUMORA_DOWNLOAD_DIR; empty: the user's download folder
    Text instanceMarker;          // LUMORA_INSTANCE_MARKER; empty: the marker text and the user id
    int handoffPort = 0;          // LUMORA_HANDOFF_PORT, 1 to 65535; anything else: 12500

    // The process's configuration: the active override when a test set one,
    // else the environment as read on the first call (thread-safe).
    static const Config& Get();

    // A configuration built from `lookup` (name → value or null; values are
    // UTF-8). Without a lookup, the process environment.
    using Lookup = std::function<const char*(const char* name)>;
    static Config FromEnvironment(const Lookup& lookup = {});

    // The values when no variable is set.
    static Config Defaults();
};

// Makes Config::Get() answer `config` while it lives, for tests that need
// other values without touching the environment. Not nestable across
// threads: create and destroy it on one thread while no worker reads.
class ScopedConfigOverride {
public:
    explicit ScopedConfigOverride(Config config);
    ~ScopedConfigOverride();
    ScopedConfigOverride(const ScopedConfigOverride&) = delete;
    ScopedConfigOverride& operator=(const ScopedConfigOverride&) = delete;

private:
    Config config_;
    const Config* previous_;
};

}  // namespace lumora
