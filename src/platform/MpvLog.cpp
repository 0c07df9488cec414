// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MpvLog.h"

#include <mpv/client.h>

#include <string>
#include <string_view>

#include "base/Log.h"

namespace lumora {

namespace {

const char* EndReasonName(mpv_end_file_reason reason) {
    switch (reason) {
        case MPV_END_FILE_REASON_EOF:
            return "end of the file";
        case MPV_END_FILE_REASON_STOP:
            return "stopped";
        case MPV_END_FILE_REASON_QUIT:
            return "quit";
        case MPV_END_FILE_REASON_ERROR:
            return "error";
        case MPV_END_FILE_REASON_REDIRECT:
            return "redirect";
    }
    return "unknown reason";
}

std::string_view MessageText(const mpv_event_log_message& message) {
    std::string_view text = message.text ? message.text : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// The audio output's complaints, and the player's word that it plays
// without sound, say nothing about the medium.
bool AboutAudioOutput(const mpv_event_log_message& message) {
    const std::string_view prefix = message.prefix ? message.prefix : "";
    return prefix == "ao" || prefix.starts_with("ao/") ||
           MessageText(message).find("audio device") != std::string_view::npos;
}

void LogMessage(const mpv_event_log_message& message) {
    const std::string_view prefix = message.prefix ? message.prefix : "";
    const std::string_view text = MessageText(message);
    const bool audioOutput = AboutAudioOutput(message);
    const bool warning = message.log_level <= MPV_LOG_LEVEL_WARN && !audioOutput;
    const LogLevel level = warning ? LogLevel::Warning : LogLevel::Debug;
    if (!LogEnabled(LogLayer::Playback, level)) return;
    std::string line = "mpv ";
    line += message.level ? message.level : "";
    line += " [";
    line += prefix;
    line += "] ";
    line += text;
    if (warning)
        LogWarning(LogLayer::Playback, line);
    else
        LogDebug(LogLayer::Playback, line);
}

}  // namespace

std::string MediumErrorText(const mpv_event& event) {
    if (event.event_id != MPV_EVENT_LOG_MESSAGE || !event.data) return {};
    const auto& message = *static_cast<const mpv_event_log_message*>(event.data);
    if (AboutAudioOutput(message)) return {};
    // The readers of the medium (ffmpeg's protocols and demuxers, mpv's
    // streams and demuxers) say what went wrong as a warning, such as an
    // HTTP status; elsewhere only errors are about the medium.
    const std::string_view prefix = message.prefix ? message.prefix : "";
    const bool reader = prefix == "ffmpeg" || prefix.starts_with("ffmpeg/") || prefix.starts_with("stream") ||
                        prefix.starts_with("demux") || prefix.starts_with("lavf");
    if (message.log_level > (reader ? MPV_LOG_LEVEL_WARN : MPV_LOG_LEVEL_ERROR)) return {};
    return std::string(MessageText(message));
}

void RequestMpvLog(mpv_handle* handle) {
    mpv_request_log_messages(handle, LogEnabled(LogLayer::Playback, LogLevel::Debug) ? "v" : "warn");
}

void LogMpvEvent(const mpv_event& event) {
    if (event.event_id == MPV_EVENT_LOG_MESSAGE && event.data) {
        LogMessage(*static_cast<const mpv_event_log_message*>(event.data));
    } else if (event.event_id == MPV_EVENT_END_FILE && event.data) {
        const auto& end = *static_cast<const mpv_event_end_file*>(event.data);
        std::string line =
            "playlist entry " + std::to_string(end.playlist_entry_id) + " ended: " + EndReasonName(end.reason);
        if (end.reason == MPV_END_FILE_REASON_ERROR) line += std::string(" (") + mpv_error_string(end.error) + ")";
        // Without a sound device a medium still plays to its end: no failure.
        if (end.reason == MPV_END_FILE_REASON_ERROR && end.error != MPV_ERROR_AO_INIT_FAILED) {
            LogWarning(LogLayer::Playback, line);
        } else {
            LogDebug(LogLayer::Playback, line);
        }
    }
}

}  // namespace lumora
