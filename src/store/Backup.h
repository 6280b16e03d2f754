#pragma once

#include "store/CheckedFile.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace morvalen {

struct ServerConnection;

// Called now and then during a long copy or check so the window stays responsive.
using YieldToEvents = std::function<void()>;
// Told how far a restore's copy has come, 0 to 100.
using RestoreProgress = std::function<void(int percent)>;

// The size of the copy's unit; a copy moves whole runs of these at a time.
inline constexpr qint64 kBackupChunk = 4048;

// Why writing a file failed, in the system's words, from errno and Qt's text for it: the full
// disk in plain Persian; otherwise Qt's text, or the system's when Qt has none.
QString WriteFailureReason(int systemError, const QString& qtText);

// Copies source to destination byte for byte. The bytes go to a temporary file beside the
// destination, which is flushed to disk and then renamed over it, so the destination is
// either the old file or the complete copy, never a part; a longer old file leaves no tail.
bool BackupCopy(const QString& source, const QString& destination, QString* error,
                const YieldToEvents& yield = {});

// Makes a backup of the main database. The copy is taken while the database is held at
// rest (no write can commit meanwhile), and it passes the same check a restore makes before
// the backup counts as made.
bool MakeBackup(const QString& databasePath, const QString& target, QString* error,
                const YieldToEvents& yield = {});

enum class RestoreOutcome {
    Restored,
    NotABackup,        // the file is no sound database of this program; nothing was changed
    ForeignSchema,     // a database of this program with tables, indexes, views or triggers added
                       // or changed; nothing was changed
    OtherDatabase,     // a database of another program, without this program's tables; nothing was changed
    WriteAheadLog,     // a database kept with a write-ahead log, which this program never makes; nothing
                       // was changed
    Unreadable,        // the file is missing or cannot be read; nothing was changed
    WriteFailed,       // the database could not be written (held by another program); nothing was changed
    DiskFull,          // no room left for the restore on the database's disk; nothing was changed
    ServerUnreachable, // no connection to the clinic's server; nothing was changed
};

// Checks a file that is to be restored, changing nothing: first its size against its
// header's page count and page size, a rollback-journal file and UTF-8 text; then SQLite's
// full integrity check (every index against its table), and a schema that is exactly the one
// this program creates at the version the file claims. Restored when the file may be restored; otherwise why
// not.
RestoreOutcome CheckBackupFile(const QString& path, QString* error, const YieldToEvents& yield = {});

// The main database's schema as each release creates it: the first entry is what the
// delivered database is made from, each later upgrade step adds the schema it leaves. A
// backup must match one of them exactly.
QStringList ReleasedMainSchemaScripts();

// Puts the backup's content in place of the main database. The backup is checked first;
// the new content then goes in through SQLite as one transaction, so a restore cut short
// (even by a crash) leaves the old database intact, and the windows' open connections stay
// usable and see the restored data on their next read. With yield, the check and the copy
// run in short steps with yield called between them, and progress hears how far the copy is.
RestoreOutcome RestoreBackup(const QString& backupPath, const QString& databasePath, QString* error,
                             const YieldToEvents& yield = {}, const RestoreProgress& progress = {});

// The clinic's server. Its backups are the same files as the local ones, so either kind
// restores into the other. Both open connections of their own, so they may run on a thread
// of their own while the window stays responsive.

enum class ServerBackupOutcome {
    Made,
    Unreachable, // no connection to the server; nothing was written
    Failed,      // nothing was written to the target, or the old file there was kept
};

// Makes a backup of the server's main database: an empty database file of this release is
// filled with every row the server holds, read in one repeatable-read transaction (one
// moment's state, whatever other workstations write meanwhile), and compared with that same
// state row count by row count and examinee by examinee, answers and scores. Only a file that
// passes the check a restore makes then replaces the target, in one step. progress hears how
// far the copy is, 0 to 100.
ServerBackupOutcome MakeServerBackup(const ServerConnection& server, const QString& target, QString* error,
                                     const RestoreProgress& progress = {});

// Puts a backup's content in place of the server's main database. The file goes through every
// check of a local restore (and an older release's file is upgraded on a temporary copy);
// then, in one server transaction that keeps other workstations' writes waiting, the server's
// rows are deleted, the file's rows copied, the counts, answers and scores compared, and only
// then is it committed. A failure anywhere leaves the server as it was.
RestoreOutcome RestoreBackupToServer(const QString& backupPath, const ServerConnection& server,
                                     QString* error, const RestoreProgress& progress = {});

} // namespace morvalen
