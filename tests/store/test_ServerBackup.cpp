// Backups of the clinic's server are the same files as local ones: a server's backup restores
// into a local folder and a local one into the server, every cell and score the same, and a
// restore into the server either goes in whole or leaves the server as it was.
#include "core/Scoring.h"
#include "store/AdministrationStore.h"
#include "store/AnswerStore.h"
#include "store/Backup.h"
#include "store/ExamineeListModel.h"
#include "store/ExamineeStore.h"
#include "store/QuestionStore.h"
#include "store/SchemaUpgrade.h"
#include "store/SecondEntryStore.h"
#include "store/ServerSchema.h"
#include "store/SettingsStore.h"
#include "store/TableCopy.h"
#include "support/Files.h"
#include "support/QtPrinters.h"
#include "support/TempProgramFolder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

#include <atomic>

#include <functional>
#include <map>

#include <gtest/gtest.h>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;
using test::ReadAll;

// Names that a careless copy would change: quotes, a zero-width non-joiner, both kafs and
// yehs, a line break.
const QString kAwkward = u"O'Neil \"q\" علي‌رضا ك ک ي ی\r\nخط دوم"_s;

// Every cell of every table a backup holds, row by row in the copy's order, as text; an empty
// cell and a null one are told apart.
QStringList Content(Database& db, const QStringList& only = {}) {
    QStringList lines;
    for (const CopiedTable& table : MainDatabaseTables()) {
        if (!only.isEmpty() && !only.contains(table.name)) {
            continue;
        }
        QSqlQuery query(db.handle());
        query.setForwardOnly(true);
        if (!query.exec(u"SELECT %1 FROM %2 ORDER BY %3"_s.arg(table.columns, table.name, table.order))) {
            ADD_FAILURE() << table.name.toStdString() << ": " << query.lastError().text().toStdString();
            return {};
        }
        while (query.next()) {
            QStringList cells;
            for (int c = 0; c < query.record().count(); ++c) {
                const QVariant value = query.value(c);
                cells.append(value.isNull() ? u"<null>"_s : value.toString());
            }
            lines.append(table.name + u": "_s + cells.join(u'|'));
        }
    }
    return lines;
}

// Each examinee's raw score and percent on every scale, by code, scored here from the rows.
std::map<QString, std::vector<int>> Scores(Database& db) {
    std::map<QString, std::vector<int>> scores;
    QSqlQuery query(db.handle());
    if (!query.exec(u"SELECT Code, "_s + AnswerColumnList() + u" FROM Answer1"_s)) {
        ADD_FAILURE() << query.lastError().text().toStdString();
        return scores;
    }
    while (query.next()) {
        AnswerTexts answers;
        for (int item = 1; item <= kItemCount; ++item) {
            answers[item - 1] = query.value(item).toString().toStdString();
        }
        const ScoringResult result = ScoreAnswers(answers);
        std::vector<int>& row = scores[query.value(0).toString()];
        for (const ScaleResult& scale : result.scales) {
            row.push_back(scale.rawScore);
            row.push_back(scale.percent);
        }
    }
    return scores;
}

// The codes a search of the examinee list finds, newest first.
QStringList Found(Database& db, const QString& typed) {
    ExamineeListModel model(db, ExamineeList::Brief);
    model.setSearch(typed);
    while (model.canFetchMore({})) {
        model.fetchMore({});
    }
    QStringList codes;
    for (int row = 0; row < model.rowCount(); ++row) {
        codes.append(model.value(row, u"Code"_s));
    }
    return codes;
}

