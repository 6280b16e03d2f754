#pragma once

#include "core/SchemaScale.h"
#include "reports/WorkbookReader.h"

#include <QString>

#include <array>
#include <optional>

namespace morvalen {

// The answer workbook: a sheet named by the maker's domain, the marker in Z3, the answer to
// item i in C(i + 1).
namespace AnswerWorkbookLayout {
inline constexpr char kMarker[] = "Morvalen";
inline constexpr int kMarkerRow = 2;      // Z3, 0-based
inline constexpr int kMarkerColumn = 25;  // Z
inline constexpr int kAnswerColumn = 2;   // C
inline constexpr int kFirstAnswerRow = 1; // C2 holds item 1
} // namespace AnswerWorkbookLayout

// What a cell does to the stored answer: empty clears it (""), exactly 1 to 6 (a number or
// the same text) sets it, anything else (7, 0, 2.5, " 4", letters, an error value) leaves it
// as it is (nullopt).
std::optional<QString> AnswerCellEffect(const WorkbookCell& cell);

enum class ImportStatus {
    Imported,
    Unreadable,  // not a workbook, damaged, no sheet by the domain's name, or no database
    WrongMarker, // Z3 does not hold the marker exactly
    NoAnswerRow, // the examinee has no answer row
    WriteFailed, // the database refused the new answers; nothing was changed
};

// The effects of C2 to C233, item 1 first.
using AnswerEffects = std::array<std::optional<QString>, kItemCount>;

struct AnswerWorkbook {
    ImportStatus status = ImportStatus::Unreadable;
    AnswerEffects effects;
    QString error; // why it could not be read, for the developer
};

// Reads and checks a workbook; writes nothing.
AnswerWorkbook ReadAnswerWorkbook(const QString& path);

// Puts the answers of a workbook read as the program's answer workbook into the examinee's
// answer row in one commit: either all 232 items are handled or nothing changes.
ImportStatus StoreImportedAnswers(const AnswerWorkbook& workbook, const QString& programFolder,
                                  const QString& code, QString* error = nullptr);

// ReadAnswerWorkbook, then StoreImportedAnswers when the workbook is one.
ImportStatus ImportAnswers(const QString& path, const QString& programFolder, const QString& code,
                           QString* error = nullptr);

} // namespace morvalen
