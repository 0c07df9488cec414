// SPDX-License-Identifier: GPL-3.0-or-later
// Where the library database lives: $XDG_DATA_HOME/lumora/library.sqlite
// (XDG_DATA_HOME taken only when it is an absolute path; else
// ~/.local/share).
#pragma once

#include <QString>

namespace lumora {

QString LibraryDatabasePath();

}  // namespace lumora
