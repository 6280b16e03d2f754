#pragma once

#include "reports/WorkbookReader.h"

#include <QByteArray>

#include <memory>

namespace morvalen {

// Reads the cells of an Excel 97-2003 workbook (.xls, BIFF8): libgsf opens the OLE2
// container, the records are read here. Every length and offset in the file is checked
// against what is really there, so a damaged or hostile file is refused, never trusted.
// nullptr with the reason in *error.
std::unique_ptr<WorkbookReader> OpenXls(const QByteArray& file, QString* error);

} // namespace morvalen
