#include "store/Database.h"

#include "store/SchemaUpgrade.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <atomic>

namespace morvalen {

using namespace Qt::StringLiterals;

QString DatabaseFileName(DatabaseFile file) {
    switch (file) {
    case DatabaseFile::Main:
        return u"morvalen.mdb"_s;
    case DatabaseFile::SchemaTexts:
        return u"Theme.skn"_s;
    case DatabaseFile::ReportSections:
        return u"NNPic.mdb"_s;
    }
    return {};
}

namespace {

QString NextConnectionName() {
    static std::atomic<unsigned> counter{0};
    return u"morvalen-%1"_s.arg(++counter);
}

void SetError(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
}

} // namespace

bool IsBusyError(const QSqlError& error) {
    // SQLITE_BUSY (5) and SQLITE_LOCKED (6) with their extended codes, and a read-only file
    // or folder (8).
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    return ok && (code == 5 || code == 6 || code == 8);
}

Database::Database(QSqlDatabase db, QString path) : m_db(std::move(db)), m_path(std::move(path)) {}

Database::~Database() {
    const QString name = m_db.connectionName();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

std::unique_ptr<Database> Database::open(const QString& programFolder, DatabaseFile file, QString* error) {
    const Mode mode = file == DatabaseFile::SchemaTexts ? Mode::ReadOnly : Mode::ReadWrite;
    return open(programFolder + u'/' + DatabaseFileName(file), mode, error);
}

std::unique_ptr<Database> Database::open(const QString& path, Mode mode, QString* error, bool* busy) {
    if (busy) {
        *busy = false;
    }
    const QFileInfo info(path);
    if (!info.isFile()) {
        SetError(error, u"no such file: "_s + path);
        return nullptr;
    }
    // The connection lives only inside the object, so closing it never leaves a copy behind.
    std::unique_ptr<Database> result(
        new Database(QSqlDatabase::addDatabase(u"QSQLITE"_s, NextConnectionName()), info.absoluteFilePath()));
    QSqlDatabase& db = result->m_db;
    // A URI with an explicit mode keeps SQLite from creating a missing file.
    QString uri = QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded);
    uri += mode == Mode::ReadOnly ? u"?mode=ro"_s : u"?mode=rw"_s;
    db.setDatabaseName(uri);
    QString options = u"QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=2000"_s;
    if (mode == Mode::ReadOnly) {
        options += u";QSQLITE_OPEN_READONLY"_s;
    }
    db.setConnectOptions(options);
    if (!db.open()) {
        SetError(error, db.lastError().text());
        return nullptr;
    }
    // The search index's triggers call the program's own functions on every write.
    RegisterSqlFunctions(SqliteHandle(*result));
    if (mode == Mode::ReadWrite) {
        // A rollback journal and a full flush per commit: the file on disk is then always a
        // complete database, which the byte-copy backup relies on.
        if (!result->exec(u"PRAGMA journal_mode="_s + QString::fromLatin1(kJournalMode)) ||
            !result->exec(u"PRAGMA journal_size_limit=%1"_s.arg(kJournalSizeLimit)) ||
            !result->exec(u"PRAGMA synchronous=FULL"_s)) {
            SetError(error, result->lastError());
            if (busy) {
                *busy = result->m_lastBusy;
            }
            return nullptr;
        }
    }
    return result;
}

bool Database::exec(const QString& sql) {
    QSqlQuery query(m_db);
    if (!query.exec(sql)) {
        m_lastError = query.lastError().text();
        m_lastBusy = IsBusyError(query.lastError());
        return false;
    }
    return true;
}

Transaction::Transaction(Database& db) : m_db(db), m_active(db.handle().transaction()) {
    if (!m_active) {
        db.setLastError(db.handle().lastError().text());
    }
}

Transaction::~Transaction() {
    if (m_active) {
        m_db.handle().rollback();
    }
}

bool Transaction::commit() {
    if (!m_active) {
        return false;
    }
    m_active = false;
    if (!m_db.handle().commit()) {
        m_db.setLastError(m_db.handle().lastError().text());
        m_db.handle().rollback();
        return false;
    }
    return true;
}

} // namespace morvalen
