// Byte copies of the database, and restores that either finish or change nothing.
#include "store/AdministrationStore.h"
#include "store/AnswerStore.h"
#include "store/Backup.h"
#include "store/ExamineeStore.h"
#include "store/SchemaUpgrade.h"
#include "support/Files.h"
#include "support/TempProgramFolder.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <functional>

#include <gtest/gtest.h>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;
using test::ReadAll;

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray Pattern(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 31 + i / 4048) & 0xff);
    }
    return bytes;
}

// Fills the database with examinees named prefix + number, each with a full answer row.
void Populate(const QString& path, const QString& prefix, int count, const QString& answer) {
    auto db = Database::open(path, Database::Mode::ReadWrite);
    ASSERT_TRUE(db);
    ExamineeStore examinees(*db);
    AnswerStore answers(*db);
    AnswerRow row;
    row.fill(answer);
    ASSERT_TRUE(db->exec(u"BEGIN"_s));
    for (int i = 1; i <= count; ++i) {
        Examinee e;
        e.code = QString::number(i);
        e.fullName = prefix + QString::number(i);
        ASSERT_TRUE(examinees.add(e));
        ASSERT_TRUE(answers.addRow(e.code));
    }
    ASSERT_TRUE(db->exec(u"COMMIT"_s));
    ASSERT_TRUE(db->exec(u"UPDATE Answer1 SET \"1\" = '"_s + answer + u"', \"232\" = '"_s + answer + u"'"_s));
}

// What the database holds, in one line: rows, names and answers.
QString Signature(const QString& path) {
    auto db = Database::open(path, Database::Mode::ReadWrite);
    if (!db) {
        return u"cannot open"_s;
    }
    QSqlQuery q(db->handle());
    if (!q.exec(u"PRAGMA integrity_check"_s) || !q.next() || q.value(0).toString() != u"ok"_s) {
        return u"damaged"_s;
    }
    if (!q.exec(u"SELECT (SELECT count(*) FROM IDE), (SELECT min(FullName) FROM IDE), "
                u"(SELECT count(*) FROM Answer1), (SELECT group_concat(DISTINCT \"232\") FROM Answer1)"_s) ||
        !q.next()) {
        return u"unreadable"_s;
    }
    return u"%1|%2|%3|%4"_s.arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                                q.value(3).toString());
}

TEST(BackupCopy, CopiesExactlyAtChunkEdges) {
    test::TempProgramFolder folder;
    for (const qsizetype size :
         {qsizetype(0), qsizetype(1), qsizetype(4047), qsizetype(4048), qsizetype(4049),
          qsizetype(4048 * 256), qsizetype(4048 * 256 + 1), qsizetype(3 * 1024 * 1024 + 7)}) {
        const QString source = folder.file(u"source.bin"_s);
        const QString target = folder.file(u"copy.morvalen"_s);
        Write(source, Pattern(size));
        QString error;
        ASSERT_TRUE(BackupCopy(source, target, &error)) << size << error.toStdString();
        EXPECT_EQ(ReadAll(target), Pattern(size)) << size;
    }
}

TEST(BackupCopy, ReplacesALongerFileWithExactlyTheSource) {
    test::TempProgramFolder folder;
    const QString target = folder.file(u"old.morvalen"_s);
    Write(target, QByteArray(100000, 'x'));
    Write(folder.file(u"db"_s), Pattern(5000));
    ASSERT_TRUE(BackupCopy(folder.file(u"db"_s), target, nullptr));
    EXPECT_EQ(QFileInfo(target).size(), 5000);
    EXPECT_EQ(ReadAll(target), Pattern(5000));
}

