// SPDX-License-Identifier: GPL-3.0-or-later
// The log of failure reasons: one category per layer ("lumora.web",
// "lumora.playback", ...), warnings and debug detail, UTF-8 text to standard
// error. Usable without Qt (lumora-cli's light verbs); the Qt programs plug
// in a sink that forwards to QLoggingCategory, so QT_LOGGING_RULES and Qt's
// message handler apply there.
#pragma once

#include <string_view>

namespace lumora {

enum class LogLayer { Web, Playback, Catalogue, Download, Handoff };
enum class LogLevel { Debug, Warning };

// "lumora.web", "lumora.playback", "lumora.catalogue", "lumora.download",
// "lumora.handoff".
const char* LogCategoryName(LogLayer layer);

// Where log lines go. Both functions may be called from any thread.
struct LogSink {
    bool (*enabled)(LogLayer layer, LogLevel level);
    void (*write)(LogLayer layer, LogLevel level, std::string_view text);
};

// Replaces the sink for the whole process; null restores the default, which
// prints "CATEGORY: TEXT" lines to standard error: warnings always, debug
// lines when QT_LOGGING_RULES enables them ("lumora.web.debug=true",
// "lumora.*.debug=true", "*.debug=false", ...; the last matching rule wins).
// `sink` must outlive its use.
void SetLogSink(const LogSink* sink);

bool LogEnabled(LogLayer layer, LogLevel level);
void LogWarning(LogLayer layer, std::string_view text);
void LogDebug(LogLayer layer, std::string_view text);

// Whether `rules` (QT_LOGGING_RULES syntax: "pattern[.level]=true|false"
// separated by ';' or new lines) turn `level` of `category` on; `fallback`
// when no rule matches. Patterns may start and/or end with '*'.
bool LogRulesEnable(std::string_view rules, std::string_view category, LogLevel level, bool fallback);

}  // namespace lumora
