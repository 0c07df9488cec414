// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ConfigFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace lumora {

namespace {

bool MayReplace(const QString& path) {
    struct stat status {};
    if (lstat(QFile::encodeName(path).constData(), &status) != 0) return errno == ENOENT;
    return S_ISREG(status.st_mode) && status.st_uid == geteuid();
}

}  // namespace

QString ConfigFilePath(const QString& name) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/lumora/") + name;
}

std::optional<QByteArray> ReadConfigFile(const QString& path, qint64 largest) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray bytes = file.read(largest + 1);
    if (bytes.size() > largest) return std::nullopt;
    return bytes;
}

bool ReplaceConfigFile(const QString& path, const QByteArray& bytes) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    if (!MayReplace(path)) {
        qWarning("lumora: %s is not a file of this user's own; nothing is written there", qUtf8Printable(path));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(bytes);
    return file.commit();
}

}  // namespace lumora
