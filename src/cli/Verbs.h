// SPDX-License-Identifier: GPL-3.0-or-later
// The verbs of lumora-cli. Each takes the arguments after the verb, already
// converted to GBK, and returns the exit status: 0 for a non-empty result,
// 1 for an empty one or a failure, 2 for a usage error; 1 and 2 come with one
// line on stderr that says why.
#pragma once

#include "base/Text.h"

#include <string_view>
#include <vector>

namespace lumora::cli {

using Args = std::vector<Text>;

// Prints "lumora-cli: MESSAGE" to stderr and returns 2.
int UsageError(std::string_view message);
// Prints "lumora-cli: REASON" to stderr (control characters escaped) and
// returns 1.
int Failure(std::string_view reason);
// Writes a text of the program's own to standard output as UTF-8, followed by
// a line feed.
void PrintLine(const Text& text);
// Writes fields that may come from the network as one line: each escaped
// (cli/TerminalText.h), joined by tabs.
void PrintRecord(const std::vector<Text>& fields);
// Writes a body that may come from the network (a page, response headers)
// with its lines kept and other control characters escaped.
void PrintBody(const Text& text);
// 0 when the result is non-empty; otherwise `reason` goes to stderr and 1.
int ResultStatus(bool nonEmpty, std::string_view reason);

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
// The play history, newest first: "PLAYED<TAB>POSITION<TAB>DURATION<TAB>KIND<TAB>REFERENCE<TAB>TITLE".
int History(const Args& args);
// The favourites, newest first: "ADDED<TAB>KIND<TAB>REFERENCE<TAB>TITLE".
int Favourites(const Args& args);
// Plays through MediaFront; runs under a QApplication (see MediaMain.cpp).
int Play(const Args& args);

}  // namespace lumora::cli
