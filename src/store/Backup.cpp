#include "store/Backup.h"

#include "store/Database.h"
#include "store/DatabaseCheck.h"
#include "store/SchemaUpgrade.h"
#include "store/ServerConnection.h"
#include "store/ServerSchema.h"
#include "store/TableCopy.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <sqlite3.h>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
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
// A restore copies this many pages (256 KB of 4096-byte pages) between looks at the clock.
constexpr int kPagesPerRestoreStep = 64;
// While another connection holds the database: tries, and the pause between them.
constexpr int kBusyTries = 40;
constexpr int kBusyPauseMs = 50;
// Room a restore needs beyond the backup's size and its journal.
constexpr qint64 kRestoreSpareBytes = 1024 * 1024;

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using RawConnection = std::unique_ptr<sqlite3, SqliteCloser>;

RawConnection OpenRaw(const QString& path, int flags, QString* error) {
    sqlite3* raw = nullptr;
    const QByteArray name = QFile::encodeName(path);
    const int rc = sqlite3_open_v2(name.constData(), &raw, flags, nullptr);
    RawConnection handle(raw);
    if (rc != SQLITE_OK) {
        SetError(error, QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
        return nullptr;
    }
    // As long as the windows' own connections wait for a lock.
    sqlite3_busy_timeout(raw, 2000);
    return handle;
}

// Runs yield from inside a long SQLite statement, at most every few milliseconds.
struct YieldClock {
    const YieldToEvents* yield = nullptr;
    QElapsedTimer since;

    void maybeYield() {
        if (yield && *yield && since.elapsed() >= kYieldEveryMs) {
            (*yield)();
            since.restart();
        }
    }
};

int YieldFromSqlite(void* clock) {
    static_cast<YieldClock*>(clock)->maybeYield();
    return 0; // never interrupt the statement
}

// Statements run this many virtual machine steps between looks at the clock.
constexpr int kStepsPerLook = 1000;

// Sends what has been written to a file on to the disk. A long copy does this as it goes, so
// the flush that ends it has little left to do and does not hold the window still.
void FlushWrittenToDisk(int descriptor) {
    if (descriptor < 0) {
        return;
    }
#ifdef Q_OS_WIN
    FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)));
#else
    fdatasync(descriptor);
#endif
}

// How much a copy writes between two flushes of its target.
constexpr qint64 kBytesPerFlush = 8 * 1024 * 1024;

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

QString WriteFailureReason(int systemError, const QString& qtText) {
    if (systemError == ENOSPC
#ifdef EDQUOT
        || systemError == EDQUOT
#endif
    ) {
        return kDiskFullText;
    }
    // Qt does not always keep the system's words for a failed write; errno still has them.
    if (!qtText.isEmpty() && qtText != u"Unknown error"_s) {
        return qtText;
    }
    return systemError != 0 ? qt_error_string(systemError) : qtText;
}

bool BackupCopy(const QString& source, const QString& destination, QString* error,
                const YieldToEvents& yield) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        SetError(error, in.errorString());
        return false;
    }
    // Written beside the destination, checked and renamed over it at the end; a failure
    // leaves the destination untouched and removes the temporary file.
    CheckedFile out(destination);
    if (!out.open()) {
        SetError(error, out.message());
        return false;
    }
    std::vector<char> buffer(static_cast<std::size_t>(kBackupChunk * kChunksPerRun));
    QElapsedTimer sinceYield;
    sinceYield.start();
    qint64 sinceFlush = 0;
    for (;;) {
        const qint64 got = in.read(buffer.data(), static_cast<qint64>(buffer.size()));
        if (got < 0) {
            SetError(error, in.errorString());
            return false;
        }
        if (got == 0) {
            break;
        }
        if (!out.write(buffer.data(), got)) {
            SetError(error, out.message());
            return false;
        }
        sinceFlush += got;
        if (yield && sinceFlush >= kBytesPerFlush) {
            FlushWrittenToDisk(out.handle());
            sinceFlush = 0;
        }
        if (yield && sinceYield.elapsed() >= kYieldEveryMs) {
            yield();
            sinceYield.restart();
        }
    }
    if (!out.commit()) {
        SetError(error, out.message());
        return false;
    }
    return true;
}

