// Numbered schema upgrades: a first release's database opens with every row intact and can
// be searched; a newer release's database is refused as it is.
#include "store/AdministrationStore.h"
#include "store/Backup.h"
#include "store/Database.h"
#include "store/ExamineeStore.h"
#include "store/SchemaUpgrade.h"
#include "store/SecondEntryStore.h"
#include "store/ServerConnection.h"
#include "support/Files.h"
#include "support/TempProgramFolder.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;
using test::ReadAll;

// Makes a main database as the first release delivered it, from that release's schema
// text, and fills it with clinic data, through a plain connection that knows none of the
// program's later functions (as the first release's program had none).
void MakeFirstReleaseDatabase(const QString& path) {
    test::MakeFileFromSchema(path, QStringLiteral(MORVALEN_FIRST_RELEASE_SCHEMA), [](QSqlQuery& query) {
        const QString answers = u"\"1\", \"2\", \"232\""_s;
        const struct {
            const char* name;
            const char* code;
            const char* phone;
            const char* tester;
        } people[] = {
            {"علي رضايي", "1", "09121234567", "دكتر كريمي"},
            {"مريم  محمدي", "2", "09350000000", "Dr. Smith"},
            {"سارا كاظمي", "5", "", ""},
        };
        for (const auto& p : people) {
            query.prepare(
                u"INSERT INTO IDE (FullName, \"Alter\", Geschlecht, Heirat, Datum1, Bildung, TelNummer1, "
                u"Tester, Code, comment) VALUES (?, '30', 'زن', 'مجرد', '1401/02/03', 'ليسانس', ?, ?, ?, "
                u"'تفسير ذخيره شده')"_s);
            query.addBindValue(QString::fromUtf8(p.name));
            query.addBindValue(QString::fromUtf8(p.phone));
            query.addBindValue(QString::fromUtf8(p.tester));
            query.addBindValue(QString::fromUtf8(p.code));
            ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();
            query.prepare(u"INSERT INTO Answer1 (Code, "_s + answers + u") VALUES (?, '6', '1', '3')"_s);
            query.addBindValue(QString::fromUtf8(p.code));
            ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();
        }
        ASSERT_TRUE(query.exec(u"UPDATE Theme SET Name = 'كلينيك'"_s));
        ASSERT_TRUE(query.exec(u"PRAGMA user_version"_s) && query.next());
        ASSERT_EQ(query.value(0).toInt(), 0);
    });
}

// Every row of the first release's tables and view, and their definitions, as text.
QString FirstReleaseContent(Database& db) {
    QString content;
    QSqlQuery query(db.handle());
    for (const QString& table : {u"IDE"_s, u"Answer1"_s, u"QUS"_s, u"Theme"_s, u"QueryMe"_s}) {
        EXPECT_TRUE(query.exec(u"SELECT * FROM \"%1\" ORDER BY 1"_s.arg(table))) << table.toStdString();
        while (query.next()) {
            for (int c = 0; c < query.record().count(); ++c) {
                content += query.value(c).toString() + u'|';
            }
            content += u'\n';
        }
    }
    EXPECT_TRUE(query.exec(
        u"SELECT type, name, sql FROM sqlite_master WHERE name NOT LIKE 'ExamineeSearch%' "
        u"AND tbl_name <> 'Administration' AND name NOT LIKE 'SecondEntry%' AND name <> 'RestoreMark' ORDER BY name"_s));
    while (query.next()) {
        content += query.value(0).toString() + query.value(1).toString() + query.value(2).toString() + u'\n';
    }
    return content;
}

int UserVersion(Database& db) {
    QSqlQuery query(db.handle());
    return query.exec(u"PRAGMA user_version"_s) && query.next() ? query.value(0).toInt() : -1;
}