TEST(BackupCopy, MissingSourceTouchesNothing) {
    test::TempProgramFolder folder;
    const QString target = folder.file(u"keep.morvalen"_s);
    Write(target, "previous backup");
    QString error;
    EXPECT_FALSE(BackupCopy(folder.file(u"none"_s), target, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ReadAll(target), "previous backup");
    EXPECT_FALSE(BackupCopy(folder.file(u"none"_s), folder.file(u"new.morvalen"_s), nullptr));
    EXPECT_FALSE(QFileInfo::exists(folder.file(u"new.morvalen"_s)));
}

TEST(BackupCopy, LetsTheWindowBreatheOnALongCopy) {
    test::TempProgramFolder folder;
    Write(folder.file(u"big"_s), Pattern(64 * 1024 * 1024));
    int yields = 0;
    ASSERT_TRUE(
        BackupCopy(folder.file(u"big"_s), folder.file(u"big.morvalen"_s), nullptr, [&yields] { ++yields; }));
    EXPECT_EQ(QFileInfo(folder.file(u"big.morvalen"_s)).size(), 64 * 1024 * 1024);
    // Far fewer than one per chunk (16,580 chunks), but not none on a copy this long.
    EXPECT_LT(yields, 2000);
}

TEST(BackupCopy, AFailedWriteGivesItsReasonNeverUnknownError) {
    const struct {
        int systemError;
        QString qtText;
        QString expected;
    } cases[] = {
        {ENOSPC, u"Unknown error"_s, kDiskFullText},
        {ENOSPC, u"No space left on device"_s, kDiskFullText},
        {EDQUOT, u""_s, kDiskFullText},
        {EACCES, u"Unknown error"_s, qt_error_string(EACCES)},
        {EIO, u""_s, qt_error_string(EIO)},
        {EACCES, u"Permission denied"_s, u"Permission denied"_s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WriteFailureReason(c.systemError, c.qtText), c.expected) << c.systemError;
    }
    EXPECT_NE(qt_error_string(EACCES), u"Unknown error"_s);
}

TEST(MakeBackup, CopiesTheCommittedDatabaseOnly) {
    test::TempProgramFolder folder;
    const QString db = folder.file(u"morvalen.mdb"_s);
    Populate(db, u"a"_s, 5, u"3"_s);
    // Another window is in the middle of a write: its change is not committed yet.
    auto writer = Database::open(db, Database::Mode::ReadWrite);
    ASSERT_TRUE(writer && writer->exec(u"BEGIN IMMEDIATE"_s));
    ASSERT_TRUE(writer->exec(u"INSERT INTO IDE (FullName, Code) VALUES ('half', '99')"_s));
    const QString target = folder.file(u"morvalen/b.morvalen"_s);
    QDir().mkpath(folder.file(u"morvalen"_s));
    QString error;
    ASSERT_TRUE(MakeBackup(db, target, &error)) << error.toStdString();
    writer->exec(u"ROLLBACK"_s);
    EXPECT_EQ(Signature(target), u"5|a1|5|3"_s);
}

TEST(RestoreBackup, BringsBackExactlyTheBackedUpData) {
    test::TempProgramFolder folder;
    const QString db = folder.file(u"morvalen.mdb"_s);
    Populate(db, u"old"_s, 3, u"2"_s);
    const QString backup = folder.file(u"b.morvalen"_s);
    ASSERT_TRUE(MakeBackup(db, backup, nullptr));
    // A window that stays open through the restore.
    auto open = Database::open(db, Database::Mode::ReadWrite);
    ExamineeStore examinees(*open);
    ASSERT_EQ(examinees.count(), 3);
    ASSERT_TRUE(AnswerStore(*open).setCell(u"1"_s, 1, u"6"_s));
    Examinee later;
    later.code = u"4"_s;
    later.fullName = u"after backup"_s;
    ASSERT_TRUE(examinees.addWithAnswerRow(later));

    QString error;
    ASSERT_EQ(RestoreBackup(backup, db, &error), RestoreOutcome::Restored) << error.toStdString();
    EXPECT_EQ(Signature(db), u"3|old1|3|2"_s);
    // The open window's connection goes on working and reads the restored data.
    EXPECT_EQ(examinees.count(), 3);
    EXPECT_TRUE(examinees.findByCode(u"4"_s).isEmpty());
    EXPECT_EQ(AnswerStore(*open).cell(u"1"_s, 1), u"2"_s);
    EXPECT_TRUE(examinees.add(later).has_value()) << "and can still write";
}

TEST(RestoreBackup, BringsBackTheKeptAnswerSheets) {
    test::TempProgramFolder folder;
    const QString db = folder.file(u"morvalen.mdb"_s);
    Populate(db, u"kept"_s, 2, u"4"_s);
    const QDateTime when(QDate(2024, 12, 10), QTime(9, 5));
    QVector<Administration> before;
    {
        auto open = Database::open(db, Database::Mode::ReadWrite);
        AdministrationStore store(*open);
        ASSERT_EQ(store.keep(u"1"_s, u"1403/09/20"_s, when, u"پذيرش"_s), KeepOutcome::Kept);
        ASSERT_EQ(store.keep(u"1"_s, u"1403/09/20"_s, when), KeepOutcome::Kept);
        before = store.list(u"1"_s);
        ASSERT_EQ(before.size(), 2);
    }
    const QString backup = folder.file(u"b.morvalen"_s);
    ASSERT_TRUE(MakeBackup(db, backup, nullptr));
    {
        // After the backup: one kept sheet deleted, a new one kept for another examinee.
        auto open = Database::open(db, Database::Mode::ReadWrite);
        AdministrationStore store(*open);
        ASSERT_TRUE(store.remove(before[0].id));
        ASSERT_EQ(store.keep(u"2"_s, u"1403/09/21"_s, when), KeepOutcome::Kept);
    }
    QString error;
    ASSERT_EQ(RestoreBackup(backup, db, &error), RestoreOutcome::Restored) << error.toStdString();
    auto open = Database::open(db, Database::Mode::ReadWrite);
    AdministrationStore store(*open);
    const QVector<Administration> after = store.list(u"1"_s);
    ASSERT_EQ(after.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(after[i].id, before[i].id);
        EXPECT_EQ(after[i].number, before[i].number);
        EXPECT_EQ(after[i].persianDate, before[i].persianDate);
        EXPECT_EQ(after[i].note, before[i].note);
        EXPECT_EQ(after[i].answers, before[i].answers);
    }
    EXPECT_TRUE(store.list(u"2"_s).isEmpty());
}

TEST(RestoreBackup, RefusesWhatIsNoBackupAndChangesNothing) {
    test::TempProgramFolder folder;
    const QString db = folder.file(u"morvalen.mdb"_s);
    Populate(db, u"keep"_s, 2, u"4"_s);
    ASSERT_TRUE(MakeBackup(db, folder.file(u"good.morvalen"_s), nullptr));
    const QByteArray before = ReadAll(db);
    const QByteArray good = ReadAll(folder.file(u"good.morvalen"_s));

    const struct {
        const char* what;
        QByteArray content;
        RestoreOutcome expected;
    } cases[] = {
        {"text file", "these are not the droids\n", RestoreOutcome::NotABackup},
        {"empty file", QByteArray(), RestoreOutcome::NotABackup},
        {"truncated backup", good.left(good.size() / 2), RestoreOutcome::NotABackup},
        {"another program's database", ReadAll(folder.file(u"NNPic.mdb"_s)), RestoreOutcome::OtherDatabase},
    };
    for (const auto& c : cases) {
        const QString path = folder.file(u"bad.morvalen"_s);
        Write(path, c.content);
        QString error;
        EXPECT_EQ(RestoreBackup(path, db, &error), c.expected) << c.what;
        EXPECT_FALSE(error.isEmpty()) << c.what;
        EXPECT_EQ(ReadAll(db), before) << c.what << ": the database must be untouched";
    }
    EXPECT_EQ(RestoreBackup(folder.file(u"missing.morvalen"_s), db, nullptr), RestoreOutcome::Unreadable);
    EXPECT_EQ(ReadAll(db), before);
}

QByteArray Sha256(const QString& path) {
    return QCryptographicHash::hash(ReadAll(path), QCryptographicHash::Sha256).toHex();
}

// Runs statements on a file through a connection of its own, schema writes allowed.
void Alter(const QString& path, const QStringList& statements) {
    auto db = Database::open(path, Database::Mode::ReadWrite);
    ASSERT_TRUE(db);
    for (const QString& sql : statements) {
        ASSERT_TRUE(db->exec(sql)) << sql.toStdString() << ": " << db->lastError().toStdString();
    }
}

// A backup of ten examinees whose code index sends a look-up of code 9 to examinee 10: the
// index is hidden while the two rows swap codes, then put back as it was.
void MakeIndexMismatch(const QString& path) {
    int rootPage = 0;
    {
        auto db = Database::open(path, Database::Mode::ReadWrite);
        ASSERT_TRUE(db);
        QSqlQuery q(db->handle());
        ASSERT_TRUE(q.exec(u"SELECT rootpage FROM sqlite_master WHERE name = 'IDE_Code'"_s) && q.next());
        rootPage = q.value(0).toInt();
    }
    Alter(path, {u"PRAGMA writable_schema = ON"_s, u"DELETE FROM sqlite_master WHERE name = 'IDE_Code'"_s});
    Alter(path,
          {u"UPDATE IDE SET FullName = 'swapped ' || Code WHERE Code IN ('9', '10')"_s,
           u"UPDATE IDE SET Code = CASE Code WHEN '9' THEN '10' ELSE '9' END WHERE Code IN ('9', '10')"_s});
    Alter(path, {u"PRAGMA writable_schema = ON"_s,
                 u"INSERT INTO sqlite_master VALUES ('index', 'IDE_Code', 'IDE', %1, "
                 u"'CREATE INDEX IDE_Code ON IDE (Code)')"_s.arg(rootPage)});
}

TEST(RestoreBackup, RefusesADamagedOrAlteredBackupAndLeavesTheDatabaseByteForByte) {
    test::TempProgramFolder folder;
    const QString db = folder.file(u"morvalen.mdb"_s);
    Populate(db, u"keep"_s, 10, u"4"_s);
    const QString clean = folder.file(u"clean.morvalen"_s);
    ASSERT_TRUE(MakeBackup(db, clean, nullptr));
    const QByteArray hashBefore = Sha256(db);

    const struct {
        const char* what;
        std::function<void(const QString&)> craft;
        RestoreOutcome expected;
    } cases[] = {
        {"index pointing one code at another row", MakeIndexMismatch, RestoreOutcome::NotABackup},
        {"trigger that empties the examinee list",
         [](const QString& path) {
             Alter(path, {u"CREATE TRIGGER wipe AFTER UPDATE ON Answer1 BEGIN DELETE FROM IDE; END"_s});
         },
         RestoreOutcome::ForeignSchema},
        {"extra table", [](const QString& path) { Alter(path, {u"CREATE TABLE Notes (x TEXT)"_s}); },
         RestoreOutcome::ForeignSchema},
        {"extra view",
         [](const QString& path) { Alter(path, {u"CREATE VIEW Everyone AS SELECT * FROM IDE"_s}); },
         RestoreOutcome::ForeignSchema},
        {"extra index",
         [](const QString& path) { Alter(path, {u"CREATE INDEX IDE_Name ON IDE (FullName)"_s}); },
         RestoreOutcome::ForeignSchema},
        {"index dropped", [](const QString& path) { Alter(path, {u"DROP INDEX Answer1_Code"_s}); },
         RestoreOutcome::ForeignSchema},
        {"extra column",
         [](const QString& path) { Alter(path, {u"ALTER TABLE IDE ADD COLUMN Extra TEXT"_s}); },
         RestoreOutcome::ForeignSchema},
        {"view redefined",
         [](const QString& path) {
             Alter(path, {u"DROP VIEW QueryMe"_s, u"CREATE VIEW QueryMe AS SELECT * FROM IDE"_s});
         },
         RestoreOutcome::ForeignSchema},
        {"kept with a write-ahead log",
         [](const QString& path) { Alter(path, {u"PRAGMA journal_mode = WAL"_s}); },
         RestoreOutcome::WriteAheadLog},
    };
    for (const auto& c : cases) {
        const QString crafted = folder.file(u"crafted.morvalen"_s);
        QFile::remove(crafted);
        ASSERT_TRUE(QFile::copy(clean, crafted));
        c.craft(crafted);
        QString error;
        EXPECT_EQ(RestoreBackup(crafted, db, &error, [] {}), c.expected) << c.what;
        EXPECT_FALSE(error.isEmpty()) << c.what;
        EXPECT_EQ(Sha256(db), hashBefore) << c.what << ": the database must be untouched";
    }
    // The crafted index really misleads a look-up, and only the full check sees it.
    const QString crafted = folder.file(u"mismatch.morvalen"_s);
    ASSERT_TRUE(QFile::copy(clean, crafted));
    MakeIndexMismatch(crafted);
    auto misled = Database::open(crafted, Database::Mode::ReadOnly);
    QSqlQuery q(misled->handle());
    ASSERT_TRUE(q.exec(u"PRAGMA quick_check"_s) && q.next());
    EXPECT_EQ(q.value(0).toString(), u"ok"_s);
    ASSERT_TRUE(q.exec(u"SELECT FullName FROM IDE NOT INDEXED WHERE Code = '9'"_s) && q.next());
    EXPECT_EQ(q.value(0).toString(), u"swapped 10"_s);
    ASSERT_TRUE(q.exec(u"SELECT FullName FROM IDE WHERE Code = '9'"_s) && q.next());
    EXPECT_EQ(q.value(0).toString(), u"swapped 9"_s) << "the index sends code 9 to the other examinee";
}

// Cuts the last bytes off a file.
void CutEnd(const QString& path, qint64 bytes) {
    QFile f(path);
    ASSERT_TRUE(f.resize(QFileInfo(path).size() - bytes));
}

// The codes of the examinees a search for text finds through the search index.
QString FoundCodes(const QString& path, const QString& text) {
    auto db = Database::open(path, Database::Mode::ReadWrite);
    QSqlQuery q(db->handle());
    if (!q.prepare(u"SELECT group_concat(Code) FROM (SELECT Code FROM IDE WHERE id IN "
                   u"(SELECT rowid FROM ExamineeSearch WHERE ExamineeSearch MATCH ?) ORDER BY id)"_s)) {
        return q.lastError().text();
    }
    q.addBindValue(u"\""_s + text + u"\""_s);
    if (!q.exec() || !q.next()) {
        return q.lastError().text();
    }
    return q.value(0).toString();
}

// A main database as the first release made it, but marked with a later schema version.
void MakeFirstSchemaAtVersion(const QString& path, int version) {
    test::MakeFileFromSchema(path, QStringLiteral(MORVALEN_FIRST_RELEASE_SCHEMA), [version](QSqlQuery& q) {
        ASSERT_TRUE(q.exec(u"INSERT INTO IDE (FullName, Code) VALUES ('first', '1')"_s));
        ASSERT_TRUE(q.exec(u"INSERT INTO Answer1 (Code) VALUES ('1')"_s));
        ASSERT_TRUE(q.exec(u"PRAGMA user_version = %1"_s.arg(version)));
    });
}

// The same schema and rows, with its text kept in UTF-16.
void MakeUtf16(const QString& path) {
    QFile::remove(path);
    const QString name = u"utf16-file"_s;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(u"PRAGMA encoding = 'UTF-16le'"_s));
        const QString failed = test::RunSchemaText(q, ReleasedMainSchemaScripts().front());
        ASSERT_TRUE(failed.isEmpty()) << failed.toStdString();
    }
    QSqlDatabase::removeDatabase(name);
}

