// The delivered databases as the build generates them: tables, columns, the export view and
// the rows that ship.
#include "store/Database.h"
#include "support/TempProgramFolder.h"

#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

QStringList Columns(Database& db, const QString& table) {
    QSqlQuery q(db.handle());
    EXPECT_TRUE(q.exec(u"SELECT name FROM pragma_table_info('%1')"_s.arg(table)));
    QStringList names;
    while (q.next()) {
        names.append(q.value(0).toString());
    }
    return names;
}

QString Scalar(Database& db, const QString& sql) {
    QSqlQuery q(db.handle());
    EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
    return q.next() ? q.value(0).toString() : QString();
}

QStringList ItemColumns() {
    QStringList items;
    for (int i = 1; i <= 232; ++i) {
        items.append(QString::number(i));
    }
    return items;
}

class DeliveredDatabases : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.valid());
        main = Database::open(folder.path(), DatabaseFile::Main);
        texts = Database::open(folder.path(), DatabaseFile::SchemaTexts);
        sections = Database::open(folder.path(), DatabaseFile::ReportSections);
        ASSERT_TRUE(main && texts && sections);
    }
    test::TempProgramFolder folder;
    std::unique_ptr<Database> main, texts, sections;
};

TEST_F(DeliveredDatabases, TablesHaveExactlyTheProgramsColumns) {
    EXPECT_EQ(Columns(*main, u"IDE"_s),
              (QStringList{u"id"_s, u"FullName"_s, u"Alter"_s, u"Geschlecht"_s, u"Heirat"_s, u"Datum1"_s,
                           u"Bildung"_s, u"TelNummer1"_s, u"Tester"_s, u"Code"_s, u"comment"_s}));
    EXPECT_EQ(Columns(*main, u"Answer1"_s), QStringList{u"Code"_s} + ItemColumns());
    EXPECT_EQ(Columns(*main, u"QUS"_s), (QStringList{u"code"_s, u"QU"_s}));
    EXPECT_EQ(Columns(*main, u"Theme"_s),
              (QStringList{u"TH"_s, u"Name"_s, u"Adresse"_s, u"E-Mail"_s, u"Telegram"_s, u"Insta"_s, u"Web"_s,
                           u"Twitter"_s, u"Facebook"_s, u"Tel"_s, u"Mosch"_s, u"Logo"_s}));
    EXPECT_EQ(Columns(*texts, u"Themf"_s), (QStringList{u"Schema"_s, u"Taf"_s}));
    EXPECT_EQ(Columns(*sections, u"Tafsir"_s), (QStringList{u"Code"_s, u"Comment"_s}));
}

TEST_F(DeliveredDatabases, IdIsNumberedByTheDatabaseAndCodesAreIndexed) {
    EXPECT_EQ(Scalar(*main, u"SELECT count(*) FROM sqlite_master WHERE name = 'sqlite_sequence'"_s), u"1"_s);
    for (const QString& table : {u"IDE"_s, u"Answer1"_s}) {
        // The plan must use an index on Code, so a look-up does not grow with the table.
        QSqlQuery q(main->handle());
        ASSERT_TRUE(q.exec(u"EXPLAIN QUERY PLAN SELECT * FROM %1 WHERE Code = '5'"_s.arg(table)));
        ASSERT_TRUE(q.next());
        EXPECT_TRUE(q.value(3).toString().contains(u"USING INDEX"_s)) << q.value(3).toString().toStdString();
    }
}

TEST_F(DeliveredDatabases, QueryMeJoinsExamineesWithAnswersIn238Columns) {
    QSqlQuery q(main->handle());
    ASSERT_TRUE(q.exec(
        u"INSERT INTO IDE (FullName, \"Alter\", Geschlecht, Heirat, Bildung, Code) "
        u"VALUES ('a', '30', 'زن', 'مجرد', 'ليسانس', '1'), ('b', '40', 'مرد', 'متاهل', 'دكترا', '2')"_s));
    // Examinee 2 has no answer row and is left out; the answer columns follow in item order.
    ASSERT_TRUE(q.exec(u"INSERT INTO Answer1 (Code, \"1\", \"232\") VALUES ('1', '4', '6')"_s));
    ASSERT_TRUE(q.exec(u"SELECT * FROM QueryMe"_s));
    const QSqlRecord record = q.record();
    ASSERT_EQ(record.count(), 238);
    EXPECT_EQ(record.fieldName(6), u"1"_s);
    EXPECT_EQ(record.fieldName(237), u"232"_s);
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), u"1"_s);
    EXPECT_EQ(q.value(1).toString(), u"a"_s);
    EXPECT_EQ(q.value(2).toString(), u"30"_s);
    EXPECT_EQ(q.value(3).toString(), u"زن"_s);
    EXPECT_EQ(q.value(4).toString(), u"مجرد"_s);
    EXPECT_EQ(q.value(5).toString(), u"ليسانس"_s);
    EXPECT_EQ(q.value(6).toString(), u"4"_s);
    EXPECT_EQ(q.value(237).toString(), u"6"_s);
    EXPECT_FALSE(q.next());
}