// A clinic's data: examinees with awkward names and answers that differ by examinee and item
// (some left empty, some never touched), kept administrations, a second typing, the clinic's
// settings and an edited question.
void FillClinic(Database& db, const QString& prefix, int examinees) {
    ExamineeStore people(db);
    AnswerStore answers(db);
    for (int i = 1; i <= examinees; ++i) {
        Examinee e;
        e.code = QString::number(i);
        e.fullName = prefix + u' ' + QString::number(i) + u' ' + kAwkward;
        e.age = QString::number(20 + i);
        e.tester = u"دكتر "_s + prefix;
        e.comment = i == 1 ? kAwkward : QString();
        ASSERT_TRUE(people.addWithAnswerRow(e)) << i;
        AnswerRow row;
        for (int item = 1; item <= kItemCount; ++item) {
            row[item - 1] = (item + i) % 11 == 0 ? QString() : QString::number((item * 7 + i * 3) % 6 + 1);
        }
        if (i % 3 != 0) { // every third examinee's row keeps its untouched cells
            ASSERT_TRUE(answers.setRow(e.code, row)) << i;
        } else {
            ASSERT_TRUE(answers.setCell(e.code, 1, row[0])) << i;
        }
    }
    AdministrationStore kept(db);
    const QDateTime when(QDate(2024, 12, 10), QTime(9, 5));
    ASSERT_EQ(kept.keep(u"1"_s, u"1403/09/20"_s, when, kAwkward), KeepOutcome::Kept);
    ASSERT_TRUE(answers.setCell(u"1"_s, 5, u"6"_s));
    ASSERT_EQ(kept.keep(u"1"_s, u"1403/09/21"_s, when.addDays(1)), KeepOutcome::Kept);
    ASSERT_EQ(kept.keep(u"2"_s, u"1403/09/22"_s, when.addDays(2)), KeepOutcome::Kept);
    SecondEntryStore second(db);
    ASSERT_TRUE(second.start(u"2"_s, u"1403/09/22"_s, u"10:15"_s));
    ASSERT_TRUE(second.setCell(u"2"_s, 1, u"4"_s));
    ASSERT_TRUE(second.recordComparison(u"2"_s, 232, 3, u"1403/09/22"_s));
    SettingsStore settings(db);
    std::optional<Settings> clinic = settings.read();
    ASSERT_TRUE(clinic);
    clinic->name = u"درمانگاه "_s + prefix;
    ASSERT_TRUE(settings.write(*clinic));
    ASSERT_TRUE(QuestionStore(db).setText(7, u"سوال هفتم "_s + prefix));
}

class ServerBackup : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::TempProgramFolder::onServer())
            << "runs against the test server (MORVALEN_TEST_BACKEND=postgres)";
        ASSERT_TRUE(server.valid());
        db = Database::open(server.path(), DatabaseFile::Main);
        ASSERT_TRUE(db && db->isServer());
        // A second program folder that stays on its local file.
        ASSERT_TRUE(local.valid());
        ASSERT_TRUE(WriteDatabaseChoice(local.path(), DatabaseChoice{}));
    }
    QString localPath() const { return local.file(u"morvalen.mdb"_s); }
    std::unique_ptr<Database> openLocal() { return Database::open(localPath(), Database::Mode::ReadWrite); }

    test::TempProgramFolder server;
    test::TempProgramFolder local;
    std::unique_ptr<Database> db;
};

TEST_F(ServerBackup, ServersBackupRestoresLocallyWithEveryCellAndScore) {
    FillClinic(*db, u"سرور"_s, 25);
    const QString backup = local.file(u"server.morvalen"_s);
    QList<int> percents;
    QString error;
    ASSERT_EQ(
        MakeServerBackup(server.server(), backup, &error, [&](int percent) { percents.append(percent); }),
        ServerBackupOutcome::Made)
        << error.toStdString();
    EXPECT_EQ(CheckBackupFile(backup, &error), RestoreOutcome::Restored) << error.toStdString();
    ASSERT_FALSE(percents.isEmpty());
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));

    ASSERT_EQ(RestoreBackup(backup, localPath(), &error), RestoreOutcome::Restored) << error.toStdString();
    auto restored = openLocal();
    ASSERT_TRUE(restored);
    const QStringList onServer = Content(*db);
    ASSERT_GT(onServer.size(), 25 * 2 + 232);
    EXPECT_EQ(Content(*restored), onServer);
    EXPECT_EQ(Scores(*restored), Scores(*db));
    EXPECT_EQ(Scores(*restored).size(), 25u);
    // The local search index was made for the copied examinees, and the next one goes after them.
    EXPECT_EQ(Found(*restored, u"سرور 12"_s), QStringList{u"12"_s});
    Examinee next;
    next.code = u"26"_s;
    next.fullName = u"بعدي"_s;
    const std::optional<qint64> id = ExamineeStore(*restored).addWithAnswerRow(next);
    ASSERT_TRUE(id);
    EXPECT_EQ(*id, 26);
}

