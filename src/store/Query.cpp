#include "store/Query.h"

#include <QSqlError>

namespace morvalen {

PreparedQuery::PreparedQuery(Database& db, const QString& sql) : m_db(db), m_query(db.handle()) {
    m_query.setForwardOnly(true);
    m_prepared = m_query.prepare(sql);
    if (!m_prepared) {
        m_db.setLastError(m_query.lastError().text());
    }
}

bool PreparedQuery::run(std::initializer_list<QVariant> values) {
    return run(QVariantList(values));
}

bool PreparedQuery::run(const QVariantList& values) {
    if (!m_prepared) {
        return false;
    }
    m_query.finish();
    for (int index = 0; index < values.size(); ++index) {
        m_query.bindValue(index, values[index]);
    }
    if (!m_query.exec()) {
        m_db.setLastError(m_query.lastError().text());
        return false;
    }
    return true;
}

} // namespace morvalen
