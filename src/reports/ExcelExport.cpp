#include "reports/ExcelExport.h"

#include "reports/XlsWriter.h"
#include "reports/XlsxWriter.h"
#include "store/ExportStore.h"
#include "store/SecondEntryStore.h"

#include <iterator>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// The sheet's name in both formats.
const QString& SheetName() {
    static const QString name = u"Morvalen"_s;
    return name;
}

// What the export says of a sheet: nothing for one typed once, "تاييد شده" where a compared
// second typing agrees with the exported answers everywhere, "ناتمام" otherwise.
QStringView VerifiedText(const std::map<QString, SecondEntryCells>& secondEntries, const QStringList& row) {
    static const QString verified = u"تاييد شده"_s;
    static const QString unsettled = u"ناتمام"_s;
    const auto found = secondEntries.find(row.value(0));
    if (found == secondEntries.end()) {
        return {};
    }
    if (!found->second.compared) {
        return unsettled;
    }
    for (int i = 0; i < kItemCount; ++i) {
        if (row.value(6 + i) != found->second.cells[i]) {
            return unsettled;
        }
    }
    return verified;
}

} // namespace

const QStringList& ExportTable::HeaderTitles() {
    static const QStringList titles = [] {
        QStringList t{u"کد_آزمودني"_s, u"نام_و_نام_خانوادگي"_s, u"سن"_s, u"جنسيت"_s, u"تاهل"_s, u"تحصيلات"_s};
        for (int i = 1; i <= 232; ++i) {
            t.append(u"S"_s + QString::number(i));
        }
        t.append(u"ورود_دوم"_s);
        return t;
    }();
    return titles;
}

std::optional<ExportTable> ExportTable::Read(Database& db, QString* error, const WriteProgress& progress) {
    ExportTable table;
    const auto secondEntries = SecondEntryStore(db).all();
    if (!secondEntries) {
        if (error) {
            *error = db.lastError();
        }
        return std::nullopt;
    }
    ExportStore store(db);
    bool stopped = false;
    if (!store.forEachRow([&](const QStringList& row) {
            table.appendRow(row, VerifiedText(*secondEntries, row));
            stopped = progress && table.m_rows % 256 == 0 && !progress(table.m_rows, 0);
            return !stopped;
        }) ||
        stopped) {
        if (error) {
            *error = stopped ? u"The export was cancelled."_s : db.lastError();
        }
        return std::nullopt;
    }
    return table;
}

void ExportTable::appendRow(const QStringList& values, QStringView verified) {
    for (int c = 0; c < kDataColumns; ++c) {
        if (c == kVerifiedColumn) {
            m_text += verified;
        } else if (c < values.size()) {
            m_text += values[c];
        }
        m_ends.push_back(static_cast<std::uint32_t>(m_text.size()));
    }
    ++m_rows;
}

QStringView ExportTable::value(int examinee, int column) const {
    const std::size_t at =
        static_cast<std::size_t>(examinee) * kDataColumns + static_cast<std::size_t>(column);
    const std::uint32_t begin = at == 0 ? 0 : m_ends[at - 1];
    return QStringView(m_text).mid(begin, m_ends[at] - begin);
}

SheetCell ExportTable::cell(int row, int column) const {
    if (row == 0) {
        // The first column's heading stays empty, as the grid shows it.
        return column == 0 ? SheetCell::Blank() : SheetCell::Text(HeaderTitles()[column - 1]);
    }
    if (column == 0) {
        return SheetCell::Number(row);
    }
    return SheetCell::Text(value(row - 1, column - 1));
}

double ExportTable::columnWidth(int column) const {
    // Row number, code, name, age, then gender, marital status and education; the answers
    // need room for a digit and their heading.
    static constexpr double widths[] = {6, 10, 28, 6, 10, 10, 12};
    if (column == kVerifiedColumn + 1) {
        return 10;
    }
    return column < static_cast<int>(std::size(widths)) ? widths[column] : 5;
}

QString ExportFilter() {
    return u"Excel |*.xls|Excel 2007 |*.xlsx"_s;
}

ExportTarget ExportTargetFor(const QString& chosenName, const QString& selectedFilter) {
    if (chosenName.endsWith(u".xlsx"_s, Qt::CaseInsensitive)) {
        return {chosenName, ExportFormat::Xlsx};
    }
    if (chosenName.endsWith(u".xls"_s, Qt::CaseInsensitive)) {
        return {chosenName, ExportFormat::Xls};
    }
    if (selectedFilter.contains(u"*.xlsx"_s)) {
        return {chosenName + u".xlsx"_s, ExportFormat::Xlsx};
    }
    return {chosenName + u".xls"_s, ExportFormat::Xls};
}

bool WriteExport(const ExportTable& table, const ExportTarget& target, QString* error,
                 const WriteProgress& progress) {
    if (target.format == ExportFormat::Xlsx) {
        return XlsxWriter::write(target.path, table, SheetName(), true, error, progress);
    }
    return XlsWriter::write(target.path, table, SheetName(), true, error, progress);
}

} // namespace morvalen
