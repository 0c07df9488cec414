// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LibraryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace lumora {
namespace {

using Kind = LibraryEntry::Kind;

// The warnings of lumora.library while a test runs.
QStringList* capturedLog = nullptr;

void CaptureLog(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (capturedLog && type == QtWarningMsg && QLatin1String(context.category) == QLatin1String("lumora.library"))
        capturedLog->append(text);
}

class LibraryStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath(QStringLiteral("lumora/library.sqlite"));
        capturedLog = &log_;
        previous_ = qInstallMessageHandler(CaptureLog);
    }
    void TearDown() override {
        qInstallMessageHandler(previous_);
        capturedLog = nullptr;
        // Permissions back, so the folder can go.
        for (const QString& p : {dir_.filePath(QStringLiteral("lumora")), path_})
            ::chmod(QFile::encodeName(p).constData(), 0755);
    }

    // A direct connection to the file, as another program holds it.
    QSqlDatabase Other(const QString& name) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path_);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
        EXPECT_TRUE(db.open());
        return db;
    }

    QStringList Aside() const {
        return QDir(dir_.filePath(QStringLiteral("lumora")))
            .entryList({QStringLiteral("library.sqlite.corrupt-*")}, QDir::Files);
    }

    // Writes a store with one history entry and one favourite, then closes it.
    void Seed() {
        const auto store = LibraryStore::Open(path_);
        ASSERT_TRUE(store->Writable());
        ASSERT_TRUE(store->RecordPosition({Kind::Row, QStringLiteral("1001"), QStringLiteral("第一个视频")}, 42, 300));
        ASSERT_TRUE(store->SetFavourite({Kind::File, QStringLiteral("/v/a.mp4"), QStringLiteral("a.mp4")}, true));
    }

    QTemporaryDir dir_;
    QString path_;
    QStringList log_;
    QtMessageHandler previous_ = nullptr;
};

TEST_F(LibraryStoreTest, KeepsHistoryFavouritesAndTheSettingAcrossOpenings) {
    const LibraryEntry row{Kind::Row, QStringLiteral("1001"), QStringLiteral("第一个视频")};
    const LibraryEntry address{Kind::Address, QStringLiteral("http://127.0.0.1:1/a b.mp4"), QString()};
    const LibraryEntry file{Kind::File, QStringLiteral("/home/u/影片 1.mkv"), QStringLiteral("影片 1.mkv")};
    {
        const auto store = LibraryStore::Open(path_);
        ASSERT_TRUE(store->Writable());
        EXPECT_TRUE(store->History().empty());
        EXPECT_TRUE(store->RecordingEnabled());
        EXPECT_TRUE(store->RecordPosition(row, 12.5, 300));
        EXPECT_TRUE(store->RecordPosition(address, 3, 0));
        EXPECT_TRUE(store->RecordPosition(file, 70, 120));
        // An update keeps the title when none is given, and moves the entry up.
        EXPECT_TRUE(store->RecordPosition({Kind::Row, QStringLiteral("1001"), QString()}, 99, 300));
        EXPECT_TRUE(store->SetFavourite(row, true));
        EXPECT_TRUE(store->SetFavourite(file, true));
        EXPECT_TRUE(store->SetFavourite(file, true));  // twice is once
        EXPECT_TRUE(store->SetRecordingEnabled(false));
        // An empty entry is refused.
        EXPECT_FALSE(store->RecordPosition({}, 1, 2));
    }
    const auto store = LibraryStore::Open(path_);
    ASSERT_TRUE(store->Writable());
    const auto history = store->History();
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0].entry.Key(), row.Key());
    EXPECT_EQ(history[0].entry.title, row.title);
    EXPECT_EQ(history[0].position, 99);
    EXPECT_EQ(history[1].entry.Key(), file.Key());
    EXPECT_EQ(history[2].entry.reference, address.reference);
    EXPECT_EQ(store->FindHistory(file)->position, 70);
    EXPECT_FALSE(store->FindHistory({Kind::File, QStringLiteral("/other"), {}}));
    EXPECT_FALSE(store->RecordingEnabled());

    const auto favourites = store->Favourites();
    ASSERT_EQ(favourites.size(), 2u);
    EXPECT_TRUE(store->IsFavourite(row));
    EXPECT_FALSE(store->IsFavourite(address));
    // The same reference under another kind is another entry.
    EXPECT_FALSE(store->IsFavourite({Kind::Address, row.reference, {}}));

    EXPECT_TRUE(store->RemoveHistory(file));
    EXPECT_EQ(store->History().size(), 2u);
    EXPECT_TRUE(store->SetFavourite(row, false));
    EXPECT_EQ(store->Favourites().size(), 1u);
    EXPECT_TRUE(store->ClearHistory());
    EXPECT_TRUE(store->History().empty());
    EXPECT_EQ(store->Favourites().size(), 1u);  // clearing the history keeps the favourites
    EXPECT_TRUE(log_.isEmpty()) << log_.join('\n').toStdString();

    // The file is in WAL mode with the schema version set.
    QSqlDatabase other = Other(QStringLiteral("check-wal"));
    QSqlQuery query(other);
    ASSERT_TRUE(query.exec(QStringLiteral("PRAGMA journal_mode")) && query.next());
    EXPECT_EQ(query.value(0).toString(), QStringLiteral("wal"));
    ASSERT_TRUE(query.exec(QStringLiteral("PRAGMA user_version")) && query.next());
    EXPECT_EQ(query.value(0).toInt(), LibraryStore::kSchemaVersion);
    query = QSqlQuery();
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("check-wal"));
}

