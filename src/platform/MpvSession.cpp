// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MpvSession.h"

#include "platform/MpvLog.h"
#include "platform/VideoSurface.h"
#include "threads/WorkerChannel.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QUrl>

#include <mpv/client.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <clocale>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

namespace lumora {

namespace {

// Sessions made while deferral is on, waiting for their core (GUI thread only).
bool gDeferCores = false;
std::vector<MpvSession*> gWaitingCores;

// Observed properties, by the reply id they are observed with.
enum Observed : std::uint64_t {
    kTimePos = 1,
    kDuration,
    kPausedForCache,
    kCacheBuffering,
    kCacheState,
    kWidth,
    kHeight,
    kMetadata,
    kFileFormat,
    kEofReached,
    kSpeed,
    kSubVisibility,
    kSubText,
    kTrackList,
    kChapterList,
    kChapter,
    kPartiallySeekable,
};

// Replies to our own requests carry a kind and the generation they were
// made in; a reply from an older generation belongs to a medium given up.
// A screenshot's reply carries its own number instead of the generation.
// A setting's own kind lets its observed value wait for the reply: an
// observation queued before the set would otherwise bring the old value back.
enum ReplyKind : std::uint64_t {
    kPlain = 0,
    kLoad = 1,
    kEndPosition = 2,
    kEndFlag = 3,
    kScreenshot = 4,
    kSpeedSet = 5,
    kSubVisibilitySet = 6,
};

std::uint64_t Tag(ReplyKind kind, std::uint64_t generation) {
    return (std::uint64_t(kind) << 56) | (generation & ((std::uint64_t(1) << 56) - 1));
}

ReplyKind KindOf(std::uint64_t tag) { return ReplyKind(tag >> 56); }

bool SameGeneration(std::uint64_t tag, std::uint64_t generation) {
    return (tag & ((std::uint64_t(1) << 56) - 1)) == (generation & ((std::uint64_t(1) << 56) - 1));
}

// How far short of its duration a medium may stop and still count as played
// to its end: container durations and the last packet differ a little.
double EndTolerance(double duration) { return 0.5 + duration * 0.01; }

const mpv_node* MapValue(const mpv_node& node, const char* key) {
    if (node.format != MPV_FORMAT_NODE_MAP || !node.u.list) return nullptr;
    for (int i = 0; i < node.u.list->num; ++i)
        if (std::strcmp(node.u.list->keys[i], key) == 0) return &node.u.list->values[i];
    return nullptr;
}

double NodeNumber(const mpv_node* node) {
    if (!node) return 0;
    if (node->format == MPV_FORMAT_DOUBLE) return std::isfinite(node->u.double_) ? node->u.double_ : 0;
    if (node->format == MPV_FORMAT_INT64) return double(node->u.int64);
    return 0;
}

// The subtitle files beside a local medium named like it ("film.srt",
// "film.en.ass" for "film.mp4"), regular files only, in name order.
std::vector<std::string> SubtitlesBeside(const std::string& target) {
    QString path = QString::fromStdString(target);
    if (path.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)) path = QUrl(path).toLocalFile();
    const QFileInfo medium(path);
    const QString base = medium.completeBaseName();
    static const QStringList kExtensions = {QStringLiteral("srt"), QStringLiteral("ass"), QStringLiteral("ssa"),
                                            QStringLiteral("vtt"), QStringLiteral("sub")};
    std::vector<std::string> found;
    const QFileInfoList siblings = medium.dir().entryInfoList(QDir::Files | QDir::NoDotAndDotDot | QDir::System,
                                                              QDir::Name);
    for (const QFileInfo& sibling : siblings) {
        const QString name = sibling.fileName();
        if (!name.startsWith(base + QLatin1Char('.')) || !kExtensions.contains(sibling.suffix().toLower())) continue;
        if (!sibling.isFile()) continue;  // a pipe or a device named like a subtitle
        found.push_back(sibling.absoluteFilePath().toStdString());
    }
    return found;
}

std::string NodeString(const mpv_node* node) {
    return node && node->format == MPV_FORMAT_STRING && node->u.string ? node->u.string : "";
}

bool NodeFlag(const mpv_node* node) { return node && node->format == MPV_FORMAT_FLAG && node->u.flag; }

// mpv's "track-list": one map per stream.
std::vector<MediaTrack> TracksOf(const mpv_node& list) {
    std::vector<MediaTrack> tracks;
    if (list.format != MPV_FORMAT_NODE_ARRAY || !list.u.list) return tracks;
    for (int i = 0; i < list.u.list->num; ++i) {
        const mpv_node& entry = list.u.list->values[i];
        const std::string type = NodeString(MapValue(entry, "type"));
        MediaTrack track;
        if (type == "video")
            track.kind = MediaTrack::Kind::Video;
        else if (type == "audio")
            track.kind = MediaTrack::Kind::Audio;
        else if (type == "sub")
            track.kind = MediaTrack::Kind::Subtitle;
        else
            continue;
        track.id = static_cast<std::int64_t>(NodeNumber(MapValue(entry, "id")));
        track.title = NodeString(MapValue(entry, "title"));
        track.language = NodeString(MapValue(entry, "lang"));
        track.codec = NodeString(MapValue(entry, "codec"));
        track.selected = NodeFlag(MapValue(entry, "selected"));
        track.external = NodeFlag(MapValue(entry, "external"));
        track.picture = NodeFlag(MapValue(entry, "albumart")) || NodeFlag(MapValue(entry, "image"));
        tracks.push_back(std::move(track));
    }
    return tracks;
}

// mpv's "chapter-list": one map per chapter, in order.
std::vector<MediaChapter> ChaptersOf(const mpv_node& list) {
    std::vector<MediaChapter> chapters;
    if (list.format != MPV_FORMAT_NODE_ARRAY || !list.u.list) return chapters;
    for (int i = 0; i < list.u.list->num; ++i) {
        const mpv_node& entry = list.u.list->values[i];
        chapters.push_back({NodeNumber(MapValue(entry, "time")), NodeString(MapValue(entry, "title"))});
    }
    return chapters;
}

bool SchemeChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
           c == '.' || c == '_';
}

