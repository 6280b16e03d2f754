#pragma once

#include "core/DoubleEntry.h"
#include "store/AnswerStore.h"
#include "store/Database.h"
#include "store/Query.h"

#include <QString>

#include <map>
#include <memory>
#include <optional>

namespace morvalen {

// What is kept of an examinee's second typing besides its cells.
struct SecondEntryState {
    QString entryDate; // when the second typing began, a Persian date text
    QString entryTime; // "HH:mm"
    bool compared = false;
    int comparedItems = 0; // the figures of the first comparison
    int differences = 0;
    QString comparedDate;
    QString settledDate; // when the last difference was settled; empty until then
    QString settledTime;
};

// A second typing as the exports need it: the cells and whether it has been compared.
struct SecondEntryCells {
    AnswerRow cells;
    bool compared = false;
};

// The second typings of paper sheets (SecondEntry), one row per examinee code, kept apart from
// the answer rows until every difference has been settled against the paper.
class SecondEntryStore {
public:
    explicit SecondEntryStore(Database& db);
    ~SecondEntryStore();

    // Makes the examinee's row with every cell empty, unless there is one; true when a row
    // exists afterwards.
    bool start(const QString& code, const QString& date, const QString& time);
    std::optional<SecondEntryState> state(const QString& code);
    std::optional<AnswerRow> row(const QString& code);
    // Writes and commits one cell, as the answer rows do (and, as they do, nothing once a
    // restore came since the window loaded its examinee).
    bool setCell(const QString& code, int item, const QString& value);
    // Keeps the figures of the first comparison; a later comparison leaves them as they are.
    bool recordComparison(const QString& code, int compared, int differences, const QString& date);
    // The value on the paper goes into the answer row and the second typing in one commit, so
    // both agree on the item from then on.
    bool settle(const QString& code, int item, const QString& value);
    bool recordSettled(const QString& code, const QString& date, const QString& time);
    bool remove(const QString& code);

    // Where the examinee's sheet stands, from both typings as stored.
    Verification verification(const QString& code);
    // Every second typing by code; nullopt when they cannot be read.
    std::optional<std::map<QString, SecondEntryCells>> all();

private:
    PreparedQuery& cellWriter(int item);

    Database& m_db;
    AnswerStore m_answers;
    PreparedQuery m_insert;
    PreparedQuery m_state;
    PreparedQuery m_readRow;
    PreparedQuery m_recordComparison;
    PreparedQuery m_recordSettled;
    PreparedQuery m_delete;
    std::map<int, std::unique_ptr<PreparedQuery>> m_cellWriters;
};

} // namespace morvalen
