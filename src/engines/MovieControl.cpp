// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/MovieControl.h"
#include "engines/EngineStates.h"

#include "base/NumberText.h"
#include "base/TimeText.h"
#include "platform/SwfMovie.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace lumora {

namespace {

// A member that succeeded with nothing to give back.
std::optional<Variant> Done() { return std::optional<Variant>(std::in_place); }

constexpr qint64 kMaxMovieFile = 32 << 20;

// A number written as text, kept within ±1e9 so that it converts to int safely.
std::optional<double> NumberOf(const Text& value) {
    bool ok = false;
    const double number = QByteArray::fromStdString(value.Bytes()).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number)) return std::nullopt;
    return std::clamp(number, -1e9, 1e9);
}

// The callback an invoke request names: the name attribute of its <invoke>
// element, in single or double quotes.
std::optional<std::string> InvokedName(const Text& request) {
    const std::size_t element = request.Find("<invoke");
    if (element == 0) return std::nullopt;
    const std::size_t attribute = request.Find("name=", element);
    if (attribute == 0) return std::nullopt;
    const std::size_t quoteAt = attribute + 5;
    const unsigned char quote = request.At(quoteAt);
    if (quote != '\'' && quote != '"') return std::nullopt;
    const std::size_t close = request.Find(Text::Gbk(std::string(1, char(quote))), quoteAt + 1);
    if (close == 0) return std::nullopt;
    return request.Mid(quoteAt + 1, close - quoteAt - 1).Bytes();
}

}  // namespace


MovieControl::MovieControl(std::unique_ptr<Player> player) : session_(std::move(player)) {
    auto text = [](const std::vector<Variant>& args) { return args.empty() ? Text() : VariantText(args[0]); };

    Add("Movie", InvokeKind::PropertyGet, [this](const std::vector<Variant>&) { return Variant(moviePath_); });
    Add("Movie", InvokeKind::PropertyPut, [this, text](const std::vector<Variant>& args) -> std::optional<Variant> {
        if (args.size() != 1) return std::nullopt;
        LoadMovie(text(args));
        return Done();
    });
    Add("AllowScriptAccess", InvokeKind::PropertyGet,
        [this](const std::vector<Variant>&) { return Variant(allowScriptAccess_); });
    Add("AllowScriptAccess", InvokeKind::PropertyPut,
        [this, text](const std::vector<Variant>& args) -> std::optional<Variant> {
            if (args.size() != 1) return std::nullopt;
            allowScriptAccess_ = text(args);
            return Done();
        });
    Add("allowFullScreen", InvokeKind::PropertyGet,
        [this](const std::vector<Variant>&) { return Variant(allowFullScreen_); });
    Add("allowFullScreen", InvokeKind::PropertyPut,
        [this, text](const std::vector<Variant>& args) -> std::optional<Variant> {
            if (args.size() != 1) return std::nullopt;
            allowFullScreen_ = text(args);
            return Done();
        });
    // A method only: a property write of SetVariable fails, so a write of it
    // falls back to this method.
    Add("SetVariable", InvokeKind::Method, [this](const std::vector<Variant>& args) -> std::optional<Variant> {
        if (args.size() != 2) return std::nullopt;
        SetVariable(VariantText(args[0]), VariantText(args[1]));
        return Done();
    });
    Add("CallFunction", InvokeKind::Method, [this](const std::vector<Variant>& args) -> std::optional<Variant> {
        if (args.size() != 1) return std::nullopt;
        std::optional<Text> reply = CallFunction(VariantText(args[0]));
        if (!reply) return std::nullopt;
        return Variant(*reply);
    });
}

MovieControl::~MovieControl() = default;

void MovieControl::LoadMovie(const Text& path) {
    moviePath_ = path;
    movieLoaded_ = false;
    urlGiven_ = false;
    session_->Open(Text());

    QString name = QString::fromStdString(path.ToUtf8());
    if (name.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)) name = QUrl(name).toLocalFile();
    // A regular file only: opening a pipe would wait for a writer for good.
    QFile file(name);
    if (name.isEmpty() || !QFileInfo(name).isFile() || !file.open(QIODevice::ReadOnly) || file.size() > kMaxMovieFile)
        return;
    const QByteArray bytes = file.read(kMaxMovieFile + 1);
    movieLoaded_ = IsPlayerMovie(bytes.toStdString());
}