bool AllowedScheme(const std::string& scheme) {
    static const char* const kSchemes[] = {
        "http", "https", "rtmp", "rtmpe", "rtmps", "rtmpt", "rtmpte", "rtmpts", "rtsp", "mms", "mmsh", "mmst", "file",
    };
    for (const char* allowed : kSchemes)
        if (scheme == allowed) return true;
    return false;
}

int Percent(double value) {
    if (!(value > 0)) return 0;
    return value >= 100 ? 100 : int(value);
}

}  // namespace

std::string PlayableTarget(const std::string& address) {
    if (address.empty() || address.find('\0') != std::string::npos) return {};
    const std::size_t mark = address.find("://");
    if (mark != std::string::npos) {
        // mpv reads whatever stands before the first "://" as a protocol name,
        // so that prefix decides, whatever it looks like.
        std::string scheme = address.substr(0, mark);
        if (scheme.empty() || !std::all_of(scheme.begin(), scheme.end(), SchemeChar)) return {};
        std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        if (!AllowedScheme(scheme)) return {};
        if (scheme == "file" && !QFileInfo(QUrl(QString::fromUtf8(address)).toLocalFile()).isFile()) return {};
        return address;
    }
    // A local path: an existing regular file (a directory would play as a
    // list, a pipe or device could block mpv for good), made absolute so that
    // "-" is a file name and not standard input.
    const QFileInfo info(QDir::current(), QString::fromUtf8(address));
    if (!info.isFile()) return {};
    return info.absoluteFilePath().toStdString();
}

MpvSession::MpvSession(const PlaybackOptions& options, QObject* parent) : QObject(parent) {
    surfaceWait_.setSingleShot(true);
    surfaceWait_.setInterval(2000);
    connect(&surfaceWait_, &QTimer::timeout, this, [this] {
        // The surface never came up (hidden, or no GL): play without video
        // rather than not at all.
        if (loadPending_) {
            IssueLoad();
            emit Changed();
        }
    });

    // mpv reports a change of eof-reached only when the value it last
    // reported differs; two files ending in a row without a report in
    // between would go unseen, so the end is also asked for now and then.
    endPoll_.setInterval(250);
    connect(&endPoll_, &QTimer::timeout, this, [this] {
        // Only a loaded medium can reach its end; after that nothing wakes.
        if (phase_ != Phase::Loaded) {
            endPoll_.stop();
            return;
        }
        if (handle_ && !endCheckPending_)
            mpv_get_property_async(handle_, Tag(kEndFlag, generation_), "eof-reached", MPV_FORMAT_FLAG);
    });

    // mpv refuses to start under a numeric locale other than "C".
    std::setlocale(LC_NUMERIC, "C");
    options_ = options;
    if (gDeferCores) {
        gWaitingCores.push_back(this);
        return;
    }
    AdoptCore(CreateCore(options_));
}

mpv_handle* MpvSession::CreateCore(const PlaybackOptions& options) {
    mpv_handle* handle = mpv_create();
    if (!handle) return nullptr;
    std::vector<std::pair<std::string, std::string>> settings = {
        // mpv as the program's engine, not as a user's mpv.
        {"config", "no"},
        {"load-scripts", "no"},
        {"ytdl", "no"},
        {"osc", "no"},
        {"load-stats-overlay", "no"},
        {"load-osd-console", "no"},
        {"load-auto-profiles", "no"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"input-cursor", "no"},
        {"terminal", "no"},
        // Messages only: what the window asks to show (ShowText), never
        // mpv's own status line.
        {"osd-level", "1"},
        {"sub-auto", "no"},
        {"audio-file-auto", "no"},
        {"audio-display", "no"},
        {"idle", "yes"},
        // The file stays open at its end, so the final position can be read
        // and compared with the duration before the session lets it go.
        {"keep-open", "yes"},
        {"keep-open-pause", "no"},
        {"network-timeout", "20"},
        {"vo", options.nullOutputs ? "null" : "libmpv"},
        // Decoding is done in software (hwdec stays "no"), so the render
        // context loads no hardware interop: probing them opens libcuda and
        // friends, which on most machines only prints "Cannot load libcuda.so.1".
        {"gpu-hwdec-interop", "no"},
    };
    if (options.nullOutputs)
        settings.push_back({"ao", "null"});
    else
        settings.push_back({"video-timing-offset", "0"});  // rendering never waits on the GUI thread
    if (options.nullOutputs && options.untimed) {
        settings.push_back({"untimed", "yes"});
        settings.push_back({"ao-null-untimed", "yes"});
    }
    settings.insert(settings.end(), options.extraOptions.begin(), options.extraOptions.end());
    for (const auto& [name, value] : settings) mpv_set_option_string(handle, name.c_str(), value.c_str());

    if (mpv_initialize(handle) < 0) {
        mpv_terminate_destroy(handle);
        return nullptr;
    }
    return handle;
}