// Backups damaged in ways SQLite's own check does not see: the ones that could hurt are
// refused with the database left byte for byte, the search index (derived from IDE) is made
// again however it was damaged.
TEST(RestoreBackup, CraftedBackupsAreRefusedOrRepaired) {
    test::TempProgramFolder folder;
    const QString db = folder.file(u"morvalen.mdb"_s);
    Populate(db, u"keep"_s, 10, u"4"_s);
    const QString clean = folder.file(u"clean.morvalen"_s);
    ASSERT_TRUE(MakeBackup(db, clean, nullptr));
    const QString signature = Signature(clean);
    Alter(db, {u"UPDATE IDE SET FullName = 'changed ' || Code"_s});
    const QString pristine = folder.file(u"pristine.mdb"_s);
    ASSERT_TRUE(QFile::copy(db, pristine));
    const QByteArray hashBefore = Sha256(db);

    const auto searchIndex = [](const QStringList& statements) {
        return [statements](const QString& path) { Alter(path, statements); };
    };
    const struct {
        const char* what;
        std::function<void(const QString&)> craft;
        RestoreOutcome expected;
    } cases[] = {
        {"cut by 1 byte", [](const QString& path) { CutEnd(path, 1); }, RestoreOutcome::NotABackup},
        {"cut by 10 bytes", [](const QString& path) { CutEnd(path, 10); }, RestoreOutcome::NotABackup},
        {"cut by 100 bytes", [](const QString& path) { CutEnd(path, 100); }, RestoreOutcome::NotABackup},
        {"cut by 500 bytes", [](const QString& path) { CutEnd(path, 500); }, RestoreOutcome::NotABackup},
        {"version 3 with the first release's schema",
         [](const QString& path) { MakeFirstSchemaAtVersion(path, 3); }, RestoreOutcome::NotABackup},
        {"text kept in UTF-16", MakeUtf16, RestoreOutcome::NotABackup},
        {"every search-index blob damaged",
         searchIndex({u"UPDATE ExamineeSearch_data SET block = randomblob(length(block))"_s}),
         RestoreOutcome::Restored},
        {"search-index blobs damaged, its record of them intact",
         searchIndex({u"UPDATE ExamineeSearch_data SET block = randomblob(length(block)) WHERE id <> 10"_s}),
         RestoreOutcome::Restored},
        {"search index out of step: examinee 1 found as examinee 2",
         searchIndex(
             {u"UPDATE ExamineeSearch SET Text = (SELECT Text FROM ExamineeSearch WHERE rowid = "
              u"(SELECT id FROM IDE WHERE Code = '2')) WHERE rowid = (SELECT id FROM IDE WHERE Code = '1')"_s}),
         RestoreOutcome::Restored},
    };
    for (const auto& c : cases) {
        const QString crafted = folder.file(u"crafted.morvalen"_s);
        QFile::remove(crafted);
        ASSERT_TRUE(QFile::copy(clean, crafted));
        c.craft(crafted);
        QString error;
        const RestoreOutcome outcome = RestoreBackup(crafted, db, &error, [] {});
        EXPECT_EQ(outcome, c.expected) << c.what << ": " << error.toStdString();
        if (c.expected != RestoreOutcome::Restored) {
            EXPECT_FALSE(error.isEmpty()) << c.what;
            EXPECT_EQ(Sha256(db), hashBefore) << c.what << ": the database must be untouched";
            continue;
        }
        // Repaired: the rows are the backup's, each search finds its own examinee, and the
        // next registration writes the index without a complaint.
        EXPECT_EQ(Signature(db), signature) << c.what;
        EXPECT_EQ(FoundCodes(db, u"keep2"_s), u"2"_s) << c.what;
        EXPECT_EQ(FoundCodes(db, u"keep1"_s), u"1,10"_s) << c.what;
        {
            auto restored = Database::open(db, Database::Mode::ReadWrite);
            ASSERT_TRUE(restored);
            QString why;
            EXPECT_TRUE(SearchIndexSound(SqliteHandle(*restored), &why))
                << c.what << ": " << why.toStdString();
            ExamineeStore examinees(*restored);
            Examinee e;
            e.code = u"11"_s;
            e.fullName = u"newcomer"_s;
            EXPECT_TRUE(examinees.add(e)) << c.what;
        }
        EXPECT_EQ(FoundCodes(db, u"newcomer"_s), u"11"_s) << c.what;
        // Back to the database as it was, for the next case.
        ASSERT_TRUE(QFile::remove(db));
        ASSERT_TRUE(QFile::copy(pristine, db));
    }
}

