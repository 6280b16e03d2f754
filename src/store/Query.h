#pragma once

#include "store/Database.h"

#include <QSqlQuery>
#include <QVariant>

#include <initializer_list>

namespace morvalen {

// A statement prepared once and run many times with bound values. Values never become part
// of the SQL text, so quotes and Persian in names and question texts need no escaping.
class PreparedQuery {
public:
    PreparedQuery(Database& db, const QString& sql);
    ~PreparedQuery();
    PreparedQuery(const PreparedQuery&) = delete;
    PreparedQuery& operator=(const PreparedQuery&) = delete;

    // Binds the values in order and runs the statement; on failure the database's last error
    // says why.
    bool run(std::initializer_list<QVariant> values);
    bool run(const QVariantList& values);
    QSqlQuery& query() { return m_query; }
    bool next() { return m_query.next(); }
    QVariant value(int column) const { return m_query.value(column); }
    // Releases the result set so the read lock is dropped before the next write.
    void finish() { m_query.finish(); }

    // Used by the connection when it is opened again.
    void release() { m_query = QSqlQuery(); }
    bool prepare();

private:
    Database& m_db;
    QString m_sql;
    QSqlQuery m_query;
    bool m_prepared = false;
};

} // namespace morvalen
