// The clinic's server: its schema agrees with the local file's, the move of a workstation's
// data is checked and never overwrites, several workstations work at once without losing
// anything, and a server that goes away costs nothing but a message.
#include "core/SearchText.h"
#include "store/AdministrationStore.h"
#include "store/AnswerStore.h"
#include "store/ExamineeListModel.h"
#include "store/ExamineeStore.h"
#include "store/SchemaUpgrade.h"
#include "store/SecondEntryStore.h"
#include "store/ServerMove.h"
#include "store/ServerSchema.h"
#include "support/TempProgramFolder.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

// A program folder on its own local file, for the moves.
class LocalFolder {
public:
    LocalFolder() { qunsetenv("MORVALEN_TEST_BACKEND"); }
    ~LocalFolder() { qputenv("MORVALEN_TEST_BACKEND", "postgres"); }
};

std::unique_ptr<Database> OpenFresh(ServerConnection* server) {
    QString error;
    const auto fresh = test::TempProgramFolder::freshServerDatabase(&error);
    EXPECT_TRUE(fresh) << error.toStdString();
    if (!fresh) {
        return nullptr;
    }
    *server = *fresh;
    return Database::openServer(*fresh, &error);
}

qint64 Count(Database& db, const QString& sql) {
    QSqlQuery query(db.handle());
    return query.exec(sql) && query.next() ? query.value(0).toLongLong() : -1;
}

TEST(ServerSchema, SearchTextIsTheProgramsOwn) {
    ServerConnection server;
    auto db = OpenFresh(&server);
    ASSERT_TRUE(db);
    ASSERT_EQ(UpgradeServerDatabase(*db, true).outcome, UpgradeOutcome::Upgraded)
        << db->lastError().toStdString();
    // Each kind of character the search text folds or leaves out, in every field.
    const QStringList texts = {
        u"علی‌رضا كريمى"_s,
        u"ABC Xyz ÀÉÞ ×"_s,
        u"۰۹۱۲ ٣٤٥ 678"_s,
        u"آرش أحمد إلهام ٱ"_s,
        u"مُحَمَّد ـــ شاد"_s,
        u"\u200f\u202bتست\u202c\u00a0x\u00ady"_s,
        u"tab\there\r\nnext"_s,
        u"“quote” 'x' %_\\"_s,
        QString(),
        u"کاف و ي"_s,
    };
    QSqlQuery query(db->handle());
    ASSERT_TRUE(query.prepare(u"SELECT morvalen_search_text(?, ?, ?, ?)"_s));
    for (const QString& text : texts) {
        const QString other = texts[(texts.indexOf(text) + 3) % texts.size()];
        query.addBindValue(text.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text));
        query.addBindValue(other);
        query.addBindValue(text + other);
        query.addBindValue(u"۱"_s);
        ASSERT_TRUE(query.exec() && query.next()) << query.lastError().text().toStdString();
        std::string expected = SearchText(text.toStdString()) + '\x1f' + SearchText(other.toStdString()) +
                               '\x1f' + SearchText((text + other).toStdString()) + '\x1f' + "1";
        EXPECT_EQ(query.value(0).toString().toStdString(), expected) << text.toStdString();
    }
}

TEST(ServerSchema, VersionsMatchTheFileAndAnOlderServerIsUpgraded) {
    ServerConnection server;
    auto db = OpenFresh(&server);
    ASSERT_TRUE(db);
    EXPECT_EQ(UpgradeServerDatabase(*db).outcome, UpgradeOutcome::Failed)
        << "an empty database is never started on";
    ASSERT_EQ(UpgradeServerDatabase(*db, true).outcome, UpgradeOutcome::Upgraded);
    int version = -1;
    ASSERT_TRUE(ReadServerSchemaVersion(*db, &version));
    EXPECT_EQ(version, CurrentSchemaVersion());
    EXPECT_EQ(UpgradeServerDatabase(*db).outcome, UpgradeOutcome::UpToDate);

    // A server left at the version before the last step gets that step, and only it.
    ASSERT_TRUE(db->exec(u"DROP TABLE RestoreMark"_s));
    ASSERT_TRUE(db->exec(u"DROP INDEX IDE_Code_Unique, Answer1_Code_Unique"_s));
    ASSERT_TRUE(db->exec(u"UPDATE MorvalenSchema SET Version = %1"_s.arg(CurrentSchemaVersion() - 1)));
    const SchemaUpgrade upgrade = UpgradeMainDatabase(*db);
    EXPECT_EQ(upgrade.outcome, UpgradeOutcome::Upgraded) << upgrade.error.toStdString();
    EXPECT_EQ(upgrade.fromVersion, CurrentSchemaVersion() - 1);
    EXPECT_EQ(Count(*db, u"SELECT count(*) FROM RestoreMark"_s), 1);
    EXPECT_EQ(Count(*db, u"SELECT count(*) FROM pg_indexes WHERE indexname = 'ide_code_unique'"_s), 1);

    // One made by a newer release is left alone.
    ASSERT_TRUE(db->exec(u"UPDATE MorvalenSchema SET Version = %1"_s.arg(CurrentSchemaVersion() + 1)));
    EXPECT_EQ(UpgradeMainDatabase(*db).outcome, UpgradeOutcome::TooNew);
}

