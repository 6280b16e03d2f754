#pragma once

#include "reports/SheetSource.h"

#include <QString>

namespace morvalen {

// Excel 2007 workbooks (.xlsx) of one sheet, streamed row by row into the zip container of
// libgsf, with the texts in a shared string table. A table of any length needs little memory
// beyond its distinct texts. (libxlsxwriter, which makes the blank answer workbook, keeps every
// cell in memory unless in its constant-memory mode, which has no shared strings.)
class XlsxWriter {
public:
    // The format's own limits.
    static constexpr int kMaxRows = 1048576;
    static constexpr int kMaxColumns = 16384;

    // Writes one worksheet holding the source. False with a description in *error; a failed
    // write leaves no file behind.
    static bool write(const QString& path, const SheetSource& source, const QString& sheetName,
                      bool rightToLeft, QString* error = nullptr, const WriteProgress& progress = {});
};

} // namespace morvalen
