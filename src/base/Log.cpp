// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Log.h"

#include "base/TerminalText.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace lumora {

namespace {

constexpr std::string_view kBlanks = " \t\r";

std::string_view Trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// Qt's pattern forms: "name", "*name", "name*", "*name*" and "*".
bool PatternMatches(std::string_view pattern, std::string_view name) {
    const bool anyStart = !pattern.empty() && pattern.front() == '*';
    if (anyStart) pattern.remove_prefix(1);
    const bool anyEnd = !pattern.empty() && pattern.back() == '*';
    if (anyEnd) pattern.remove_suffix(1);
    if (anyStart && anyEnd) return name.find(pattern) != std::string_view::npos;
    if (anyStart) return name.ends_with(pattern);
    if (anyEnd) return name.starts_with(pattern);
    return name == pattern;
}

bool DefaultEnabled(LogLayer layer, LogLevel level) {
    // Read once: the rules of a process do not change while it runs.
    static const std::string rules = [] {
        const char* value = std::getenv("QT_LOGGING_RULES");
        return std::string(value ? value : "");
    }();
    return LogRulesEnable(rules, LogCategoryName(layer), level, level == LogLevel::Warning);
}

void DefaultWrite(LogLayer layer, LogLevel, std::string_view text) {
    // One call per line, so lines of two threads do not mix.
    std::string line = LogCategoryName(layer);
    line += ": ";
    line += text;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

constexpr LogSink kDefaultSink{DefaultEnabled, DefaultWrite};
std::atomic<const LogSink*> activeSink{&kDefaultSink};

void Write(LogLayer layer, LogLevel level, std::string_view text) {
    const LogSink* sink = activeSink.load(std::memory_order_acquire);
    if (!sink->enabled(layer, level)) return;
    // What a server sent (an address, a reason) reaches the terminal as
    // visible escapes: no terminal sequence, no broken line.
    std::string line;
    line.reserve(text.size());
    AppendEscapedLine(line, text);
    sink->write(layer, level, line);
}

}  // namespace

const char* LogCategoryName(LogLayer layer) {
    switch (layer) {
        case LogLayer::Web:
            return "lumora.web";
        case LogLayer::Playback:
            return "lumora.playback";
        case LogLayer::Catalogue:
            return "lumora.catalogue";
        case LogLayer::Download:
            return "lumora.download";
        case LogLayer::Handoff:
            return "lumora.handoff";
    }
    return "lumora";
}

void SetLogSink(const LogSink* sink) { activeSink.store(sink ? sink : &kDefaultSink, std::memory_order_release); }

bool LogEnabled(LogLayer layer, LogLevel level) {
    return activeSink.load(std::memory_order_acquire)->enabled(layer, level);
}

void LogWarning(LogLayer layer, std::string_view text) { Write(layer, LogLevel::Warning, text); }

void LogDebug(LogLayer layer, std::string_view text) { Write(layer, LogLevel::Debug, text); }

bool LogRulesEnable(std::string_view rules, std::string_view category, LogLevel level, bool fallback) {
    const std::string_view levelName = level == LogLevel::Debug ? "debug" : "warning";
    bool enabled = fallback;
    while (!rules.empty()) {
        const auto end = rules.find_first_of(";\n");
        const std::string_view rule = Trimmed(rules.substr(0, end));
        rules = end == std::string_view::npos ? std::string_view{} : rules.substr(end + 1);
        const auto equals = rule.find('=');
        if (equals == std::string_view::npos) continue;
        std::string_view pattern = Trimmed(rule.substr(0, equals));
        const std::string_view value = Trimmed(rule.substr(equals + 1));
        if (value != "true" && value != "false") continue;
        // "name.debug" names one level; a bare "name" all of them.
        for (std::string_view level : {".debug", ".info", ".warning", ".critical"}) {
            if (pattern.ends_with(level)) {
                if (level.substr(1) != levelName)
                    pattern = {};
                else
                    pattern.remove_suffix(level.size());
                break;
            }
        }
        if (!pattern.empty() && PatternMatches(pattern, category)) enabled = value == "true";
    }
    return enabled;
}

}  // namespace lumora
