#pragma once

#include "store/Database.h"
#include "store/Query.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>
#include <optional>

namespace morvalen {

// One row of IDE. Every value is text, as the windows write it.
struct Examinee {
    qint64 id = 0;            // id, given by the database
    QString fullName;         // FullName
    QString age;              // Alter
    QString gender;           // Geschlecht
    QString maritalStatus;    // Heirat
    QString registrationDate; // Datum1, a Persian date text
    QString education;        // Bildung
    QString phone;            // TelNummer1
    QString tester;           // Tester
    QString code;             // Code
    QString comment;          // comment, the stored interpretation
};

// The examinees of the main database.
class ExamineeStore {
public:
    explicit ExamineeStore(Database& db);

    // Inserts a row with every column but id; returns the new id.
    std::optional<qint64> add(const Examinee& examinee);
    // Adds the examinee and, unless the code already has one, an empty answer row, in one
    // commit: an examinee is never stored without the row the questionnaire writes into.
    std::optional<qint64> addWithAnswerRow(const Examinee& examinee);
    // A new registration from the registry: as addWithAnswerRow, but another workstation or
    // program may have taken the shown code since it was assigned, so the code is checked and,
    // when taken, the next free one is given, inside the registering write transaction (on
    // the server also under a lock the workstations share). examinee.code then holds the code
    // stored.
    std::optional<qint64> registerNew(Examinee& examinee);
    // Writes the editable columns (name to tester) of the row with this id.
    bool change(const Examinee& examinee);
    // Deletes the first row with this code; false when there is none.
    bool removeByCode(const QString& code);
    // Deletes the examinee and then the answer row, the first of each with this code, in one
    // commit, so an examinee never loses its answers while keeping its row or the reverse.
    // The examinee's kept answer sheets and the second typing of the sheet go in the same
    // commit, so a code given again later starts without another's history. False when
    // neither was there.
    bool removeWithAnswerRow(const QString& code);

    QVector<Examinee> findByCode(const QString& code);
    std::optional<Examinee> firstByCode(const QString& code);
    QStringList codesInStorageOrder();
    int count();

    // The code of the examinee stored last, and whether a code is taken; together they give
    // the next code without reading the whole table.
    std::optional<QString> lastCode();
    bool codeInUse(const QString& code);
    QString assignCode();

    QString comment(const QString& code);
    bool setComment(const QString& code, const QString& text);

private:
    std::optional<qint64> addWithAnswerRowIn(Transaction& transaction, const Examinee& examinee);
    Database& m_db;
    PreparedQuery m_insert;
    PreparedQuery m_insertAnswerRow;
    PreparedQuery m_update;
    PreparedQuery m_delete;
    PreparedQuery m_findByCode;
    PreparedQuery m_lastCode;
    PreparedQuery m_codeInUse;
    PreparedQuery m_answerRowExists;
    PreparedQuery m_setComment;
    PreparedQuery m_deleteAnswerRow;
    PreparedQuery m_deleteAdministrations;
    PreparedQuery m_deleteSecondEntry;
};

} // namespace morvalen
