#include "store/AdministrationStore.h"

#include "core/Scoring.h"

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// The server lock the keeps of every workstation take in turn.
constexpr int kKeepLock = 7264003;

// The first working sheet of a code, as AnswerStore takes it.
const QString kFirstSheet = u"(SELECT rowid FROM Answer1 WHERE Code = ? ORDER BY rowid LIMIT 1)"_s;

const QString kAdministrationColumns = u"id, Code, Number, PersianDate, KeptAt, Tester, Note"_s;
constexpr int kFirstAnswerColumn = 7;

// "1", "2", ... "232", joined by the separator, each column followed by the suffix.
QString AnswerColumns(const QString& separator, const QString& suffix = {}) {
    QString columns;
    for (int item = 1; item <= kItemCount; ++item) {
        if (item > 1) {
            columns += separator;
        }
        columns += u"\"%1\""_s.arg(item) + suffix;
    }
    return columns;
}

QString Text(const QVariant& value) {
    return value.isNull() ? QString() : value.toString();
}

AnswerRow ReadAnswers(PreparedQuery& q, int firstColumn) {
    AnswerRow answers;
    for (int i = 0; i < kItemCount; ++i) {
        answers[i] = Text(q.value(firstColumn + i));
    }
    return answers;
}

Administration ReadAdministration(PreparedQuery& q) {
    Administration a;
    a.id = q.value(0).toLongLong();
    a.code = Text(q.value(1));
    a.number = q.value(2).toInt();
    a.persianDate = Text(q.value(3));
    a.keptAt = Text(q.value(4));
    a.tester = Text(q.value(5));
    a.note = Text(q.value(6));
    a.answers = ReadAnswers(q, kFirstAnswerColumn);
    return a;
}

int AnsweredCount(const AnswerRow& answers) {
    return kItemCount - ScoreAnswers(ToAnswerTexts(answers)).totalUnanswered;
}

// Empty and missing cells both mean unanswered, so they count as the same answer.
bool SameAnswers(const AnswerRow& a, const AnswerRow& b) {
    for (int i = 0; i < kItemCount; ++i) {
        if (a[i] != b[i] && !(a[i].isEmpty() && b[i].isEmpty())) {
            return false;
        }
    }
    return true;
}

QString SelectAdministrations() {
    return u"SELECT "_s + kAdministrationColumns + u", "_s + AnswerColumns(u", "_s) +
           u" FROM Administration "_s;
}

} // namespace

int Administration::answeredCount() const {
    return AnsweredCount(answers);
}

QString Administration::keptTime() const {
    return keptAt.mid(11, 5);
}

AdministrationStore::AdministrationStore(Database& db)
    : m_db(db)
    , m_readSheet(db, u"SELECT "_s + AnswerColumns(u", "_s) + u" FROM Answer1 WHERE rowid = "_s + kFirstSheet)
    // The cells go across in SQL, so each is kept exactly as it was stored, empty or missing.
    , m_insert(db,
               u"INSERT INTO Administration (Code, Number, PersianDate, KeptAt, Tester, Note, "_s +
                   AnswerColumns(u", "_s) +
                   u") SELECT ?, (SELECT coalesce(max(Number), 0) + 1 FROM Administration WHERE Code = ?), "
                   u"?, ?, (SELECT Tester FROM IDE WHERE Code = ? ORDER BY id LIMIT 1), ?, "_s +
                   AnswerColumns(u", "_s) + u" FROM Answer1 WHERE rowid = "_s + kFirstSheet)
    , m_clearSheet(db, u"UPDATE Answer1 SET "_s + AnswerColumns(u", "_s, u" = NULL"_s) +
                           u" WHERE rowid = "_s + kFirstSheet)
    , m_list(db, SelectAdministrations() + u"WHERE Code = ? ORDER BY Number"_s)
    , m_latest(db, SelectAdministrations() + u"WHERE Code = ? ORDER BY Number DESC LIMIT 1"_s)
    , m_find(db, SelectAdministrations() + u"WHERE id = ?"_s)
    , m_delete(db, u"DELETE FROM Administration WHERE id = ?"_s) {}

