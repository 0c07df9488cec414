// The controls a host widget can create, by the name in its window text.
#include "platform/ControlHost.h"
#include "platform/MediaPlayerControl.h"
#include "platform/MovieControl.h"
#include "platform/VideoSurface.h"

#include <QByteArray>

namespace lumora {

namespace {

bool Names(const Text& windowText, const char* name) {
    // Class names and identifiers are looked up without regard to case.
    return QByteArray::fromStdString(windowText.Bytes()).compare(name, Qt::CaseInsensitive) == 0;
}

// A session whose video, unless the outputs are null, shows in `host`
// once its core is there (a core started late gets its surface then).
std::unique_ptr<MpvSession> SessionIn(ControlHost& host) {
    auto session = std::make_unique<MpvSession>(CurrentPlaybackOptions());
    if (!session->RendersVideo()) return session;
    MpvSession* player = session.get();
    if (player->Started())
        new VideoSurface(player, &host);
    else
        QObject::connect(
            player, &MpvSession::CoreStarted, &host, [player, &host] { new VideoSurface(player, &host); },
            Qt::SingleShotConnection);
    return session;
}

}  // namespace

AutomationRef CreateHostedControl(const Text& windowText, ControlHost& host) {
    if (Names(windowText, kMovieControlName)) return std::make_shared<MovieControl>(SessionIn(host));
    if (Names(windowText, kMediaPlayerControlName)) return std::make_shared<MediaPlayerControl>(SessionIn(host));
    return nullptr;
}

}  // namespace lumora