TEST_F(ServerBackup, LocalBackupRestoresIntoTheServerWithEveryCellAndScore) {
    FillClinic(*db, u"قديمي"_s, 4);
    {
        auto file = openLocal();
        ASSERT_TRUE(file);
        FillClinic(*file, u"محلي"_s, 12);
    }
    const QString backup = local.file(u"local.morvalen"_s);
    QString error;
    ASSERT_TRUE(MakeBackup(localPath(), backup, &error)) << error.toStdString();
    QList<int> percents;
    ASSERT_EQ(RestoreBackupToServer(backup, server.server(), &error,
                                    [&](int percent) { percents.append(percent); }),
              RestoreOutcome::Restored)
        << error.toStdString();
    ASSERT_FALSE(percents.isEmpty());
    EXPECT_EQ(percents.back(), 100);

    auto file = Database::open(backup, Database::Mode::ReadOnly);
    ASSERT_TRUE(file);
    EXPECT_EQ(Content(*db), Content(*file));
    EXPECT_EQ(Scores(*db), Scores(*file));
    // The server's own triggers made its search index again: the restored names are found,
    // the replaced ones are gone.
    EXPECT_EQ(Found(*db, u"محلي 11"_s), QStringList{u"11"_s});
    EXPECT_TRUE(Found(*db, u"قديمي"_s).isEmpty());
    // The server's generated row numbers go on after the copied ones.
    Examinee next;
    next.code = u"13"_s;
    next.fullName = u"بعدي"_s;
    const std::optional<qint64> id = ExamineeStore(*db).addWithAnswerRow(next);
    ASSERT_TRUE(id);
    EXPECT_EQ(*id, 13);
    ASSERT_TRUE(AnswerStore(*db).setCell(u"13"_s, 1, u"2"_s));
    EXPECT_EQ(
        AdministrationStore(*db).keep(u"13"_s, u"1403/10/01"_s, QDateTime(QDate(2024, 12, 21), QTime(8, 0))),
        KeepOutcome::Kept);
    EXPECT_EQ(AdministrationStore(*db).list(u"13"_s).value(0).id, 4) << "after the three copied sheets";
}

TEST_F(ServerBackup, ARestoreThatFailsPartWayLeavesTheServerAsItWas) {
    FillClinic(*db, u"سرور"_s, 6);
    {
        auto file = openLocal();
        ASSERT_TRUE(file);
        FillClinic(*file, u"پشتيبان"_s, 9);
    }
    const QString backup = local.file(u"b.morvalen"_s);
    ASSERT_TRUE(MakeBackup(localPath(), backup, nullptr));
    const QStringList before = Content(*db);
    const QStringList foundBefore = Found(*db, u"سرور"_s);
    ASSERT_EQ(foundBefore.size(), 6);

    // A trigger on the server that fails one kind of statement on one table, or one that
    // changes a copied answer so that the check after the copy finds it.
    const struct {
        const char* what;
        QString statement;
        QString table;
        QString body; // a trigger body of its own instead of a refusal
    } cases[] = {
        {"deleting the second typings", u"DELETE"_s, u"SecondEntry"_s, {}},
        {"copying the examinees", u"INSERT"_s, u"IDE"_s, {}},
        {"copying the kept sheets, after the answers", u"INSERT"_s, u"Administration"_s, {}},
        {"copying the second typings, the last table", u"INSERT"_s, u"SecondEntry"_s, {}},
        {"an answer changed on its way in", u"INSERT"_s, u"Answer1"_s,
         u"BEGIN IF NEW.Code = '5' THEN NEW.\"100\" := 'x'; END IF; RETURN NEW; END"_s},
    };
    for (const auto& c : cases) {
        if (c.body.isEmpty()) {
            ASSERT_TRUE(test::RefuseWrites(*db, c.statement, c.table)) << db->lastError().toStdString();
        } else {
            ASSERT_TRUE(
                db->exec(u"CREATE OR REPLACE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $f$"_s +
                         c.body + u"$f$"_s) &&
                db->exec(
                    u"CREATE TRIGGER refuse BEFORE %1 ON %2 FOR EACH ROW EXECUTE FUNCTION refuse()"_s.arg(
                        c.statement, c.table)))
                << db->lastError().toStdString();
        }
        QString error;
        EXPECT_EQ(RestoreBackupToServer(backup, server.server(), &error), RestoreOutcome::WriteFailed)
            << c.what;
        EXPECT_FALSE(error.isEmpty()) << c.what;
        ASSERT_TRUE(test::AllowWrites(*db, c.table));
        EXPECT_EQ(Content(*db), before) << c.what;
        EXPECT_EQ(Found(*db, u"سرور"_s), foundBefore) << c.what << ": the search index is as it was";
    }
    // With the faults gone the same file goes in.
    QString error;
    ASSERT_EQ(RestoreBackupToServer(backup, server.server(), &error), RestoreOutcome::Restored)
        << error.toStdString();
    auto file = Database::open(backup, Database::Mode::ReadOnly);
    EXPECT_EQ(Content(*db), Content(*file));
}

