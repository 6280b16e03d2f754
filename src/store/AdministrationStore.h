#pragma once

#include "store/AnswerStore.h"
#include "store/Database.h"
#include "store/Query.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <optional>

namespace morvalen {

// One kept answer sheet: a row of Administration.
struct Administration {
    qint64 id = 0;
    QString code;
    int number = 0;      // 1, 2, ... per examinee, in the order they were kept
    QString persianDate; // the Persian date it was kept, "1403/09/20"
    QString keptAt;      // the local date and time it was kept, "2024-12-10 14:35:00"
    QString tester;      // the examinee's tester at that moment
    QString note;
    AnswerRow answers;

    // The items with an answer, by the scoring's own rule.
    int answeredCount() const;
    // "14:35", from keptAt.
    QString keptTime() const;
};

enum class KeepOutcome {
    Kept,
    NoAnswers, // the working sheet has not one answer; nothing was kept
    NoSheet,   // the examinee has no working sheet; nothing was kept
    Failed,    // the write failed; nothing was changed
};

// The kept answer sheets of the main database. The working sheet stays the examinee's
// Answer1 row; keeping copies it into a new row here, and rows are only ever added or
// deleted one by one.
class AdministrationStore {
public:
    explicit AdministrationStore(Database& db);

    // Keeps the examinee's working sheet (the first Answer1 row of the code), cell for cell,
    // as the next administration of the examinee, with the tester's name from IDE.
    KeepOutcome keep(const QString& code, const QString& persianDate, const QDateTime& keptAt,
                     const QString& note = {});
    // A new sheet: keeps the working sheet unless the latest administration already holds
    // exactly its answers, then empties it, in one commit, so the answers are never lost
    // between the two. Kept when the sheet is kept (now or before) and emptied; *keptNow says
    // whether a row was added.
    KeepOutcome startNewSheet(const QString& code, const QString& persianDate, const QDateTime& keptAt,
                              bool* keptNow = nullptr);
    // Whether the latest administration holds exactly the answers of the working sheet.
    bool isKeptUnchanged(const QString& code);

    // The examinee's administrations in the order they were kept.
    QVector<Administration> list(const QString& code);
    std::optional<Administration> find(qint64 id);
    // Deletes one administration; false when there was none with this id.
    bool remove(qint64 id);

private:
    // Inside an open transaction: on the server, the keeps of all workstations one at a time.
    bool lockKeeps();
    // Inside an open transaction.
    KeepOutcome keepInTransaction(const QString& code, const QString& persianDate, const QDateTime& keptAt,
                                  const QString& note);
    std::optional<AnswerRow> workingSheet(const QString& code);
    std::optional<Administration> latest(const QString& code);

    Database& m_db;
    PreparedQuery m_readSheet;
    PreparedQuery m_insert;
    PreparedQuery m_clearSheet;
    PreparedQuery m_list;
    PreparedQuery m_latest;
    PreparedQuery m_find;
    PreparedQuery m_delete;
};

} // namespace morvalen
