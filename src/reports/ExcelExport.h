#pragma once

#include "reports/SheetSource.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace morvalen {

class Database;

// The table of the Excel export: a header row over one row per examinee, and before the
// export's 238 columns (code, name, age, gender, marital status, education, S1 to S232) a
// first column holding the row number. After them one more column says whether the sheet was
// verified by a second typing. Every value is kept as the database holds it, as
// text; the whole table lives in one block of text, so 10,000 examinees stay small.
class ExportTable : public SheetSource {
public:
    static constexpr int kDataColumns = 239;
    static constexpr int kVerifiedColumn = 238; // after S232
    static constexpr int kColumns = kDataColumns + 1;

    // The titles of the export's columns ("کد_آزمودني" ... "S232", "ورود_دوم"), without the
    // first column.
    static const QStringList& HeaderTitles();

    // Reads every export row once; nullopt with the reason in *error when they cannot be read,
    // or when progress (told the rows read so far, of an unknown total 0) stops it.
    static std::optional<ExportTable> Read(Database& db, QString* error = nullptr,
                                           const WriteProgress& progress = {});

    // The values of QueryMe's columns, then whether the sheet is verified.
    void appendRow(const QStringList& values, QStringView verified = {});
    int examineeCount() const { return m_rows; }
    // The stored value of an examinee's column (0 = code ... 237 = item 232, 238 = verified).
    QStringView value(int examinee, int column) const;

    int rowCount() const override { return m_rows + 1; }
    int columnCount() const override { return kColumns; }
    SheetCell cell(int row, int column) const override;
    double columnWidth(int column) const override;

private:
    QString m_text;
    std::vector<std::uint32_t> m_ends; // where each value ends in m_text, row by row
    int m_rows = 0;
};

// The file types the export offers.
enum class ExportFormat { Xls, Xlsx };

// The save dialog's filter.
QString ExportFilter();

// The name to write and its format: a name that already ends in ".xls" or ".xlsx" keeps it;
// any other name gets the extension of the chosen filter (".xls" when none is known).
struct ExportTarget {
    QString path;
    ExportFormat format = ExportFormat::Xls;
};
ExportTarget ExportTargetFor(const QString& chosenName, const QString& selectedFilter = QString());

// Writes the table in the format; false with the reason in *error, or when progress stopped it.
bool WriteExport(const ExportTable& table, const ExportTarget& target, QString* error,
                 const WriteProgress& progress = {});

} // namespace morvalen