// A damaged file is renamed out of the way (kept for the user) and a new
// one made in its place; the log says so.
TEST_F(LibraryStoreTest, SetsADamagedFileAsideAndStartsAnew) {
    const struct {
        const char* name;
        std::function<void(const QString&)> damage;
    } cases[] = {
        {"not a database",
         [](const QString& path) {
             QFile file(path);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
             file.write(QByteArray(8192, '\x5a'));
         }},
        {"pages overwritten",
         [](const QString& path) {
             QFile file(path);
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             ASSERT_GT(file.size(), 4096);
             file.seek(4096);  // the second page on: the tables' b-trees
             file.write(QByteArray(static_cast<int>(file.size() - 4096), '\xff'));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(dir_.filePath(QStringLiteral("lumora"))).removeRecursively();
        log_.clear();
        Seed();
        c.damage(path_);
        const auto store = LibraryStore::Open(path_);
        EXPECT_TRUE(store->Writable());
        EXPECT_TRUE(store->History().empty());
        EXPECT_TRUE(store->RecordPosition({Kind::Row, QStringLiteral("7"), QStringLiteral("七")}, 20, 60));
        EXPECT_EQ(Aside().size(), 1) << Aside().join(' ').toStdString();
        ASSERT_EQ(log_.size(), 1);
        EXPECT_TRUE(log_[0].contains(QStringLiteral("is damaged; set aside as"))) << log_[0].toStdString();
    }
}

// Another program holds the write lock past the short wait: read-only this
// run, the reads still answer, and the other's transaction is untouched.
TEST_F(LibraryStoreTest, OpensReadOnlyWhileAnotherProgramHoldsTheWriteLock) {
    Seed();
    QSqlDatabase other = Other(QStringLiteral("holder"));
    {
        QSqlQuery query(other);
        ASSERT_TRUE(query.exec(QStringLiteral("BEGIN IMMEDIATE")));
        ASSERT_TRUE(query.exec(QStringLiteral("INSERT INTO settings(name, value) VALUES('other', 'x')")));
    }
    QElapsedTimer waited;
    waited.start();
    const auto store = LibraryStore::Open(path_);
    EXPECT_LT(waited.elapsed(), 5000);
    EXPECT_EQ(store->Mode(), LibraryStore::Access::ReadOnly);
    EXPECT_EQ(store->History().size(), 1u);
    EXPECT_EQ(store->Favourites().size(), 1u);
    EXPECT_FALSE(store->RecordPosition({Kind::Row, QStringLiteral("2"), {}}, 30, 60));
    EXPECT_FALSE(store->SetFavourite({Kind::Row, QStringLiteral("2"), {}}, true));
    ASSERT_EQ(log_.size(), 1);
    EXPECT_TRUE(log_[0].contains(QStringLiteral("is locked by another program"))) << log_[0].toStdString();
    {
        QSqlQuery query(other);
        EXPECT_TRUE(query.exec(QStringLiteral("COMMIT")));
    }
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    // Free again: writable at the next start.
    EXPECT_TRUE(LibraryStore::Open(path_)->Writable());
}

// A file or folder without write permission, and a file of a newer schema,
// open read-only: reads answer, writes are refused, nothing is changed.
TEST_F(LibraryStoreTest, OpensReadOnlyFilesFoldersAndNewerVersions) {
    const QString folder = dir_.filePath(QStringLiteral("lumora"));
    const struct {
        const char* name;
        std::function<void()> make;
        const char* said;
    } cases[] = {
        {"read-only file", [&] { ::chmod(QFile::encodeName(path_).constData(), 0444); }, "cannot be written"},
        {"read-only folder", [&] { ::chmod(QFile::encodeName(folder).constData(), 0555); }, "cannot be written"},
        {"newer schema",
         [&] {
             QSqlDatabase other = Other(QStringLiteral("newer"));
             QSqlQuery(other).exec(QStringLiteral("PRAGMA user_version=7"));
             other.close();
             other = QSqlDatabase();
             QSqlDatabase::removeDatabase(QStringLiteral("newer"));
         },
         "comes from a newer version (schema 7, this one knows 1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        QDir(folder).removeRecursively();
        log_.clear();
        Seed();
        const QByteArray before = [&] {
            QFile file(path_);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        const QStringList filesBefore = QDir(folder).entryList(QDir::Files);
        c.make();
        {
            const auto store = LibraryStore::Open(path_);
            EXPECT_EQ(store->Mode(), LibraryStore::Access::ReadOnly);
            ASSERT_EQ(store->History().size(), 1u);
            EXPECT_EQ(store->History()[0].position, 42);
            EXPECT_EQ(store->Favourites().size(), 1u);
            EXPECT_FALSE(store->RecordPosition({Kind::Row, QStringLiteral("2"), {}}, 30, 60));
            EXPECT_FALSE(store->ClearHistory());
            EXPECT_FALSE(store->SetRecordingEnabled(false));
            EXPECT_EQ(store->History().size(), 1u);
        }
        ASSERT_EQ(log_.size(), 1) << log_.join('\n').toStdString();
        EXPECT_TRUE(log_[0].contains(QString::fromUtf8(c.said))) << log_[0].toStdString();
        EXPECT_TRUE(log_[0].contains(QStringLiteral("read-only this run")));
        if (std::string(c.name) != "newer schema") {
            QFile file(path_);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), before);
            EXPECT_EQ(QDir(folder).entryList(QDir::Files), filesBefore);
        }
    }
}

// Nothing can be made: the store answers nothing and the program goes on.
TEST_F(LibraryStoreTest, IsUnavailableWhereNoFolderCanBeMade) {
    QFile blocker(dir_.filePath(QStringLiteral("lumora")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
    blocker.close();
    const auto store = LibraryStore::Open(path_);
    EXPECT_EQ(store->Mode(), LibraryStore::Access::Unavailable);
    EXPECT_TRUE(store->History().empty());
    EXPECT_FALSE(store->RecordPosition({Kind::Row, QStringLiteral("1"), {}}, 20, 60));
    EXPECT_TRUE(store->RecordingEnabled());
    EXPECT_EQ(log_.size(), 1);
    // Reading for the terminal never makes a file.
    EXPECT_EQ(LibraryStore::OpenForReading(dir_.filePath(QStringLiteral("none.sqlite")))->Mode(),
              LibraryStore::Access::Unavailable);
    EXPECT_FALSE(QFile::exists(dir_.filePath(QStringLiteral("none.sqlite"))));
}

// Two programs write to one file at once (two copies of the player), with
// the positions written directly or through the writer thread: every write
// goes in and the file stays whole.
TEST_F(LibraryStoreTest, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kCount = 300;
    for (const bool queued : {false, true}) {
        SCOPED_TRACE(queued ? "queued" : "direct");
        for (const char* suffix : {"", "-wal", "-shm"}) QFile::remove(path_ + QLatin1String(suffix));
        QStringList extra;
        if (queued) extra << QStringLiteral("queued");
        QProcess first, second;
        first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        first.start(QStringLiteral(LIBRARY_WRITER), QStringList{path_, QStringLiteral("a"), QString::number(kCount)} + extra);
        second.start(QStringLiteral(LIBRARY_WRITER), QStringList{path_, QStringLiteral("b"), QString::number(kCount)} + extra);
        ASSERT_TRUE(first.waitForFinished(60000));
        ASSERT_TRUE(second.waitForFinished(60000));
        EXPECT_EQ(first.exitCode(), 0);
        EXPECT_EQ(second.exitCode(), 0);

        const auto store = LibraryStore::Open(path_);
        ASSERT_TRUE(store->Writable());
        const auto history = store->History();
        EXPECT_EQ(history.size(), 2u * kCount);
        for (const HistoryRecord& record : history)
            EXPECT_EQ(record.position, record.entry.reference.section('-', 1).toInt() + 0.5);
        EXPECT_EQ(store->Favourites().size(), 2u * (kCount / 10));
        {
            QSqlDatabase other = Other(QStringLiteral("integrity"));
            {
                QSqlQuery query(other);
                ASSERT_TRUE(query.exec(QStringLiteral("PRAGMA integrity_check")) && query.next());
                EXPECT_EQ(query.value(0).toString(), QStringLiteral("ok"));
            }
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("integrity"));
    }
    EXPECT_TRUE(log_.isEmpty());
}

}  // namespace
}  // namespace lumora

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
