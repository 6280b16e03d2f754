#include "store/ResearchStore.h"

#include "core/SchemaScale.h"

#include <QSqlError>
#include <QSqlQuery>

namespace morvalen {

using namespace Qt::StringLiterals;

ResearchStore::ResearchStore(Database& db) : m_db(db) {}

bool ResearchStore::forEachDetailRow(
    const std::function<void(const QString&, const QString&, const QString&)>& visit) {
    QSqlQuery query(m_db.handle());
    query.setForwardOnly(true);
    // QueryMe's join and order: rows that share an IDE.id come from one examinee row, so
    // their details are the same whichever order the join gives them.
    if (!query.exec(u"SELECT IDE.TelNummer1, IDE.Tester, IDE.Datum1 FROM IDE "
                    u"INNER JOIN Answer1 ON Answer1.Code = IDE.Code ORDER BY IDE.id"_s)) {
        m_db.setLastError(query.lastError().text());
        return false;
    }
    while (query.next()) {
        visit(query.value(0).toString(), query.value(1).toString(), query.value(2).toString());
    }
    if (query.lastError().isValid()) {
        m_db.setLastError(query.lastError().text());
        return false;
    }
    return true;
}

std::optional<QStringList> ResearchStore::questionTexts() {
    QSqlQuery query(m_db.handle());
    query.setForwardOnly(true);
    if (!query.exec(u"SELECT code, QU FROM QUS ORDER BY rowid"_s)) {
        m_db.setLastError(query.lastError().text());
        return std::nullopt;
    }
    QStringList texts(kItemCount);
    std::vector<bool> seen(kItemCount, false);
    while (query.next()) {
        bool ok = false;
        const QString code = query.value(0).toString();
        const int item = code.toInt(&ok);
        // The first row of an item is its text, as the question editor reads it.
        if (ok && item >= 1 && item <= kItemCount && code == QString::number(item) && !seen[item - 1]) {
            seen[item - 1] = true;
            texts[item - 1] = query.value(1).toString();
        }
    }
    return texts;
}

} // namespace morvalen
