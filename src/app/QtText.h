// SPDX-License-Identifier: GPL-3.0-or-later
// Crossing between the program's GBK texts and Qt's UTF-16 strings.
// Every text shown in a widget goes through ToQString, every text typed into
// one comes back through FromQString; nothing is lost either way (GB18030).
#pragma once

#include <QString>

#include "base/Text.h"

namespace lumora {

QString ToQString(const Text& text);
// Lone surrogates become U+FFFD.
Text FromQString(const QString& text);

}  // namespace lumora
