// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the library database, and what happens when it can't be used as it
// is: set aside when damaged, read-only when locked, unwritable or newer.
#include "library/LibraryLog.h"
#include "library/LibraryStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

namespace lumora {

namespace {

// How long opening waits for another program's write lock; later writes
// wait far less (they run on the window's thread and are retried anyway).
constexpr int kOpenBusyMs = 1500;
constexpr int kWriteBusyMs = 200;

// SQLite's primary result codes that decide what to do.
enum class Trouble { None, Damaged, Locked, Unwritable, Other };

Trouble TroubleOf(const QSqlError& error) {
    if (!error.isValid()) return Trouble::None;
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    if (!ok) return Trouble::Other;
    switch (code) {
        case 11:  // SQLITE_CORRUPT
        case 26:  // SQLITE_NOTADB
            return Trouble::Damaged;
        case 5:  // SQLITE_BUSY
        case 6:  // SQLITE_LOCKED
            return Trouble::Locked;
        case 8:   // SQLITE_READONLY
        case 14:  // SQLITE_CANTOPEN
            return Trouble::Unwritable;
        default:
            return Trouble::Other;
    }
}

QString NewConnectionName() {
    static std::atomic<int> count{0};
    return QStringLiteral("lumora-library-%1").arg(++count);
}

void DropConnection(const QString& name) {
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isValid()) db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// The user took the write permission away (honoured even when running as
// root, who could write anyway), or the system refuses it.
bool WriteRefused(const QString& path) {
    const QByteArray local = QFile::encodeName(path);
    struct stat st {};
    if (::stat(local.constData(), &st) != 0) return false;
    return (st.st_mode & 0222) == 0 || ::access(local.constData(), W_OK) != 0;
}

struct Step {
    Trouble trouble = Trouble::None;
    QString reason;
};

Step Run(QSqlDatabase& db, const QString& statement, QVariant* value = nullptr) {
    QSqlQuery query(db);
    if (!query.exec(statement)) return {TroubleOf(query.lastError()), query.lastError().text()};
    if (value) *value = query.next() ? query.value(0) : QVariant();
    return {};
}

bool OpenConnection(const QString& name, const QString& path, bool readOnly, bool immutable) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kOpenBusyMs);
    if (readOnly) options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    if (immutable) {
        // A read-only folder has no room for the WAL's shared memory file:
        // read the file as it stands.
        options += QStringLiteral(";QSQLITE_OPEN_URI");
        db.setDatabaseName(QStringLiteral("file:%1?immutable=1")
                               .arg(QString::fromLatin1(QUrl::toPercentEncoding(path, "/"))));
    } else {
        db.setDatabaseName(path);
    }
    db.setConnectOptions(options);
    return db.open();
}

const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS history(key TEXT PRIMARY KEY, kind TEXT NOT NULL, reference TEXT NOT NULL,"
    " title TEXT NOT NULL, position REAL NOT NULL, duration REAL NOT NULL, played_at INTEGER NOT NULL)",
    "CREATE INDEX IF NOT EXISTS history_played_at ON history(played_at)",
    "CREATE TABLE IF NOT EXISTS favourites(key TEXT PRIMARY KEY, kind TEXT NOT NULL, reference TEXT NOT NULL,"
    " title TEXT NOT NULL, added_at INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS settings(name TEXT PRIMARY KEY, value TEXT NOT NULL)",
};

}  // namespace

struct LibraryOpening {
    QString path;

    std::unique_ptr<LibraryStore> Make(const QString& name, LibraryStore::Access access) {
        return std::unique_ptr<LibraryStore>(new LibraryStore(path, name, access));
    }

    std::unique_ptr<LibraryStore> Unavailable(const QString& why) {
        qCWarning(lumoraLibrary).noquote() << QStringLiteral("%1 %2; no history and no favourites this run").arg(path, why);
        return Make(QString(), LibraryStore::Access::Unavailable);
    }

    // Read-only: plain first, then as an immutable file. A file or folder
    // the user made read-only is read as it stands right away, so that not
    // even the WAL's companion files are made beside it.
    std::unique_ptr<LibraryStore> ReadOnly(const QString& why, bool asItStands = false) {
        if (!why.isEmpty())
            qCWarning(lumoraLibrary).noquote()
                << QStringLiteral("%1 %2; history and favourites are read-only this run").arg(path, why);
        if (!QFileInfo::exists(path)) return Make(QString(), LibraryStore::Access::Unavailable);
        for (const bool immutable : {asItStands, true}) {
            const QString name = NewConnectionName();
            if (OpenConnection(name, path, true, immutable)) {
                QSqlDatabase db = QSqlDatabase::database(name, false);
                const Step step = Run(db, QStringLiteral("SELECT count(*) FROM sqlite_master"));
                // Locked even for readers: the reads wait, and may come up empty.
                if (step.trouble == Trouble::None || step.trouble == Trouble::Locked) {
                    Run(db, QStringLiteral("PRAGMA busy_timeout=%1").arg(kWriteBusyMs));
                    return Make(name, LibraryStore::Access::ReadOnly);
                }
            }
            DropConnection(name);
        }
        return Make(QString(), LibraryStore::Access::Unavailable);
    }

