// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PlaybackOptions.h"

#include <QGuiApplication>

#include <optional>

namespace lumora {

namespace {

std::optional<PlaybackOptions>& ChosenOptions() {
    static std::optional<PlaybackOptions> options;
    return options;
}

bool HeadlessPlatform() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

}  // namespace

PlaybackOptions CurrentPlaybackOptions() {
    if (ChosenOptions()) return *ChosenOptions();
    PlaybackOptions options;
    options.nullOutputs = HeadlessPlatform();
    return options;
}

void SetPlaybackOptions(const PlaybackOptions& options) { ChosenOptions() = options; }

}  // namespace lumora
