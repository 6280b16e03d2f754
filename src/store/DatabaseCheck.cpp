#include "store/DatabaseCheck.h"

#include "store/AnswerStore.h"

#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace morvalen {

using namespace Qt::StringLiterals;

QVector<RequiredTable> RequiredTables(DatabaseFile kind) {
    switch (kind) {
    case DatabaseFile::Main: {
        QStringList answers{u"Code"_s};
        for (int item = 1; item <= kItemCount; ++item) {
            answers.append(QString::number(item));
        }
        return {
            {u"IDE"_s,
             {u"id"_s, u"FullName"_s, u"Alter"_s, u"Geschlecht"_s, u"Heirat"_s, u"Datum1"_s, u"Bildung"_s,
              u"TelNummer1"_s, u"Tester"_s, u"Code"_s, u"comment"_s}},
            {u"Answer1"_s, answers},
            {u"QUS"_s, {u"code"_s, u"QU"_s}},
            {u"Theme"_s,
             {u"TH"_s, u"Name"_s, u"Adresse"_s, u"E-Mail"_s, u"Telegram"_s, u"Insta"_s, u"Web"_s,
              u"Twitter"_s, u"Facebook"_s, u"Tel"_s, u"Mosch"_s, u"Logo"_s}},
            {u"QueryMe"_s, {}},
        };
    }
    case DatabaseFile::SchemaTexts:
        return {{u"Themf"_s, {u"Schema"_s, u"Taf"_s}}};
    case DatabaseFile::ReportSections:
        return {{u"Tafsir"_s, {u"Code"_s, u"Comment"_s}}};
    }
    return {};
}

namespace {

DatabaseCheck Problem(DatabaseProblem problem, const QString& detail) {
    return {problem, detail};
}

} // namespace

DatabaseCheck CheckDatabaseFile(const QString& path, DatabaseFile kind, DatabaseCheckAccess access) {
    if (!QFileInfo(path).isFile()) {
        return Problem(DatabaseProblem::Missing, path);
    }
    const bool readOnly = kind == DatabaseFile::SchemaTexts || access == DatabaseCheckAccess::ReadOnly;
    QString error;
    bool busy = false;
    auto db =
        Database::open(path, readOnly ? Database::Mode::ReadOnly : Database::Mode::ReadWrite, &error, &busy);
    if (!db) {
        return Problem(busy ? DatabaseProblem::Locked : DatabaseProblem::NotDatabase, error);
    }
    QSqlQuery query(db->handle());
    query.setForwardOnly(true);
    // Reading the schema is what first touches the file: a file that is not a database fails here.
    if (!query.exec(u"PRAGMA quick_check"_s)) {
        const QSqlError e = query.lastError();
        return Problem(IsBusyError(e) ? DatabaseProblem::Locked : DatabaseProblem::NotDatabase, e.text());
    }
    if (!query.next() || query.value(0).toString() != u"ok"_s) {
        return Problem(DatabaseProblem::NotDatabase, query.value(0).toString());
    }
    query.finish();
    for (const RequiredTable& table : RequiredTables(kind)) {
        if (!query.exec(u"SELECT name FROM pragma_table_info('%1')"_s.arg(table.name))) {
            return Problem(DatabaseProblem::NotDatabase, query.lastError().text());
        }
        QSet<QString> present;
        while (query.next()) {
            present.insert(query.value(0).toString().toLower());
        }
        if (present.isEmpty()) {
            return Problem(DatabaseProblem::NotDatabase, u"no table "_s + table.name);
        }
        for (const QString& column : table.columns) {
            if (!present.contains(column.toLower())) {
                return Problem(DatabaseProblem::NotDatabase, u"no column %1.%2"_s.arg(table.name, column));
            }
        }
    }
    query.finish();
    if (kind == DatabaseFile::Main) {
        // One answer row per examinee code: the file's schema cannot say so, the check does.
        if (!query.exec(u"SELECT Code FROM Answer1 GROUP BY Code HAVING count(*) > 1 LIMIT 1"_s)) {
            return Problem(DatabaseProblem::NotDatabase, query.lastError().text());
        }
        if (query.next()) {
            return Problem(DatabaseProblem::NotDatabase,
                           u"two answer rows for the code %1"_s.arg(query.value(0).toString()));
        }
        query.finish();
    }
    if (!readOnly) {
        // Take the write lock and give it back at once: this fails when another program holds
        // the file or the file cannot be written, before the user has typed anything.
        if (!query.exec(u"BEGIN IMMEDIATE"_s)) {
            const QSqlError e = query.lastError();
            return Problem(IsBusyError(e) ? DatabaseProblem::Locked : DatabaseProblem::NotDatabase, e.text());
        }
        query.exec(u"ROLLBACK"_s);
    }
    return {};
}

QString CheckProgramDatabases(const QString& programFolder) {
    for (const DatabaseFile kind :
         {DatabaseFile::Main, DatabaseFile::SchemaTexts, DatabaseFile::ReportSections}) {
        const QString name = DatabaseFileName(kind);
        const DatabaseCheck check = CheckDatabaseFile(programFolder + u'/' + name, kind);
        switch (check.problem) {
        case DatabaseProblem::None:
            continue;
        case DatabaseProblem::Missing:
            return u"فايل بانك اطلاعات «%1» در پوشه برنامه پيدا نشد.\r\n%2\r\n\r\nبرنامه بسته مي شود."_s.arg(
                name, programFolder);
        case DatabaseProblem::NotDatabase:
            return u"فايل بانك اطلاعات «%1» خراب است يا بانك اطلاعات اين برنامه نيست.\r\n%2\r\n\r\n"
                   u"فايل را از پشتيبان بازگرداني كنيد. برنامه بسته مي شود."_s.arg(name, check.detail);
        case DatabaseProblem::Locked:
            return u"فايل بانك اطلاعات «%1» در دست برنامه ديگري است يا قابل نوشتن نيست.\r\n%2\r\n\r\n"
                   u"برنامه ديگر را ببنديد و دوباره برنامه را اجرا كنيد."_s.arg(name, check.detail);
        }
    }
    return {};
}

} // namespace morvalen
