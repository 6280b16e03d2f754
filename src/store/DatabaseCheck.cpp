#include "store/DatabaseCheck.h"

#include "store/AnswerStore.h"
#include "store/SchemaUpgrade.h"

#include <QFile>
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

// The search index is derived from IDE: one that fails its own check or disagrees with IDE
// is made again, not trusted and not a reason to refuse the file. Why it could not be, or empty.
QString RepairSearchIndex(const QString& path) {
    QString why;
    {
        auto db = Database::open(path, Database::Mode::ReadWrite, &why);
        if (!db) {
            return why;
        }
        if (SearchIndexSound(SqliteHandle(*db), &why)) {
            return {};
        }
    }
    QString error;
    return RebuildSearchIndex(path, &error) ? QString() : why + u"\r\n"_s + error;
}

} // namespace

FileHeaderProblem CheckFileHeader(const QString& path, QString* why) {
    const auto problem = [why](FileHeaderProblem kind, const QString& text) {
        if (why) {
            *why = text;
        }
        return kind;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return problem(FileHeaderProblem::NotSqlite, file.errorString());
    }
    const QByteArray header = file.read(100);
    const qint64 size = file.size();
    if (header.size() < 100 || !header.startsWith(QByteArrayLiteral("SQLite format 3\0"))) {
        return problem(FileHeaderProblem::NotSqlite, u"no SQLite header"_s);
    }
    const auto byte = [&header](int at) { return static_cast<quint32>(static_cast<quint8>(header[at])); };
    const auto word = [&byte](int at) {
        return byte(at) << 24 | byte(at + 1) << 16 | byte(at + 2) << 8 | byte(at + 3);
    };
    // Bytes 16 and 17: the page size, where 1 stands for 65536.
    const quint32 pageField = byte(16) << 8 | byte(17);
    const qint64 pageSize = pageField == 1 ? 65536 : pageField;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0) {
        return problem(FileHeaderProblem::NotSqlite, u"no valid page size in the header"_s);
    }
    // Bytes 28 to 31 count the pages; they are valid when bytes 92 to 95 match the change
    // counter of bytes 24 to 27, as every writer of the last decade leaves them. Without a
    // valid count the file must still be whole pages.
    const qint64 pages = word(28);
    const bool countValid = pages > 0 && word(92) == word(24);
    if ((countValid && size != pages * pageSize) || size % pageSize != 0) {
        return problem(
            FileHeaderProblem::SizeDiffers,
            u"the file holds %1 bytes; its header says %2 pages of %3 bytes"_s.arg(size).arg(pages).arg(
                pageSize));
    }
    // Bytes 18 and 19: 1 and 1 for a rollback journal, 2 and 2 for a write-ahead log.
    if (byte(18) != 1 || byte(19) != 1) {
        return problem(FileHeaderProblem::WriteAheadLog, u"the file is kept with a write-ahead log"_s);
    }
    // Bytes 56 to 59: 1 for UTF-8, 2 and 3 for UTF-16. Connections opened before a restore keep
    // the encoding they began with, and fail every statement on a file of another one.
    if (word(56) != 1) {
        return problem(FileHeaderProblem::NotUtf8, u"the file's text is not kept in UTF-8"_s);
    }
    return FileHeaderProblem::None;
}

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
    // A file cut short by a few bytes passes the quick check; its header knows how long it
    // is. Read under a read lock, so no other program's commit changes the file meanwhile.
    if (query.exec(u"BEGIN"_s) && query.exec(u"SELECT count(*) FROM sqlite_master"_s)) {
        query.finish();
        QString why;
        const FileHeaderProblem header = CheckFileHeader(path, &why);
        query.exec(u"COMMIT"_s);
        if (header == FileHeaderProblem::SizeDiffers) {
            return Problem(DatabaseProblem::NotDatabase, why);
        }
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
            if (kind == DatabaseFile::Main) {
                const QString why = RepairSearchIndex(programFolder + u'/' + name);
                if (!why.isEmpty()) {
                    return u"فهرست جستجوي فايل بانك اطلاعات «%1» خراب است و دوباره ساخته نشد.\r\n%2\r\n\r\n"
                           u"برنامه بسته مي شود."_s.arg(name, why);
                }
            }
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