TEST_F(ServerBackup, AnotherWorkstationsWriteWaitsForTheRestoreAndLandsAfterIt) {
    FillClinic(*db, u"سرور"_s, 3);
    {
        auto file = openLocal();
        ASSERT_TRUE(file);
        FillClinic(*file, u"پشتيبان"_s, 5);
    }
    const QString backup = local.file(u"b.morvalen"_s);
    ASSERT_TRUE(MakeBackup(localPath(), backup, nullptr));

    // In the middle of the copy another workstation registers an examinee. Its write waits
    // for the restore's commit and then goes in, and the restore's check is not upset by it.
    std::unique_ptr<QThread> writer;
    std::atomic<bool> added{false};
    auto watcher = Database::open(server.path(), DatabaseFile::Main);
    ASSERT_TRUE(watcher);
    const ServerConnection connection = server.server();
    const auto writeMeanwhile = [&](int) {
        if (writer) {
            return;
        }
        writer.reset(QThread::create([connection, &added] {
            auto other = Database::openServer(connection);
            Examinee late;
            late.code = u"99"_s;
            late.fullName = u"همزمان"_s;
            added = other && ExamineeStore(*other).addWithAnswerRow(late).has_value();
        }));
        writer->start();
        // Until its write waits for a lock (or has gone through, were there none).
        QElapsedTimer clock;
        clock.start();
        while (!added && clock.elapsed() < 5000) {
            QSqlQuery waiting(watcher->handle());
            if (waiting.exec(u"SELECT count(*) FROM pg_locks WHERE NOT granted"_s) && waiting.next() &&
                waiting.value(0).toInt() > 0) {
                break;
            }
            QThread::msleep(20);
        }
    };
    QString error;
    EXPECT_EQ(RestoreBackupToServer(backup, server.server(), &error, writeMeanwhile),
              RestoreOutcome::Restored)
        << error.toStdString();
    ASSERT_TRUE(writer);
    writer->wait();
    EXPECT_TRUE(added);
    ExamineeStore examinees(*db);
    EXPECT_EQ(examinees.count(), 6);
    EXPECT_EQ(examinees.findByCode(u"99"_s).value(0).id, 6) << "numbered after the restored examinees";
    auto file = Database::open(backup, Database::Mode::ReadOnly);
    const QStringList unchanged{u"QUS"_s, u"Theme"_s, u"Administration"_s, u"SecondEntry"_s};
    EXPECT_EQ(Content(*db, unchanged), Content(*file, unchanged));
}

