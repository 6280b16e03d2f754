#pragma once

#include "store/Database.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace morvalen {

// What is wrong with a database file, if anything.
enum class DatabaseProblem {
    None,
    Missing,     // no such file
    NotDatabase, // not an SQLite file, damaged, or without the tables and columns the program needs
    Locked,      // in use by another program, or the file or folder cannot be written
};

struct DatabaseCheck {
    DatabaseProblem problem = DatabaseProblem::None;
    QString detail; // the engine's own words, for the message
    bool ok() const { return problem == DatabaseProblem::None; }
};

// Whether the file must also take writes: the program's own files must, a backup to be read need not.
enum class DatabaseCheckAccess { AsUsed, ReadOnly };

// Checks that the file is a sound database of the given kind: it opens, passes SQLite's
// integrity check, holds every table and column the program reads, and (unless it is read
// only) can be written. Nothing in the file is changed.
DatabaseCheck CheckDatabaseFile(const QString& path, DatabaseFile kind,
                                DatabaseCheckAccess access = DatabaseCheckAccess::AsUsed);

// What the 100-byte header of an SQLite file says is wrong with it, read without SQLite.
enum class FileHeaderProblem {
    None,
    NotSqlite,     // too short for a header, or no SQLite header at all
    SizeDiffers,   // the file is not as long as the header's page count times its page size
    WriteAheadLog, // kept with a write-ahead log rather than a rollback journal
    NotUtf8,       // its text is kept in UTF-16
};
// Why, in English, for the message's detail, in why.
FileHeaderProblem CheckFileHeader(const QString& path, QString* why = nullptr);

// The first problem among the three databases of the program folder, as a Persian message
// for the user; empty when all three are sound.
QString CheckProgramDatabases(const QString& programFolder);

// The columns the program needs in each table of a database file.
struct RequiredTable {
    QString name;
    QStringList columns;
};
QVector<RequiredTable> RequiredTables(DatabaseFile kind);

} // namespace morvalen