QStringList Matches(Database& db, const QString& searchText) {
    QSqlQuery query(db.handle());
    query.prepare(u"SELECT IDE.Code FROM ExamineeSearch JOIN IDE ON IDE.id = ExamineeSearch.rowid "
                  u"WHERE ExamineeSearch MATCH ? ORDER BY IDE.id"_s);
    query.addBindValue(u'"' + searchText + u'"');
    QStringList codes;
    EXPECT_TRUE(query.exec()) << query.lastError().text().toStdString();
    while (query.next()) {
        codes.append(query.value(0).toString());
    }
    return codes;
}

class SchemaUpgradeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.valid());
        MakeFirstReleaseDatabase(mainPath());
    }
    QString mainPath() const { return folder.file(u"morvalen.mdb"_s); }

    test::TempProgramFolder folder;
};

TEST_F(SchemaUpgradeTest, FirstReleaseDatabaseIsUpgradedWithEveryRowIntact) {
    QString before;
    {
        auto db = Database::open(mainPath(), Database::Mode::ReadWrite);
        ASSERT_TRUE(db);
        before = FirstReleaseContent(*db);
        ASSERT_EQ(UserVersion(*db), 0);
    }
    EXPECT_EQ(UpgradeProgramDatabase(folder.path()), QString());

    auto db = Database::open(mainPath(), Database::Mode::ReadWrite);
    ASSERT_TRUE(db);
    EXPECT_EQ(UserVersion(*db), CurrentSchemaVersion());
    EXPECT_EQ(FirstReleaseContent(*db), before);
    // The rows that were there are in the index, in their search text, and the triggers keep
    // it in step with later writes.
    EXPECT_EQ(Matches(*db, u"رضايي"_s), QStringList{u"1"_s});
    EXPECT_EQ(Matches(*db, u"مريممحمدي"_s), QStringList{u"2"_s});
    EXPECT_EQ(Matches(*db, u"dr.smith"_s), QStringList{u"2"_s});
    EXPECT_EQ(Matches(*db, u"كاظمي"_s), QStringList{u"5"_s});
    Examinee added;
    added.code = u"6"_s;
    added.fullName = u"نگار كاظمي"_s;
    ASSERT_TRUE(ExamineeStore(*db).add(added));
    EXPECT_EQ(Matches(*db, u"كاظمي"_s), (QStringList{u"5"_s, u"6"_s}));
    QSqlQuery query(db->handle());
    ASSERT_TRUE(query.exec(u"UPDATE IDE SET FullName = 'سارا نوري' WHERE Code = '5'"_s));
    EXPECT_EQ(Matches(*db, u"كاظمي"_s), QStringList{u"6"_s});
    EXPECT_EQ(Matches(*db, u"نوري"_s), QStringList{u"5"_s});
    ASSERT_TRUE(query.exec(u"DELETE FROM IDE WHERE Code = '6'"_s));
    EXPECT_EQ(Matches(*db, u"كاظمي"_s), QStringList());

    // A second start finds nothing to do.
    EXPECT_EQ(UpgradeMainDatabase(*db).outcome, UpgradeOutcome::UpToDate);
}