TEST_F(DeliveredDatabases, ShipWithTheirFixedRows) {
    EXPECT_EQ(Scalar(*main, u"SELECT count(*) FROM IDE"_s), u"0"_s);
    EXPECT_EQ(Scalar(*main, u"SELECT count(*) FROM Answer1"_s), u"0"_s);
    EXPECT_EQ(Scalar(*main, u"SELECT count(*) FROM Theme"_s), u"1"_s);
    EXPECT_EQ(Scalar(*main, u"SELECT Logo || '|' || Name || '|' || TH FROM Theme"_s), u"0||14"_s);

    // One question row per item, each a placeholder that names its number.
    EXPECT_EQ(Scalar(*main, u"SELECT count(DISTINCT code) FROM QUS"_s), u"232"_s);
    EXPECT_EQ(Scalar(*main, u"SELECT count(*) FROM QUS WHERE CAST(code AS INTEGER) BETWEEN 1 AND 232 "
                            u"AND instr(QU, ' ' || code || ' ') > 0"_s),
              u"232"_s);

    const QStringList codes{u"ED"_s, u"AB"_s, u"MA"_s, u"SI"_s, u"DS"_s, u"FA"_s, u"AI"_s, u"VU"_s, u"EU"_s,
                            u"SB"_s, u"SS"_s, u"EI"_s, u"US"_s, u"ET"_s, u"IS"_s, u"AS"_s, u"NP"_s, u"PU"_s};
    QSqlQuery q(texts->handle());
    ASSERT_TRUE(q.exec(u"SELECT Schema, Taf FROM Themf ORDER BY rowid"_s));
    QStringList found;
    while (q.next()) {
        found.append(q.value(0).toString());
        const QString paragraph = q.value(1).toString();
        EXPECT_GT(paragraph.size(), 80) << q.value(0).toString().toStdString();
        // The program writes the yeh as U+064A throughout.
        EXPECT_FALSE(paragraph.contains(QChar(0x06CC))) << q.value(0).toString().toStdString();
    }
    EXPECT_EQ(found, codes);

    QSqlQuery s(sections->handle());
    ASSERT_TRUE(s.exec(u"SELECT Code FROM Tafsir"_s));
    QStringList keys;
    while (s.next()) {
        keys.append(s.value(0).toString());
    }
    keys.sort();
    QStringList expectedKeys = codes + QStringList{u"V"_s};
    expectedKeys.sort();
    EXPECT_EQ(keys, expectedKeys);
}

TEST_F(DeliveredDatabases, AreDurableAndCompleteAtRest) {
    EXPECT_EQ(Scalar(*main, u"PRAGMA journal_mode"_s), QString::fromLatin1(kJournalMode).toLower());
    EXPECT_EQ(Scalar(*main, u"PRAGMA synchronous"_s), u"2"_s);
    EXPECT_EQ(Scalar(*main, u"PRAGMA integrity_check"_s), u"ok"_s);

    // A copy of the main file alone, taken while the connection stays open between commits,
    // holds every committed write: the journal beside it is never needed at rest.
    test::TempProgramFolder folder;
    const QString path = folder.file(u"morvalen.mdb"_s);
    auto writer = Database::open(path, Database::Mode::ReadWrite);
    ASSERT_TRUE(writer);
    for (int i = 1; i <= 20; ++i) {
        ASSERT_TRUE(writer->exec(u"INSERT INTO IDE (FullName, Code) VALUES ('at rest', '%1')"_s.arg(i)));
    }
    QTemporaryDir elsewhere;
    const QString copy = elsewhere.path() + u"/morvalen.mdb"_s;
    ASSERT_TRUE(QFile::copy(path, copy));
    auto copied = Database::open(copy, Database::Mode::ReadOnly);
    ASSERT_TRUE(copied);
    EXPECT_EQ(Scalar(*copied, u"SELECT count(*) FROM IDE WHERE FullName = 'at rest'"_s), u"20"_s);
    EXPECT_EQ(Scalar(*copied, u"PRAGMA integrity_check"_s), u"ok"_s);
}

} // namespace
} // namespace morvalen