namespace {

// A schema as a sorted list of "type, name, table, statement" lines; where the tables'
// pages lie does not count.
QStringList ReadSchema(sqlite3* db, QString* error) {
    QStringList lines;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT type, name, tbl_name, coalesce(sql, '') FROM sqlite_master", -1,
                           &statement, nullptr) != SQLITE_OK) {
        SetError(error, QString::fromUtf8(sqlite3_errmsg(db)));
        return {};
    }
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        QStringList fields;
        for (int column = 0; column < 4; ++column) {
            fields.append(
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column))));
        }
        lines.append(fields.join(u'\x1f'));
    }
    if (rc != SQLITE_DONE) {
        SetError(error, QString::fromUtf8(sqlite3_errmsg(db)));
        lines.clear();
    }
    sqlite3_finalize(statement);
    lines.sort();
    return lines;
}

// The schemas that running each release's scripts on an empty database leaves.
const std::vector<QStringList>& ReleasedSchemas() {
    static const std::vector<QStringList> schemas = [] {
        std::vector<QStringList> result;
        RawConnection scratch = OpenRaw(u":memory:"_s, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, nullptr);
        if (!scratch) {
            return result;
        }
        for (const QString& script : ReleasedMainSchemaScripts()) {
            // The scripts of later steps build on the ones before, as an upgrade does.
            if (!Exec(scratch.get(), script.toUtf8().constData(), nullptr)) {
                return result;
            }
            result.push_back(ReadSchema(scratch.get(), nullptr));
        }
        // Then each numbered upgrade step in turn: a backup of any released version matches
        // the schema its version had.
        RegisterSqlFunctions(scratch.get());
        for (int version = 1; version <= CurrentSchemaVersion(); ++version) {
            if (UpgradeMainDatabase(scratch.get(), version).outcome != UpgradeOutcome::Upgraded) {
                break;
            }
            result.push_back(ReadSchema(scratch.get(), nullptr));
        }
        return result;
    }();
    return schemas;
}

QString Describe(const QString& line) {
    const QStringList fields = line.split(u'\x1f');
    return fields.value(0) + u' ' + fields.value(1);
}

// What sets a schema apart from the nearest released one, for the message.
QString SchemaDifference(const QStringList& found) {
    const std::vector<QStringList>& released = ReleasedSchemas();
    if (released.empty()) {
        return u"the program's own schema cannot be read"_s;
    }
    const QStringList& expected = released.back();
    QStringList extra, missing;
    for (const QString& line : found) {
        if (!expected.contains(line)) {
            extra.append(Describe(line));
        }
    }
    for (const QString& line : expected) {
        if (!found.contains(line)) {
            missing.append(Describe(line));
        }
    }
    QString text;
    if (!extra.isEmpty()) {
        text += u"not of this program: "_s + extra.join(u", "_s);
    }
    if (!missing.isEmpty()) {
        text += (text.isEmpty() ? u""_s : u"; "_s) + u"missing or changed: "_s + missing.join(u", "_s);
    }
    return text;
}

