#include "store/AnswerStore.h"

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// The first row of a code: a later duplicate, should one ever appear, is never touched.
const QString kFirstRow = u"(SELECT rowid FROM Answer1 WHERE Code = ? ORDER BY rowid LIMIT 1)"_s;

QString WriteRowStatement() {
    return u"UPDATE Answer1 SET "_s + AnswerColumnAssignments() + u" WHERE rowid = "_s + kFirstRow;
}

bool ValidItem(int item) {
    return item >= 1 && item <= kItemCount;
}

} // namespace

QString AnswerColumnList() {
    QString columns;
    for (int item = 1; item <= kItemCount; ++item) {
        if (item > 1) {
            columns += u", "_s;
        }
        columns += u"\"%1\""_s.arg(item);
    }
    return columns;
}

QString AnswerColumnAssignments() {
    QString sets;
    for (int item = 1; item <= kItemCount; ++item) {
        if (item > 1) {
            sets += u", "_s;
        }
        sets += u"\"%1\" = ?"_s.arg(item);
    }
    return sets;
}

QString InsertAnswerRowStatement(const Database& db) {
    // One statement, so no other connection's insert can come between the look and the
    // insert; on the server the unique index on the code turns a race into no change.
    const QString insert =
        u"INSERT INTO Answer1 (Code) SELECT CAST(? AS text) WHERE NOT EXISTS (SELECT 1 FROM Answer1 WHERE Code = ?)"_s;
    return db.isServer() ? insert + u" ON CONFLICT DO NOTHING"_s : insert;
}

AnswerTexts ToAnswerTexts(const AnswerRow& row) {
    AnswerTexts texts;
    for (std::size_t i = 0; i < row.size(); ++i) {
        texts[i] = row[i].toStdString();
    }
    return texts;
}

AnswerStore::AnswerStore(Database& db)
    : m_db(db)
    , m_exists(db, u"SELECT 1 FROM Answer1 WHERE Code = ? LIMIT 1"_s)
    , m_insert(db, InsertAnswerRowStatement(db))
    , m_delete(db, u"DELETE FROM Answer1 WHERE rowid = "_s + kFirstRow)
    , m_readRow(db, u"SELECT "_s + AnswerColumnList() + u" FROM Answer1 WHERE rowid = "_s + kFirstRow)
    , m_writeRow(db, WriteRowStatement()) {}

AnswerStore::~AnswerStore() = default;

std::optional<bool> AnswerStore::hasRow(const QString& code) {
    if (!m_exists.run({code})) {
        return std::nullopt;
    }
    const bool found = m_exists.next();
    m_exists.finish();
    return found;
}

bool AnswerStore::addRow(const QString& code) {
    const bool ok = m_insert.run({code, code});
    m_insert.finish();
    return ok;
}

bool AnswerStore::ensureRow(const QString& code) {
    const std::optional<bool> found = hasRow(code);
    return found && (*found || addRow(code));
}

bool AnswerStore::removeRow(const QString& code) {
    const bool ok = m_delete.run({code}) && m_delete.query().numRowsAffected() > 0;
    m_delete.finish();
    return ok;
}

std::optional<AnswerRow> AnswerStore::row(const QString& code) {
    std::optional<AnswerRow> answers;
    if (m_readRow.run({code}) && m_readRow.next()) {
        answers.emplace();
        for (int i = 0; i < kItemCount; ++i) {
            const QVariant value = m_readRow.value(i);
            (*answers)[i] = value.isNull() ? QString() : value.toString();
        }
    }
    m_readRow.finish();
    return answers;
}

QString AnswerStore::cell(const QString& code, int item) {
    if (!ValidItem(item)) {
        return {};
    }
    PreparedQuery& reader = cellReader(item);
    QString value;
    if (reader.run({code}) && reader.next()) {
        const QVariant v = reader.value(0);
        value = v.isNull() ? QString() : v.toString();
    }
    reader.finish();
    return value;
}

PreparedQuery& AnswerStore::cellReader(int item) {
    auto& reader = m_cellReaders[item];
    if (!reader) {
        reader = std::make_unique<PreparedQuery>(
            m_db, u"SELECT \"%1\" FROM Answer1 WHERE rowid = "_s.arg(item) + kFirstRow);
    }
    return *reader;
}

PreparedQuery& AnswerStore::cellWriter(int item) {
    auto& writer = m_cellWriters[item];
    if (!writer) {
        // The item is a checked number, so only digits reach the statement text.
        writer = std::make_unique<PreparedQuery>(m_db,
                                                 u"UPDATE Answer1 SET \"%1\" = ? WHERE rowid = "_s.arg(item) +
                                                     kFirstRow + kRestoreMarkGuard);
    }
    return *writer;
}

bool AnswerStore::setCell(const QString& code, int item, const QString& value) {
    if (!ValidItem(item)) {
        return false;
    }
    PreparedQuery& writer = cellWriter(item);
    const bool ran = writer.run({value, code, m_db.heldRestoreMark()});
    const bool ok = ran && writer.query().numRowsAffected() > 0;
    writer.finish();
    if (ran && !ok) {
        m_db.restoredSinceHeld(); // says so in the last error when a restore is why
    }
    return ok;
}

bool AnswerStore::setCells(const QString& code, const std::vector<std::pair<int, QString>>& cells) {
    Transaction transaction(m_db, Transaction::Kind::Write);
    if (!transaction.active()) {
        return false;
    }
    for (const auto& [item, value] : cells) {
        if (!setCell(code, item, value)) {
            return false;
        }
    }
    return transaction.commit();
}

bool AnswerStore::setRow(const QString& code, const AnswerRow& answers) {
    QVariantList values;
    values.reserve(kItemCount + 1);
    for (const QString& answer : answers) {
        values.append(answer);
    }
    values.append(code);
    const bool ok = m_writeRow.run(values) && m_writeRow.query().numRowsAffected() > 0;
    m_writeRow.finish();
    return ok;
}

} // namespace morvalen
