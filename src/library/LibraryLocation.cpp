// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LibraryLocation.h"

#include <QDir>

namespace lumora {

QString LibraryDatabasePath() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    // The base directory specification ignores a relative value.
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/lumora/library.sqlite"));
}

}  // namespace lumora