// Makes a main database file as an older release left it: the first release's schema text,
// then the numbered steps up to the version, with examinees typed in that release.
void MakeOlderReleaseFile(const QString& path, int version) {
    test::MakeFileFromSchema(path, QStringLiteral(MORVALEN_FIRST_RELEASE_SCHEMA), [](QSqlQuery& query) {
        for (int i = 1; i <= 3; ++i) {
            ASSERT_TRUE(query.exec(
                u"INSERT INTO IDE (FullName, Code, Tester) VALUES ('قديمي %1', '%1', 'دكتر')"_s.arg(i)));
            ASSERT_TRUE(query.exec(
                u"INSERT INTO Answer1 (Code, \"1\", \"2\", \"232\") VALUES ('%1', '6', '%1', '3')"_s.arg(i)));
        }
        ASSERT_TRUE(query.exec(u"UPDATE Theme SET Name = 'كلينيك قديمي'"_s));
    });
    if (version > 0) {
        auto db = Database::open(path, Database::Mode::ReadWrite);
        ASSERT_TRUE(db);
        ASSERT_EQ(UpgradeMainDatabase(SqliteHandle(*db), version).outcome, UpgradeOutcome::Upgraded);
    }
}

TEST_F(ServerBackup, AnOlderReleasesBackupRestoresIntoTheServerUpgraded) {
    FillClinic(*db, u"سرور"_s, 3);
    for (const int version : {0, 1}) {
        const QString backup = local.file(u"older.morvalen"_s);
        MakeOlderReleaseFile(backup, version);
        const QByteArray bytes = ReadAll(backup);
        QString error;
        ASSERT_EQ(RestoreBackupToServer(backup, server.server(), &error), RestoreOutcome::Restored)
            << version << ": " << error.toStdString();
        EXPECT_EQ(ReadAll(backup), bytes) << version << ": the backup itself is not changed";
        int serverVersion = -1;
        ASSERT_TRUE(ReadServerSchemaVersion(*db, &serverVersion));
        EXPECT_EQ(serverVersion, CurrentSchemaVersion()) << version;
        auto file = Database::open(backup, Database::Mode::ReadOnly);
        ASSERT_TRUE(file);
        const QStringList older{u"IDE"_s, u"Answer1"_s, u"QUS"_s, u"Theme"_s};
        EXPECT_EQ(Content(*db, older), Content(*file, older)) << version;
        EXPECT_EQ(Scores(*db), Scores(*file)) << version;
        EXPECT_TRUE(Content(*db, {u"Administration"_s, u"SecondEntry"_s}).isEmpty()) << version;
        EXPECT_EQ(Found(*db, u"قديمي 2"_s), QStringList{u"2"_s}) << version;
        EXPECT_EQ(SettingsStore(*db).read().value_or(Settings{}).name, u"كلينيك قديمي"_s) << version;
    }
}

TEST_F(ServerBackup, WhatALocalRestoreRefusesTheServerRefusesUnchanged) {
    FillClinic(*db, u"سرور"_s, 3);
    const QStringList before = Content(*db);
    const QString good = local.file(u"good.morvalen"_s);
    ASSERT_TRUE(MakeBackup(localPath(), good, nullptr));
    const auto alter = [&](const QString& path, const QString& sql) {
        ASSERT_TRUE(QFile::copy(good, path));
        auto file = Database::open(path, Database::Mode::ReadWrite);
        ASSERT_TRUE(file && file->exec(sql)) << sql.toStdString();
    };
    const struct {
        const char* what;
        std::function<void(const QString&)> make;
        RestoreOutcome expected;
        QString said;
    } cases[] = {
        {"a newer release's backup",
         [&](const QString& path) {
             alter(path, u"PRAGMA user_version = %1"_s.arg(CurrentSchemaVersion() + 1));
         },
         RestoreOutcome::ForeignSchema, u"newer release"_s},
        {"a backup with a trigger added",
         [&](const QString& path) {
             alter(path, u"CREATE TRIGGER wipe AFTER UPDATE ON Answer1 BEGIN DELETE FROM IDE; END"_s);
         },
         RestoreOutcome::ForeignSchema, u"trigger wipe"_s},
        {"a text file",
         [](const QString& path) {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("not a database at all\n");
         },
         RestoreOutcome::NotABackup,
         {}},
        {"a missing file", [](const QString&) {}, RestoreOutcome::Unreadable, {}},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString path = local.file(u"case%1.morvalen"_s.arg(++n));
        c.make(path);
        QString error;
        EXPECT_EQ(RestoreBackupToServer(path, server.server(), &error), c.expected) << c.what;
        EXPECT_TRUE(error.contains(c.said)) << c.what << ": " << error.toStdString();
        EXPECT_EQ(Content(*db), before) << c.what;
    }
}