class ServerMoveTest : public testing::Test {
protected:
    LocalFolder local;
    test::TempProgramFolder folder;
};

TEST_F(ServerMoveTest, EveryRowArrivesAndTheNextRowsComeAfterThem) {
    ASSERT_TRUE(folder.valid());
    {
        auto db = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(db);
        ExamineeStore examinees(*db);
        for (int i = 1; i <= 30; ++i) {
            Examinee e;
            e.code = QString::number(i);
            e.fullName = u"O'Neil «%1» علي‌رضا"_s.arg(i);
            ASSERT_TRUE(examinees.addWithAnswerRow(e));
        }
        // A deleted examinee leaves a gap in the row numbers, which the move keeps.
        ASSERT_TRUE(examinees.removeWithAnswerRow(u"7"_s));
        AnswerStore answers(*db);
        for (int item = 1; item <= kItemCount; ++item) {
            ASSERT_TRUE(answers.setCell(u"3"_s, item, QString::number(item % 6 + 1)));
        }
        ASSERT_TRUE(answers.setCell(u"4"_s, 9, u"5 "_s));
        ASSERT_EQ(AdministrationStore(*db).keep(u"3"_s, u"1403/09/20"_s, QDateTime::currentDateTime()),
                  KeepOutcome::Kept);
        ASSERT_TRUE(SecondEntryStore(*db).start(u"4"_s, u"1403/09/21"_s, u"10:00"_s));
    }
    QString error;
    const auto server = test::TempProgramFolder::freshServerDatabase(&error);
    ASSERT_TRUE(server) << error.toStdString();
    const MoveReport report = MoveToServer(folder.path(), *server);
    ASSERT_EQ(report.outcome, MoveOutcome::Moved) << report.error.toStdString();
    EXPECT_EQ(report.examineesCompared, 29);
    for (const TableCount& count : report.counts) {
        EXPECT_EQ(count.source, count.target) << count.table.toStdString();
    }
    EXPECT_EQ(ReadDatabaseChoice(folder.path())->server, *server);

    auto db = Database::open(folder.path(), DatabaseFile::Main);
    ASSERT_TRUE(db);
    ASSERT_TRUE(db->isServer());
    ExamineeStore examinees(*db);
    EXPECT_EQ(examinees.firstByCode(u"12"_s)->fullName, u"O'Neil «12» علي‌رضا"_s);
    EXPECT_EQ(AnswerStore(*db).cell(u"4"_s, 9), u"5 "_s);
    EXPECT_EQ(AdministrationStore(*db).list(u"3"_s).size(), 1);
    EXPECT_TRUE(SecondEntryStore(*db).state(u"4"_s));
    // The search index was made by the server's own trigger.
    ExamineeListModel model(*db, ExamineeList::Brief);
    model.setSearch(u"«12»"_s);
    ASSERT_EQ(model.rowCount(), 1);
    // New rows are numbered after the copied ones, and the code rule goes on from the last.
    Examinee next;
    next.code = examinees.assignCode();
    EXPECT_EQ(next.code, u"31"_s);
    const auto id = examinees.registerNew(next);
    ASSERT_TRUE(id) << db->lastError().toStdString();
    EXPECT_EQ(*id, 31);
    ASSERT_TRUE(AdministrationStore(*db).keep(u"3"_s, u"1403/09/22"_s, QDateTime::currentDateTime()) ==
                KeepOutcome::Kept);
}

