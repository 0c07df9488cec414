// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/FlashMovieEngine.h"
#include "engines/EngineStates.h"

#include "base/NumberText.h"
#include "base/TimeText.h"
#include "engines/CarriedMovie.h"
#include "platform/MediaTexts.h"
#include "platform/SwfMovie.h"
#include "script/Codings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <stdlib.h>

#include <algorithm>
#include <climits>

namespace lumora {

namespace {

constexpr qint64 kMaxMovieFile = 32 << 20;

int ToInt(long long value) { return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX)); }

int Seconds(double value) { return ToInt(WholeSeconds(value)); }

// A new directory with mode 0700 under XDG_RUNTIME_DIR (the user's own), else
// under the temporary directory; empty when none can be made.
QString PrivateDirectory() {
    QStringList bases;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) bases << runtime;
    bases << QDir::tempPath();
    for (const QString& base : bases) {
        QByteArray pattern = QFile::encodeName(base + "/lumora-XXXXXX");
        if (mkdtemp(pattern.data())) return QFile::decodeName(pattern);
    }
    return {};
}

// Whether `path` holds the player movie: a regular file (a pipe would wait
// for a writer for good) of bounded size.
bool ReadsAsPlayerMovie(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly) || file.size() > kMaxMovieFile)
        return false;
    return IsPlayerMovie(file.read(kMaxMovieFile + 1).toStdString());
}


}  // namespace

void FlashMovieEngine::Create(QWidget* parent, int left, int top, int width, int height,
                              const RightClickHandler& handler) {
    // The movie file lives in a directory of this process alone: a name in the
    // shared temporary directory could be taken by anyone.
    const QString directory = PrivateDirectory();
    const QString path = directory.isEmpty() ? QString() : directory + "/Player.Swf";
    moviePath = Text::FromUtf8(path.toStdString());
    movieMissing_ = path.isEmpty() || !WriteCarriedMovie(path) || !ReadsAsPlayerMovie(path);
    urlGiven_ = false;
    movieHost.CreatePlayerHost(parent, left, top, width, height);
    // From the parent down, so every widget of the video area is covered,
    // the other engine's included.
    if (QWidget* area = movieHost.ParentWindow()) SubclassTree(area, handler);
    // The movie has been read; nothing of it stays on disk.
    if (!path.isEmpty()) QFile::remove(path);
    if (!directory.isEmpty()) QDir().rmdir(directory);
    SetVolume(100);
}

Player* FlashMovieEngine::Movie() const { return movieMissing_ ? nullptr : movieHost.Engine(); }

bool FlashMovieEngine::SetVisible(int show) {
    movieHost.SetVisible(show == 1 ? 1 : 0);
    return show == 1;
}

void FlashMovieEngine::Play() {
    Player* player = Movie();
    if (!player) return;
    switch (player->CurrentPhase()) {
        case Player::Phase::Opening:
        case Player::Phase::Loaded:
            player->SetPaused(!player->Paused());
            break;
        case Player::Phase::Ended:
        case Player::Phase::Stopped:
        case Player::Phase::Failed:
            player->Restart();
            break;
        case Player::Phase::Empty:
            break;
    }
}

void FlashMovieEngine::Stop() {
    openFailed_ = false;
    if (Player* player = Movie()) player->Stop();
}

void FlashMovieEngine::SetPlayUrl(const Text& address) {
    // Without its movie the engine can't open anything.
    openFailed_ = movieMissing_;
    Player* player = Movie();
    if (!player) return;
    urlGiven_ = true;
    // A network address goes out with the bytes it was given: decoding its
    // escapes would turn UTF-8 escapes into GBK characters and let "%26",
    // "%3D" or "%3F" change what the address means. A local path is decoded.
    player->Open(address.Contains("://") ? address : PercentDecode(address));
}

void FlashMovieEngine::SetVolume(int volume) {
    if (Player* player = Movie()) player->SetVolume(std::clamp(volume, 0, 100));
}

void FlashMovieEngine::SetScaleMode(int mode) {
    Player* player = Movie();
    if (!player) return;
    player->SetVideoOption("keepaspect", mode >= 1 && mode <= 3 ? "yes" : "no");
    player->SetVideoOption("panscan", mode == 2 ? "1.0" : "0.0");
    player->SetVideoOption("video-unscaled", mode == 3 ? "yes" : "no");
}

void FlashMovieEngine::NoVolume() {
    if (Player* player = Movie()) player->SetVolume(0);
}

int FlashMovieEngine::SetPan(int channel) {
    if (channel < 0 || channel > 3) return 0;
    if (Player* player = Movie()) {
        if (channel == 3)
            player->SetMonoMix();
        else
            player->SetChannelGains(channel == 2 ? 0 : 1, channel == 1 ? 0 : 1);
    }
    return channel;
}

int FlashMovieEngine::GetPlayState() {
    if (openFailed_) return MovieStateCode(MovieState::Failed);
    const Player* player = Movie();
    return MovieStateCode(player ? MovieStateOf(*player) : MovieState::Stopped);
}

Text FlashMovieEngine::GetFlvUrl() {
    const Player* player = Movie();
    if (!player || !urlGiven_) return {};
    const Text& address = player->Address();
    if (address.Length() < 4 || address == "undefined") return {};
    return address;
}

Text FlashMovieEngine::GetTotalTimeString() {
    const Player* player = Movie();
    return player ? MinutesText(player->Duration()) : Text();
}

Text FlashMovieEngine::GetTimeString() {
    const Player* player = Movie();
    return player ? MinutesText(player->Position()) : Text();
}

Text FlashMovieEngine::GetPlayTimeString() {
    const Player* player = Movie();
    return player ? MinutesText(player->Position()) + "/" + MinutesText(player->Duration()) : Text();
}

void FlashMovieEngine::SetSeek(int position) {
    if (Player* player = Movie()) player->Seek(position);
}

int FlashMovieEngine::GetTotalTime() {
    const Player* player = Movie();
    return player ? Seconds(player->Duration()) : 0;
}

Text FlashMovieEngine::GetInfoCode() {
    const Player* player = Movie();
    return player ? MovieInfoCode(*player, urlGiven_) : Text();
}

int FlashMovieEngine::GetPlayWidth() {
    const Player* player = Movie();
    return player ? player->VideoWidth() : 0;
}

int FlashMovieEngine::GetPlayHeight() {
    const Player* player = Movie();
    return player ? player->VideoHeight() : 0;
}

int FlashMovieEngine::TotalSeconds() {
    const std::vector<Text> fields = GetTotalTimeString().Split(":");
    if (fields.size() != 2) return 0;
    // Each field is already clamped, so the sum can't overflow a long long.
    const long long minutes = ToInt(ReadInteger(fields[0]));
    const long long seconds = ToInt(ReadInteger(fields[1]));
    return ToInt(minutes * 60 + seconds);
}

int FlashMovieEngine::GetPlayTime() {
    const Player* player = Movie();
    return player ? Seconds(player->Position()) : 0;
}

int FlashMovieEngine::GetBuffer() {
    const Player* player = Movie();
    return player ? player->BufferPercent() : 0;
}

int FlashMovieEngine::GetDownBuffer() {
    const Player* player = Movie();
    return player ? player->DownloadPercent() : 0;
}

}  // namespace lumora
