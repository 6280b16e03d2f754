#include "store/Database.h"

#include "store/Query.h"
#include "store/SchemaUpgrade.h"
#include "store/ServerConnection.h"

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

// What the user reads before the server's own words when the line to the server is down.
const QString kServerLost = u"ارتباط با سرور قطع شد. با كار بعدي دوباره وصل مي شود."_s;
const QString kServerAway = u"سرور در دسترس نيست. پس از برقرار شدن ارتباط دوباره امتحان كنيد."_s;

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

bool IsConnectionLostError(const QSqlError& error) {
    if (error.type() == QSqlError::ConnectionError) {
        return true;
    }
    // libpq's words when the server went away under a statement (SQLSTATE 08xxx or none).
    const QString text = error.text();
    return error.nativeErrorCode().startsWith(u"08"_s) || error.nativeErrorCode() == u"57P01"_s ||
           text.contains(u"server closed the connection"_s) ||
           text.contains(u"no connection to the server"_s) || text.contains(u"terminating connection"_s) ||
           text.contains(u"could not connect"_s) || text.contains(u"connection to server"_s);
}

Database::Database(QSqlDatabase db, QString path, Backend backend)
    : m_db(std::move(db))
    , m_path(std::move(path))
    , m_backend(backend) {}

Database::~Database() {
    const QString name = m_db.connectionName();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

std::unique_ptr<Database> Database::open(const QString& programFolder, DatabaseFile file, QString* error) {
    const Mode mode = file == DatabaseFile::SchemaTexts ? Mode::ReadOnly : Mode::ReadWrite;
    if (file == DatabaseFile::Main && !LocalForSession(programFolder)) {
        QString why;
        const std::optional<DatabaseChoice> choice = ReadDatabaseChoice(programFolder, &why);
        if (!choice) {
            SetError(error, ConnectionFileName() + u": "_s + why);
            return nullptr;
        }
        if (choice->isServer()) {
            return openServer(choice->server, error);
        }
    }
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

std::unique_ptr<Database> Database::openServer(const ServerConnection& server, QString* error) {
    std::unique_ptr<Database> result(
        new Database(QSqlDatabase::addDatabase(u"QPSQL"_s, NextConnectionName()),
                     u"postgresql://%1:%2/%3"_s.arg(server.host).arg(server.port).arg(server.database),
                     Backend::Postgres));
    QSqlDatabase& db = result->m_db;
    if (!db.isValid()) {
        SetError(error, u"راه انداز PostgreSQL برنامه (بسته «libqt6sql6-psql») نصب نيست؛ آن را نصب كنيد "
                        u"(apt install libqt6sql6-psql)."_s);
        return nullptr;
    }
    db.setHostName(server.host);
    db.setPort(server.port);
    db.setDatabaseName(server.database);
    db.setUserName(server.user);
    // Empty: libpq then reads its password file (~/.pgpass, or PGPASSFILE).
    db.setPassword(SessionPassword(server));
    // A short wait, so an unreachable server is told at once and not after minutes.
    db.setConnectOptions(u"connect_timeout=5;sslmode=%1;application_name=morvalen"_s.arg(
        server.requireTls ? u"require"_s : u"prefer"_s));
    if (!db.open()) {
        SetError(error, db.lastError().text());
        return nullptr;
    }
    // Texts go both ways as UTF-8; dates and numbers are stored as text, as in the local file.
    if (!result->exec(u"SET client_encoding = 'UTF8'"_s)) {
        SetError(error, result->lastError());
        return nullptr;
    }
    return result;
}

QString Database::quotedColumn(const QString& name) const {
    const bool keepsSpelling =
        !isServer() || name == u"Alter" || name == u"E-Mail" || (!name.isEmpty() && name.front().isDigit());
    return u'"' + (keepsSpelling ? name : name.toLower()) + u'"';
}

bool Database::exec(const QString& sql) {
    if (!ensureConnected()) {
        return false;
    }
    QSqlQuery query(m_db);
    if (!query.exec(sql)) {
        m_lastError = query.lastError().text();
        m_lastBusy = IsBusyError(query.lastError());
        noteFailure(query.lastError());
        return false;
    }
    return true;
}

bool Database::ensureConnected() {
    if (!m_lost) {
        return true;
    }
    // The old statements go first, while no transaction is open on the new connection.
    for (PreparedQuery* statement : m_statements) {
        statement->release();
    }
    m_db.close();
    if (!m_db.open()) {
        m_lastError = kServerAway + u"\r\n"_s + m_db.lastError().text();
        return false;
    }
    QSqlQuery encoding(m_db);
    if (!encoding.exec(u"SET client_encoding = 'UTF8'"_s)) {
        m_lastError = encoding.lastError().text();
        m_db.close();
        return false;
    }
    m_lost = false;
    for (PreparedQuery* statement : m_statements) {
        statement->prepare();
    }
    return true;
}

bool Database::holdRestoreMark() {
    if (!ensureConnected()) {
        return false;
    }
    QSqlQuery query(m_db);
    if (!query.exec(u"SELECT Number FROM RestoreMark"_s) || !query.next()) {
        m_lastError = query.lastError().text();
        noteFailure(query.lastError());
        return false;
    }
    m_restoreMark = query.value(0).toLongLong();
    return true;
}

bool Database::restoredSinceHeld() {
    if (m_restoreMark.isNull() || !ensureConnected()) {
        return false;
    }
    QSqlQuery query(m_db);
    if (!query.exec(u"SELECT Number FROM RestoreMark"_s) || !query.next() ||
        query.value(0).toLongLong() == m_restoreMark.toLongLong()) {
        return false;
    }
    m_lastError = kRestoredUnderWindowText;
    return true;
}

void Database::enlist(PreparedQuery* statement) {
    m_statements.push_back(statement);
}

void Database::delist(PreparedQuery* statement) {
    std::erase(m_statements, statement);
}

void Database::noteFailure(const QSqlError& error) {
    if (isServer() && IsConnectionLostError(error)) {
        m_lost = true;
        m_lastError = kServerLost + u"\r\n"_s + error.text();
    }
}

Transaction::Transaction(Database& db, Kind kind)
    : m_db(db)
    , m_active(db.ensureConnected() && (kind == Kind::Write && !db.isServer() ? db.exec(u"BEGIN IMMEDIATE"_s)
                                                                              : db.handle().transaction())) {
    if (!m_active && db.handle().lastError().isValid()) {
        db.setLastError(db.handle().lastError().text());
        db.noteFailure(db.handle().lastError());
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
        m_db.noteFailure(m_db.handle().lastError());
        m_db.handle().rollback();
        return false;
    }
    return true;
}

} // namespace morvalen
