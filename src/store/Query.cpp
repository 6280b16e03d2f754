#include "store/Query.h"

#include <QSqlError>

namespace morvalen {

PreparedQuery::PreparedQuery(Database& db, const QString& sql) : m_db(db), m_sql(sql) {
    prepare();
    m_db.enlist(this);
}

PreparedQuery::~PreparedQuery() {
    m_db.delist(this);
}

bool PreparedQuery::prepare() {
    m_query = QSqlQuery(m_db.handle());
    m_query.setForwardOnly(true);
    m_prepared = m_query.prepare(m_sql);
    if (!m_prepared) {
        m_db.setLastError(m_query.lastError().text());
        m_db.noteFailure(m_query.lastError());
    }
    return m_prepared;
}

bool PreparedQuery::run(std::initializer_list<QVariant> values) {
    return run(QVariantList(values));
}

bool PreparedQuery::run(const QVariantList& values) {
    // After a lost server connection: reconnect (which prepares every statement again).
    if (!m_db.ensureConnected()) {
        return false;
    }
    if (!m_prepared && !prepare()) {
        return false;
    }
    m_query.finish();
    for (int index = 0; index < values.size(); ++index) {
        m_query.bindValue(index, values[index]);
    }
    if (!m_query.exec()) {
        m_db.setLastError(m_query.lastError().text());
        m_db.noteFailure(m_query.lastError());
        return false;
    }
    return true;
}

} // namespace morvalen
