#pragma once

#include "core/SchemaScale.h"
#include "core/Scoring.h"
#include "store/Database.h"
#include "store/Query.h"

#include <QString>

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace morvalen {

// The 232 answer cells of one examinee; index i holds item i + 1 ("" when unanswered).
using AnswerRow = std::array<QString, kItemCount>;

// The answers as the scoring rules take them.
AnswerTexts ToAnswerTexts(const AnswerRow& row);

// The 232 answer columns of a sheet table, quoted and in item order: "\"1\", \"2\", ...".
QString AnswerColumnList();
// Their assignments from bound values, in item order: "\"1\" = ?, \"2\" = ?, ...".
QString AnswerColumnAssignments();
// Adds an empty answer row for the code (its two values: the code, twice) unless there is one.
QString InsertAnswerRowStatement(const Database& db);

// The answer rows (Answer1) of the main database. A code selects the first row with that
// code; items are numbered 1 to 232 and name the columns "1" to "232".
class AnswerStore {
public:
    explicit AnswerStore(Database& db);
    ~AnswerStore();

    // Whether the code has a row; nullopt when it could not be read, which is never "no row".
    std::optional<bool> hasRow(const QString& code);
    // Inserts a row with the code and all cells empty, unless the code has one already: a
    // second row for a code is never made, whatever another connection did meanwhile.
    bool addRow(const QString& code);
    // Adds the row only when the code has none; true when a row exists afterwards. A failed
    // look-up adds nothing and gives false.
    bool ensureRow(const QString& code);
    bool removeRow(const QString& code);

    std::optional<AnswerRow> row(const QString& code);
    // One cell, read by itself; empty text when the code has no row or the item is out of
    // range.
    QString cell(const QString& code, int item);
    // Writes and commits one cell; false when the item is out of range, the code has no row,
    // a restore came since the connection's window loaded its examinee, or the write failed
    // (the stored row is then unchanged). Windows write only the cells their user changed,
    // through this, so what another window or workstation stored meanwhile stays.
    bool setCell(const QString& code, int item, const QString& value);
    // The given cells (item, value) in one commit; all or none.
    bool setCells(const QString& code, const std::vector<std::pair<int, QString>>& cells);
    // Writes all 232 cells in one commit: for making whole rows (tests, copies), never for a
    // window's save.
    bool setRow(const QString& code, const AnswerRow& answers);

private:
    PreparedQuery& cellWriter(int item);
    PreparedQuery& cellReader(int item);

    Database& m_db;
    PreparedQuery m_exists;
    PreparedQuery m_insert;
    PreparedQuery m_delete;
    PreparedQuery m_readRow;
    PreparedQuery m_writeRow;
    // One prepared statement per column, made when the column is first written.
    std::map<int, std::unique_ptr<PreparedQuery>> m_cellWriters;
    std::map<int, std::unique_ptr<PreparedQuery>> m_cellReaders;
};

} // namespace morvalen
