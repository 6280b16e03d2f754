#include "store/Backup.h"

#include "store/Database.h"
#include "store/DatabaseCheck.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sqlite3.h>

#include <memory>
#include <vector>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

void SetError(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
}

// Chunks are moved in runs, so a large file is copied with few system calls; the event
// loop runs at most every few milliseconds, not after every chunk.
constexpr qint64 kChunksPerRun = 256;
constexpr qint64 kYieldEveryMs = 15;

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

SqliteHandle OpenRaw(const QString& path, int flags, QString* error) {
    sqlite3* raw = nullptr;
    const QByteArray name = QFile::encodeName(path);
    const int rc = sqlite3_open_v2(name.constData(), &raw, flags, nullptr);
    SqliteHandle handle(raw);
    if (rc != SQLITE_OK) {
        SetError(error, QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
        return nullptr;
    }
    // As long as the windows' own connections wait for a lock.
    sqlite3_busy_timeout(raw, 2000);
    return handle;
}

bool Exec(sqlite3* db, const char* sql, QString* error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        SetError(error, QString::fromUtf8(message ? message : sqlite3_errmsg(db)));
        sqlite3_free(message);
        return false;
    }
    return true;
}

} // namespace

bool BackupCopy(const QString& source, const QString& destination, QString* error,
                const YieldToEvents& yield) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        SetError(error, in.errorString());
        return false;
    }
    // QSaveFile writes beside the destination and renames on commit; a failure leaves the
    // destination untouched and removes the temporary file.
    QSaveFile out(destination);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly)) {
        SetError(error, out.errorString());
        return false;
    }
    std::vector<char> buffer(static_cast<std::size_t>(kBackupChunk * kChunksPerRun));
    QElapsedTimer sinceYield;
    sinceYield.start();
    for (;;) {
        const qint64 got = in.read(buffer.data(), static_cast<qint64>(buffer.size()));
        if (got < 0) {
            SetError(error, in.errorString());
            out.cancelWriting();
            return false;
        }
        if (got == 0) {
            break;
        }
        if (out.write(buffer.data(), got) != got) {
            SetError(error, out.errorString());
            out.cancelWriting();
            return false;
        }
        if (yield && sinceYield.elapsed() >= kYieldEveryMs) {
            yield();
            sinceYield.restart();
        }
    }
    // commit() flushes the data to disk before the rename.
    if (!out.commit()) {
        SetError(error, out.errorString());
        return false;
    }
    return true;
}

bool MakeBackup(const QString& databasePath, const QString& target, QString* error,
                const YieldToEvents& yield) {
    QString openError;
    auto db = Database::open(databasePath, Database::Mode::ReadWrite, &openError);
    if (!db) {
        SetError(error, openError);
        return false;
    }
    // A read transaction holds the file at rest: a crashed write is rolled back first, and
    // no other connection can commit until the copy is done.
    if (!db->exec(u"BEGIN"_s) || !db->exec(u"SELECT count(*) FROM sqlite_master"_s)) {
        SetError(error, db->lastError());
        return false;
    }
    const bool copied = BackupCopy(databasePath, target, error, yield);
    db->exec(u"ROLLBACK"_s);
    if (!copied) {
        return false;
    }
    const DatabaseCheck check = CheckDatabaseFile(target, DatabaseFile::Main, DatabaseCheckAccess::ReadOnly);
    if (!check.ok()) {
        SetError(error, check.detail);
        return false;
    }
    return true;
}

RestoreOutcome RestoreBackup(const QString& backupPath, const QString& databasePath, QString* error) {
    if (!QFileInfo(backupPath).isFile()) {
        SetError(error, u"no such file: "_s + backupPath);
        return RestoreOutcome::Unreadable;
    }
    const DatabaseCheck check =
        CheckDatabaseFile(backupPath, DatabaseFile::Main, DatabaseCheckAccess::ReadOnly);
    if (check.problem == DatabaseProblem::NotDatabase) {
        SetError(error, check.detail);
        return RestoreOutcome::NotABackup;
    }
    if (!check.ok()) {
        SetError(error, check.detail);
        return RestoreOutcome::Unreadable;
    }
    SqliteHandle source = OpenRaw(backupPath, SQLITE_OPEN_READONLY, error);
    if (!source) {
        return RestoreOutcome::Unreadable;
    }
    SqliteHandle target = OpenRaw(databasePath, SQLITE_OPEN_READWRITE, error);
    if (!target) {
        return RestoreOutcome::WriteFailed;
    }
    // The same durability as every other write: the old pages are journalled and flushed
    // before the database is overwritten, so a cut-off restore rolls back on the next open.
    if (!Exec(target.get(), "PRAGMA journal_mode=DELETE", error) ||
        !Exec(target.get(), "PRAGMA synchronous=FULL", error)) {
        return RestoreOutcome::WriteFailed;
    }
    sqlite3_backup* backup = sqlite3_backup_init(target.get(), "main", source.get(), "main");
    if (!backup) {
        SetError(error, QString::fromUtf8(sqlite3_errmsg(target.get())));
        return RestoreOutcome::WriteFailed;
    }
    int rc = SQLITE_OK;
    // All pages in one step: one transaction on the live database.
    for (int attempt = 0; attempt < 3; ++attempt) {
        rc = sqlite3_backup_step(backup, -1);
        if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED) {
            break;
        }
        sqlite3_sleep(200);
    }
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        SetError(error, QString::fromUtf8(sqlite3_errstr(rc)));
        return RestoreOutcome::WriteFailed;
    }
    return RestoreOutcome::Restored;
}

} // namespace morvalen
