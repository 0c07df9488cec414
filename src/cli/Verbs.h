// The verbs of lumora-cli. Each takes the arguments after the verb, already
// converted to GBK, and returns the exit status: 0 for a non-empty result,
// 1 for an empty one, 2 for a usage error (after printing one line to stderr).
#pragma once

#include "base/Text.h"

#include <string_view>
#include <vector>

namespace lumora::cli {

using Args = std::vector<Text>;

int UsageError(std::string_view message);
// Writes a text to standard output as UTF-8, followed by a line feed.
void PrintLine(const Text& text);
// 0 when the result is non-empty, 1 otherwise.
inline int ResultStatus(bool nonEmpty) { return nonEmpty ? 0 : 1; }

int Fetch(const Args& args);
int Code(const Args& args);
int Regex(const Args& args);
int Object(const Args& args);
int Socket(const Args& args);
int Probe(const Args& args);
int List(const Args& args);
int Video(const Args& args);
int Classify(const Args& args);
// What Open makes of an address: "ENGINE<TAB>ADDRESS<TAB>TITLE".
int Resolve(const Args& args);
// Downloads URL into FILE, continuing an earlier run unless --no-continue;
// progress, then 下载成功 and "saved: PATH", or 下载失败.
int Download(const Args& args);
// Plays through MediaFront; runs under a QApplication (see MediaMain.cpp).
int Play(const Args& args);

}  // namespace lumora::cli
