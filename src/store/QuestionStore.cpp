#include "store/QuestionStore.h"

#include "core/SchemaScale.h"

#include <QSqlQuery>

namespace morvalen {

using namespace Qt::StringLiterals;

QuestionStore::QuestionStore(Database& db)
    : m_db(db)
    , m_read(db, u"SELECT QU FROM QUS WHERE code = ? ORDER BY rowid LIMIT 1"_s)
    , m_write(db, u"UPDATE QUS SET QU = ? WHERE rowid = (SELECT rowid FROM QUS WHERE code = ? ORDER BY rowid "
                  u"LIMIT 1)"_s) {}

QString QuestionStore::text(int item) {
    QString result;
    if (m_read.run({QString::number(item)}) && m_read.next()) {
        result = m_read.value(0).toString();
    }
    m_read.finish();
    return result;
}

bool QuestionStore::setText(int item, const QString& text) {
    const bool ok = m_write.run({text, QString::number(item)}) && m_write.query().numRowsAffected() > 0;
    m_write.finish();
    return ok;
}

bool QuestionStore::setAll(const QStringList& texts) {
    if (texts.size() != kItemCount) {
        return false;
    }
    Transaction transaction(m_db);
    if (!transaction.active()) {
        return false;
    }
    for (int item = 1; item <= kItemCount; ++item) {
        const bool ok =
            m_write.run({texts[item - 1], QString::number(item)}) && m_write.query().numRowsAffected() > 0;
        m_write.finish();
        if (!ok) {
            return false;
        }
    }
    return transaction.commit();
}

int QuestionStore::count() {
    QSqlQuery query(m_db.handle());
    return query.exec(u"SELECT count(*) FROM QUS"_s) && query.next() ? query.value(0).toInt() : 0;
}

} // namespace morvalen
