#pragma once

#include "reports/SheetSource.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace morvalen {

class ExportTable;
class ResearchDetails;

// Writes the research export as CSV: the variables of the SPSS file in the same order, a
// heading row of their names, UTF-8 with a byte-order mark (so Excel reads the Persian),
// comma-separated, quoted as RFC 4180 asks, each line ended by CR LF.
class CsvWriter {
public:
    // Writes under a temporary name beside the file and puts it in place when complete;
    // false with the reason in *error, the earlier file untouched and nothing left behind.
    // progress is told of every examinee written; false from it stops the export the same way.
    static bool write(const QString& path, const ExportTable& table, const ResearchDetails& details,
                      QString* error, const WriteProgress& progress = {});

    // Appends one field: quoted, with its quotes doubled, when it holds a comma, a quote or a
    // line break; as it is otherwise.
    static void appendField(QByteArray& out, QStringView text);
};

} // namespace morvalen
