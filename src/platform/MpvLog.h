// SPDX-License-Identifier: GPL-3.0-or-later
// mpv's own messages and the reasons its files end, in the playback log
// ("lumora.playback"). Warnings and errors are warnings, except those about
// the audio device (a machine without a sound device reports them on every
// play), which are debug detail with the rest.
#pragma once

#include <string>

struct mpv_handle;
struct mpv_event;

namespace lumora {

// Asks `handle` for its log messages: warnings and worse, or everything down
// to verbose detail when debug lines of the playback log are on.
void RequestMpvLog(mpv_handle* handle);

// Logs a log-message event and the reason of an end-file event; other
// events are not looked at.
void LogMpvEvent(const mpv_event& event);

// The text of a message of mpv's about what went wrong with the medium (an
// error, or a warning of the stream and demuxer readers such as "http: HTTP
// error 404 Not Found"), without its line end; empty for any other event or
// message, and for the audio device's complaints.
std::string MediumErrorText(const mpv_event& event);

}  // namespace lumora