// Copies the backup into the folder and makes that copy what gets restored: a backup of an
// earlier release is upgraded there, and the search index, derived from IDE, is made again
// rather than taken from the file (damaged blobs or an index out of step pass SQLite's own
// check). False when either fails.
bool PreparedCopyOfBackup(const QString& backupPath, const QTemporaryDir& folder, QString* sourcePath,
                          QString* error, const YieldToEvents& yield) {
    int version = 0;
    {
        RawConnection backup = OpenRaw(backupPath, SQLITE_OPEN_READONLY, error);
        if (!backup || !ReadSchemaVersion(backup.get(), &version, error)) {
            return false;
        }
    }
    const QString copy = folder.filePath(u"restored.mdb"_s);
    if (!folder.isValid() || !BackupCopy(backupPath, copy, error, yield)) {
        return false;
    }
    if (version < CurrentSchemaVersion()) {
        RawConnection db = OpenRaw(copy, SQLITE_OPEN_READWRITE, error);
        if (!db || !RegisterSqlFunctions(db.get())) {
            return false;
        }
        const SchemaUpgrade upgrade = UpgradeMainDatabase(db.get());
        if (upgrade.outcome != UpgradeOutcome::Upgraded) {
            SetError(error, upgrade.error);
            return false;
        }
    }
    QString why;
    if (!RebuildSearchIndex(copy, &why)) {
        SetError(error, u"the search index cannot be made again: "_s + why);
        return false;
    }
    *sourcePath = copy;
    return true;
}

} // namespace

QStringList ReleasedMainSchemaScripts() {
    QFile base(u":/schema/morvalen.sql"_s);
    if (!base.open(QIODevice::ReadOnly)) {
        return {};
    }
    // Each upgrade step that changes the schema adds its script here, after the base.
    return {QString::fromUtf8(base.readAll())};
}

RestoreOutcome CheckBackupFile(const QString& path, QString* error, const YieldToEvents& yield) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        SetError(error, QFileInfo(path).isFile() ? file.errorString() : u"no such file: "_s + path);
        return RestoreOutcome::Unreadable;
    }
    file.close();
    // The header is read before SQLite sees the file: a file cut short by a few bytes, or kept
    // in a form this program never writes, can still pass SQLite's own check.
    QString headerWhy;
    switch (CheckFileHeader(path, &headerWhy)) {
    case FileHeaderProblem::None:
    case FileHeaderProblem::NotSqlite: // SQLite's own open and check below say why
        break;
    case FileHeaderProblem::SizeDiffers:
    case FileHeaderProblem::NotUtf8:
        SetError(error, headerWhy);
        return RestoreOutcome::NotABackup;
    case FileHeaderProblem::WriteAheadLog:
        // Restored, it would turn the database into another journal mode; and what was last
        // written to such a file may lie in its log beside it, not in the file.
        SetError(error, headerWhy);
        return RestoreOutcome::WriteAheadLog;
    }
    RawConnection db = OpenRaw(path, SQLITE_OPEN_READONLY, error);
    if (!db) {
        return RestoreOutcome::Unreadable;
    }
    YieldClock clock{&yield, {}};
    clock.since.start();
    sqlite3_progress_handler(db.get(), kStepsPerLook, YieldFromSqlite, &clock);

    // The full check compares every index with its table, which the quick one does not: a
    // backup whose index leads a look-up of one code to another examinee fails here.
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db.get(), "PRAGMA integrity_check", -1, &statement, nullptr);
    QStringList problems;
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            problems.append(
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))));
        }
    }
    const QString engineError = QString::fromUtf8(sqlite3_errmsg(db.get()));
    sqlite3_finalize(statement);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED || rc == SQLITE_IOERR || rc == SQLITE_CANTOPEN) {
        SetError(error, engineError);
        return RestoreOutcome::Unreadable;
    }
    if (rc != SQLITE_DONE) {
        SetError(error, engineError);
        return RestoreOutcome::NotABackup;
    }
    if (problems != QStringList{u"ok"_s}) {
        SetError(error, problems.mid(0, 5).join(u"\r\n"_s));
        return RestoreOutcome::NotABackup;
    }
    sqlite3_progress_handler(db.get(), 0, nullptr, nullptr);

    QString schemaError;
    const QStringList schema = ReadSchema(db.get(), &schemaError);
    if (!schemaError.isEmpty()) {
        SetError(error, schemaError);
        return RestoreOutcome::NotABackup;
    }
    int version = 0;
    if (!ReadSchemaVersion(db.get(), &version, error)) {
        return RestoreOutcome::NotABackup;
    }
    if (version > CurrentSchemaVersion()) {
        SetError(error, u"made by a newer release of the program (schema version %1)"_s.arg(version));
        return RestoreOutcome::ForeignSchema;
    }
    // The schema must be the one its own version had: a file that claims a later version
    // than its tables would skip the upgrade steps that add the missing ones.
    const std::vector<QStringList>& released = ReleasedSchemas();
    if (version >= 0 && static_cast<std::size_t>(version) < released.size() && released[version] == schema) {
        return RestoreOutcome::Restored;
    }
    const auto other = std::find(released.begin(), released.end(), schema);
    if (other != released.end()) {
        SetError(error,
                 u"the file says schema version %1 but holds the schema of version %2"_s.arg(version).arg(
                     other - released.begin()));
        return RestoreOutcome::NotABackup;
    }
    // With tables but none of the program's the file is another program's database; with some
    // missing it is no sound backup; with them all and more, or one of them changed, it is a
    // backup someone has altered.
    const auto hasTable = [&schema](const QString& name) {
        return std::any_of(schema.begin(), schema.end(), [&name](const QString& line) {
            return line.startsWith(u"table\x1f"_s + name + u'\x1f');
        });
    };
    QStringList absent;
    int required = 0;
    for (const RequiredTable& table : RequiredTables(DatabaseFile::Main)) {
        if (!table.columns.isEmpty()) {
            ++required;
            if (!hasTable(table.name)) {
                absent.append(table.name);
            }
        }
    }
    if (absent.size() == required && !schema.isEmpty()) {
        SetError(error, u"none of this program's tables: "_s + absent.join(u", "_s));
        return RestoreOutcome::OtherDatabase;
    }
    if (!absent.isEmpty()) {
        SetError(error, u"no table "_s + absent.join(u", "_s));
        return RestoreOutcome::NotABackup;
    }
    SetError(error, SchemaDifference(schema));
    return RestoreOutcome::ForeignSchema;
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
    // A backup counts as made only when it could be restored.
    if (CheckBackupFile(target, error, yield) != RestoreOutcome::Restored) {
        return false;
    }
    return true;
}