TEST(RestoreBackup, AcceptsExactlyTheSchemaTheDeliveredDatabaseHas) {
    test::TempProgramFolder folder;
    // The delivered file itself, untouched, is a valid backup; so is a backup with rows.
    QString error;
    EXPECT_EQ(CheckBackupFile(test::TempProgramFolder::seedFolder() + u"/morvalen.mdb"_s, &error),
              RestoreOutcome::Restored)
        << error.toStdString();
    ASSERT_FALSE(ReleasedMainSchemaScripts().isEmpty());
    EXPECT_TRUE(ReleasedMainSchemaScripts().front().contains(u"CREATE TABLE Answer1"_s));
}

TEST(RestoreBackup, ChecksAndCopiesInStepsAndReportsProgress) {
    test::TempProgramFolder folder;
    const QString db = folder.file(u"morvalen.mdb"_s);
    Populate(db, u"step"_s, 8000, u"5"_s);
    const QString backup = folder.file(u"b.morvalen"_s);
    ASSERT_TRUE(MakeBackup(db, backup, nullptr));
    const QString expected = Signature(backup);
    Alter(db, {u"DELETE FROM IDE"_s, u"DELETE FROM Answer1"_s});

    QList<int> percents;
    QString error;
    ASSERT_EQ(RestoreBackup(
                  backup, db, &error, [] {}, [&percents](int percent) { percents.append(percent); }),
              RestoreOutcome::Restored)
        << error.toStdString();
    EXPECT_EQ(Signature(db), expected);
    EXPECT_GT(percents.size(), 5) << "the copy went in more than a few steps";
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(percents.back(), 100);
}

