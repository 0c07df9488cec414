// SPDX-License-Identifier: GPL-3.0-or-later
#include "ControlsTestSupport.h"

#include "engines/MediaPlayerControl.h"
#include "engines/MovieControl.h"
#include "player/MpvPlayer.h"

#include <QByteArray>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QTimer>

#include "LoopbackHttp.h"

#include <fstream>
#include <sstream>

namespace lumora::controls_test {

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    if (done()) return true;
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(2);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    tick.start();
    loop.exec();
    return done();
}

std::string MediaPath(const char* name) { return std::string(LUMORA_TEST_MEDIA) + "/" + name; }

PlaybackOptions HeadlessOptions(bool untimed) {
    PlaybackOptions options;
    options.nullOutputs = true;
    options.untimed = untimed;
    return options;
}

AutomationRef MakeMovieControl(const PlaybackOptions& options) {
    return std::make_shared<MovieControl>(std::make_unique<MpvPlayer>(nullptr, options));
}

AutomationRef MakeMediaPlayerControl(const PlaybackOptions& options) {
    return std::make_shared<MediaPlayerControl>(std::make_unique<MpvPlayer>(nullptr, options));
}

Player& PlayerOf(const AutomationRef& control) {
    if (auto movie = std::dynamic_pointer_cast<MovieControl>(control)) return movie->Engine();
    return std::dynamic_pointer_cast<MediaPlayerControl>(control)->Engine();
}

namespace {

void Put16(std::string& out, unsigned value) {
    out += char(value & 0xff);
    out += char((value >> 8) & 0xff);
}

void Put32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out += char((value >> (8 * i)) & 0xff);
}

std::string Tag(unsigned code, const std::string& content) {
    std::string tag;
    if (content.size() < 0x3f) {
        Put16(tag, code << 6 | unsigned(content.size()));
    } else {
        Put16(tag, code << 6 | 0x3f);
        Put32(tag, std::uint32_t(content.size()));
    }
    return tag + content;
}

}  // namespace

std::string BuildMovie(const MovieParts& parts) {
    std::string body;
    body += char(0x50);  // frame rectangle with 10-bit fields
    body += std::string(5, '\0');
    Put16(body, 12 << 8);                           // 12 frames a second
    Put16(body, 1);                                 // one frame
    body += Tag(69, std::string("\x08\0\0\0", 4));  // FileAttributes: has metadata
    if (parts.withMetadata) body += Tag(77, parts.metadata + std::string(1, '\0'));
    body += Tag(9, std::string("\0\0\0", 3));  // SetBackgroundColor: black
    body += parts.extraTags;
    body += Tag(1, "");  // ShowFrame
    if (parts.withEnd) body += Tag(0, "");

    std::string movie = parts.signature;
    movie += char(parts.version);
    Put32(movie, std::uint32_t(8 + body.size() + parts.lengthDelta));
    if (parts.signature == "CWS") {
        const QByteArray packed = qCompress(QByteArray::fromStdString(body), 9);
        movie += packed.toStdString().substr(4);  // qCompress puts the size first
    } else {
        movie += body;
    }
    return movie;
}

std::string WriteTempFile(const std::string& name, const std::string& bytes) {
    static QTemporaryDir directory;
    const std::string path = directory.path().toStdString() + "/" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

void LoadValidMovie(const AutomationRef& control) {
    AutomationWrite(control, "Movie", {Text::FromUtf8(WriteTempFile("Player.Swf", BuildMovie()))});
}

std::string Invoke(const char* callback) {
    return std::string("<invoke name='") + callback + "' returntype='xml'></invoke>";
}

Text Reply(const AutomationRef& control, const char* callback) {
    return VariantText(AutomationCall(control, "CallFunction", {Text::FromUtf8(Invoke(callback))}));
}

std::string Value(const AutomationRef& control, const char* callback) {
    const std::string reply = Reply(control, callback).ToUtf8();
    const std::size_t open = reply.find('[');
    const std::size_t close = open == std::string::npos ? open : reply.find(']', open);
    return close == std::string::npos ? std::string() : reply.substr(open + 1, close - open - 1);
}

bool Send(const AutomationRef& control, const char* variable, const Text& value) {
    return AutomationWrite(control, "setVariable", {Text(variable), value});
}

int MoviePlayState(const AutomationRef& control) { return std::atoi(Value(control, "getPlayState").c_str()); }

int PlayerState(const AutomationRef& control) { return VariantInt(AutomationRead(control, "playState")); }

std::optional<Variant> SubRead(const AutomationRef& control, const char* object, const char* member) {
    return AutomationRead(VariantObject(AutomationRead(control, object)), member);
}

bool SubWrite(const AutomationRef& control, const char* object, const char* member, const Variant& value) {
    return AutomationWrite(VariantObject(AutomationRead(control, object)), member, {value});
}

bool SubCall(const AutomationRef& control, const char* object, const char* member, const std::vector<Variant>& args) {
    return AutomationCall(VariantObject(AutomationRead(control, object)), member, args).has_value();
}

StateRecorder::StateRecorder(const AutomationRef& control, std::function<int()> state)
    : control_(control), state_(std::move(state)) {
    Sample();
}

void StateRecorder::Sample() {
    const int value = state_();
    if (seen_.empty() || seen_.back() != value) seen_.push_back(value);
}

std::vector<int> StateRecorder::RunUntil(int final, int timeoutMs) {
    return RunUntil([final](int value) { return value == final; }, timeoutMs);
}

std::vector<int> StateRecorder::RunUntil(const std::function<bool(int)>& done, int timeoutMs) {
    QObject context;
    QObject::connect(&PlayerOf(control_), &Player::Changed, &context, [this] { Sample(); });
    WaitFor(
        [&] {
            Sample();
            return done(seen_.back());
        },
        timeoutMs);
    return seen_;
}

bool InOrder(const std::vector<int>& sequence, const std::vector<int>& expected) {
    std::size_t at = 0;
    for (int value : sequence)
        if (at < expected.size() && value == expected[at]) ++at;
    return at == expected.size();
}

MediaServer::MediaServer(double cutFraction) : server_(std::make_unique<test::LoopbackHttp>()) {
    server_->Server().set_mount_point("/media", LUMORA_TEST_MEDIA);
    server_->Server().Get(R"(/cut/([A-Za-z0-9_.-]+))", [cutFraction](const httplib::Request& request,
                                                                     httplib::Response& response) {
        std::ifstream file(MediaPath(request.matches[1].str().c_str()), std::ios::binary);
        if (!file) {
            response.status = 404;
            return;
        }
        auto bytes =
            std::make_shared<std::string>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const std::size_t cut = std::size_t(double(bytes->size()) * cutFraction);
        // A reader coming back for the rest finds the server unable to give it.
        if (request.has_header("Range") && !request.ranges.empty() && request.ranges[0].first >= std::int64_t(cut)) {
            response.status = 503;
            return;
        }
        // Announces every byte, sends the first `cut`, then drops the connection.
        response.set_content_provider(bytes->size(), "video/mp4",
                                      [bytes, cut](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                          if (offset >= cut) return false;
                                          sink.write(bytes->data() + offset, std::min(length, cut - offset));
                                          return true;
                                      });
    });
    server_->Start();
}

MediaServer::~MediaServer() { server_->Stop(); }

std::string MediaServer::Url(const std::string& path) const { return server_->Url(path); }

}  // namespace lumora::controls_test
