#pragma once

#include "store/SchemaUpgrade.h"

#include <QString>

namespace morvalen {

class Database;

// The main database's tables on a PostgreSQL server: the same tables, columns and view as the
// local file, at the same schema version, made and upgraded by the same numbered steps (each
// in one transaction). Every value is text as in the file; the row numbers SQLite keeps by
// itself are a "rowid" column here, so the stores' statements read the same on both.

// Whether the schema the server database is used in holds nothing at all yet (no table, view,
// function, type or extension of anybody's), so the program may make its own there.
bool IsEmptyServerDatabase(Database& db, bool* empty, QString* error = nullptr);

// The server database's schema version; false when it cannot be read (no tables, say).
bool ReadServerSchemaVersion(Database& db, int* version, QString* error = nullptr);

// Brings the server database up to the current version. An empty database gets the first
// release's tables first, but only when createIfEmpty says so: a workstation pointed at an
// empty database must be moved there, never start on nothing.
SchemaUpgrade UpgradeServerDatabase(Database& db, bool createIfEmpty = false);

// Makes every table of the current version in an empty server database, inside the caller's
// open transaction (the move to the server makes and fills them in one).
SchemaUpgrade CreateServerTablesInTransaction(Database& db);

} // namespace morvalen
