#include "store/SecondEntryStore.h"

#include <QSqlError>
#include <QSqlQuery>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

QString Text(const QVariant& value) {
    return value.isNull() ? QString() : value.toString();
}

} // namespace

SecondEntryStore::SecondEntryStore(Database& db)
    : m_db(db)
    , m_answers(db)
    , m_insert(
          db,
          u"INSERT INTO SecondEntry (Code, EntryDate, EntryTime) VALUES (?, ?, ?) ON CONFLICT DO NOTHING"_s)
    , m_state(db, u"SELECT EntryDate, EntryTime, Compared, Differences, ComparedDate, SettledDate, "
                  u"SettledTime FROM SecondEntry WHERE Code = ?"_s)
    , m_readRow(db, u"SELECT "_s + AnswerColumnList() + u" FROM SecondEntry WHERE Code = ?"_s)
    , m_recordComparison(db, u"UPDATE SecondEntry SET Compared = ?, Differences = ?, ComparedDate = ? "
                             u"WHERE Code = ? AND Compared IS NULL"_s)
    , m_recordSettled(db, u"UPDATE SecondEntry SET SettledDate = ?, SettledTime = ? WHERE Code = ?"_s)
    , m_delete(db, u"DELETE FROM SecondEntry WHERE Code = ?"_s) {}

SecondEntryStore::~SecondEntryStore() = default;

bool SecondEntryStore::start(const QString& code, const QString& date, const QString& time) {
    const bool ok = m_insert.run({code, date, time});
    m_insert.finish();
    return ok && state(code).has_value();
}

std::optional<SecondEntryState> SecondEntryStore::state(const QString& code) {
    std::optional<SecondEntryState> found;
    if (m_state.run({code}) && m_state.next()) {
        SecondEntryState s;
        s.entryDate = Text(m_state.value(0));
        s.entryTime = Text(m_state.value(1));
        s.compared = !m_state.value(2).isNull();
        s.comparedItems = m_state.value(2).toInt();
        s.differences = m_state.value(3).toInt();
        s.comparedDate = Text(m_state.value(4));
        s.settledDate = Text(m_state.value(5));
        s.settledTime = Text(m_state.value(6));
        found = s;
    }
    m_state.finish();
    return found;
}

std::optional<AnswerRow> SecondEntryStore::row(const QString& code) {
    std::optional<AnswerRow> cells;
    if (m_readRow.run({code}) && m_readRow.next()) {
        cells.emplace();
        for (int i = 0; i < kItemCount; ++i) {
            (*cells)[i] = Text(m_readRow.value(i));
        }
    }
    m_readRow.finish();
    return cells;
}

PreparedQuery& SecondEntryStore::cellWriter(int item) {
    auto& writer = m_cellWriters[item];
    if (!writer) {
        // The item is a checked number, so only digits reach the statement text.
        writer = std::make_unique<PreparedQuery>(
            m_db, u"UPDATE SecondEntry SET \"%1\" = ? WHERE Code = ?"_s.arg(item) + kRestoreMarkGuard);
    }
    return *writer;
}

bool SecondEntryStore::setCell(const QString& code, int item, const QString& value) {
    if (item < 1 || item > kItemCount) {
        return false;
    }
    PreparedQuery& writer = cellWriter(item);
    const bool ran = writer.run({value, code, m_db.heldRestoreMark()});
    const bool ok = ran && writer.query().numRowsAffected() > 0;
    writer.finish();
    if (ran && !ok) {
        m_db.restoredSinceHeld();
    }
    return ok;
}

bool SecondEntryStore::recordComparison(const QString& code, int compared, int differences,
                                        const QString& date) {
    const bool ok = m_recordComparison.run({compared, differences, date, code});
    m_recordComparison.finish();
    return ok;
}

bool SecondEntryStore::settle(const QString& code, int item, const QString& value) {
    Transaction transaction(m_db, Transaction::Kind::Write);
    return transaction.active() && m_answers.setCell(code, item, value) && setCell(code, item, value) &&
           transaction.commit();
}

bool SecondEntryStore::recordSettled(const QString& code, const QString& date, const QString& time) {
    const bool ok = m_recordSettled.run({date, time, code}) && m_recordSettled.query().numRowsAffected() > 0;
    m_recordSettled.finish();
    return ok;
}

bool SecondEntryStore::remove(const QString& code) {
    const bool ok = m_delete.run({code});
    m_delete.finish();
    return ok;
}

Verification SecondEntryStore::verification(const QString& code) {
    const std::optional<SecondEntryState> s = state(code);
    if (!s) {
        return Verification::SingleEntry;
    }
    const AnswerRow second = row(code).value_or(AnswerRow{});
    const AnswerRow first = m_answers.row(code).value_or(AnswerRow{});
    return VerificationOf(true, s->compared, ToAnswerTexts(first), ToAnswerTexts(second));
}

std::optional<std::map<QString, SecondEntryCells>> SecondEntryStore::all() {
    QSqlQuery query(m_db.handle());
    query.setForwardOnly(true);
    if (!query.exec(u"SELECT Code, Compared IS NOT NULL, "_s + AnswerColumnList() + u" FROM SecondEntry"_s)) {
        m_db.setLastError(query.lastError().text());
        return std::nullopt;
    }
    std::map<QString, SecondEntryCells> entries;
    while (query.next()) {
        SecondEntryCells& entry = entries[Text(query.value(0))];
        entry.compared = query.value(1).toBool();
        for (int i = 0; i < kItemCount; ++i) {
            entry.cells[i] = Text(query.value(2 + i));
        }
    }
    return entries;
}

} // namespace morvalen