    // Renames the damaged file (and its WAL companions) out of the way.
    bool SetAside() {
        const QString aside =
            path + QStringLiteral(".corrupt-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
        if (!QFile::rename(path, aside)) return false;
        for (const char* suffix : {"-wal", "-shm"}) {
            const QString companion = path + QLatin1String(suffix);
            if (QFileInfo::exists(companion) && !QFile::rename(companion, aside + QLatin1String(suffix)))
                QFile::remove(companion);
        }
        qCWarning(lumoraLibrary).noquote()
            << QStringLiteral("%1 is damaged; set aside as %2 and started anew").arg(path, aside);
        return true;
    }

    std::unique_ptr<LibraryStore> Open(bool afterSetAside = false) {
        const QFileInfo info(path);
        const QString folder = info.absolutePath();
        if (!QDir().mkpath(folder)) return Unavailable(QStringLiteral("has no folder (cannot make %1)").arg(folder));
        if ((info.exists() && WriteRefused(path)) || WriteRefused(folder))
            return ReadOnly(QStringLiteral("cannot be written (read-only file or folder)"), true);

        const QString name = NewConnectionName();
        if (!OpenConnection(name, path, false, false)) {
            const QString reason = QSqlDatabase::database(name, false).lastError().text();
            DropConnection(name);
            return Unavailable(QStringLiteral("cannot be opened (%1)").arg(reason));
        }
        QSqlDatabase db = QSqlDatabase::database(name, false);
        const auto fail = [&](const Step& step) -> std::unique_ptr<LibraryStore> {
            db = QSqlDatabase();
            DropConnection(name);
            switch (step.trouble) {
                case Trouble::Damaged:
                    if (!afterSetAside && SetAside()) return Open(true);
                    return Unavailable(QStringLiteral("is damaged and cannot be set aside (%1)").arg(step.reason));
                case Trouble::Locked:
                    return ReadOnly(QStringLiteral("is locked by another program"));
                case Trouble::Unwritable:
                    return ReadOnly(QStringLiteral("cannot be written (%1)").arg(step.reason));
                default:
                    return Unavailable(QStringLiteral("cannot be used (%1)").arg(step.reason));
            }
        };

        QVariant value;
        Step step = Run(db, QStringLiteral("PRAGMA quick_check"), &value);
        if (step.trouble != Trouble::None) return fail(step);
        if (value.toString() != QLatin1String("ok")) return fail({Trouble::Damaged, value.toString()});

        step = Run(db, QStringLiteral("PRAGMA user_version"), &value);
        if (step.trouble != Trouble::None) return fail(step);
        const int version = value.toInt();
        if (version > LibraryStore::kSchemaVersion) {
            db = QSqlDatabase();
            DropConnection(name);
            return ReadOnly(QStringLiteral("comes from a newer version (schema %1, this one knows %2)")
                                .arg(version)
                                .arg(LibraryStore::kSchemaVersion));
        }

        // WAL: readers never wait for the writer, and a crash leaves the
        // last whole transaction. NORMAL syncs at checkpoints, enough in WAL.
        step = Run(db, QStringLiteral("PRAGMA journal_mode=WAL"), &value);
        if (step.trouble != Trouble::None) return fail(step);
        Run(db, QStringLiteral("PRAGMA synchronous=NORMAL"));

        // The write lock proves the file writable now, and the schema is
        // made under it so two copies starting together make it once.
        step = Run(db, QStringLiteral("BEGIN IMMEDIATE"));
        if (step.trouble != Trouble::None) return fail(step);
        for (const char* statement : kSchema) {
            step = Run(db, QString::fromLatin1(statement));
            if (step.trouble != Trouble::None) break;
        }
        if (step.trouble == Trouble::None && version < LibraryStore::kSchemaVersion)
            step = Run(db, QStringLiteral("PRAGMA user_version=%1").arg(LibraryStore::kSchemaVersion));
        if (step.trouble == Trouble::None) step = Run(db, QStringLiteral("COMMIT"));
        if (step.trouble != Trouble::None) {
            Run(db, QStringLiteral("ROLLBACK"));
            return fail(step);
        }
        Run(db, QStringLiteral("PRAGMA busy_timeout=%1").arg(kWriteBusyMs));
        // The store checkpoints on a worker (LibraryStore::AfterWrite).
        Run(db, QStringLiteral("PRAGMA wal_autocheckpoint=0"));
        return Make(name, LibraryStore::Access::Writable);
    }
};

std::unique_ptr<LibraryStore> LibraryStore::Open(const QString& path) {
    return LibraryOpening{QDir::cleanPath(QFileInfo(path).absoluteFilePath())}.Open();
}

std::unique_ptr<LibraryStore> LibraryStore::OpenWriter(const QString& path) {
    LibraryOpening opening{QDir::cleanPath(QFileInfo(path).absoluteFilePath())};
    const QString name = NewConnectionName();
    if (OpenConnection(name, opening.path, false, false)) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        // Each connection has its own settings. Off the window's thread a
        // write may wait for another copy's lock as long as opening does.
        if (Run(db, QStringLiteral("PRAGMA synchronous=NORMAL")).trouble == Trouble::None &&
            Run(db, QStringLiteral("PRAGMA wal_autocheckpoint=0")).trouble == Trouble::None)
            return opening.Make(name, LibraryStore::Access::Writable);
        qCWarning(lumoraLibrary).noquote()
            << QStringLiteral("%1 cannot be written from the writer thread (%2)").arg(opening.path, db.lastError().text());
        db = QSqlDatabase();
    }
    DropConnection(name);
    return opening.Make(QString(), LibraryStore::Access::Unavailable);
}

std::unique_ptr<LibraryStore> LibraryStore::OpenForReading(const QString& path) {
    return LibraryOpening{QDir::cleanPath(QFileInfo(path).absoluteFilePath())}.ReadOnly(QString());
}

}  // namespace lumora
