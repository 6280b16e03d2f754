#pragma once

#include <QString>

namespace morvalen {

// Where a workbook is written before it takes the place of the chosen file: beside it, so
// the last step is a rename on the same disk.
QString PartialFileName(const QString& path);

// Puts the finished temporary file in place of the target, replacing an older file of that
// name in one step. On failure the temporary file is removed and the old file stays.
bool ReplaceWithFile(const QString& temporary, const QString& target, QString* error);

} // namespace morvalen
