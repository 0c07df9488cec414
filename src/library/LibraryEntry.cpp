// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LibraryEntry.h"

namespace lumora {

QString KindName(LibraryEntry::Kind kind) {
    switch (kind) {
        case LibraryEntry::Kind::Row:
            return QStringLiteral("row");
        case LibraryEntry::Kind::Address:
            return QStringLiteral("address");
        case LibraryEntry::Kind::File:
            return QStringLiteral("file");
    }
    return {};
}

std::optional<LibraryEntry::Kind> KindFromName(const QString& name) {
    for (auto kind : {LibraryEntry::Kind::Row, LibraryEntry::Kind::Address, LibraryEntry::Kind::File})
        if (name == KindName(kind)) return kind;
    return std::nullopt;
}

QString LibraryEntry::Key() const { return KindName(kind) + QLatin1Char(':') + reference; }

}  // namespace lumora
