#pragma once

#include <QString>

#include <functional>

namespace morvalen {

// Called now and then during a long copy so the window stays responsive.
using YieldToEvents = std::function<void()>;

// The size of the copy's unit; a copy moves whole runs of these at a time.
inline constexpr qint64 kBackupChunk = 4048;

// Copies source to destination byte for byte. The bytes go to a temporary file beside the
// destination, which is flushed to disk and then renamed over it, so the destination is
// either the old file or the complete copy, never a part; a longer old file leaves no tail.
bool BackupCopy(const QString& source, const QString& destination, QString* error,
                const YieldToEvents& yield = {});

// Makes a backup of the main database. The copy is taken while the database is held at
// rest (no write can commit meanwhile), and it is checked to be a sound database before
// the backup counts as made.
bool MakeBackup(const QString& databasePath, const QString& target, QString* error,
                const YieldToEvents& yield = {});

enum class RestoreOutcome {
    Restored,
    NotABackup,  // the file is no sound database of this program; nothing was changed
    Unreadable,  // the file is missing or cannot be read; nothing was changed
    WriteFailed, // the database could not be written (held by another program); nothing was changed
};

// Puts the backup's content in place of the main database. The backup is checked first;
// the new content then goes in through SQLite as one transaction, so a restore cut short
// (even by a crash) leaves the old database intact, and the windows' open connections stay
// usable and see the restored data on their next read.
RestoreOutcome RestoreBackup(const QString& backupPath, const QString& databasePath, QString* error);

} // namespace morvalen