TEST(RestoreBackup, DatabaseHeldByAnotherProgramIsLeftAlone) {
    test::TempProgramFolder folder;
    const QString db = folder.file(u"morvalen.mdb"_s);
    Populate(db, u"held"_s, 2, u"1"_s);
    ASSERT_TRUE(MakeBackup(db, folder.file(u"b.morvalen"_s), nullptr));
    auto holder = Database::open(db, Database::Mode::ReadWrite);
    ASSERT_TRUE(holder && holder->exec(u"BEGIN EXCLUSIVE"_s));
    EXPECT_EQ(RestoreBackup(folder.file(u"b.morvalen"_s), db, nullptr), RestoreOutcome::WriteFailed);
    // Stepping, the restore waits for the lock with the events handled meanwhile.
    int yields = 0;
    EXPECT_EQ(RestoreBackup(folder.file(u"b.morvalen"_s), db, nullptr, [&yields] { ++yields; }),
              RestoreOutcome::WriteFailed);
    EXPECT_GT(yields, 10);
    holder->exec(u"ROLLBACK"_s);
    EXPECT_EQ(Signature(db), u"2|held1|2|1"_s);

    // A lock let go while the restore waits, by an event handled in one of its yields: the
    // restore then goes through.
    Populate(db, u"later"_s, 1, u"6"_s);
    ASSERT_TRUE(holder->exec(u"BEGIN EXCLUSIVE"_s));
    QTimer::singleShot(300, [&holder] { holder->exec(u"ROLLBACK"_s); });
    QString error;
    EXPECT_EQ(
        RestoreBackup(folder.file(u"b.morvalen"_s), db, &error, [] { QCoreApplication::processEvents(); }),
        RestoreOutcome::Restored)
        << error.toStdString();
    EXPECT_EQ(Signature(db), u"2|held1|2|1"_s);
}

