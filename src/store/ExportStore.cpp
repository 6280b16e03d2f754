#include "store/ExportStore.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace morvalen {

using namespace Qt::StringLiterals;

ExportStore::ExportStore(Database& db) : m_db(db) {}

bool ExportStore::forEachRow(const std::function<bool(const QStringList&)>& visit) {
    QSqlQuery query(m_db.handle());
    query.setForwardOnly(true);
    if (!query.exec(u"SELECT * FROM QueryMe"_s)) {
        m_db.setLastError(query.lastError().text());
        return false;
    }
    const int columns = query.record().count();
    QStringList row;
    while (query.next()) {
        row.clear();
        for (int c = 0; c < columns; ++c) {
            const QVariant value = query.value(c);
            row.append(value.isNull() ? QString() : value.toString());
        }
        if (!visit(row)) {
            break;
        }
    }
    return true;
}

QVector<QStringList> ExportStore::readAll() {
    QVector<QStringList> rows;
    forEachRow([&rows](const QStringList& row) {
        rows.append(row);
        return true;
    });
    return rows;
}

} // namespace morvalen
