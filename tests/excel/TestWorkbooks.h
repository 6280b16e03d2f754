#pragma once

#include "reports/SheetSource.h"
#include "reports/WorkbookReader.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <utility>
#include <variant>

namespace morvalen::test {

// A cell of a hand-made workbook: a text or a number.
using TestCell = std::variant<QString, double>;
// Cells by (row, column), 0-based.
using TestCells = std::map<std::pair<int, int>, TestCell>;

// The cells of an answer workbook: the marker in Z3 and the answers in C2 onwards.
TestCells AnswerCells(const QString& marker, const std::map<int, TestCell>& answersByItem);

// Writes the cells as a one-sheet .xlsx (libxlsxwriter) or .xls (our writer).
bool WriteTestXlsx(const QString& path, const QString& sheetName, const TestCells& cells);
bool WriteTestXls(const QString& path, const QString& sheetName, const TestCells& cells);

// Writes a one-sheet .ods named by the maker's domain whose table holds the given XML (rows
// in the table, text and calcext namespaces); the path, or empty when it cannot be written.
QString WriteTestOds(const QString& path, const QByteArray& tableBody);

// A sheet source over the cells, for the writers.
class CellsSource : public SheetSource {
public:
    explicit CellsSource(const TestCells& cells);
    int rowCount() const override { return m_rows; }
    int columnCount() const override { return m_columns; }
    SheetCell cell(int row, int column) const override;

private:
    const TestCells& m_cells;
    int m_rows = 0;
    int m_columns = 0;
};

// One entry of a zip file (an .xlsx), or empty; and the entries of a zip written anew.
QByteArray ZipEntry(const QString& path, const char* name);
QList<std::pair<QString, QByteArray>> ZipEntries(const QByteArray& zip);
QByteArray MakeZip(const QList<std::pair<QString, QByteArray>>& entries);

// A BIFF stream in an OLE2 container of its own, as the "Workbook" stream of an .xls.
QByteArray WrapInOle(const QByteArray& stream);

// libfreexl's reading of an .xls, through the same interface as ours.
std::unique_ptr<WorkbookReader> OpenWithFreeXl(const QString& path, QString* error = nullptr);

// LibreOffice as a second reader: the first sheet as UTF-8 CSV rows, or an empty list when
// soffice is not installed or fails.
bool HaveLibreOffice();
QList<QStringList> ReadWithLibreOffice(const QString& path, const QString& workFolder);

} // namespace morvalen::test