TEST(RestoreBackup, KilledAtAnyPointLeavesOldOrNewNeverAMix) {
    test::TempProgramFolder folder;
    const QString db = folder.file(u"morvalen.mdb"_s);
    const QString pristine = folder.file(u"old.mdb"_s);
    Populate(db, u"old"_s, 15000, u"1"_s);
    ASSERT_TRUE(QFile::copy(db, pristine));
    const QString oldSignature = Signature(db);
    Populate(db, u"new"_s, 15000, u"6"_s); // a second set on top: 30,000 rows
    const QString backup = folder.file(u"large.morvalen"_s);
    ASSERT_TRUE(MakeBackup(db, backup, nullptr));
    const QString newSignature = Signature(backup);
    ASSERT_NE(oldSignature, newSignature);

    const auto restoreInChild = [&](int killAfterMs) {
        QFile::remove(db);
        QFile::remove(db + u"-journal"_s);
        EXPECT_TRUE(QFile::copy(pristine, db));
        QFile(db).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        QProcess child;
        child.start(QStringLiteral(MORVALEN_RESTORE_CHILD), {backup, db});
        EXPECT_TRUE(child.waitForStarted());
        if (killAfterMs >= 0) {
            QThread::msleep(static_cast<unsigned long>(killAfterMs));
            child.kill(); // SIGKILL: no handler runs
        }
        child.waitForFinished();
    };
    // How long a whole restore takes here, to spread the kills over it.
    QElapsedTimer clock;
    clock.start();
    restoreInChild(-1);
    const int duration = static_cast<int>(clock.elapsed());
    ASSERT_EQ(Signature(db), newSignature) << "a restore left to finish";

    QRandomGenerator random(20261210);
    int sawOld = 0, sawNew = 0;
    for (int round = 0; round < 20; ++round) {
        restoreInChild(static_cast<int>(random.bounded(duration + 20)));
        const QString found = Signature(db);
        EXPECT_TRUE(found == oldSignature || found == newSignature)
            << "round " << round << ": " << found.toStdString();
        sawOld += found == oldSignature;
        sawNew += found == newSignature;
    }
    RecordProperty("restore_ms", duration);
    RecordProperty("kills_left_old", sawOld);
    RecordProperty("kills_left_new", sawNew);
}

} // namespace
} // namespace morvalen
