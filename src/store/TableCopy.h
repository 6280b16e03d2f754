#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

namespace morvalen {

class Database;

// A table of the main database and its columns as both the local file and the server spell
// them in a statement; a copy reads and writes exactly these.
struct CopiedTable {
    QString name;
    QString columns;
    QString order;    // the column the rows are copied and compared in the order of
    QString identity; // the server's generated row number, set past the copied ones; or empty
};

// Every table that holds the clinic's data, in the order a copy writes them (IDE before
// the others; the search index is made by the target's own triggers).
const QVector<CopiedTable>& MainDatabaseTables();

struct TableCount {
    QString table;
    qint64 source = 0;
    qint64 target = 0;
};

// Told how many rows a copy has written so far, now and then and once at its end.
using CopiedRows = std::function<void(qint64 rows)>;

// Copies every row of the tables from one main database to the other, inside the caller's
// open transaction on the target (the source is read as it is). The target's tables must be
// empty. On the server the generated row numbers go past the copied ones afterwards.
bool CopyMainTables(Database& source, Database& target, QString* error, const CopiedRows& copied = {});

// The row count of each table on both sides, and whether every count agrees.
bool CompareRowCounts(Database& source, Database& target, QVector<TableCount>* counts, QString* error);

// Whether every answer row holds the same texts on both sides, in the same order, and so
// scores the same; *examinees is how many rows were compared.
bool CompareAnswersAndScores(Database& source, Database& target, qint64* examinees, QString* error);

} // namespace morvalen
