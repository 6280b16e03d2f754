#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

class QSqlError;

namespace morvalen {

struct ServerConnection;
class PreparedQuery;

// Whether an error means the file is held by another connection or cannot be written, as
// opposed to a file that is not a sound database.
bool IsBusyError(const QSqlError& error);

// Whether an error means the server could not be reached or the connection to it was lost,
// as opposed to a statement the server refused.
bool IsConnectionLostError(const QSqlError& error);

// The rollback journal every connection that writes uses (measured against DELETE and
// TRUNCATE in docs/journal-mode.md): the main file is complete at rest, so a copy of it alone
// holds every committed answer. The journal file stays beside it between commits with its
// header cleared, and is cut back to kJournalSizeLimit after a large transaction.
inline constexpr const char* kJournalMode = "PERSIST";
inline constexpr int kJournalSizeLimit = 1024 * 1024;

// The three delivered database files of the program folder.
enum class DatabaseFile { Main, SchemaTexts, ReportSections };

// "morvalen.mdb", "Theme.skn" or "NNPic.mdb".
QString DatabaseFileName(DatabaseFile file);

// One connection to one database file, closed when the object goes. Every window opens its
// own connections and drops them when it closes; queries made on a connection must be
// destroyed before it.
class Database {
public:
    enum class Mode { ReadWrite, ReadOnly };

    // Opens an existing file; never creates one (a missing file is an error, so a typo in a
    // path cannot leave an empty database behind). Applies the durability settings: each
    // commit reaches the disk before it returns, and the file is complete at rest.
    // *busy tells a file held by another connection from one that cannot be opened at all.
    static std::unique_ptr<Database> open(const QString& path, Mode mode, QString* error = nullptr,
                                          bool* busy = nullptr);
    // A file of the program folder. The main database is the clinic's server instead when the
    // folder's connection file says so; the windows never know which.
    static std::unique_ptr<Database> open(const QString& programFolder, DatabaseFile file,
                                          QString* error = nullptr);
    // A connection to the main database on a PostgreSQL server. The password comes from the
    // session's prompt or else libpq's password file; TLS is used where the server offers it.
    static std::unique_ptr<Database> openServer(const ServerConnection& server, QString* error = nullptr);

    enum class Backend { Sqlite, Postgres };
    Backend backend() const { return m_backend; }
    bool isServer() const { return m_backend == Backend::Postgres; }
    // A column name of the main database quoted for a statement. The server folds the plain
    // names to small letters (its tables were made so); "Alter", "E-Mail" and the item
    // numbers keep their spelling on both.
    QString quotedColumn(const QString& name) const;

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    QSqlDatabase& handle() { return m_db; }
    const QString& path() const { return m_path; }
    QString lastError() const { return m_lastError; }
    void setLastError(const QString& text) { m_lastError = text; }

    // Runs statements that take no values (pragmas, transaction control).
    bool exec(const QString& sql);

    // The restore number the window's data was read under. A window keeps it when it loads an
    // examinee; from then on its writes on this connection carry kRestoreMarkGuard and change
    // nothing once a restore has put other people's data in place.
    bool holdRestoreMark();
    QVariant heldRestoreMark() const { return m_restoreMark; }
    // After a write that changed nothing: whether a restore is why (the last error then says
    // so to the user).
    bool restoredSinceHeld();

    // The server connection is opened again when it was lost: a failed statement marks it,
    // and the next statement (the user's next action) reconnects first. Never a retry of
    // the failed statement itself, which may have been carried out before the line broke.
    // Always true for a file.
    bool ensureConnected();
    void noteFailure(const QSqlError& error);
    // The prepared statements on this connection, prepared again at once when it is opened
    // again (outside any transaction, where a stale statement's clean-up does no harm).
    void enlist(PreparedQuery* statement);
    void delist(PreparedQuery* statement);

private:
    Database(QSqlDatabase db, QString path, Backend backend = Backend::Sqlite);

    QSqlDatabase m_db;
    QString m_path;
    Backend m_backend = Backend::Sqlite;
    bool m_lost = false;
    std::vector<PreparedQuery*> m_statements;
    QString m_lastError;
    bool m_lastBusy = false;
    QVariant m_restoreMark; // null until a window holds one
};

// The condition a guarded write adds to its WHERE clause, with the held mark bound to it
// (a null mark lets the write through, as for a connection no window has loaded data on).
inline const QString kRestoreMarkGuard =
    QStringLiteral(" AND (SELECT Number FROM RestoreMark) = coalesce(CAST(? AS bigint), "
                   "(SELECT Number FROM RestoreMark))");

// What a window tells its user when a restore came between its load and its write.
inline const QString kRestoredUnderWindowText =
    QStringLiteral("اطلاعات از پشتيبان بازگرداني شده است؛ پنجره را دوباره باز كنيد");

// Begins a transaction and rolls it back unless committed, so an early return can never
// leave a half-written change in the open transaction.
class Transaction {
public:
    // Write: on the local file the write lock is taken at the start (BEGIN IMMEDIATE), so
    // what the transaction reads stays true until it commits.
    enum class Kind { Read, Write };
    explicit Transaction(Database& db, Kind kind = Kind::Read);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool active() const { return m_active; }
    bool commit();

private:
    Database& m_db;
    bool m_active = false;
};

} // namespace morvalen
