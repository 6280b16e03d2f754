#pragma once

#include "reports/SheetSource.h"

#include <QString>

namespace morvalen {

class ExportTable;
class ResearchDetails;

// Writes the research export as an SPSS data file (.sav) through ReadStat: one case per
// examinee, UTF-8 text, variable labels, the answer captions as value labels of every item,
// measurement levels, and system-missing for what was not answered.
class SavWriter {
public:
    // The longest variable label the file keeps, in UTF-8 bytes; a longer one is cut at a
    // character's end.
    static constexpr int kMaxLabelBytes = 255;

    // Writes under a temporary name beside the file and puts it in place when complete;
    // false with the reason in *error, the earlier file untouched and nothing left behind.
    // progress is told of every examinee written; false from it stops the export the same way.
    static bool write(const QString& path, const ExportTable& table, const ResearchDetails& details,
                      QString* error, const WriteProgress& progress = {});
};

} // namespace morvalen