TEST_F(ServerBackup, TheBackupIsOneMomentOfTheServerWhateverIsWrittenMeanwhile) {
    FillClinic(*db, u"سرور"_s, 40);
    const QStringList before = Content(*db);
    // Another workstation writes while the copy runs: a new examinee, a changed answer, a
    // kept sheet. The backup holds the server as it was when it began, and its check agrees.
    auto other = Database::open(server.path(), DatabaseFile::Main);
    ASSERT_TRUE(other);
    bool wrote = false;
    const auto writeMeanwhile = [&](int) {
        if (wrote) {
            return;
        }
        wrote = true;
        Examinee late;
        late.code = u"41"_s;
        late.fullName = u"دير رسيده"_s;
        EXPECT_TRUE(ExamineeStore(*other).addWithAnswerRow(late));
        EXPECT_TRUE(AnswerStore(*other).setCell(u"1"_s, 1, u"1"_s));
        EXPECT_EQ(AdministrationStore(*other).keep(u"3"_s, u"1403/09/25"_s,
                                                   QDateTime(QDate(2024, 12, 15), QTime(9, 0))),
                  KeepOutcome::Kept);
    };
    const QString backup = local.file(u"moment.morvalen"_s);
    QString error;
    ASSERT_EQ(MakeServerBackup(server.server(), backup, &error, writeMeanwhile), ServerBackupOutcome::Made)
        << error.toStdString();
    ASSERT_TRUE(wrote);
    ASSERT_NE(Content(*db), before) << "the writes were committed on the server";
    auto file = Database::open(backup, Database::Mode::ReadOnly);
    ASSERT_TRUE(file);
    EXPECT_EQ(Content(*file), before);
}

TEST_F(ServerBackup, AFailedBackupWritesNothingAndKeepsTheOldFile) {
    FillClinic(*db, u"سرور"_s, 2);
    const QString target = local.file(u"old.morvalen"_s);
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("the previous backup");
    }
    ServerConnection nowhere = server.server();
    nowhere.port = 1;
    const struct {
        const char* what;
        std::function<void()> before;
        ServerConnection server;
        QString target;
        ServerBackupOutcome expected;
    } cases[] = {
        {"no server there", [] {}, nowhere, target, ServerBackupOutcome::Unreachable},
        {"a server of a newer release",
         [&] { ASSERT_TRUE(db->exec(u"UPDATE MorvalenSchema SET Version = Version + 1"_s)); },
         server.server(), target, ServerBackupOutcome::Failed},
        {"a folder that does not exist",
         [&] { ASSERT_TRUE(db->exec(u"UPDATE MorvalenSchema SET Version = Version - 1"_s)); },
         server.server(), local.file(u"no/such/folder/b.morvalen"_s), ServerBackupOutcome::Failed},
    };
    for (const auto& c : cases) {
        c.before();
        QString error;
        EXPECT_EQ(MakeServerBackup(c.server, c.target, &error), c.expected) << c.what;
        EXPECT_FALSE(error.isEmpty()) << c.what;
        EXPECT_EQ(ReadAll(target), "the previous backup") << c.what;
        EXPECT_FALSE(QFile::exists(local.file(u"no/such/folder/b.morvalen"_s))) << c.what;
    }
    // And with the server as it should be, the old file is replaced by a sound backup.
    QString error;
    ASSERT_EQ(MakeServerBackup(server.server(), target, &error), ServerBackupOutcome::Made)
        << error.toStdString();
    EXPECT_EQ(CheckBackupFile(target, &error), RestoreOutcome::Restored);
}

} // namespace
} // namespace morvalen
