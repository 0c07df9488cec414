// SPDX-License-Identifier: GPL-3.0-or-later
// The controls a host widget can create, by the name in its window text.
#include "engines/ControlHost.h"
#include "engines/MediaPlayerControl.h"
#include "engines/MovieControl.h"
#include "player/MpvPlayer.h"

#include <QByteArray>

namespace lumora {

namespace {

bool Names(const Text& windowText, const char* name) {
    // Class names and identifiers are looked up without regard to case.
    return QByteArray::fromStdString(windowText.Bytes()).compare(name, Qt::CaseInsensitive) == 0;
}

}  // namespace

AutomationRef CreateHostedControl(const Text& windowText, ControlHost& host) {
    // The player's picture shows in the host.
    if (Names(windowText, kMovieControlName)) return std::make_shared<MovieControl>(std::make_unique<MpvPlayer>(&host));
    if (Names(windowText, kMediaPlayerControlName))
        return std::make_shared<MediaPlayerControl>(std::make_unique<MpvPlayer>(&host));
    return nullptr;
}

}  // namespace lumora
