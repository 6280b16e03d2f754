#pragma once

#include <QString>
#include <QStringList>

namespace morvalen {

// The blank answer workbook, made here instead of downloaded: the sheet named by the maker's
// domain, the marker in Z3, and for item i its number in A(i + 1), its question in B(i + 1)
// and the answer cell C(i + 1), which accepts only the whole numbers 1 to 6.
// questions: the texts of items 1 to 232 (missing ones stay empty).
bool WriteBlankAnswerWorkbook(const QString& path, const QStringList& questions, QString* error);

} // namespace morvalen