TEST_F(SchemaUpgradeTest, DatabaseWithoutKeptSheetsGainsTheTableWithEveryRowIntact) {
    QString before;
    {
        // The release with the search index and without kept answer sheets.
        auto db = Database::open(mainPath(), Database::Mode::ReadWrite);
        ASSERT_TRUE(db);
        ASSERT_EQ(UpgradeMainDatabase(SqliteHandle(*db), 1).outcome, UpgradeOutcome::Upgraded);
        ASSERT_EQ(UserVersion(*db), 1);
        QSqlQuery query(db->handle());
        ASSERT_TRUE(query.exec(u"SELECT count(*) FROM sqlite_master WHERE tbl_name = 'Administration'"_s) &&
                    query.next());
        ASSERT_EQ(query.value(0).toInt(), 0);
        before = FirstReleaseContent(*db);
    }
    EXPECT_EQ(UpgradeProgramDatabase(folder.path()), QString());

    auto db = Database::open(mainPath(), Database::Mode::ReadWrite);
    ASSERT_TRUE(db);
    EXPECT_EQ(UserVersion(*db), CurrentSchemaVersion());
    EXPECT_EQ(FirstReleaseContent(*db), before);
    EXPECT_EQ(Matches(*db, u"رضايي"_s), QStringList{u"1"_s}) << "the search index stays";
    // The table is there and empty, and takes the sheets the examinees already have.
    AdministrationStore administrations(*db);
    EXPECT_TRUE(administrations.list(u"1"_s).isEmpty());
    ASSERT_EQ(administrations.keep(u"1"_s, u"1403/09/20"_s, QDateTime(QDate(2024, 12, 10), QTime(10, 0))),
              KeepOutcome::Kept);
    const QVector<Administration> kept = administrations.list(u"1"_s);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(kept[0].tester, u"دكتر كريمي"_s);
    EXPECT_EQ(kept[0].answers[0], u"6"_s);
    EXPECT_EQ(kept[0].answers[1], u"1"_s);
    EXPECT_EQ(kept[0].answers[231], u"3"_s);
    EXPECT_EQ(kept[0].answeredCount(), 3);
}

TEST_F(SchemaUpgradeTest, DatabaseOfANewerReleaseIsRefusedUnchanged) {
    {
        auto db = Database::open(mainPath(), Database::Mode::ReadWrite);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->exec(u"PRAGMA user_version = %1"_s.arg(CurrentSchemaVersion() + 1)));
    }
    const QByteArray bytes = ReadAll(mainPath());
    const QString message = UpgradeProgramDatabase(folder.path());
    EXPECT_EQ(message, u"فايل بانك اطلاعات «morvalen.mdb» با نسخه جديدتري از برنامه ساخته شده است.\r\n\r\n"
                       u"نسخه جديد برنامه را نصب كنيد. برنامه بسته مي شود."_s);
    EXPECT_EQ(ReadAll(mainPath()), bytes);
}

TEST_F(SchemaUpgradeTest, FailedStepLeavesTheDatabaseAsItWas) {
    {
        // A trigger by the name of the first step's last one makes that step fail after its
        // index is made and filled.
        auto db = Database::open(mainPath(), Database::Mode::ReadWrite);
        ASSERT_TRUE(db);
        ASSERT_TRUE(
            db->exec(u"CREATE TRIGGER ExamineeSearch_Delete AFTER DELETE ON QUS BEGIN SELECT 1; END"_s));
    }
    const QByteArray bytes = ReadAll(mainPath());
    const QString message = UpgradeProgramDatabase(folder.path());
    EXPECT_TRUE(message.startsWith(u"فايل بانك اطلاعات «morvalen.mdb» به روز نشد."_s))
        << message.toStdString();
    EXPECT_TRUE(message.endsWith(u"برنامه بسته مي شود."_s));
    EXPECT_EQ(ReadAll(mainPath()), bytes);
}