TEST_F(ServerMoveTest, AServerThatHoldsDataIsNeverWrittenTo) {
    ASSERT_TRUE(folder.valid());
    ServerConnection server;
    auto other = OpenFresh(&server);
    ASSERT_TRUE(other);
    ASSERT_TRUE(other->exec(u"CREATE TABLE IDE (id integer, FullName text)"_s));
    ASSERT_TRUE(other->exec(u"INSERT INTO IDE VALUES (1, 'kept')"_s));
    const MoveReport report = MoveToServer(folder.path(), server);
    EXPECT_EQ(report.outcome, MoveOutcome::NotEmpty);
    EXPECT_FALSE(MoveFailureMessage(report).isEmpty());
    EXPECT_EQ(Count(*other, u"SELECT count(*) FROM IDE WHERE FullName = 'kept'"_s), 1);
    EXPECT_EQ(
        Count(*other, u"SELECT count(*) FROM information_schema.tables WHERE table_schema = 'public'"_s), 1);
    EXPECT_FALSE(QFile::exists(folder.file(ConnectionFileName()))) << "the workstation stays local";
}

TEST_F(ServerMoveTest, OnlyADatabaseWithNothingOfAnybodysIsEmpty) {
    ASSERT_TRUE(folder.valid());
    const struct {
        const char* what;
        QString sql; // another program's things, made before the move
    } cases[] = {
        {"another program's tables", u"CREATE TABLE patients (id integer); CREATE TABLE visits (id integer)"_s},
        {"a view", u"CREATE VIEW today AS SELECT 1 AS one"_s},
        {"a function", u"CREATE FUNCTION twice(integer) RETURNS integer LANGUAGE sql AS 'SELECT $1 * 2'"_s},
        {"a type", u"CREATE TYPE mood AS ENUM ('calm', 'tense')"_s},
        {"an extension", u"CREATE EXTENSION pg_trgm"_s},
        {"a sequence", u"CREATE SEQUENCE tickets"_s},
    };
    const QString ours =
        u"SELECT (SELECT count(*) FROM pg_tables WHERE schemaname = 'public' AND tablename = 'ide') + "
        u"(SELECT count(*) FROM pg_proc WHERE proname = 'instr')"_s;
    for (const auto& c : cases) {
        ServerConnection server;
        auto other = OpenFresh(&server);
        ASSERT_TRUE(other) << c.what;
        ASSERT_TRUE(other->exec(c.sql)) << c.what << ": " << other->lastError().toStdString();
        bool empty = true;
        ASSERT_TRUE(IsEmptyServerDatabase(*other, &empty)) << c.what;
        EXPECT_FALSE(empty) << c.what;
        const MoveReport report = MoveToServer(folder.path(), server);
        EXPECT_EQ(report.outcome, MoveOutcome::NotEmpty) << c.what << ": " << report.error.toStdString();
        EXPECT_EQ(Count(*other, ours), 0) << c.what << ": nothing of the program was written";
        EXPECT_FALSE(QFile::exists(folder.file(ConnectionFileName()))) << c.what;
    }

    // A database its role owns, with nothing in it, takes the move; the role is no superuser,
    // and the move analyses only the program's own tables.
    ServerConnection server;
    auto admin = OpenFresh(&server);
    ASSERT_TRUE(admin);
    const QString role = u"clinic_"_s + server.database.right(8).toLower();
    ASSERT_TRUE(admin->exec(u"CREATE ROLE %1 LOGIN PASSWORD '%2'"_s.arg(role, qEnvironmentVariable("PGPASSWORD"))));
    ASSERT_TRUE(admin->exec(u"ALTER DATABASE %1 OWNER TO %2"_s.arg(server.database, role)));
    ASSERT_TRUE(admin->exec(u"ALTER SCHEMA public OWNER TO %1"_s.arg(role)));
    server.user = role;
    const MoveReport report = MoveToServer(folder.path(), server);
    EXPECT_EQ(report.outcome, MoveOutcome::Moved) << report.error.toStdString();
    EXPECT_EQ(Count(*admin, ours), 2);
}

TEST_F(ServerMoveTest, AnUnreachableServerLeavesTheWorkstationAsItWas) {
    ASSERT_TRUE(folder.valid());
    ServerConnection nowhere;
    nowhere.host = u"127.0.0.1"_s;
    nowhere.port = 1; // nothing listens there
    nowhere.database = u"morvalen"_s;
    nowhere.user = u"nobody"_s;
    const MoveReport report = MoveToServer(folder.path(), nowhere);
    EXPECT_EQ(report.outcome, MoveOutcome::Unreachable);
    EXPECT_FALSE(QFile::exists(folder.file(ConnectionFileName())));
    auto db = Database::open(folder.path(), DatabaseFile::Main);
    ASSERT_TRUE(db);
    EXPECT_FALSE(db->isServer());
}

