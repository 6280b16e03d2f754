// Telling a sound database from a missing, foreign, damaged or locked one, before use.
#include "store/DatabaseCheck.h"
#include "store/SchemaUpgrade.h"
#include "support/Files.h"
#include "support/TempProgramFolder.h"

#include <QFile>
#include <QSqlQuery>

#include <gtest/gtest.h>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;
using test::ReadAll;

void Overwrite(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

TEST(DatabaseCheck, DeliveredFilesAreSound) {
    test::TempProgramFolder folder;
    for (const auto kind : {DatabaseFile::Main, DatabaseFile::SchemaTexts, DatabaseFile::ReportSections}) {
        const DatabaseCheck check = CheckDatabaseFile(folder.file(DatabaseFileName(kind)), kind);
        EXPECT_TRUE(check.ok()) << check.detail.toStdString();
    }
    EXPECT_TRUE(CheckProgramDatabases(folder.path()).isEmpty());
}

TEST(DatabaseCheck, NamesTheProblemOfABadFile) {
    const QString mainName = DatabaseFileName(DatabaseFile::Main);
    struct Case {
        const char* what;
        std::function<void(const QString& path)> spoil;
        DatabaseProblem expected;
    } cases[] = {
        {"missing", [](const QString& p) { QFile::remove(p); }, DatabaseProblem::Missing},
        {"text file", [](const QString& p) { Overwrite(p, "not a database at all\n"); },
         DatabaseProblem::NotDatabase},
        {"empty file", [](const QString& p) { Overwrite(p, {}); }, DatabaseProblem::NotDatabase},
        {"truncated", [](const QString& p) { Overwrite(p, ReadAll(p).left(3000)); },
         DatabaseProblem::NotDatabase},
        {"last bytes cut off", [](const QString& p) { QFile(p).resize(QFile(p).size() - 10); },
         DatabaseProblem::NotDatabase},
        {"garbage after header",
         [](const QString& p) {
             QByteArray bytes = ReadAll(p);
             for (qsizetype i = 4096; i < bytes.size(); ++i) {
                 bytes[i] = static_cast<char>(i * 7);
             }
             Overwrite(p, bytes);
         },
         DatabaseProblem::NotDatabase},
        {"another program's database",
         [](const QString& p) {
             QFile::remove(p);
             QFile::copy(test::TempProgramFolder::seedFolder() + u"/NNPic.mdb"_s, p);
             QFile(p).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
         },
         DatabaseProblem::NotDatabase},
        {"a column missing",
         [](const QString& p) {
             auto db = Database::open(p, Database::Mode::ReadWrite);
             ASSERT_TRUE(db);
             ASSERT_TRUE(db->exec(u"ALTER TABLE Theme DROP COLUMN Logo"_s)) << db->lastError().toStdString();
         },
         DatabaseProblem::NotDatabase},
        {"the export view missing",
         [](const QString& p) {
             auto db = Database::open(p, Database::Mode::ReadWrite);
             ASSERT_TRUE(db);
             ASSERT_TRUE(db->exec(u"DROP VIEW QueryMe"_s)) << db->lastError().toStdString();
         },
         DatabaseProblem::NotDatabase},
    };
    for (const Case& c : cases) {
        test::TempProgramFolder folder;
        const QString path = folder.file(mainName);
        c.spoil(path);
        EXPECT_EQ(CheckDatabaseFile(path, DatabaseFile::Main).problem, c.expected) << c.what;
        const QString message = CheckProgramDatabases(folder.path());
        EXPECT_TRUE(message.contains(mainName)) << c.what;
        EXPECT_TRUE(message.contains(u"برنامه بسته مي شود"_s) || message.contains(u"دوباره"_s)) << c.what;
    }
}

// The search index is derived from IDE: at start-up one damaged or out of step is made again
// and the program starts, with every examinee found as itself.
TEST(DatabaseCheck, DamagedSearchIndexIsMadeAgainAtStartUp) {
    const char* const spoils[] = {
        "UPDATE ExamineeSearch_data SET block = randomblob(length(block))",
        "UPDATE ExamineeSearch_data SET block = randomblob(length(block)) WHERE id <> 10",
        "UPDATE ExamineeSearch SET Text = 'nobody' WHERE rowid = (SELECT id FROM IDE WHERE Code = '1')",
        "DELETE FROM ExamineeSearch WHERE rowid = (SELECT id FROM IDE WHERE Code = '2')",
    };
    for (const char* spoil : spoils) {
        test::TempProgramFolder folder;
        const QString path = folder.file(DatabaseFileName(DatabaseFile::Main));
        {
            auto db = Database::open(path, Database::Mode::ReadWrite);
            ASSERT_TRUE(db);
            ASSERT_TRUE(
                db->exec(u"INSERT INTO IDE (FullName, Code) VALUES ('alpha', '1'), ('bravo', '2')"_s));
            ASSERT_TRUE(db->exec(QString::fromLatin1(spoil))) << spoil << db->lastError().toStdString();
            EXPECT_FALSE(SearchIndexSound(SqliteHandle(*db))) << spoil;
        }
        EXPECT_TRUE(CheckProgramDatabases(folder.path()).isEmpty()) << spoil;
        auto db = Database::open(path, Database::Mode::ReadWrite);
        ASSERT_TRUE(db);
        QString why;
        EXPECT_TRUE(SearchIndexSound(SqliteHandle(*db), &why)) << spoil << why.toStdString();
        QSqlQuery q(db->handle());
        ASSERT_TRUE(
            q.exec(u"SELECT group_concat(Code) FROM IDE WHERE id IN (SELECT rowid FROM ExamineeSearch "
                   u"WHERE ExamineeSearch MATCH 'alpha' OR ExamineeSearch MATCH 'bravo')"_s));
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toString(), u"1,2"_s) << spoil;
    }
}

TEST(DatabaseCheck, FileHeldByAnotherWriterIsLocked) {
    test::TempProgramFolder folder;
    const QString path = folder.file(DatabaseFileName(DatabaseFile::Main));
    auto holder = Database::open(path, Database::Mode::ReadWrite);
    ASSERT_TRUE(holder);
    ASSERT_TRUE(holder->exec(u"BEGIN EXCLUSIVE"_s));
    const DatabaseCheck check = CheckDatabaseFile(path, DatabaseFile::Main);
    EXPECT_EQ(check.problem, DatabaseProblem::Locked) << check.detail.toStdString();
    EXPECT_TRUE(CheckProgramDatabases(folder.path()).contains(u"در دست برنامه ديگري است"_s));
    holder->exec(u"ROLLBACK"_s);
    EXPECT_TRUE(CheckDatabaseFile(path, DatabaseFile::Main).ok());
}

TEST(DatabaseCheck, CheckingChangesNothing) {
    test::TempProgramFolder folder;
    const QString path = folder.file(DatabaseFileName(DatabaseFile::Main));
    const QByteArray before = ReadAll(path);
    ASSERT_TRUE(CheckDatabaseFile(path, DatabaseFile::Main).ok());
    EXPECT_EQ(ReadAll(path), before);
}

} // namespace
} // namespace morvalen