void MpvSession::AdoptCore(mpv_handle* handle) {
    std::erase(gWaitingCores, this);
    if (!handle) {
        coreFailed_ = true;
        return;
    }
    handle_ = handle;
    RequestMpvLog(handle_);

    mpv_observe_property(handle_, kTimePos, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(handle_, kDuration, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(handle_, kPartiallySeekable, "partially-seekable", MPV_FORMAT_FLAG);
    mpv_observe_property(handle_, kPausedForCache, "paused-for-cache", MPV_FORMAT_FLAG);
    mpv_observe_property(handle_, kCacheBuffering, "cache-buffering-state", MPV_FORMAT_INT64);
    mpv_observe_property(handle_, kCacheState, "demuxer-cache-state", MPV_FORMAT_NODE);
    mpv_observe_property(handle_, kWidth, "width", MPV_FORMAT_INT64);
    mpv_observe_property(handle_, kHeight, "height", MPV_FORMAT_INT64);
    // The whole map: reading a single key of af-metadata crashes mpv 0.35,
    // and a whole map is what the controls need anyway.
    mpv_observe_property(handle_, kMetadata, "metadata", MPV_FORMAT_NODE);
    mpv_observe_property(handle_, kFileFormat, "file-format", MPV_FORMAT_STRING);
    mpv_observe_property(handle_, kEofReached, "eof-reached", MPV_FORMAT_FLAG);
    mpv_observe_property(handle_, kSpeed, "speed", MPV_FORMAT_DOUBLE);
    mpv_observe_property(handle_, kSubVisibility, "sub-visibility", MPV_FORMAT_FLAG);
    mpv_observe_property(handle_, kSubText, "sub-text", MPV_FORMAT_STRING);
    mpv_observe_property(handle_, kTrackList, "track-list", MPV_FORMAT_NODE);
    mpv_observe_property(handle_, kChapterList, "chapter-list", MPV_FORMAT_NODE);
    mpv_observe_property(handle_, kChapter, "chapter", MPV_FORMAT_INT64);
    mpv_set_wakeup_callback(handle_, &MpvSession::Wakeup, this);

    // What was set while the core was not there yet, in the order it was set.
    if (volume_ != 100) SetVolume(volume_);
    if (muted_) SetMute(true);
    if (speed_ != 1) SetSpeed(speed_);
    if (!subtitlesShown_) SetSubtitlesShown(false);
    for (const auto& [name, value] : std::exchange(settingsBeforeCore_, {})) SetString(name.c_str(), value);
    emit CoreStarted();
}

struct MpvSession::MadeCore {
    std::mutex mutex;
    mpv_handle* handle = nullptr;  // under mutex
    bool collected = false;        // under mutex: a core made later is the worker's to destroy
};

namespace {
// How long the session waits for a core a worker is still making.
constexpr std::chrono::seconds kCoreMakeLimit{60};
}  // namespace

void MpvSession::StartCore() {
    if (handle_ || coreFailed_) return;
    // The core a worker is making, or one made here and now.
    AdoptCore(coreComing_ ? CollectMadeCore() : CreateCore(options_));
}

mpv_handle* MpvSession::CollectMadeCore() {
    coreMaker_->Close(kCoreMakeLimit);  // joins the worker; its queued StartCore is dropped
    std::lock_guard lock(coreComing_->mutex);
    coreComing_->collected = true;
    mpv_handle* made = std::exchange(coreComing_->handle, nullptr);
    coreComing_.reset();
    return made;
}

void MpvSession::StartCoreAside() {
    if (handle_ || coreFailed_ || coreComing_) return;
    // libmpv's loading and the core's start take a while and touch nothing
    // of the window: a worker does them, and the session takes the core on
    // the GUI thread. The channel is the session's, so the queued StartCore
    // finds the session alive or is dropped with it.
    auto slot = std::make_shared<MadeCore>();
    coreMaker_ = std::make_unique<WorkerChannel>(*this);
    const bool started = coreMaker_->Start([this, slot, options = options_](const WorkerChannel::Job& job) {
        mpv_handle* handle = CreateCore(options);
        {
            std::lock_guard lock(slot->mutex);
            if (!slot->collected) slot->handle = std::exchange(handle, nullptr);
        }
        if (handle) mpv_terminate_destroy(handle);  // the session gave up waiting
        job.Post([this] { StartCore(); });
    });
    if (started) coreComing_ = std::move(slot);
}

void MpvSession::DeferCoreStarts() { gDeferCores = true; }

void MpvSession::StartDeferredCores() {
    gDeferCores = false;
    for (MpvSession* session : std::vector<MpvSession*>(gWaitingCores)) session->StartCoreAside();
}

MpvSession::~MpvSession() {
    std::erase(gWaitingCores, this);
    if (coreComing_) {
        if (mpv_handle* late = CollectMadeCore()) mpv_terminate_destroy(late);
    }
    if (handle_) mpv_set_wakeup_callback(handle_, nullptr, nullptr);
    // The render context must go before the core it belongs to.
    if (surface_) surface_->ReleaseRender();
    if (handle_) mpv_terminate_destroy(handle_);
}

void MpvSession::AttachSurface(VideoSurface* surface) { surface_ = surface; }

void MpvSession::SurfaceReady(bool ok) {
    surfaceReady_ = true;
    if (!ok && handle_) SetString("vo", "null");  // no GL here: keep playing without a picture
    if (loadPending_) {
        IssueLoad();
    } else if (videoLost_ && phase_ == Phase::Loaded) {
        // mpv turned the video off when the old render context went away and
        // keeps it off while "vid" stays the same: select it afresh so it
        // comes back on the new one.
        SetString("vid", "no");
        SetString("vid", "auto");
    }
    videoLost_ = false;
}

void MpvSession::SurfaceLost() {
    surfaceReady_ = false;
    if (phase_ == Phase::Opening || phase_ == Phase::Loaded) videoLost_ = true;
}

void MpvSession::ResetMedia() {
    // The observed values stay as mpv last reported them (mpv reports only
    // changes); what the session answers depends on the phase.
    eofReached_ = false;
    restarted_ = false;
    seekWhenLoaded_.reset();
    firstFrameSeen_ = false;
    endCheckPending_ = false;
    expectedEntry_ = -1;
    acceptNextStart_ = false;
    loadPending_ = false;
    surfaceWait_.stop();
    endPoll_.stop();
}

void MpvSession::KeepInformation() {
    keptDuration_ = std::max(0.0, duration_);
    keptMetadata_ = metadata_;
    keptFileFormat_ = fileFormat_;
}

void MpvSession::ForgetInformation() {
    keptDuration_ = 0;
    keptMetadata_.clear();
    keptFileFormat_.clear();
}

void MpvSession::Open(const Text& address) {
    StartCore();
    ++generation_;
    ResetMedia();
    ForgetInformation();
    address_ = address;
    paused_ = false;
    lastError_.clear();
    detailWanted_ = false;
    target_ = PlayableTarget(address.ToUtf8());
    localFile_ = !target_.empty() && (target_.front() == '/' || target_.rfind("file://", 0) == 0);
    if (!handle_ || target_.empty()) {
        if (handle_) Command(Tag(kPlain, generation_), {"stop"});
        phase_ = Phase::Failed;
        failureReason_ = !handle_ ? "the player could not start"
                         : address.StartsWith(Text("/")) ? "no such playable file"
                                                          : "not an address the player opens";
        emit Changed();
        return;
    }
    phase_ = Phase::Opening;
    int no = 0;
    mpv_set_property_async(handle_, Tag(kPlain, generation_), "pause", MPV_FORMAT_FLAG, &no);
    if (RendersVideo() && !surfaceReady_) {
        loadPending_ = true;
        surfaceWait_.start();
    } else {
        IssueLoad();
    }
    emit Changed();
}

void MpvSession::IssueLoad() {
    loadPending_ = false;
    surfaceWait_.stop();
    if (phase_ != Phase::Opening) return;
    // A subtitle file beside a local medium, named like it, comes along once
    // the medium is loaded; network media get none. Only regular files: mpv's
    // own search would open a pipe of that name and wait on it for good.
    besideSubtitles_ = localFile_ ? SubtitlesBeside(target_) : std::vector<std::string>{};
    const char* words[] = {"loadfile", target_.c_str(), "replace", nullptr};
    if (const int error = mpv_command_async(handle_, Tag(kLoad, generation_), words); error < 0)
        Fail(mpv_error_string(error));
}

void MpvSession::Stop() {
    if (address_.Empty()) return;
    ++generation_;
    if (phase_ == Phase::Loaded)
        KeepInformation();
    else if (phase_ != Phase::Ended && phase_ != Phase::Stopped)
        ForgetInformation();
    ResetMedia();
    if (handle_) Command(Tag(kPlain, generation_), {"stop"});
    phase_ = Phase::Stopped;
    emit Changed();
}

void MpvSession::Unload() {
    ++generation_;
    ResetMedia();
    ForgetInformation();
    address_ = Text();
    target_.clear();
    if (handle_) Command(Tag(kPlain, generation_), {"stop"});
    phase_ = Phase::Empty;
    emit Changed();
}

void MpvSession::Restart() {
    if (!address_.Empty()) Open(address_);
}

void MpvSession::SetPaused(bool paused) {
    paused_ = paused;
    if (!handle_) return;
    int flag = paused ? 1 : 0;
    mpv_set_property_async(handle_, Tag(kPlain, generation_), "pause", MPV_FORMAT_FLAG, &flag);
    emit Changed();
}

void MpvSession::Seek(double seconds) {
    if (!handle_ || !std::isfinite(seconds)) return;
    seconds = std::max(0.0, seconds);
    // The first picture may show before the session hears that the file is
    // loaded: a seek asked for meanwhile is made once it is.
    if (phase_ == Phase::Opening) {
        seekWhenLoaded_ = seconds;
        return;
    }
    if (phase_ != Phase::Loaded) return;
    const std::string position = QByteArray::number(seconds, 'f', 3).toStdString();
    Command(Tag(kPlain, generation_), {"seek", position.c_str(), "absolute"});
    timePos_ = seconds;
    eofReached_ = false;
}

void MpvSession::SetVolume(int volume) {
    volume_ = std::clamp(volume, 0, 100);
    if (!handle_) return;
    double value = volume_;
    mpv_set_property_async(handle_, Tag(kPlain, generation_), "volume", MPV_FORMAT_DOUBLE, &value);
}

void MpvSession::SetMute(bool mute) {
    muted_ = mute;
    if (!handle_) return;
    int flag = mute ? 1 : 0;
    mpv_set_property_async(handle_, Tag(kPlain, generation_), "mute", MPV_FORMAT_FLAG, &flag);
}

void MpvSession::SetChannelGains(double left, double right) {
    left = std::clamp(std::isfinite(left) ? left : 1.0, 0.0, 1.0);
    right = std::clamp(std::isfinite(right) ? right : 1.0, 0.0, 1.0);
    if (left == 1.0 && right == 1.0) {
        SetString("af", "");
        return;
    }
    // mpv accepts any af text and only fails later, when the filter is
    // built, so the value is assembled from numbers alone.
    const std::string filter =
        "lavfi=[aformat=channel_layouts=stereo,pan=stereo|c0=" + QByteArray::number(left, 'f', 2).toStdString() +
        "*c0|c1=" + QByteArray::number(right, 'f', 2).toStdString() + "*c1]";
    SetString("af", filter);
}

void MpvSession::SetMonoMix() {
    SetString("af", "lavfi=[aformat=channel_layouts=stereo,pan=stereo|c0=0.5*c0+0.5*c1|c1=0.5*c0+0.5*c1]");
}

void MpvSession::SetVideoOption(const char* name, const char* value) { SetString(name, value); }

void MpvSession::SetPlayCount(int count) {
    SetString("loop-file", count > 1 ? std::to_string(count - 1) : std::string("no"));
}

void MpvSession::SetSpeed(double speed) {
    if (!std::isfinite(speed) || speed <= 0) return;
    speed_ = speed;
    if (handle_ &&
        mpv_set_property_async(handle_, Tag(kSpeedSet, generation_), "speed", MPV_FORMAT_DOUBLE, &speed) >= 0)
        ++speedSetsPending_;
}

void MpvSession::SetSubtitlesShown(bool shown) {
    subtitlesShown_ = shown;
    if (!handle_) return;
    int flag = shown ? 1 : 0;
    if (mpv_set_property_async(handle_, Tag(kSubVisibilitySet, generation_), "sub-visibility", MPV_FORMAT_FLAG,
                               &flag) >= 0)
        ++subVisibilitySetsPending_;
}

void MpvSession::SelectTrack(MediaTrack::Kind kind, std::int64_t id) {
    if (!handle_ || (phase_ != Phase::Loaded && phase_ != Phase::Opening)) return;
    const char* property = kind == MediaTrack::Kind::Audio      ? "aid"
                           : kind == MediaTrack::Kind::Subtitle ? "sid"
                                                                : "vid";
    const std::string value = id > 0 ? std::to_string(id) : "no";
    const char* text = value.c_str();  // mpv copies it
    mpv_set_property_async(handle_, Tag(kPlain, generation_), property, MPV_FORMAT_STRING, &text);
}

void MpvSession::SetChapter(int chapter) {
    if (!handle_ || phase_ != Phase::Loaded || chapter < 0 || chapter >= int(chapters_.size())) return;
    std::int64_t value = chapter;
    mpv_set_property_async(handle_, Tag(kPlain, generation_), "chapter", MPV_FORMAT_INT64, &value);
}

bool MpvSession::AddSubtitle(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    if (!handle_ || phase_ != Phase::Loaded || !info.isFile()) return false;
    const std::string absolute = info.absoluteFilePath().toStdString();
    Command(Tag(kPlain, generation_), {"sub-add", absolute.c_str(), "select"});
    return true;
}

bool MpvSession::SaveScreenshot(const std::string& path) {
    if (!handle_ || phase_ != Phase::Loaded || path.empty()) return false;
    const std::uint64_t number = ++screenshotNumber_;
    pendingScreenshots_.emplace_back(number, QString::fromStdString(path));
    Command(Tag(kScreenshot, number), {"screenshot-to-file", path.c_str(), "subtitles"});
    return true;
}

bool MpvSession::ShowText(const std::string& text, int milliseconds) {
    if (!handle_ || phase_ != Phase::Loaded) return false;
    // "$>" turns mpv's property expansion off: a file or track name holding
    // "${...}" is shown as written.
    const std::string shown = "$>" + text;
    const std::string duration = std::to_string(std::max(milliseconds, 1));
    Command(Tag(kPlain, generation_), {"show-text", shown.c_str(), duration.c_str()});
    return true;
}

bool MpvSession::Buffering() const { return phase_ == Phase::Loaded && (!restarted_ || pausedForCache_); }

int MpvSession::BufferPercent() const {
    switch (phase_) {
        case Phase::Loaded:
            return Buffering() ? std::clamp(cacheBuffering_, 0, 100) : 100;
        case Phase::Ended:
            return 100;
        default:
            return 0;
    }
}

int MpvSession::DownloadPercent() const {
    switch (phase_) {
        case Phase::Loaded:
            if (localFile_ || cacheEof_) return 100;
            return duration_ > 0 ? Percent(cacheEnd_ * 100 / duration_) : 0;
        case Phase::Ended:
            return 100;
        default:
            return 0;
    }
}

double MpvSession::Position() const { return phase_ == Phase::Loaded ? std::max(0.0, timePos_) : 0; }

bool MpvSession::Live() const { return phase_ == Phase::Loaded && !localFile_ && partiallySeekable_; }

double MpvSession::Duration() const {
    // What mpv gives a live stream is an estimate that grows with the cache.
    if (Live()) return 0;
    if (phase_ == Phase::Loaded) return std::max(0.0, duration_);
    if (phase_ == Phase::Ended || phase_ == Phase::Stopped) return keptDuration_;
    return 0;
}

int MpvSession::VideoWidth() const { return phase_ == Phase::Loaded ? width_ : 0; }
int MpvSession::VideoHeight() const { return phase_ == Phase::Loaded ? height_ : 0; }

const std::string& MpvSession::FileFormat() const {
    static const std::string none;
    if (phase_ == Phase::Loaded) return fileFormat_;
    return phase_ == Phase::Ended || phase_ == Phase::Stopped ? keptFileFormat_ : none;
}

Text MpvSession::Metadata(std::initializer_list<const char*> keys) const {
    const auto& metadata = phase_ == Phase::Loaded ? metadata_ : keptMetadata_;
    if (phase_ != Phase::Loaded && phase_ != Phase::Ended && phase_ != Phase::Stopped) return Text();
    for (const char* key : keys)
        for (const auto& [name, value] : metadata)
            if (QByteArray(name.c_str()).compare(key, Qt::CaseInsensitive) == 0 && !value.empty())
                return Text::FromUtf8(value);
    return Text();
}

void MpvSession::Wakeup(void* context) {
    // Runs on an mpv thread: only queue the drain, once per batch.
    auto* self = static_cast<MpvSession*>(context);
    if (!self->drainQueued_.exchange(true)) QMetaObject::invokeMethod(self, &MpvSession::Drain, Qt::QueuedConnection);
}

void MpvSession::Drain() {
    drainQueued_.store(false);
    if (!handle_) return;
    bool any = false;
    for (;;) {
        mpv_event* event = mpv_wait_event(handle_, 0);
        if (!event || event->event_id == MPV_EVENT_NONE) break;
        any = true;
        HandleEvent(*event);
        if (!handle_) break;
    }
    if (any) emit Changed();
}

void MpvSession::HandleEvent(const mpv_event& event) {
    LogMpvEvent(event);
    // mpv's own words on what went wrong (an HTTP status, a missing codec)
    // go with the failure of the medium that is opening or playing.
    // mpv may tell it just after the failure itself.
    if (std::string error = MediumErrorText(event); !error.empty() && !error.starts_with("Failed to ")) {
        if (phase_ == Phase::Failed && detailWanted_) {
            failureReason_ += ": " + error;
            detailWanted_ = false;
        } else {
            lastError_ = std::move(error);
        }
    }
    switch (event.event_id) {
        case MPV_EVENT_COMMAND_REPLY: {
            if (KindOf(event.reply_userdata) == kScreenshot) {
                const std::uint64_t number = event.reply_userdata & ((std::uint64_t(1) << 56) - 1);
                for (auto it = pendingScreenshots_.begin(); it != pendingScreenshots_.end(); ++it) {
                    if (it->first != number) continue;
                    const QString path = it->second;
                    pendingScreenshots_.erase(it);
                    emit ScreenshotSaved(path, event.error >= 0);
                    break;
                }
                break;
            }
            if (KindOf(event.reply_userdata) != kLoad || !SameGeneration(event.reply_userdata, generation_) ||
                phase_ != Phase::Opening)
                break;
            if (event.error < 0) {
                Fail(mpv_error_string(event.error));
                break;
            }
            const auto* reply = static_cast<const mpv_event_command*>(event.data);
            const mpv_node* id = reply ? MapValue(reply->result, "playlist_entry_id") : nullptr;
            if (id && id->format == MPV_FORMAT_INT64) {
                expectedEntry_ = id->u.int64;
                ApplyEntryEvents();  // in case the entry's events came first
            } else {
                acceptNextStart_ = true;
            }
            break;
        }
        case MPV_EVENT_SET_PROPERTY_REPLY:
            if (KindOf(event.reply_userdata) == kSpeedSet && speedSetsPending_ > 0) --speedSetsPending_;
            if (KindOf(event.reply_userdata) == kSubVisibilitySet && subVisibilitySetsPending_ > 0)
                --subVisibilitySetsPending_;
            break;
        case MPV_EVENT_GET_PROPERTY_REPLY: {
            if (!SameGeneration(event.reply_userdata, generation_) || phase_ != Phase::Loaded) break;
            if (KindOf(event.reply_userdata) == kEndFlag) {
                const auto* property = static_cast<const mpv_event_property*>(event.data);
                if (event.error >= 0 && property && property->format == MPV_FORMAT_FLAG && property->data &&
                    *static_cast<const int*>(property->data)) {
                    eofReached_ = true;
                    CheckEnd();
                }
                break;
            }
            if (KindOf(event.reply_userdata) != kEndPosition) break;
            endCheckPending_ = false;
            const auto* property = static_cast<const mpv_event_property*>(event.data);
            if (event.error >= 0 && property && property->format == MPV_FORMAT_DOUBLE && property->data)
                FinishAtEnd(*static_cast<const double*>(property->data), true);
            else
                FinishAtEnd(timePos_, false);
            break;
        }
        case MPV_EVENT_START_FILE: {
            const auto* start = static_cast<const mpv_event_start_file*>(event.data);
            startedEntry_ = start ? start->playlist_entry_id : -1;
            if (acceptNextStart_ && phase_ == Phase::Opening) {
                expectedEntry_ = startedEntry_;
                acceptNextStart_ = false;
            }
            break;
        }
        case MPV_EVENT_FILE_LOADED:
            loadedEntry_ = startedEntry_;
            ApplyEntryEvents();
            break;
        case MPV_EVENT_PLAYBACK_RESTART:
            restartedEntry_ = startedEntry_;
            ApplyEntryEvents();
            break;
        case MPV_EVENT_END_FILE: {
            const auto* end = static_cast<const mpv_event_end_file*>(event.data);
            if (!end) break;
            lastEnd_ = {end->playlist_entry_id, end->reason, end->error, end->playlist_insert_id,
                        end->playlist_insert_num_entries};
            ApplyEntryEvents();
            break;
        }
        case MPV_EVENT_PROPERTY_CHANGE: {
            const auto* property = static_cast<const mpv_event_property*>(event.data);
            if (property) HandleProperty(event.reply_userdata, property->data, property->format);
            break;
        }
        case MPV_EVENT_SHUTDOWN:
            // The core is going away on its own; nothing more can be played.
            mpv_set_wakeup_callback(handle_, nullptr, nullptr);
            if (phase_ == Phase::Opening || phase_ == Phase::Loaded) {
                phase_ = Phase::Failed;
                failureReason_ = "the player shut down";
            }
            break;
        default:
            break;
    }
}

void MpvSession::ApplyEntryEvents() {
    // mpv reports events of playlist entries; only those of the entry this
    // session waits for count, whether they come before or after the reply
    // that names it.
    if (expectedEntry_ < 0) return;
    if (phase_ == Phase::Opening && loadedEntry_ == expectedEntry_) {
        phase_ = Phase::Loaded;
        bool first = true;
        for (const std::string& path : std::exchange(besideSubtitles_, {})) {
            Command(Tag(kPlain, generation_), {"sub-add", path.c_str(), first ? "select" : "auto"});
            first = false;
        }
        if (const std::optional<double> seek = std::exchange(seekWhenLoaded_, std::nullopt)) Seek(*seek);
    }
    if (phase_ == Phase::Loaded && restartedEntry_ == expectedEntry_ && !restarted_) {
        restarted_ = true;
        endPoll_.start();
        CheckFirstFrame();
        CheckEnd();
    }
    if (lastEnd_.entry != expectedEntry_ || (phase_ != Phase::Opening && phase_ != Phase::Loaded)) return;
    switch (lastEnd_.reason) {
        case MPV_END_FILE_REASON_EOF:
            // Rare with keep-open (which holds the file at its end, see CheckEnd):
            // no final position to go by, so it counts as the end.
            if (phase_ == Phase::Loaded)
                FinishAtEnd(0, false);
            else
                Fail("it ended before anything could be played");
            break;
        case MPV_END_FILE_REASON_ERROR:
            // The audio output could not start (no sound device): the medium is
            // not at fault. A picture plays on to its end and ends above; sound
            // alone ends here, with nothing that could have been played.
            if (lastEnd_.error == MPV_ERROR_AO_INIT_FAILED && phase_ == Phase::Loaded)
                FinishAtEnd(0, false);
            else
                Fail(mpv_error_string(lastEnd_.error));
            break;
        case MPV_END_FILE_REASON_REDIRECT:
            // A playlist behind the address: follow its first entry.
            if (lastEnd_.insertCount > 0) {
                expectedEntry_ = lastEnd_.insertId;
                phase_ = Phase::Opening;
                ApplyEntryEvents();
            } else {
                Fail("an empty play list");
            }
            break;
        default:  // stopped or quit by someone other than this session
            if (phase_ == Phase::Loaded) KeepInformation();
            ResetMedia();
            phase_ = Phase::Stopped;
            break;
    }
}

void MpvSession::HandleProperty(std::uint64_t id, const void* data, int format) {
    const bool present = data && format != MPV_FORMAT_NONE;
    auto number = [&]() -> double {
        if (!present) return 0;
        if (format == MPV_FORMAT_DOUBLE) {
            const double value = *static_cast<const double*>(data);
            return std::isfinite(value) ? value : 0;
        }
        if (format == MPV_FORMAT_INT64) return double(*static_cast<const std::int64_t*>(data));
        return 0;
    };
    auto flag = [&]() { return present && format == MPV_FORMAT_FLAG && *static_cast<const int*>(data) != 0; };

    switch (id) {
        case kTimePos:
            timePos_ = number();
            break;
        case kDuration:
            duration_ = number();
            break;
        case kPartiallySeekable:
            partiallySeekable_ = flag();
            break;
        case kPausedForCache:
            pausedForCache_ = flag();
            break;
        case kCacheBuffering:
            cacheBuffering_ = int(std::clamp(number(), 0.0, 100.0));
            break;
        case kCacheState: {
            cacheEnd_ = 0;
            cacheEof_ = false;
            if (present && format == MPV_FORMAT_NODE) {
                const auto& node = *static_cast<const mpv_node*>(data);
                cacheEnd_ = NodeNumber(MapValue(node, "cache-end"));
                const mpv_node* eof = MapValue(node, "eof");
                cacheEof_ = eof && eof->format == MPV_FORMAT_FLAG && eof->u.flag;
            }
            break;
        }
        case kWidth:
            width_ = int(std::clamp(number(), 0.0, 1e6));
            CheckFirstFrame();
            break;
        case kHeight:
            height_ = int(std::clamp(number(), 0.0, 1e6));
            CheckFirstFrame();
            break;
        case kMetadata:
            metadata_.clear();
            if (present && format == MPV_FORMAT_NODE) {
                const auto& node = *static_cast<const mpv_node*>(data);
                if (node.format == MPV_FORMAT_NODE_MAP && node.u.list)
                    for (int i = 0; i < node.u.list->num; ++i)
                        if (node.u.list->values[i].format == MPV_FORMAT_STRING && node.u.list->keys[i])
                            metadata_.emplace_back(node.u.list->keys[i], node.u.list->values[i].u.string);
            }
            break;
        case kFileFormat:
            fileFormat_ = present && format == MPV_FORMAT_STRING ? *static_cast<char* const*>(data) : "";
            break;
        case kEofReached:
            eofReached_ = flag();
            CheckEnd();
            break;
        case kSpeed:
            if (number() > 0 && speedSetsPending_ == 0) speed_ = number();
            break;
        case kSubVisibility:
            if (present && subVisibilitySetsPending_ == 0) subtitlesShown_ = flag();
            break;
        case kSubText:
            subtitleText_ = present && format == MPV_FORMAT_STRING ? *static_cast<char* const*>(data) : "";
            break;
        case kTrackList:
            tracks_ = present && format == MPV_FORMAT_NODE ? TracksOf(*static_cast<const mpv_node*>(data))
                                                           : std::vector<MediaTrack>{};
            break;
        case kChapterList:
            chapters_ = present && format == MPV_FORMAT_NODE ? ChaptersOf(*static_cast<const mpv_node*>(data))
                                                             : std::vector<MediaChapter>{};
            break;
        case kChapter:
            chapter_ = present && format == MPV_FORMAT_INT64 ? int(*static_cast<const std::int64_t*>(data)) : -1;
            break;
        default:
            break;
    }
}

void MpvSession::CheckFirstFrame() {
    // mpv starts playback once the first frame is decoded; the picture size
    // (which may be reported just after) tells that there is a frame at all.
    if (firstFrameSeen_ || !options_.onFirstFrame || !restarted_ || phase_ != Phase::Loaded || width_ <= 0 ||
        height_ <= 0)
        return;
    firstFrameSeen_ = true;
    options_.onFirstFrame();
}

void MpvSession::CheckEnd() {
    // The file is kept open at its end; ask for the position it ended at
    // (the observed one may lag behind) before deciding how it ended.
    if (!eofReached_ || endCheckPending_ || !restarted_ || phase_ != Phase::Loaded || startedEntry_ != expectedEntry_)
        return;
    endCheckPending_ = true;
    if (mpv_get_property_async(handle_, Tag(kEndPosition, generation_), "time-pos", MPV_FORMAT_DOUBLE) < 0) {
        endCheckPending_ = false;
        FinishAtEnd(timePos_, false);
    }
}

void MpvSession::FinishAtEnd(double reached, bool reliable) {
    // A stream that broke off (the server closed it mid-way) also ends as
    // "end of file"; only one that got near its duration was played to its end.
    const double duration = duration_;
    const bool known = reliable || reached > 0;
    const bool cutShort = known && duration > 0 && reached + EndTolerance(duration) < duration;
    ++generation_;
    ResetMedia();
    if (cutShort)
        ForgetInformation();
    else
        KeepInformation();
    if (handle_) Command(Tag(kPlain, generation_), {"stop"});
    phase_ = cutShort ? Phase::Failed : Phase::Ended;
    if (cutShort) failureReason_ = "the stream broke off before its end";
}

void MpvSession::Fail(const char* reason) {
    failureReason_ = reason ? reason : "";
    if (!lastError_.empty()) failureReason_ += (failureReason_.empty() ? "" : ": ") + lastError_;
    detailWanted_ = lastError_.empty();
    ++generation_;
    ResetMedia();
    ForgetInformation();
    if (handle_) Command(Tag(kPlain, generation_), {"stop"});
    phase_ = Phase::Failed;
}

void MpvSession::Command(std::uint64_t tag, std::initializer_list<const char*> words) {
    std::vector<const char*> list(words);
    list.push_back(nullptr);
    mpv_command_async(handle_, tag, list.data());
}

void MpvSession::SetString(const char* name, const std::string& value) {
    if (!handle_) {
        // Kept for the core still to come; the last value of a name wins.
        std::erase_if(settingsBeforeCore_, [name](const auto& setting) { return setting.first == name; });
        if (!coreFailed_) settingsBeforeCore_.emplace_back(name, value);
        return;
    }
    const char* text = value.c_str();
    mpv_set_property_async(handle_, Tag(kPlain, generation_), name, MPV_FORMAT_STRING, &text);
}

}  // namespace lumora
