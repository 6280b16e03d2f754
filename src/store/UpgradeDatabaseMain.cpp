// Upgrades one main database file to the current schema version, in place.
// Usage: morvalen_upgrade_database <file>
#include "store/SchemaUpgrade.h"

#include <sqlite3.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: morvalen_upgrade_database <file>\n");
        return 2;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", argv[1], db ? sqlite3_errmsg(db) : "cannot open");
        sqlite3_close_v2(db);
        return 1;
    }
    morvalen::RegisterSqlFunctions(db);
    const morvalen::SchemaUpgrade upgrade = morvalen::UpgradeMainDatabase(db);
    sqlite3_close_v2(db);
    if (upgrade.outcome != morvalen::UpgradeOutcome::Upgraded &&
        upgrade.outcome != morvalen::UpgradeOutcome::UpToDate) {
        std::fprintf(stderr, "%s: not upgraded: %s\n", argv[1], upgrade.error.toUtf8().constData());
        return 1;
    }
    return 0;
}
