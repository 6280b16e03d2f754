#pragma once

#include "store/Database.h"
#include "store/Query.h"

#include "core/Scoring.h"

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

// Writes the 19 report sections of an examinee's results into "NNPic.mdb", with the scale
// paragraphs of "Theme.skn". A section whose row is missing, or that cannot be written, is
// skipped and the rest go on; paragraphs that cannot be read are left empty. Returns how
// many sections were written.
int StoreReportSections(const QString& programFolder, const ScoringResult& result);

} // namespace morvalen
