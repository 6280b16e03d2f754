#pragma once

#include "store/Database.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace morvalen {

// What the research files carry beyond the export rows of QueryMe: each row's phone, tester
// and test date, and the question texts that label the items.
class ResearchStore {
public:
    explicit ResearchStore(Database& db);

    // Streams phone, tester and date row by row, in the order and number of QueryMe's rows
    // (the same join of IDE and Answer1, ordered by IDE.id); false when they could not be read.
    bool forEachDetailRow(
        const std::function<void(const QString& phone, const QString& tester, const QString& date)>& visit);

    // The stored text of items 1 to 232 (empty where an item has no row); nullopt when the
    // texts could not be read.
    std::optional<QStringList> questionTexts();

private:
    Database& m_db;
};

} // namespace morvalen