RestoreOutcome RestoreBackup(const QString& backupPath, const QString& databasePath, QString* error,
                             const YieldToEvents& yield, const RestoreProgress& progress) {
    const RestoreOutcome check = CheckBackupFile(backupPath, error, yield);
    if (check != RestoreOutcome::Restored) {
        return check;
    }
    // The restored file takes about the backup's size on the database's disk, counting the
    // journal of the pages it replaces; without that room nothing is started.
    const qint64 needed =
        QFileInfo(backupPath).size() + QFileInfo(backupPath).size() / 50 + kRestoreSpareBytes;
    const QStorageInfo volume(QFileInfo(databasePath).absolutePath());
    if (volume.isValid() && volume.bytesAvailable() >= 0 && volume.bytesAvailable() < needed) {
        SetError(error, kDiskFullText);
        return RestoreOutcome::DiskFull;
    }
    // The backup is prepared on a copy first (upgraded, its search index made again), so the
    // one page copy below puts in either the old database or the prepared new one, never a mix.
    QTemporaryDir upgradeFolder;
    QString sourcePath = backupPath;
    if (!PreparedCopyOfBackup(backupPath, upgradeFolder, &sourcePath, error, yield)) {
        return RestoreOutcome::NotABackup;
    }
    {
        // A new restore number goes in with the restored pages, in the copy's one commit: a
        // window that loaded its examinee before the restore then writes nothing into it.
        RawConnection prepared = OpenRaw(sourcePath, SQLITE_OPEN_READWRITE, error);
        if (!prepared || !Exec(prepared.get(), "UPDATE RestoreMark SET Number = random()", error)) {
            return RestoreOutcome::NotABackup;
        }
    }
    RawConnection source = OpenRaw(sourcePath, SQLITE_OPEN_READONLY, error);
    if (!source) {
        return RestoreOutcome::Unreadable;
    }
    RawConnection target = OpenRaw(databasePath, SQLITE_OPEN_READWRITE, error);
    if (!target) {
        return RestoreOutcome::WriteFailed;
    }
    YieldClock clock{&yield, {}};
    clock.since.start();
    if (yield) {
        // Wait for another connection's lock in short pieces, with the window's events between
        // them, rather than in one long wait inside SQLite.
        sqlite3_busy_timeout(target.get(), kBusyPauseMs);
    }
    const auto execWaiting = [&](const char* sql) {
        for (int tries = 0;; ++tries) {
            const int rc = sqlite3_exec(target.get(), sql, nullptr, nullptr, nullptr);
            if ((rc != SQLITE_BUSY && rc != SQLITE_LOCKED) || !yield || tries >= kBusyTries) {
                if (rc != SQLITE_OK) {
                    SetError(error, QString::fromUtf8(sqlite3_errmsg(target.get())));
                }
                return rc == SQLITE_OK;
            }
            clock.maybeYield();
            sqlite3_sleep(kBusyPauseMs);
        }
    };
    // The same durability as every other write: the old pages are journalled and flushed
    // before the database is overwritten, so a cut-off restore rolls back on the next open.
    const QByteArray journal = "PRAGMA journal_mode=" + QByteArray(kJournalMode);
    const QByteArray journalLimit = "PRAGMA journal_size_limit=" + QByteArray::number(kJournalSizeLimit);
    if (!execWaiting(journal.constData()) || !execWaiting(journalLimit.constData()) ||
        !execWaiting("PRAGMA synchronous=FULL")) {
        return RestoreOutcome::WriteFailed;
    }
    sqlite3_backup* backup = sqlite3_backup_init(target.get(), "main", source.get(), "main");
    if (!backup) {
        SetError(error, QString::fromUtf8(sqlite3_errmsg(target.get())));
        return RestoreOutcome::WriteFailed;
    }
    // The copy holds one write transaction on the database from its first step to its last,
    // which commits it: old or new, never a mix, however many steps it takes. Without a
    // yield there is nothing to step for, and it goes in one.
    const int pagesPerStep = yield ? kPagesPerRestoreStep : -1;
    int rc = SQLITE_OK;
    int busyTries = 0;
    for (;;) {
        rc = sqlite3_backup_step(backup, pagesPerStep);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            // Another window's connection is reading; its statement ends in a moment.
            if (++busyTries > kBusyTries) {
                break;
            }
            clock.maybeYield();
            sqlite3_sleep(kBusyPauseMs);
            continue;
        }
        if (rc != SQLITE_OK) {
            break;
        }
        if (progress) {
            const int total = sqlite3_backup_pagecount(backup);
            const int left = sqlite3_backup_remaining(backup);
            progress(total > 0 ? static_cast<int>((total - left) * 100LL / total) : 0);
        }
        clock.maybeYield();
    }
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        // A copy that failed part way may leave its journal for the next connection to roll
        // back; do it now, so the file is the old database again before anyone looks.
        target.reset();
        if (RawConnection again = OpenRaw(databasePath, SQLITE_OPEN_READWRITE, nullptr)) {
            Exec(again.get(), "SELECT count(*) FROM sqlite_master", nullptr);
        }
    }
    if (rc == SQLITE_FULL) {
        SetError(error, kDiskFullText);
        return RestoreOutcome::DiskFull;
    }
    if (rc != SQLITE_DONE) {
        SetError(error, QString::fromUtf8(sqlite3_errstr(rc)));
        return RestoreOutcome::WriteFailed;
    }
    if (progress) {
        progress(100);
    }
    return RestoreOutcome::Restored;
}

