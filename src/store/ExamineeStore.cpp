#include "store/ExamineeStore.h"

#include "core/ExamineeCode.h"
#include "store/AnswerStore.h"

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// The server lock the registrations of every workstation take in turn.
constexpr int kRegistrationLock = 7264002;

const QString kSelectColumns =
    u"SELECT id, FullName, \"Alter\", Geschlecht, Heirat, Datum1, Bildung, TelNummer1, Tester, Code, "
    u"comment FROM IDE "_s;

QString Text(const QVariant& value) {
    return value.isNull() ? QString() : value.toString();
}

Examinee ReadExaminee(PreparedQuery& q) {
    Examinee e;
    e.id = q.value(0).toLongLong();
    e.fullName = Text(q.value(1));
    e.age = Text(q.value(2));
    e.gender = Text(q.value(3));
    e.maritalStatus = Text(q.value(4));
    e.registrationDate = Text(q.value(5));
    e.education = Text(q.value(6));
    e.phone = Text(q.value(7));
    e.tester = Text(q.value(8));
    e.code = Text(q.value(9));
    e.comment = Text(q.value(10));
    return e;
}

} // namespace

ExamineeStore::ExamineeStore(Database& db)
    : m_db(db)
    , m_insert(db, u"INSERT INTO IDE (FullName, \"Alter\", Geschlecht, Heirat, Datum1, Bildung, TelNummer1, "
                   u"Tester, Code, comment) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s)
    , m_insertAnswerRow(db, InsertAnswerRowStatement(db))
    , m_update(db, u"UPDATE IDE SET FullName = ?, \"Alter\" = ?, Geschlecht = ?, Heirat = ?, Datum1 = ?, "
                   u"Bildung = ?, TelNummer1 = ?, Tester = ? WHERE id = ?"_s)
    , m_delete(db, u"DELETE FROM IDE WHERE id = (SELECT id FROM IDE WHERE Code = ? ORDER BY id LIMIT 1)"_s)
    , m_findByCode(db, kSelectColumns + u"WHERE Code = ? ORDER BY id"_s)
    , m_lastCode(db, u"SELECT Code FROM IDE ORDER BY id DESC LIMIT 1"_s)
    , m_codeInUse(db, u"SELECT 1 FROM IDE WHERE Code = ? LIMIT 1"_s)
    , m_answerRowExists(db, u"SELECT 1 FROM Answer1 WHERE Code = ? LIMIT 1"_s)
    , m_setComment(db, u"UPDATE IDE SET comment = ? WHERE id = (SELECT id FROM IDE WHERE Code = ? ORDER "
                       u"BY id LIMIT 1)"_s)
    , m_deleteAnswerRow(db, u"DELETE FROM Answer1 WHERE rowid = (SELECT rowid FROM Answer1 WHERE Code = ? "
                            u"ORDER BY rowid LIMIT 1)"_s)
    , m_deleteAdministrations(db, u"DELETE FROM Administration WHERE Code = ?"_s)
    , m_deleteSecondEntry(db, u"DELETE FROM SecondEntry WHERE Code = ?"_s) {}

std::optional<qint64> ExamineeStore::add(const Examinee& e) {
    if (!m_insert.run({e.fullName, e.age, e.gender, e.maritalStatus, e.registrationDate, e.education, e.phone,
                       e.tester, e.code, e.comment})) {
        return std::nullopt;
    }
    const QVariant id = m_insert.query().lastInsertId();
    m_insert.finish();
    return id.isValid() ? std::optional<qint64>(id.toLongLong()) : std::nullopt;
}

std::optional<qint64> ExamineeStore::addWithAnswerRow(const Examinee& e) {
    Transaction transaction(m_db);
    if (!transaction.active()) {
        return std::nullopt;
    }
    return addWithAnswerRowIn(transaction, e);
}

std::optional<qint64> ExamineeStore::registerNew(Examinee& e) {
    // On the local file the write lock comes first, so another program on the same file
    // cannot take the code between the check below and the insert.
    Transaction transaction(m_db, Transaction::Kind::Write);
    if (!transaction.active()) {
        return std::nullopt;
    }
    // On the server: the workstations' registrations in turn, and then the lock a restore
    // holds, so the code is checked against the rows as they are after a restore that was
    // under way, never against the rows it replaced.
    if (m_db.isServer() && (!m_db.exec(u"SELECT pg_advisory_xact_lock(%1)"_s.arg(kRegistrationLock)) ||
                            !m_db.exec(u"LOCK TABLE IDE, Answer1 IN ROW EXCLUSIVE MODE"_s))) {
        return std::nullopt;
    }
    // The shown code was worked out before: taken since, the next free one is given.
    if (codeInUse(e.code)) {
        e.code = assignCode();
    }
    return addWithAnswerRowIn(transaction, e);
}

std::optional<qint64> ExamineeStore::addWithAnswerRowIn(Transaction& transaction, const Examinee& e) {
    const std::optional<qint64> id = add(e);
    if (!id || !m_answerRowExists.run({e.code})) {
        return std::nullopt;
    }
    const bool hasRow = m_answerRowExists.next();
    m_answerRowExists.finish();
    if (!hasRow && !m_insertAnswerRow.run({e.code, e.code})) {
        return std::nullopt;
    }
    m_insertAnswerRow.finish();
    if (!transaction.commit()) {
        return std::nullopt;
    }
    return id;
}

bool ExamineeStore::change(const Examinee& e) {
    const bool ok = m_update.run({e.fullName, e.age, e.gender, e.maritalStatus, e.registrationDate,
                                  e.education, e.phone, e.tester, e.id}) &&
                    m_update.query().numRowsAffected() > 0;
    m_update.finish();
    return ok;
}

bool ExamineeStore::removeByCode(const QString& code) {
    const bool ok = m_delete.run({code}) && m_delete.query().numRowsAffected() > 0;
    m_delete.finish();
    return ok;
}

bool ExamineeStore::removeWithAnswerRow(const QString& code) {
    Transaction transaction(m_db);
    if (!transaction.active() || !m_delete.run({code})) {
        return false;
    }
    const int examinees = m_delete.query().numRowsAffected();
    m_delete.finish();
    if (!m_deleteAnswerRow.run({code})) {
        return false;
    }
    const int answers = m_deleteAnswerRow.query().numRowsAffected();
    m_deleteAnswerRow.finish();
    if (!m_deleteAdministrations.run({code})) {
        return false;
    }
    m_deleteAdministrations.finish();
    if (!m_deleteSecondEntry.run({code})) {
        return false;
    }
    m_deleteSecondEntry.finish();
    return transaction.commit() && examinees + answers > 0;
}

QVector<Examinee> ExamineeStore::findByCode(const QString& code) {
    QVector<Examinee> rows;
    if (m_findByCode.run({code})) {
        while (m_findByCode.next()) {
            rows.append(ReadExaminee(m_findByCode));
        }
    }
    m_findByCode.finish();
    return rows;
}

std::optional<Examinee> ExamineeStore::firstByCode(const QString& code) {
    std::optional<Examinee> row;
    if (m_findByCode.run({code}) && m_findByCode.next()) {
        row = ReadExaminee(m_findByCode);
    }
    m_findByCode.finish();
    return row;
}

QStringList ExamineeStore::codesInStorageOrder() {
    QStringList codes;
    QSqlQuery query(m_db.handle());
    query.setForwardOnly(true);
    if (query.exec(u"SELECT Code FROM IDE ORDER BY id"_s)) {
        while (query.next()) {
            codes.append(Text(query.value(0)));
        }
    }
    return codes;
}

int ExamineeStore::count() {
    QSqlQuery query(m_db.handle());
    return query.exec(u"SELECT count(*) FROM IDE"_s) && query.next() ? query.value(0).toInt() : 0;
}

std::optional<QString> ExamineeStore::lastCode() {
    std::optional<QString> code;
    if (m_lastCode.run({}) && m_lastCode.next()) {
        code = Text(m_lastCode.value(0));
    }
    m_lastCode.finish();
    return code;
}

bool ExamineeStore::codeInUse(const QString& code) {
    const bool used = m_codeInUse.run({code}) && m_codeInUse.next();
    m_codeInUse.finish();
    return used;
}

QString ExamineeStore::assignCode() {
    std::optional<std::string> last;
    if (const auto code = lastCode()) {
        last = code->toStdString();
    }
    const std::string next = AssignExamineeCode(
        last, [this](const std::string& candidate) { return codeInUse(QString::fromStdString(candidate)); });
    return QString::fromStdString(next);
}

QString ExamineeStore::comment(const QString& code) {
    const auto row = firstByCode(code);
    return row ? row->comment : QString();
}

bool ExamineeStore::setComment(const QString& code, const QString& text) {
    const bool ok = m_setComment.run({text, code}) && m_setComment.query().numRowsAffected() > 0;
    m_setComment.finish();
    return ok;
}

} // namespace morvalen
