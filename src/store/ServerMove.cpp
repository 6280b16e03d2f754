#include "store/ServerMove.h"

#include "store/Database.h"
#include "store/SchemaUpgrade.h"
#include "store/ServerSchema.h"

#include <QSqlError>
#include <QSqlQuery>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// ANALYZE of each table of the connection's schema, one by one.
bool AnalyzeServerTables(Database& db, QString* error) {
    QSqlQuery tables(db.handle());
    if (!tables.exec(u"SELECT tablename FROM pg_tables WHERE schemaname = current_schema()"_s)) {
        *error = tables.lastError().text();
        return false;
    }
    while (tables.next()) {
        const QString name = tables.value(0).toString();
        if (!db.exec(u"ANALYZE \""_s + QString(name).replace(u'"', u"\"\""_s) + u'"')) {
            *error = db.lastError();
            return false;
        }
    }
    return true;
}

} // namespace

MoveReport MoveToServer(const QString& programFolder, const ServerConnection& server) {
    MoveReport report;
    const QString localPath = programFolder + u'/' + DatabaseFileName(DatabaseFile::Main);
    auto local = Database::open(localPath, Database::Mode::ReadOnly, &report.error);
    int version = -1;
    if (!local || !ReadSchemaVersion(SqliteHandle(*local), &version, &report.error) ||
        version != CurrentSchemaVersion()) {
        if (local && report.error.isEmpty()) {
            report.error = u"the local database is at version %1"_s.arg(version);
        }
        report.outcome = MoveOutcome::LocalNotReady;
        return report;
    }
    auto remote = Database::openServer(server, &report.error);
    if (!remote) {
        report.outcome = MoveOutcome::Unreachable;
        return report;
    }
    // The whole move is one transaction on the server: another workstation sees either an
    // empty database or every row, and a failure anywhere leaves it empty.
    Transaction transaction(*remote);
    bool empty = false;
    if (!transaction.active() || !remote->exec(u"SET TRANSACTION ISOLATION LEVEL SERIALIZABLE"_s) ||
        !IsEmptyServerDatabase(*remote, &empty, &report.error)) {
        if (report.error.isEmpty()) {
            report.error = remote->lastError();
        }
        return report;
    }
    if (!empty) {
        report.outcome = MoveOutcome::NotEmpty;
        return report;
    }
    // Read the local file in one transaction too, so no write of this workstation slips in
    // between the copy and the check.
    Transaction reading(*local);
    const SchemaUpgrade schema = CreateServerTablesInTransaction(*remote);
    if (schema.outcome != UpgradeOutcome::Upgraded) {
        report.error = schema.error;
        return report;
    }
    if (!CopyMainTables(*local, *remote, &report.error)) {
        return report;
    }
    // The planner's figures for the new rows, so the first statements already use the indexes;
    // only for the program's own tables (the database was empty, so every table of the schema
    // is ours), which a role that is not a superuser may analyse without warnings.
    if (!AnalyzeServerTables(*remote, &report.error)) {
        return report;
    }
    if (!CompareRowCounts(*local, *remote, &report.counts, &report.error)) {
        if (report.error.isEmpty()) {
            report.error = u"the row counts differ"_s;
        }
        report.outcome = MoveOutcome::CheckFailed;
        return report;
    }
    if (!CompareAnswersAndScores(*local, *remote, &report.examineesCompared, &report.error)) {
        report.outcome = MoveOutcome::CheckFailed;
        return report;
    }
    if (!transaction.commit()) {
        report.error = remote->lastError();
        return report;
    }
    DatabaseChoice choice;
    choice.kind = DatabaseChoice::Kind::Server;
    choice.server = server;
    if (!WriteDatabaseChoice(programFolder, choice, &report.error)) {
        return report;
    }
    report.outcome = MoveOutcome::Moved;
    return report;
}

QString MoveFailureMessage(const MoveReport& report) {
    switch (report.outcome) {
    case MoveOutcome::Moved:
        return {};
    case MoveOutcome::NotEmpty:
        return u"پايگاه داده سرور خالي نيست. اطلاعات روي پايگاه داده اي كه اطلاعات دارد نوشته نمي شود."_s;
    case MoveOutcome::Unreachable:
        return u"اتصال به سرور برقرار نشد.\r\n"_s + report.error;
    case MoveOutcome::LocalNotReady:
        return u"بانك اطلاعات اين رايانه خوانده نشد.\r\n"_s + report.error;
    case MoveOutcome::CheckFailed:
        return u"اطلاعات منتقل شده با اطلاعات اين رايانه يكسان نبود؛ هيچ چيز روي سرور نوشته نشد.\r\n"_s +
               report.error;
    case MoveOutcome::Failed:
        break;
    }
    return u"انتقال اطلاعات به سرور انجام نشد؛ هيچ چيز روي سرور نوشته نشد.\r\n"_s + report.error;
}

} // namespace morvalen
