#pragma once

#include "reports/SheetSource.h"

#include <QString>

namespace morvalen {

// Excel 97-2003 workbooks (.xls): the BIFF8 records are ours, the OLE2 container around them
// is libgsf's.
class XlsWriter {
public:
    // The format's own limits: 65,536 rows and 256 columns.
    static constexpr int kMaxRows = 65536;
    static constexpr int kMaxColumns = 256;

    // Writes one worksheet holding the source. False with a description in *error when the
    // source does not fit the format or the file cannot be written; a failed write leaves
    // no file behind.
    static bool write(const QString& path, const SheetSource& source, const QString& sheetName,
                      bool rightToLeft, QString* error = nullptr, const WriteProgress& progress = {});
};

} // namespace morvalen