void MovieControl::SetVariable(const Text& name, const Text& value) {
    if (!movieLoaded_) return;
    Player& session = *session_;
    const std::string& variable = name.Bytes();
    if (variable == "setPlay") {
        if (value == "Stop") {
            session.Stop();
        } else if (value == "Play") {
            switch (session.CurrentPhase()) {
                case Player::Phase::Opening:
                case Player::Phase::Loaded:
                    session.SetPaused(!session.Paused());
                    break;
                case Player::Phase::Ended:
                case Player::Phase::Stopped:
                case Player::Phase::Failed:
                    session.Restart();
                    break;
                case Player::Phase::Empty:
                    break;
            }
        }
    } else if (variable == "setPlayUrl") {
        urlGiven_ = true;
        if (value.Empty())
            session.Open(Text());
        else
            session.Open(value);
    } else if (variable == "setVolume") {
        if (std::optional<double> volume = NumberOf(value)) session.SetVolume(int(std::clamp(*volume, 0.0, 100.0)));
    } else if (variable == "setScaleMode") {
        const std::optional<double> mode = NumberOf(value);
        const int scale = mode ? int(*mode) : 0;
        session.SetVideoOption("keepaspect", scale >= 1 && scale <= 3 ? "yes" : "no");
        session.SetVideoOption("panscan", scale == 2 ? "1.0" : "0.0");
        session.SetVideoOption("video-unscaled", scale == 3 ? "yes" : "no");
    } else if (variable == "setSeek") {
        if (std::optional<double> position = NumberOf(value)) session.Seek(*position);
    } else if (variable == "setPan") {
        const std::optional<double> pan = NumberOf(value);
        switch (pan ? int(*pan) : -1) {
            case 0:
                session.SetChannelGains(1, 1);
                break;
            case 1:
                session.SetChannelGains(1, 0);
                break;
            case 2:
                session.SetChannelGains(0, 1);
                break;
            case 3:
                session.SetMonoMix();
                break;
            default:
                break;
        }
    }
}

std::optional<Text> MovieControl::CallFunction(const Text& request) {
    if (!movieLoaded_) return std::nullopt;
    const std::optional<std::string> name = InvokedName(request);
    if (!name) return std::nullopt;
    const std::optional<Text> value = Callback(*name);
    if (!value) return std::nullopt;
    // The engine reads the value between the brackets as it stands, so it
    // is not XML-escaped (an address keeps its "&").
    return Text("<string>[") + *value + "]</string>";
}

std::optional<Text> MovieControl::Callback(const std::string& name) {
    const Player& session = *session_;
    if (name == "getPlayState") return NumberText(MovieStateCode(PlayState()));
    if (name == "getTotalTime") return NumberText(session.Duration());
    if (name == "getPlayTime") return NumberText(session.Position());
    if (name == "getTotalTimeString") return MinutesText(session.Duration());
    if (name == "getTimeString") return MinutesText(session.Position());
    if (name == "getPlayTimeString") return MinutesText(session.Position()) + "/" + MinutesText(session.Duration());
    if (name == "getBuffer") return NumberText(session.BufferPercent());
    if (name == "getDownBuffer") return NumberText(session.DownloadPercent());
    if (name == "getPlayWidth") return NumberText(session.VideoWidth());
    if (name == "getPlayHeight") return NumberText(session.VideoHeight());
    if (name == "getFlvUrl") return urlGiven_ ? session.Address() : Text("undefined");
    if (name == "getInfoCode") return InfoCode();
    if (name == "noVolume") {
        session_->SetVolume(0);
        return NumberText(0);
    }
    return std::nullopt;  // no such callback in the movie
}

MovieState MovieControl::PlayState() const { return MovieStateOf(*session_); }

Text MovieControl::InfoCode() const { return MovieInfoCode(*session_, urlGiven_); }

}  // namespace lumora