TEST_F(SchemaUpgradeTest, MessagesNameTheServerWhenTheFileSaysSo) {
    const int port = test::TempProgramFolder::closedLocalPort();
    ASSERT_GT(port, 0);
    const struct {
        const char* what;
        QByteArray file;
        QString start;
    } cases[] = {
        {"unreachable server",
         u"kind=server\nhost=127.0.0.1\nport=%1\ndatabase=clinic\n"_s.arg(port).toUtf8(),
         u"اتصال به سرور «127.0.0.1:%1» برقرار نشد.\r\n"_s.arg(port)},
        {"damaged file", "kind=server\nhost=\n", u"فايل «connection.ini» در پوشه برنامه خراب است.\r\n"_s},
    };
    for (const auto& c : cases) {
        QFile file(folder.file(ConnectionFileName()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.file);
        file.close();
        const QString message = UpgradeProgramDatabase(folder.path());
        EXPECT_TRUE(message.startsWith(c.start)) << c.what << ": " << message.toStdString();
        EXPECT_TRUE(message.endsWith(u"برنامه بسته مي شود."_s)) << c.what;
        EXPECT_FALSE(message.contains(u"morvalen.mdb"_s)) << c.what;
        // A session the user put on the local file upgrades that file, whatever the file says.
        SetLocalForSession(folder.path(), true);
        EXPECT_EQ(UpgradeProgramDatabase(folder.path()), QString()) << c.what;
        SetLocalForSession(folder.path(), false);
    }
}

TEST_F(SchemaUpgradeTest, InsideACallersTransactionTheStepsAreItsOwn) {
    auto db = Database::open(mainPath(), Database::Mode::ReadWrite);
    ASSERT_TRUE(db);
    ASSERT_TRUE(db->exec(u"BEGIN IMMEDIATE"_s));
    EXPECT_EQ(UpgradeMainDatabase(*db).outcome, UpgradeOutcome::Upgraded);
    EXPECT_EQ(UserVersion(*db), CurrentSchemaVersion());
    ASSERT_TRUE(db->exec(u"ROLLBACK"_s));
    // Rolling back the caller's transaction takes the upgrade back with it.
    EXPECT_EQ(UserVersion(*db), 0);
    QSqlQuery query(db->handle());
    ASSERT_TRUE(query.exec(u"SELECT count(*) FROM sqlite_master WHERE name LIKE 'ExamineeSearch%'"_s) &&
                query.next());
    EXPECT_EQ(query.value(0).toInt(), 0);
}

TEST_F(SchemaUpgradeTest, BackupOfTheFirstReleaseRestoresAndIsUpgraded) {
    // The first release's database is the backup; the program folder holds a current one.
    const QString backup = folder.file(u"old.morvalen"_s);
    ASSERT_TRUE(QFile::rename(mainPath(), backup));
    ASSERT_TRUE(QFile::copy(test::TempProgramFolder::seedFolder() + u"/morvalen.mdb"_s, mainPath()));
    ASSERT_TRUE(QFile(mainPath()).setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    QString before;
    {
        auto old = Database::open(backup, Database::Mode::ReadOnly);
        ASSERT_TRUE(old);
        before = FirstReleaseContent(*old);
    }
    const QByteArray backupBytes = ReadAll(backup);
    QString error;
    ASSERT_EQ(RestoreBackup(backup, mainPath(), &error), RestoreOutcome::Restored) << error.toStdString();
    EXPECT_EQ(ReadAll(backup), backupBytes) << "the backup itself is not upgraded";

    // Upgraded by the restore itself, before the program starts again.
    auto db = Database::open(mainPath(), Database::Mode::ReadWrite);
    ASSERT_TRUE(db);
    EXPECT_EQ(UserVersion(*db), CurrentSchemaVersion());
    EXPECT_EQ(FirstReleaseContent(*db), before);
    EXPECT_EQ(Matches(*db, u"رضايي"_s), QStringList{u"1"_s});
    EXPECT_EQ(UpgradeProgramDatabase(folder.path()), QString());
}

TEST_F(SchemaUpgradeTest, BackupsOfEveryReleaseRestoreAndANewerOneIsRefused) {
    // A backup made now (the current version) restores as it is.
    const QString current = folder.file(u"current.morvalen"_s);
    ASSERT_TRUE(QFile::copy(test::TempProgramFolder::seedFolder() + u"/morvalen.mdb"_s, current));
    ASSERT_TRUE(QFile(current).setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    QString error;
    EXPECT_EQ(RestoreBackup(current, mainPath(), &error), RestoreOutcome::Restored) << error.toStdString();
    {
        auto db = Database::open(mainPath(), Database::Mode::ReadOnly);
        ASSERT_TRUE(db);
        EXPECT_EQ(UserVersion(*db), CurrentSchemaVersion());
    }

    // One from a newer release is refused, and the database stays byte for byte.
    const QString newer = folder.file(u"newer.morvalen"_s);
    ASSERT_TRUE(QFile::copy(current, newer));
    ASSERT_TRUE(QFile(newer).setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    {
        auto db = Database::open(newer, Database::Mode::ReadWrite);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->exec(u"PRAGMA user_version = %1"_s.arg(CurrentSchemaVersion() + 1)));
    }
    const QByteArray before = ReadAll(mainPath());
    EXPECT_EQ(RestoreBackup(newer, mainPath(), &error), RestoreOutcome::ForeignSchema);
    EXPECT_TRUE(error.contains(u"newer release"_s)) << error.toStdString();
    EXPECT_EQ(ReadAll(mainPath()), before);
}

// A database of the release before the second typing (version 1) gets the table on start-up
// and on restore, and the sheets typed there can be typed again and deleted.
TEST_F(SchemaUpgradeTest, DatabaseWithoutTheSecondEntryTableGetsIt) {
    const auto hasTable = [](Database& db) {
        QSqlQuery query(db.handle());
        return query.exec(u"SELECT count(*) FROM sqlite_master WHERE name = 'SecondEntry'"_s) &&
               query.next() && query.value(0).toInt() == 1;
    };
    {
        auto db = Database::open(mainPath(), Database::Mode::ReadWrite);
        ASSERT_TRUE(db);
        ASSERT_TRUE(RegisterSqlFunctions(SqliteHandle(*db)));
        ASSERT_EQ(UpgradeMainDatabase(SqliteHandle(*db), 1).outcome, UpgradeOutcome::Upgraded);
        ASSERT_EQ(UserVersion(*db), 1);
        ASSERT_FALSE(hasTable(*db));
    }
    const QString backup = folder.file(u"version1.morvalen"_s);
    ASSERT_TRUE(QFile::copy(mainPath(), backup));

    EXPECT_EQ(UpgradeProgramDatabase(folder.path()), QString());
    {
        auto db = Database::open(mainPath(), Database::Mode::ReadWrite);
        ASSERT_TRUE(db);
        EXPECT_EQ(UserVersion(*db), CurrentSchemaVersion());
        ASSERT_TRUE(hasTable(*db));
        SecondEntryStore entries(*db);
        ASSERT_TRUE(entries.start(u"1"_s, u"1403/01/01"_s, u"10:00"_s));
        ASSERT_TRUE(entries.setCell(u"1"_s, 1, u"6"_s));
        EXPECT_EQ(entries.row(u"1"_s)->at(0), u"6"_s);
        ASSERT_TRUE(ExamineeStore(*db).removeWithAnswerRow(u"1"_s));
        EXPECT_FALSE(entries.state(u"1"_s)) << "deleted with the examinee";
    }

    // The version 1 backup restores and is upgraded on the way in.
    QString error;
    ASSERT_EQ(RestoreBackup(backup, mainPath(), &error), RestoreOutcome::Restored) << error.toStdString();
    auto db = Database::open(mainPath(), Database::Mode::ReadWrite);
    ASSERT_TRUE(db);
    EXPECT_EQ(UserVersion(*db), CurrentSchemaVersion());
    EXPECT_TRUE(hasTable(*db));
    EXPECT_EQ(SecondEntryStore(*db).verification(u"1"_s), Verification::SingleEntry);
}

TEST(SchemaUpgrade, DeliveredDatabaseIsAtTheCurrentVersion) {
    test::TempProgramFolder folder;
    auto db = Database::open(folder.path(), DatabaseFile::Main);
    ASSERT_TRUE(db);
    EXPECT_EQ(UserVersion(*db), CurrentSchemaVersion());
    EXPECT_EQ(UpgradeMainDatabase(*db).outcome, UpgradeOutcome::UpToDate);
}

} // namespace
} // namespace morvalen
