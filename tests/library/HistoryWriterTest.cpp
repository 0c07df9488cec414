// SPDX-License-Identifier: GPL-3.0-or-later
// The position writes on the writer thread, on real SQLite files: they land
// and Written follows (seen by another connection then), a later position
// of an entry waiting replaces it, the store's reads and removals come after
// what is queued, a write waiting on another copy's lock does not hold the
// caller, the end writes the last position, and a read-only store writes
// nothing.
#include "library/HistoryWriter.h"
#include "library/LibraryStore.h"

#include "EventWait.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lumora {
namespace {

using Kind = LibraryEntry::Kind;
using test::WaitUntil;

LibraryEntry Row(int id) { return {Kind::Row, QString::number(id), QStringLiteral("视频 %1").arg(id)}; }

class HistoryWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath(QStringLiteral("lumora/library.sqlite"));
        store_ = LibraryStore::Open(path_);
        ASSERT_TRUE(store_->Writable());
    }

    // The position of `entry` as another connection (another copy of the
    // player, or the command line) reads the file now; -1 when absent.
    double PositionInFile(const LibraryEntry& entry) const {
        const auto reader = LibraryStore::OpenForReading(path_);
        const auto found = reader->FindHistory(entry);
        return found ? found->position : -1;
    }

    QTemporaryDir dir_;
    QString path_;
    std::shared_ptr<LibraryStore> store_;
};

TEST_F(HistoryWriterTest, WritesLandAndWrittenFollows) {
    HistoryWriter writer(store_);
    std::vector<double> seen;  // the file at each Written
    QObject::connect(&writer, &HistoryWriter::Written, [&] { seen.push_back(PositionInFile(Row(2))); });

    EXPECT_TRUE(writer.RecordPosition(Row(1), 10, 600));
    EXPECT_TRUE(writer.RecordPosition(Row(2), 20, 600));
    EXPECT_TRUE(writer.RecordPosition(Row(2), 25, 600));
    EXPECT_FALSE(writer.RecordPosition({}, 5, 600)) << "an empty entry is not queued";
    ASSERT_TRUE(WaitUntil([&] { return !seen.empty() && seen.back() == 25; }));
    EXPECT_TRUE(writer.WaitWritten());

    // The later entry is the newer, whatever the order they were written in.
    const auto history = store_->History();
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0].entry.Key(), Row(2).Key());
    EXPECT_EQ(history[0].position, 25);
    EXPECT_EQ(history[1].entry.Key(), Row(1).Key());
    EXPECT_EQ(history[1].position, 10);
    EXPECT_EQ(history[1].entry.title, QStringLiteral("视频 1"));

    // A position queued again moves its entry to the front.
    EXPECT_TRUE(writer.RecordPosition(Row(1), 11, 600));
    ASSERT_TRUE(writer.WaitWritten());
    EXPECT_EQ(PositionInFile(Row(1)), 11);
    EXPECT_EQ(store_->History().front().entry.Key(), Row(1).Key());
}

// The store's own reads and removals wait for what is queued before them.
TEST_F(HistoryWriterTest, ReadsAndRemovalsComeAfterQueuedPositions) {
    HistoryWriter writer(store_);
    const struct {
        const char* what;
        std::function<void()> then;
        double inFile;
    } cases[] = {
        {"read", [&] { EXPECT_EQ(store_->FindHistory(Row(7))->position, 70); }, 70},
        {"list", [&] { EXPECT_EQ(store_->History().size(), 1u); }, 70},
        {"remove", [&] { EXPECT_TRUE(store_->RemoveHistory(Row(7))); }, -1},
        {"clear", [&] { EXPECT_TRUE(store_->ClearHistory()); }, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(store_->ClearHistory());
        ASSERT_TRUE(writer.RecordPosition(Row(7), 70, 600));
        c.then();
        ASSERT_TRUE(writer.WaitWritten());
        EXPECT_EQ(PositionInFile(Row(7)), c.inFile);
    }
}

// Another copy holds the write lock: the caller is not held, the position
// lands once the lock goes.
TEST_F(HistoryWriterTest, AWriteWaitingOnAnotherCopysLockDoesNotHoldTheCaller) {
    HistoryWriter writer(store_);
    int written = 0;
    QObject::connect(&writer, &HistoryWriter::Written, [&] { ++written; });
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(path_);
        ASSERT_TRUE(other.open());
        QSqlQuery query(other);
        ASSERT_TRUE(query.exec(QStringLiteral("BEGIN IMMEDIATE")));

        EXPECT_TRUE(writer.RecordPosition(Row(3), 30, 600));
        EXPECT_FALSE(writer.WaitWritten(std::chrono::milliseconds(50))) << "still waiting for the lock";
        EXPECT_EQ(PositionInFile(Row(3)), -1);
        EXPECT_EQ(written, 0);

        ASSERT_TRUE(query.exec(QStringLiteral("COMMIT")));
        query = QSqlQuery();
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    ASSERT_TRUE(WaitUntil([&] { return written > 0; }));
    EXPECT_EQ(PositionInFile(Row(3)), 30);
}

// The exit: Finish (and the destructor) write what is queued before they
// return; what comes after is written at once.
TEST_F(HistoryWriterTest, TheEndWritesTheLastPosition) {
    {
        HistoryWriter writer(store_);
        for (int i = 0; i < 100; ++i) ASSERT_TRUE(writer.RecordPosition(Row(i % 10), i, 600));
        writer.Finish();
        for (int i = 0; i < 10; ++i) EXPECT_EQ(PositionInFile(Row(i)), 90 + i);

        int written = 0;
        QObject::connect(&writer, &HistoryWriter::Written, [&] { ++written; });
        EXPECT_TRUE(writer.RecordPosition(Row(1), 123, 600));
        EXPECT_EQ(written, 1);
        EXPECT_EQ(PositionInFile(Row(1)), 123);

        HistoryWriter second(store_);
        ASSERT_TRUE(second.RecordPosition(Row(2), 222, 600));
    }  // `second` goes here without a Finish of its own
    EXPECT_EQ(PositionInFile(Row(2)), 222);
}

TEST_F(HistoryWriterTest, AReadOnlyStoreWritesNothing) {
    ASSERT_TRUE(store_->RecordPosition(Row(1), 10, 600));
    store_.reset();
    const std::shared_ptr<LibraryStore> readOnly = LibraryStore::OpenForReading(path_);
    ASSERT_EQ(readOnly->Mode(), LibraryStore::Access::ReadOnly);
    HistoryWriter writer(readOnly);
    int written = 0;
    QObject::connect(&writer, &HistoryWriter::Written, [&] { ++written; });
    EXPECT_FALSE(writer.RecordPosition(Row(1), 99, 600));
    EXPECT_FALSE(writer.RecordPosition(Row(2), 99, 600));
    writer.Finish();
    test::RunPostedEvents();
    EXPECT_EQ(written, 0);
    EXPECT_EQ(PositionInFile(Row(1)), 10);
    EXPECT_EQ(PositionInFile(Row(2)), -1);
}

}  // namespace
}  // namespace lumora