// Several workstations on one server database, each a program of its own.
class ServerWorkstations : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.valid()); }

    QProcess* start(const QStringList& arguments) {
        auto* child = new QProcess;
        child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child->start(QString::fromUtf8(MORVALEN_WORKSTATION_CHILD), arguments);
        children.emplace_back(child);
        return child;
    }
    void waitForAll() {
        for (auto& child : children) {
            ASSERT_TRUE(child->waitForFinished(300000));
            EXPECT_EQ(child->exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(child->exitCode(), 0);
        }
    }

    test::TempProgramFolder folder;
    std::vector<std::unique_ptr<QProcess>> children;
};

TEST_F(ServerWorkstations, TwoRegisteringAtOnceNeverShareACode) {
    for (int i = 0; i < 2; ++i) {
        start({u"register"_s, folder.path(), u"500"_s});
    }
    waitForAll();
    auto db = Database::open(folder.path(), DatabaseFile::Main);
    ASSERT_TRUE(db);
    const QStringList codes = ExamineeStore(*db).codesInStorageOrder();
    EXPECT_EQ(codes.size(), 1000);
    EXPECT_EQ(QSet<QString>(codes.begin(), codes.end()).size(), 1000);
    EXPECT_EQ(Count(*db, u"SELECT count(DISTINCT Code) FROM Answer1"_s), 1000) << "each with its answer row";
}

TEST_F(ServerWorkstations, TwoAnsweringOneExamineeLoseNoAnswer) {
    ASSERT_TRUE(folder.addExaminee(u"1"_s, u"نام"_s));
    start({u"answer"_s, folder.path(), u"1"_s, u"1"_s, u"2"_s, u"5"_s});
    start({u"answer"_s, folder.path(), u"1"_s, u"2"_s, u"5"_s, u"5"_s});
    waitForAll();
    auto db = Database::open(folder.path(), DatabaseFile::Main);
    ASSERT_TRUE(db);
    const AnswerRow row = *AnswerStore(*db).row(u"1"_s);
    for (int item = 1; item <= kItemCount; ++item) {
        EXPECT_EQ(row[item - 1], item % 2 ? u"2"_s : u"5"_s) << "item " << item;
    }
}

TEST_F(ServerWorkstations, TwoKeepingOneExamineesSheetAtOnceEachGetANumber) {
    ASSERT_TRUE(folder.addExaminee(u"1"_s, u"نام"_s, {{1, u"4"_s}, {2, u"5"_s}}));
    for (int i = 0; i < 2; ++i) {
        start({u"keep"_s, folder.path(), u"1"_s, u"40"_s});
    }
    waitForAll();
    auto db = Database::open(folder.path(), DatabaseFile::Main);
    ASSERT_TRUE(db);
    const QVector<Administration> kept = AdministrationStore(*db).list(u"1"_s);
    ASSERT_EQ(kept.size(), 80);
    for (int i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(kept[i].number, i + 1);
    }
}

// The server stopped under a working session: each action says so and keeps what it was
// given; once the server is back, the next action goes through on the same connection.
TEST(ServerOutage, AStoppedServerIsToldAndWorkResumesWhenItIsBack) {
    test::TempProgramFolder folder;
    ASSERT_TRUE(folder.valid());
    ASSERT_TRUE(folder.addExaminee(u"1"_s, u"نام"_s));
    auto db = Database::open(folder.path(), DatabaseFile::Main);
    ASSERT_TRUE(db);
    AnswerStore answers(*db);
    ExamineeStore examinees(*db);
    ASSERT_TRUE(answers.setCell(u"1"_s, 1, u"3"_s));

    const QString version = qEnvironmentVariable("PGVERSION", u"15"_s);
    const auto cluster = [&](const QString& action) {
        return QProcess::execute(u"pg_ctlcluster"_s, {version, u"regress"_s, action, u"-m"_s, u"fast"_s});
    };
    ASSERT_EQ(cluster(u"stop"_s), 0);
    EXPECT_FALSE(answers.setCell(u"1"_s, 2, u"4"_s));
    // The user reads in Persian that the line to the server is down (or the server away, when
    // the reconnection the next statement tries fails too), then the server's own words.
    const auto toldInPersian = [&] {
        const QString told = db->lastError();
        return told.startsWith(u"ارتباط با سرور قطع شد."_s) || told.startsWith(u"سرور در دسترس نيست."_s);
    };
    EXPECT_TRUE(toldInPersian()) << db->lastError().toStdString();
    Examinee e;
    e.code = u"2"_s;
    EXPECT_FALSE(examinees.registerNew(e));
    EXPECT_FALSE(answers.setCell(u"1"_s, 2, u"4"_s)) << "still away: told again, not a crash";
    EXPECT_TRUE(db->lastError().startsWith(u"سرور در دسترس نيست."_s)) << db->lastError().toStdString();
    ASSERT_EQ(cluster(u"start"_s), 0);

    EXPECT_TRUE(answers.setCell(u"1"_s, 2, u"4"_s)) << db->lastError().toStdString();
    EXPECT_TRUE(examinees.registerNew(e)) << db->lastError().toStdString();
    EXPECT_EQ(answers.cell(u"1"_s, 1), u"3"_s);
    EXPECT_EQ(answers.cell(u"1"_s, 2), u"4"_s);
    EXPECT_EQ(examinees.count(), 2);
}

