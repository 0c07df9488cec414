#include "engines/FlashMovieEngine.h"

#include "base/NumberText.h"
#include "engines/CarriedMovie.h"
#include "script/Codings.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <stdlib.h>

#include <algorithm>
#include <climits>

namespace lumora {

namespace {

// The text between the first "[" of a reply and the next "]" after it; empty
// when either is missing. Double-byte characters are stepped over whole, so
// a trail byte never counts as a bracket.
Text BracketValue(const Text& reply) {
    const std::size_t open = reply.Find("[");
    if (open == 0) return {};
    const std::size_t close = reply.Find("]", open + 1);
    if (close == 0) return {};
    return reply.Mid(open + 1, close - open - 1);
}

int ToInt(long long value) { return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX)); }

int IntegerValue(const Text& text) { return ToInt(ReadInteger(text)); }

void SendCommand(FlashControl& control, const char* name, const Text& value) { control.SetVariable(name, value); }

Text Query(FlashControl& control, const char* request) { return BracketValue(control.CallFunction(request)); }

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

}  // namespace

void FlashMovieEngine::Create(QWidget* parent, int left, int top, int width, int height,
                              const RightClickHandler& handler) {
    // The movie file lives in a directory of this process alone: a name in the
    // shared temporary directory could be taken by anyone.
    const QString directory = PrivateDirectory();
    const QString path = directory.isEmpty() ? QString() : directory + "/Player.Swf";
    moviePath = Text::FromUtf8(path.toStdString());
    movieWritten_ = !path.isEmpty() && WriteCarriedMovie(path);
    flashControl.Create(parent, left, top, width, height, handler);
    flashControl.SetMovie(moviePath);
    // The control has read the movie; nothing of it stays on disk.
    if (!path.isEmpty()) QFile::remove(path);
    if (!directory.isEmpty()) QDir().rmdir(directory);
    SetVolume(100);
}

bool FlashMovieEngine::SetVisible(int show) {
    flashControl.SetVisible(show == 1 ? 1 : 0);
    return show == 1;
}

void FlashMovieEngine::Play() { SendCommand(flashControl, "setPlay", "Play"); }

void FlashMovieEngine::Stop() {
    openFailed_ = false;
    SendCommand(flashControl, "setPlay", "Stop");
}

void FlashMovieEngine::SetPlayUrl(const Text& address) {
    // Without its movie the control can't open anything.
    openFailed_ = !movieWritten_;
    // A network address goes out with the bytes it was given: decoding its
    // escapes would turn UTF-8 escapes into GBK characters and let "%26",
    // "%3D" or "%3F" change what the address means. A local path is decoded.
    SendCommand(flashControl, "setPlayUrl", address.Contains("://") ? address : PercentDecode(address));
}

void FlashMovieEngine::SetVolume(int volume) { SendCommand(flashControl, "setVolume", NumberText(volume)); }

void FlashMovieEngine::SetScaleMode(int mode) { SendCommand(flashControl, "setScaleMode", NumberText(mode)); }

void FlashMovieEngine::NoVolume() { Query(flashControl, "<invoke name='noVolume' returntype='xml'></invoke>"); }

int FlashMovieEngine::SetPan(int channel) {
    if (channel < 0 || channel > 3) return 0;
    SendCommand(flashControl, "setPan", NumberText(channel));
    return channel;
}

int FlashMovieEngine::GetPlayState() {
    if (openFailed_) return MovieStateCode(MovieState::Failed);
    return IntegerValue(Query(flashControl, "<invoke name='getPlayState' returntype='xml'></invoke>"));
}

Text FlashMovieEngine::GetFlvUrl() {
    Text address = Query(flashControl, "<invoke name='getFlvUrl' returntype='xml'></invoke>");
    if (address.Length() < 4 || address == "undefined") return {};
    return address;
}

Text FlashMovieEngine::GetTotalTimeString() {
    return Query(flashControl, "<invoke name='getTotalTimeString' returntype='xml'></invoke>");
}

Text FlashMovieEngine::GetTimeString() {
    return Query(flashControl, "<invoke name='getTimeString' returntype='xml'></invoke>");
}

Text FlashMovieEngine::GetPlayTimeString() {
    return Query(flashControl, "<invoke name='getPlayTimeString' returntype='xml'></invoke>");
}

void FlashMovieEngine::SetSeek(int position) { SendCommand(flashControl, "setSeek", NumberText(position)); }

int FlashMovieEngine::GetTotalTime() {
    return IntegerValue(Query(flashControl, "<invoke name='getTotalTime' returntype='xml'></invoke>"));
}

Text FlashMovieEngine::GetInfoCode() {
    return Query(flashControl, "<invoke name='getInfoCode' returntype='xml'></invoke>");
}

int FlashMovieEngine::GetPlayWidth() {
    return IntegerValue(Query(flashControl, "<invoke name='getPlayWidth' returntype='xml'></invoke>"));
}

int FlashMovieEngine::GetPlayHeight() {
    return IntegerValue(Query(flashControl, "<invoke name='getPlayHeight' returntype='xml'></invoke>"));
}

int FlashMovieEngine::TotalSeconds() {
    const std::vector<Text> fields = GetTotalTimeString().Split(":");
    if (fields.size() != 2) return 0;
    // Each field is already clamped, so the sum can't overflow a long long.
    const long long minutes = IntegerValue(fields[0]);
    const long long seconds = IntegerValue(fields[1]);
    return ToInt(minutes * 60 + seconds);
}

int FlashMovieEngine::GetPlayTime() {
    return IntegerValue(Query(flashControl, "<invoke name='getPlayTime' returntype='xml'></invoke>"));
}

int FlashMovieEngine::GetBuffer() {
    return IntegerValue(Query(flashControl, "<invoke name='getBuffer' returntype='xml'></invoke>"));
}

int FlashMovieEngine::GetDownBuffer() {
    return IntegerValue(Query(flashControl, "<invoke name='getDownBuffer' returntype='xml'></invoke>"));
}

}  // namespace lumora
