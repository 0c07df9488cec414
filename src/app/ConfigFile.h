// SPDX-License-Identifier: GPL-3.0-or-later
// The player's small remembered-setting files under the user's configuration
// folder ($XDG_CONFIG_HOME/lumora/NAME): read with a size bound, replaced
// whole so that a crash leaves the old file.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace lumora {

// $XDG_CONFIG_HOME/lumora/`name` (usually ~/.config/lumora/NAME).
QString ConfigFilePath(const QString& name);

// The file's bytes; none when it is missing, not a regular file, unreadable
// or longer than `largest` bytes (then it is not ours).
std::optional<QByteArray> ReadConfigFile(const QString& path, qint64 largest);

// Replaces the file whole (a crash leaves the old one); creates its folder.
// Only a missing file or a regular file of this user is replaced: never
// through a link (it would replace the link's target) and never anything
// else.
bool ReplaceConfigFile(const QString& path, const QByteArray& bytes);

}  // namespace lumora
