// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/CarriedMovie.h"

#include <QFile>
#include <QFileInfo>

namespace lumora {

const ByteSet& CarriedMovie() {
    static const ByteSet movie = [] {
        QFile resource(":/lumora/engines/Player.swf");
        if (!resource.open(QIODevice::ReadOnly)) return ByteSet();
        const QByteArray bytes = resource.readAll();
        return ByteSet(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }();
    return movie;
}

bool WriteCarriedMovie(const QString& path) {
    // QFileInfo::exists(path) follows links; a dangling link still occupies the name.
    const QFileInfo entry(path);
    if (entry.exists() || entry.isSymLink()) QFile::remove(path);
    const QFileInfo after(path);
    if (after.exists() || after.isSymLink()) return false;

    const ByteSet& movie = CarriedMovie();
    QFile file(path);
    // NewOnly: the temporary directory is shared, so never write through a
    // name someone else created in the meantime.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return false;
    const qint64 size = static_cast<qint64>(movie.size());
    const bool written = file.write(movie.data(), size) == size;
    file.close();
    if (!written) QFile::remove(path);
    return written;
}

}  // namespace lumora