// The first action after a server restart: the look-up fails on the dead connection, and a
// failed look-up is never "no row", so the examinee keeps one answer row.
TEST(ServerOutage, TheFirstLookAfterARestartAddsNoSecondAnswerRow) {
    test::TempProgramFolder folder;
    ASSERT_TRUE(folder.valid());
    ASSERT_TRUE(folder.addExaminee(u"1"_s, u"نام"_s));
    auto db = Database::open(folder.path(), DatabaseFile::Main);
    ASSERT_TRUE(db);
    AnswerStore answers(*db);
    ASSERT_TRUE(answers.setCell(u"1"_s, 1, u"3"_s));
    const QString version = qEnvironmentVariable("PGVERSION", u"15"_s);
    ASSERT_EQ(
        QProcess::execute(u"pg_ctlcluster"_s, {version, u"regress"_s, u"restart"_s, u"-m"_s, u"fast"_s}), 0);

    EXPECT_FALSE(answers.ensureRow(u"1"_s)) << "the look-up failed: nothing is added";
    EXPECT_TRUE(answers.ensureRow(u"1"_s)) << db->lastError().toStdString();
    EXPECT_EQ(Count(*db, u"SELECT count(*) FROM Answer1 WHERE Code = '1'"_s), 1);
    EXPECT_EQ(answers.cell(u"1"_s, 1), u"3"_s);
    // Whatever the path, the server itself refuses a second row or a second examinee per code.
    QSqlQuery insert(db->handle());
    EXPECT_FALSE(insert.exec(u"INSERT INTO Answer1 (Code) VALUES ('1')"_s));
    EXPECT_FALSE(insert.exec(u"INSERT INTO IDE (Code) VALUES ('1')"_s));
}

TEST(ServerOutage, AListReadAgainWhileTheServerIsAwayKeepsItsRows) {
    test::TempProgramFolder folder;
    ASSERT_TRUE(folder.valid());
    ASSERT_TRUE(folder.addExaminee(u"1"_s, u"نام اول"_s));
    ASSERT_TRUE(folder.addExaminee(u"2"_s, u"نام دوم"_s));
    auto db = Database::open(folder.path(), DatabaseFile::Main);
    ASSERT_TRUE(db && db->isServer());
    ExamineeListModel model(*db, ExamineeList::Registry);
    const int rows = model.rowCount();
    ASSERT_GE(rows, 2);

    const QString version = qEnvironmentVariable("PGVERSION", u"15"_s);
    const auto cluster = [&](const QString& action) {
        return QProcess::execute(u"pg_ctlcluster"_s, {version, u"regress"_s, action, u"-m"_s, u"fast"_s});
    };
    ASSERT_EQ(cluster(u"restart"_s), 0);
    // The connection died with the restart: the first read finds it gone, and so does a search.
    EXPECT_FALSE(model.reload());
    EXPECT_EQ(model.rowCount(), rows) << "the rows it had stay";
    EXPECT_EQ(model.value(0, u"Code"_s), u"2"_s);
    EXPECT_TRUE(model.lastError().startsWith(u"ارتباط با سرور قطع شد."_s)) << model.lastError().toStdString();
    ASSERT_EQ(cluster(u"stop"_s), 0);
    EXPECT_FALSE(model.setSearch(u"اول"_s));
    EXPECT_EQ(model.rowCount(), rows);
    EXPECT_TRUE(model.search().isEmpty()) << "the search stays as the rows show it";
    EXPECT_TRUE(model.lastError().startsWith(u"سرور در دسترس نيست."_s)) << model.lastError().toStdString();
    ASSERT_EQ(cluster(u"start"_s), 0);

    EXPECT_TRUE(model.setSearch(u"اول"_s)) << model.lastError().toStdString();
    EXPECT_EQ(model.rowCount(), 1);
}

} // namespace
} // namespace morvalen
