#pragma once

#include "reports/WorkbookPackage.h"
#include "reports/WorkbookReader.h"

#include <memory>

namespace morvalen {

// The most rows and columns a sheet of either format can hold. A file that places a cell, or
// repeats one, beyond them is refused: it is damaged or hostile, never an answer workbook.
inline constexpr int kSheetRowLimit = 1048576;
inline constexpr int kSheetColumnLimit = 16384;

// Reads the cells of an .xlsx (Office Open XML) or .ods (OpenDocument) package with
// QXmlStreamReader. Every kind of cell is told apart as the file states it: shared and
// inline strings, formula strings, numbers, booleans, errors, dates. Repeated OpenDocument
// cells are kept as one run each, never expanded, so a huge repeat count costs nothing.
// nullptr with the reason in *error.
std::unique_ptr<WorkbookReader> OpenXlsx(const PackageParts& parts, QString* error);
std::unique_ptr<WorkbookReader> OpenOds(const PackageParts& parts, QString* error);

} // namespace morvalen
