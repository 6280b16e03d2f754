#pragma once

#include "store/Database.h"
#include "store/Query.h"

#include <QString>

namespace morvalen {

// The report sections (Tafsir in "NNPic.mdb"): "V" and the 18 scale codes. Rows are only
// rewritten, never added.
class ReportSectionStore {
public:
    explicit ReportSectionStore(Database& db);

    // False when the key has no row (nothing is written then) or the write failed.
    bool write(const QString& key, const QString& text);
    QString read(const QString& key);

private:
    PreparedQuery m_write;
    PreparedQuery m_read;
};

} // namespace morvalen
