#pragma once

#include "store/Database.h"
#include "store/Query.h"

#include <QString>
#include <QStringList>

namespace morvalen {

// The question texts (QUS): one row per item, selected by its number.
class QuestionStore {
public:
    explicit QuestionStore(Database& db);

    // Empty text when the item has no row.
    QString text(int item);
    // False when the item has no row or the write failed.
    bool setText(int item, const QString& text);
    int count();
    // Rewrites the texts of items 1 to 232 in one commit; all or nothing.
    bool setAll(const QStringList& texts);

private:
    Database& m_db;
    PreparedQuery m_read;
    PreparedQuery m_write;
};

} // namespace morvalen