std::optional<AnswerRow> AdministrationStore::workingSheet(const QString& code) {
    std::optional<AnswerRow> answers;
    if (m_readSheet.run({code}) && m_readSheet.next()) {
        answers = ReadAnswers(m_readSheet, 0);
    }
    m_readSheet.finish();
    return answers;
}

std::optional<Administration> AdministrationStore::latest(const QString& code) {
    std::optional<Administration> found;
    if (m_latest.run({code}) && m_latest.next()) {
        found = ReadAdministration(m_latest);
    }
    m_latest.finish();
    return found;
}

KeepOutcome AdministrationStore::keepInTransaction(const QString& code, const QString& persianDate,
                                                   const QDateTime& keptAt, const QString& note) {
    const std::optional<AnswerRow> sheet = workingSheet(code);
    if (!sheet) {
        return KeepOutcome::NoSheet;
    }
    if (AnsweredCount(*sheet) == 0) {
        return KeepOutcome::NoAnswers;
    }
    const bool ok = m_insert.run({code, code, persianDate, keptAt.toString(u"yyyy-MM-dd HH:mm:ss"_s), code,
                                  note, code}) &&
                    m_insert.query().numRowsAffected() == 1;
    m_insert.finish();
    return ok ? KeepOutcome::Kept : KeepOutcome::Failed;
}

bool AdministrationStore::lockKeeps() {
    // On the clinic's server two workstations may keep the same examinee's sheet at once; the
    // second waits for the first, so each gets its own number.
    return !m_db.isServer() || m_db.exec(u"SELECT pg_advisory_xact_lock(%1)"_s.arg(kKeepLock));
}

KeepOutcome AdministrationStore::keep(const QString& code, const QString& persianDate,
                                      const QDateTime& keptAt, const QString& note) {
    Transaction transaction(m_db);
    if (!transaction.active() || !lockKeeps()) {
        return KeepOutcome::Failed;
    }
    const KeepOutcome outcome = keepInTransaction(code, persianDate, keptAt, note);
    if (outcome == KeepOutcome::Kept && !transaction.commit()) {
        return KeepOutcome::Failed;
    }
    return outcome;
}

KeepOutcome AdministrationStore::startNewSheet(const QString& code, const QString& persianDate,
                                               const QDateTime& keptAt, bool* keptNow) {
    if (keptNow) {
        *keptNow = false;
    }
    Transaction transaction(m_db);
    if (!transaction.active() || !lockKeeps()) {
        return KeepOutcome::Failed;
    }
    const std::optional<AnswerRow> sheet = workingSheet(code);
    if (!sheet) {
        return KeepOutcome::NoSheet;
    }
    if (AnsweredCount(*sheet) == 0) {
        return KeepOutcome::NoAnswers;
    }
    const std::optional<Administration> last = latest(code);
    const bool mustKeep = !last || !SameAnswers(last->answers, *sheet);
    if (mustKeep && keepInTransaction(code, persianDate, keptAt, {}) != KeepOutcome::Kept) {
        return KeepOutcome::Failed;
    }
    const bool cleared = m_clearSheet.run({code}) && m_clearSheet.query().numRowsAffected() == 1;
    m_clearSheet.finish();
    if (!cleared || !transaction.commit()) {
        return KeepOutcome::Failed;
    }
    if (keptNow) {
        *keptNow = mustKeep;
    }
    return KeepOutcome::Kept;
}

bool AdministrationStore::isKeptUnchanged(const QString& code) {
    const std::optional<AnswerRow> sheet = workingSheet(code);
    const std::optional<Administration> last = latest(code);
    return sheet && last && SameAnswers(last->answers, *sheet);
}

QVector<Administration> AdministrationStore::list(const QString& code) {
    QVector<Administration> rows;
    if (m_list.run({code})) {
        while (m_list.next()) {
            rows.append(ReadAdministration(m_list));
        }
    }
    m_list.finish();
    return rows;
}

std::optional<Administration> AdministrationStore::find(qint64 id) {
    std::optional<Administration> found;
    if (m_find.run({id}) && m_find.next()) {
        found = ReadAdministration(m_find);
    }
    m_find.finish();
    return found;
}

bool AdministrationStore::remove(qint64 id) {
    const bool ok = m_delete.run({id}) && m_delete.query().numRowsAffected() > 0;
    m_delete.finish();
    return ok;
}

} // namespace morvalen
