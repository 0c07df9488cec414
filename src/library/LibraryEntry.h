// SPDX-License-Identifier: GPL-3.0-or-later
// One thing the user played or marked: a catalogue row (its id and title), a
// typed or handed-over address, or a local file. The key names it in the
// database, so the same row, address or file always finds its own record.
#pragma once

#include <QString>

#include <optional>

namespace lumora {

struct LibraryEntry {
    enum class Kind { Row, Address, File };

    Kind kind = Kind::Address;
    QString reference;  // the row's id, the address, or the file's absolute path
    QString title;      // the row's title; for the others what the list shows

    // "row:ID", "address:ADDRESS", "file:PATH".
    QString Key() const;
    bool Empty() const { return reference.isEmpty(); }
};

// "row", "address", "file" and back; nullopt for any other name.
QString KindName(LibraryEntry::Kind kind);
std::optional<LibraryEntry::Kind> KindFromName(const QString& name);

}  // namespace lumora
