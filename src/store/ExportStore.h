#pragma once

#include "store/Database.h"

#include <QStringList>

#include <functional>

namespace morvalen {

// The export rows of QueryMe: code, name, age, gender, marital status, education, then the
// 232 answers, one row per examinee that has both an examinee row and an answer row.
class ExportStore {
public:
    static constexpr int kColumnCount = 238;

    explicit ExportStore(Database& db);

    // Streams the rows in order; the callback returns false to stop early. False when the
    // rows could not be read.
    bool forEachRow(const std::function<bool(const QStringList&)>& visit);
    QVector<QStringList> readAll();

private:
    Database& m_db;
};

} // namespace morvalen
