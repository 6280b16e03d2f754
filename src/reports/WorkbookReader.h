#pragma once

#include <QString>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace morvalen {

// The value of one cell as a workbook holds it.
struct WorkbookCell {
    enum class Kind { Empty, Text, Number, Boolean, Error, Other };
    Kind kind = Kind::Empty;
    std::string text; // UTF-8, for text cells
    double number = 0;
};

// Reads cells of a spreadsheet file without a spreadsheet application: .xlsx and .ods through
// our own XML readers (see XmlWorkbookReader.h), .xls through our own BIFF8 reader in
// libgsf's OLE2 container (libfreexl 1.0.6 overruns a stack buffer on some damaged files). The kind of file
// is told by its content, not its name.
class WorkbookReader {
public:
    virtual ~WorkbookReader() = default;

    // The whole workbook is read here; nullptr with a description in *error when the file
    // is missing, of another kind, damaged or hostile. Never throws.
    static std::unique_ptr<WorkbookReader> Open(const QString& path, QString* error = nullptr);

    // Makes the named worksheet current; false when the workbook has none by that name.
    // Names are compared as spreadsheet programs compare them: ASCII letters in either case.
    bool selectSheet(std::string_view name);
    // The worksheets' names in workbook order.
    virtual std::vector<std::string> sheetNames() const = 0;
    // A cell of the current sheet, 0-based; an empty cell outside the sheet.
    virtual WorkbookCell cell(int row, int column) = 0;

protected:
    // Makes the sheet with this position in sheetNames() current.
    virtual bool selectSheetAt(std::size_t index) = 0;
};

} // namespace morvalen