namespace {

// How long a restore into the server waits for another workstation's write to finish before
// it gives up, changing nothing.
constexpr const char* kServerLockWait = "10s";

// Makes an empty main database file of this release at path: the first release's schema and
// every numbered step after it, without the settings row and question texts the delivered
// file starts with (a backup brings its own).
bool MakeEmptyMainDatabase(const QString& path, QString* error) {
    RawConnection db = OpenRaw(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
    if (!db) {
        return false;
    }
    const QStringList scripts = ReleasedMainSchemaScripts();
    if (scripts.isEmpty()) {
        SetError(error, u"the program's own schema cannot be read"_s);
        return false;
    }
    for (const QString& script : scripts) {
        if (!Exec(db.get(), script.toUtf8().constData(), error)) {
            return false;
        }
    }
    if (!RegisterSqlFunctions(db.get())) {
        SetError(error, QString::fromUtf8(sqlite3_errmsg(db.get())));
        return false;
    }
    const SchemaUpgrade upgrade = UpgradeMainDatabase(db.get());
    if (upgrade.outcome != UpgradeOutcome::Upgraded && upgrade.outcome != UpgradeOutcome::UpToDate) {
        SetError(error, upgrade.error);
        return false;
    }
    return Exec(db.get(), "DELETE FROM QUS; DELETE FROM Theme;", error);
}

// How many rows the tables a copy writes hold, for its progress.
bool CountRows(Database& db, qint64* rows, QString* error) {
    *rows = 0;
    for (const CopiedTable& table : MainDatabaseTables()) {
        QSqlQuery query(db.handle());
        if (!query.exec(u"SELECT count(*) FROM "_s + table.name) || !query.next()) {
            SetError(error, table.name + u": "_s + query.lastError().text());
            return false;
        }
        *rows += query.value(0).toLongLong();
    }
    return true;
}

// Turns a copy's row count into percent for the window.
CopiedRows PercentOf(qint64 total, const RestoreProgress& progress) {
    if (!progress) {
        return {};
    }
    return [total, progress](qint64 rows) {
        progress(total > 0 ? static_cast<int>(std::min<qint64>(rows, total) * 100 / total) : 100);
    };
}

// Why two sides of a copy differ, from the table counts.
QString CountDifference(const QVector<TableCount>& counts) {
    QStringList differing;
    for (const TableCount& count : counts) {
        if (count.source != count.target) {
            differing.append(u"%1 %2/%3"_s.arg(count.table).arg(count.source).arg(count.target));
        }
    }
    return u"the row counts differ: "_s + differing.join(u", "_s);
}

// Both sides of a copy hold the same rows, answers and scores.
bool SameContent(Database& source, Database& target, QString* error) {
    QVector<TableCount> counts;
    QString why;
    if (!CompareRowCounts(source, target, &counts, &why)) {
        SetError(error, why.isEmpty() ? CountDifference(counts) : why);
        return false;
    }
    qint64 examinees = 0;
    if (!CompareAnswersAndScores(source, target, &examinees, &why)) {
        SetError(error, why);
        return false;
    }
    return true;
}

// The server must be at this release's schema: an older one is upgraded when the program
// starts, a newer one has columns this release would lose.
bool ServerAtThisRelease(Database& server, QString* error) {
    int version = -1;
    if (!ReadServerSchemaVersion(server, &version, error)) {
        return false;
    }
    if (version != CurrentSchemaVersion()) {
        SetError(error, u"the server database is at schema version %1, this program at %2"_s.arg(version).arg(
                            CurrentSchemaVersion()));
        return false;
    }
    return true;
}

} // namespace

ServerBackupOutcome MakeServerBackup(const ServerConnection& server, const QString& target, QString* error,
                                     const RestoreProgress& progress) {
    auto remote = Database::openServer(server, error);
    if (!remote) {
        return ServerBackupOutcome::Unreachable;
    }
    // One snapshot for the copy and its check alike: another workstation's commit meanwhile
    // is in neither.
    Transaction reading(*remote);
    if (!reading.active() || !remote->exec(u"SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"_s)) {
        SetError(error, remote->lastError());
        return ServerBackupOutcome::Failed;
    }
    qint64 total = 0;
    if (!ServerAtThisRelease(*remote, error) || !CountRows(*remote, &total, error)) {
        return ServerBackupOutcome::Failed;
    }
    // The file is made and checked in a folder of its own; only then does it go to the target.
    QTemporaryDir scratch;
    const QString file = scratch.filePath(u"backup.mdb"_s);
    if (!scratch.isValid()) {
        SetError(error, u"no temporary folder: "_s + scratch.errorString());
        return ServerBackupOutcome::Failed;
    }
    if (!MakeEmptyMainDatabase(file, error)) {
        return ServerBackupOutcome::Failed;
    }
    {
        auto local = Database::open(file, Database::Mode::ReadWrite, error);
        if (!local) {
            return ServerBackupOutcome::Failed;
        }
        Transaction writing(*local);
        if (!writing.active() || !CopyMainTables(*remote, *local, error, PercentOf(total, progress)) ||
            !writing.commit()) {
            if (error && error->isEmpty()) {
                *error = local->lastError();
            }
            return ServerBackupOutcome::Failed;
        }
        if (!SameContent(*remote, *local, error)) {
            return ServerBackupOutcome::Failed;
        }
    }
    if (CheckBackupFile(file, error) != RestoreOutcome::Restored || !BackupCopy(file, target, error)) {
        return ServerBackupOutcome::Failed;
    }
    return ServerBackupOutcome::Made;
}

RestoreOutcome RestoreBackupToServer(const QString& backupPath, const ServerConnection& server,
                                     QString* error, const RestoreProgress& progress) {
    const RestoreOutcome check = CheckBackupFile(backupPath, error);
    if (check != RestoreOutcome::Restored) {
        return check;
    }
    QTemporaryDir upgradeFolder;
    QString sourcePath = backupPath;
    if (!PreparedCopyOfBackup(backupPath, upgradeFolder, &sourcePath, error, {})) {
        return RestoreOutcome::NotABackup;
    }
    auto source = Database::open(sourcePath, Database::Mode::ReadOnly, error);
    if (!source) {
        return RestoreOutcome::Unreadable;
    }
    Transaction reading(*source);
    qint64 total = 0;
    if (!reading.active() || !CountRows(*source, &total, error)) {
        return RestoreOutcome::Unreadable;
    }
    auto remote = Database::openServer(server, error);
    if (!remote) {
        return RestoreOutcome::ServerUnreachable;
    }
    // Other workstations go on reading the old rows until the commit; their writes wait for it
    // (or this waits for theirs, a little), so none lands in the middle of the restore.
    Transaction transaction(*remote);
    QStringList locked;
    for (const CopiedTable& table : MainDatabaseTables()) {
        locked.append(table.name);
    }
    locked.append(u"ExamineeSearch"_s);
    const auto fail = [&](const QString& why) {
        SetError(error, why.isEmpty() ? remote->lastError() : why);
        return RestoreOutcome::WriteFailed;
    };
    if (!transaction.active() ||
        !remote->exec(u"SET LOCAL lock_timeout = '%1'"_s.arg(QString::fromLatin1(kServerLockWait))) ||
        !remote->exec(u"LOCK TABLE %1 IN EXCLUSIVE MODE"_s.arg(locked.join(u", "_s)))) {
        return fail({});
    }
    QString why;
    if (!ServerAtThisRelease(*remote, &why)) {
        return fail(why);
    }
    // The search index goes with the examinees' rows, by the server's own trigger, and is
    // made again by it as they are copied in.
    for (const QString& table : locked) {
        if (!remote->exec(u"DELETE FROM "_s + table)) {
            return fail(table + u": "_s + remote->lastError());
        }
    }
    if (!CopyMainTables(*source, *remote, &why, PercentOf(total, progress)) ||
        !SameContent(*source, *remote, &why) ||
        !remote->exec(u"UPDATE RestoreMark SET Number = Number + 1"_s)) {
        return fail(why);
    }
    if (!transaction.commit()) {
        return fail({});
    }
    return RestoreOutcome::Restored;
}

} // namespace morvalen
