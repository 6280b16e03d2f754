#pragma once

#include <QStringView>

#include <functional>

namespace morvalen {

// One cell handed to a workbook writer: text, a number, or nothing at all.
struct SheetCell {
    enum class Kind { Empty, Text, Number };
    Kind kind = Kind::Empty;
    QStringView text;
    double number = 0;

    static SheetCell Blank() { return {}; }
    static SheetCell Text(QStringView t) { return t.isEmpty() ? SheetCell{} : SheetCell{Kind::Text, t, 0}; }
    static SheetCell Number(double v) { return {Kind::Number, {}, v}; }
};

// A table the writers read row by row, top to bottom. The text of a cell stays valid for as
// long as the source does.
class SheetSource {
public:
    virtual ~SheetSource() = default;
    virtual int rowCount() const = 0;
    virtual int columnCount() const = 0;
    virtual SheetCell cell(int row, int column) const = 0;
    // A column's width in characters; 0 leaves the reader's default.
    virtual double columnWidth(int column) const {
        (void)column;
        return 0;
    }
};

// Told how far a writer has come (steps done of all steps); returns false to stop it, and the
// writer then leaves no file. Called often, so it must be cheap.
using WriteProgress = std::function<bool(qint64 done, qint64 total)>;

} // namespace morvalen
