#pragma once

#include <QString>

struct sqlite3;

namespace morvalen {

class Database;

// The schema version of the main database this program makes and reads, kept in the
// file's user_version. The first release's files carry 0.
int CurrentSchemaVersion();

// Adds the program's own SQL functions to a connection. The search index's triggers call
// morvalen_search_text, so every connection that writes examinees needs it.
bool RegisterSqlFunctions(sqlite3* db);

// Whether the main database's search index agrees with itself (FTS5's own check of its
// blobs) and with IDE, examinee by examinee; why not in why. The check writes nothing, but
// needs a connection that may write and has the program's SQL functions.
bool SearchIndexSound(sqlite3* db, QString* why = nullptr);

// Makes the search index of the main database file at path again from IDE, in one
// transaction; an index too damaged to open is taken out first. The index is derived data:
// nothing anyone typed is in it. No other connection may be writing meanwhile.
bool RebuildSearchIndex(const QString& path, QString* error = nullptr);

// The SQLite connection behind a Qt connection, or null.
sqlite3* SqliteHandle(Database& db);

enum class UpgradeOutcome {
    UpToDate, // already at the current version; nothing was changed
    Upgraded,
    TooNew, // made by a newer release of the program; nothing was changed
    Failed, // a step failed and was rolled back; the file keeps the version it reached
};

struct SchemaUpgrade {
    UpgradeOutcome outcome = UpgradeOutcome::Failed;
    int fromVersion = 0;
    QString error;
};

// Brings a main database up to the current version by the numbered steps, each step in one
// transaction. Called inside an open transaction, the steps become part of it instead
// (a restore then puts in either the old content or the upgraded one, never a mix).
// The connection must have the program's SQL functions.
SchemaUpgrade UpgradeMainDatabase(sqlite3* db);
SchemaUpgrade UpgradeMainDatabase(Database& db);
// The same, up to the given version only: how each released version's schema is rebuilt.
SchemaUpgrade UpgradeMainDatabase(sqlite3* db, int toVersion);

// A main database's schema version (its user_version); false when it cannot be read.
bool ReadSchemaVersion(sqlite3* db, int* version, QString* error = nullptr);

// Upgrades the program folder's main database at start-up; a Persian message for the user
// when it cannot be used (made by a newer release, or the upgrade failed), else empty.
QString UpgradeProgramDatabase(const QString& programFolder);

} // namespace morvalen
