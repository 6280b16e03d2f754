#include "reports/XmlWorkbookReader.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// An answer workbook has one sheet; a few more are allowed for the user's own notes.
constexpr std::size_t kMaxSheets = 64;

// A refusal while reading: the reason, for the developer.
struct Refused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The cells of one sheet as runs: a run of equal rows, each holding runs of equal cells. Only
// cells with content are kept; lookups halve the runs, so a cell is found quickly.
class CellRuns {
public:
    struct CellRun {
        int column = 0;
        int count = 1;
        WorkbookCell cell;
    };
    struct RowRun {
        int row = 0;
        int count = 1;
        std::vector<CellRun> cells;
    };

    // Rows come in increasing order; a row that repeats an earlier number is merged.
    void addRow(RowRun run) {
        if (run.cells.empty()) {
            return;
        }
        std::sort(run.cells.begin(), run.cells.end(),
                  [](const CellRun& a, const CellRun& b) { return a.column < b.column; });
        if (!m_rows.empty() && m_rows.back().row >= run.row) {
            // Rows out of order (some writers do that): kept sorted.
            m_rows.push_back(std::move(run));
            std::stable_sort(m_rows.begin(), m_rows.end(),
                             [](const RowRun& a, const RowRun& b) { return a.row < b.row; });
            m_sorted = false;
            return;
        }
        m_rows.push_back(std::move(run));
    }

    WorkbookCell cell(int row, int column) const {
        // The last run starting at or before the row.
        auto it = std::upper_bound(m_rows.begin(), m_rows.end(), row,
                                   [](int r, const RowRun& run) { return r < run.row; });
        while (it != m_rows.begin()) {
            --it;
            if (row < it->row + it->count) {
                if (const WorkbookCell* found = inRow(*it, column)) {
                    return *found;
                }
            }
            if (m_sorted) {
                break; // runs do not overlap when they came in order
            }
        }
        return {};
    }

private:
    static const WorkbookCell* inRow(const RowRun& run, int column) {
        auto it = std::upper_bound(run.cells.begin(), run.cells.end(), column,
                                   [](int c, const CellRun& cell) { return c < cell.column; });
        while (it != run.cells.begin()) {
            --it;
            if (column < it->column + it->count) {
                return &it->cell;
            }
            if (it->column + it->count <= column) {
                break;
            }
        }
        return nullptr;
    }

    std::vector<RowRun> m_rows;
    bool m_sorted = true;
};

struct Sheet {
    std::string name;
    CellRuns cells;
};

class XmlReader : public WorkbookReader {
public:
    explicit XmlReader(std::vector<Sheet> sheets) : m_sheets(std::move(sheets)) {}

    std::vector<std::string> sheetNames() const override {
        std::vector<std::string> names;
        for (const Sheet& sheet : m_sheets) {
            names.push_back(sheet.name);
        }
        return names;
    }

    WorkbookCell cell(int row, int column) override {
        if (!m_current || row < 0 || column < 0) {
            return {};
        }
        return m_current->cells.cell(row, column);
    }

protected:
    bool selectSheetAt(std::size_t index) override {
        m_current = index < m_sheets.size() ? &m_sheets[index] : nullptr;
        return m_current != nullptr;
    }

private:
    std::vector<Sheet> m_sheets;
    const Sheet* m_current = nullptr;
};

void Check(bool condition, const char* why) {
    if (!condition) {
        throw Refused(why);
    }
}

// Reads the XML; QXmlStreamReader has already found the part well-formed.
void ReadFailed(const QXmlStreamReader& xml) {
    if (xml.hasError()) {
        throw Refused(xml.errorString().toStdString());
    }
}

// The value of an attribute by its local name, whatever its prefix.
QStringView Attribute(const QXmlStreamReader& xml, QStringView localName) {
    for (const QXmlStreamAttribute& a : xml.attributes()) {
        if (a.name() == localName) {
            return a.value();
        }
    }
    return {};
}

// A repeat count: a whole number from 1 up to what the sheet can hold.
int RepeatCount(QStringView text, int limit) {
    if (text.isEmpty()) {
        return 1;
    }
    bool ok = false;
    const qlonglong n = text.toLongLong(&ok);
    Check(ok && n >= 1 && n <= limit, "A repeat count is beyond what a sheet can hold.");
    return static_cast<int>(n);
}

WorkbookCell NumberCell(QStringView text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok ? WorkbookCell{WorkbookCell::Kind::Number, {}, value}
              : WorkbookCell{WorkbookCell::Kind::Other, {}, 0};
}

WorkbookCell TextCell(const QString& text) {
    return {WorkbookCell::Kind::Text, text.toStdString(), 0};
}

// ---- Office Open XML ----

// "C12" as 0-based row 11 and column 2; false for anything else.
bool CellReference(QStringView ref, int* row, int* column) {
    qsizetype i = 0;
    long long c = 0;
    while (i < ref.size() && ref[i].isLetter() && ref[i].unicode() < 128) {
        c = c * 26 + (ref[i].toUpper().unicode() - 'A' + 1);
        if (c > kSheetColumnLimit) {
            return false;
        }
        ++i;
    }
    bool ok = false;
    const qlonglong r = ref.mid(i).toLongLong(&ok);
    if (i == 0 || !ok || r < 1 || r > kSheetRowLimit) {
        return false;
    }
    *row = static_cast<int>(r - 1);
    *column = static_cast<int>(c - 1);
    return true;
}

// The target of a relationship, as a full path inside the package.
QByteArray ResolvedTarget(const QByteArray& base, QStringView target) {
    QByteArray path = target.toUtf8();
    if (path.startsWith('/')) {
        return path.mid(1);
    }
    QList<QByteArray> steps = base.split('/');
    steps.removeLast(); // the part's own name
    for (const QByteArray& step : path.split('/')) {
        if (step == "..") {
            if (!steps.isEmpty()) {
                steps.removeLast();
            }
        } else if (step != "." && !step.isEmpty()) {
            steps.append(step);
        }
    }
    return steps.join('/');
}

// The relationships of a part: id to full target path, and type to the first target.
struct Relationships {
    std::map<QString, QByteArray> byId;
    std::map<QString, QByteArray> byTypeEnd; // the type's last step ("sharedStrings")
};

Relationships ReadRelationships(const PackageParts& parts, const QByteArray& owner) {
    Relationships out;
    const qsizetype slash = owner.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : owner.left(slash + 1);
    const QByteArray name = slash < 0 ? owner : owner.mid(slash + 1);
    const auto found = parts.find(folder + "_rels/" + name + ".rels");
    if (found == parts.end()) {
        return out;
    }
    QXmlStreamReader xml(found->second);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"Relationship") {
            const QByteArray target = ResolvedTarget(owner, Attribute(xml, u"Target"));
            const QString type = Attribute(xml, u"Type").toString();
            out.byId[Attribute(xml, u"Id").toString()] = target;
            out.byTypeEnd.emplace(type.mid(type.lastIndexOf(u'/') + 1), target);
        }
    }
    ReadFailed(xml);
    return out;
}

// The text of the current element's <t> descendants, skipping phonetic runs (<rPh>).
QString InlineText(QXmlStreamReader& xml) {
    QString text;
    int depth = 1;
    int skipDepth = 0;
    bool inText = false;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            if (xml.name() == u"rPh" && skipDepth == 0) {
                skipDepth = depth;
            }
            inText = skipDepth == 0 && xml.name() == u"t";
        } else if (xml.isEndElement()) {
            if (skipDepth == depth) {
                skipDepth = 0;
            }
            --depth;
            inText = false;
        } else if (inText && xml.isCharacters()) {
            text += xml.text();
        }
    }
    ReadFailed(xml);
    return text;
}

std::vector<QString> ReadSharedStrings(const QByteArray& bytes) {
    std::vector<QString> strings;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"si") {
            strings.push_back(InlineText(xml));
        }
    }
    ReadFailed(xml);
    return strings;
}

CellRuns ReadXlsxSheet(const QByteArray& bytes, const std::vector<QString>& strings) {
    CellRuns cells;
    QXmlStreamReader xml(bytes);
    CellRuns::RowRun row;
    int nextRow = 0;
    int nextColumn = 0;
    bool inRow = false;
    bool rowNumbered = false; // the row states its number; otherwise its first cell does
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"row") {
            const QStringView r = Attribute(xml, u"r");
            rowNumbered = !r.isEmpty();
            if (rowNumbered) {
                bool ok = false;
                const qlonglong n = r.toLongLong(&ok);
                Check(ok && n >= 1 && n <= kSheetRowLimit, "A row number is beyond what a sheet can hold.");
                nextRow = static_cast<int>(n - 1);
            }
            Check(nextRow < kSheetRowLimit, "The sheet has more rows than a sheet can hold.");
            row = CellRuns::RowRun{nextRow, 1, {}};
            nextColumn = 0;
            inRow = true;
        } else if (xml.isEndElement() && xml.name() == u"row") {
            cells.addRow(std::move(row));
            row = {};
            ++nextRow;
            inRow = false;
        } else if (inRow && xml.isStartElement() && xml.name() == u"c") {
            int r = row.row;
            int c = nextColumn;
            const QStringView ref = Attribute(xml, u"r");
            if (!ref.isEmpty()) {
                Check(CellReference(ref, &r, &c), "A cell reference is beyond what a sheet can hold.");
            }
            if (!rowNumbered && row.cells.empty() && r >= row.row) {
                row.row = r; // a row without its number, placed by its first cell
                nextRow = r;
            }
            Check(r == row.row && c < kSheetColumnLimit, "A cell lies outside its row or the sheet.");
            nextColumn = c + 1;
            const QString type = Attribute(xml, u"t").toString();
            QString value;
            QString inlineText;
            bool hasValue = false;
            bool hasInline = false;
            bool hasFormula = false;
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isEndElement() && xml.name() == u"c") {
                    break;
                }
                if (xml.isStartElement() && xml.name() == u"v") {
                    value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                    hasValue = true;
                } else if (xml.isStartElement() && xml.name() == u"is") {
                    inlineText = InlineText(xml);
                    hasInline = true;
                } else if (xml.isStartElement() && xml.name() == u"f") {
                    hasFormula = true;
                    xml.skipCurrentElement();
                } else if (xml.isStartElement()) {
                    xml.skipCurrentElement();
                }
            }
            WorkbookCell cell;
            if (type == u"inlineStr") {
                // The text written in the cell itself, as streaming writers do.
                cell = hasInline ? TextCell(inlineText) : hasValue ? TextCell(value) : WorkbookCell{};
            } else if (type == u"e") {
                cell = {WorkbookCell::Kind::Error, {}, 0};
            } else if (!hasValue) {
                // A formula without a stored result has no value to take.
                cell = hasFormula ? WorkbookCell{WorkbookCell::Kind::Error, {}, 0} : WorkbookCell{};
            } else if (type == u"s") {
                bool ok = false;
                const qlonglong index = QStringView(value).trimmed().toLongLong(&ok);
                cell = ok && index >= 0 && static_cast<std::size_t>(index) < strings.size()
                           ? TextCell(strings[static_cast<std::size_t>(index)])
                           : WorkbookCell{WorkbookCell::Kind::Error, {}, 0};
            } else if (type == u"str") {
                cell = TextCell(value);
            } else if (type == u"b") {
                cell = {WorkbookCell::Kind::Boolean, {}, QStringView(value).trimmed() == u"1" ? 1.0 : 0.0};
            } else if (type == u"d") {
                cell = {WorkbookCell::Kind::Other, value.toStdString(), 0};
            } else if (type.isEmpty() || type == u"n") {
                cell = NumberCell(value);
            } else {
                cell = {WorkbookCell::Kind::Other, {}, 0};
            }
            if (cell.kind != WorkbookCell::Kind::Empty) {
                row.cells.push_back({c, 1, std::move(cell)});
            }
        }
    }
    ReadFailed(xml);
    return cells;
}

// ---- OpenDocument ----

constexpr char16_t kTableNs[] = u"urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr char16_t kTextNs[] = u"urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr char16_t kOfficeNs[] = u"urn:oasis:names:tc:opendocument:xmlns:office:1.0";

bool Is(const QXmlStreamReader& xml, const char16_t* ns, QStringView name) {
    return xml.namespaceUri() == QStringView(ns) && xml.name() == name;
}

QStringView NsAttribute(const QXmlStreamReader& xml, const char16_t* ns, QStringView name) {
    return xml.attributes().value(QString::fromUtf16(ns), name.toString());
}

// The text of a paragraph element, its spaces (<text:s text:c="n"/>), tabs and line breaks
// included; notes and annotations left out.
void ParagraphText(QXmlStreamReader& xml, QString* text) {
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (Is(xml, kTextNs, u"s")) {
                const QStringView c = NsAttribute(xml, kTextNs, u"c");
                bool ok = false;
                const int n = c.isEmpty() ? 1 : c.toInt(&ok);
                // A cell holds at most 32,767 characters.
                text->append(QString(std::clamp(c.isEmpty() || ok ? n : 1, 1, 32767), u' '));
                xml.skipCurrentElement();
            } else if (Is(xml, kTextNs, u"tab")) {
                text->append(u'\t');
                xml.skipCurrentElement();
            } else if (Is(xml, kTextNs, u"line-break")) {
                text->append(u'\n');
                xml.skipCurrentElement();
            } else if (Is(xml, kTextNs, u"note") || Is(xml, kOfficeNs, u"annotation")) {
                xml.skipCurrentElement();
            } else {
                ++depth;
            }
        } else if (xml.isEndElement()) {
            --depth;
        } else if (xml.isCharacters()) {
            text->append(xml.text());
        }
    }
}

// One table cell; the reader stands on its start element and ends on its end element.
WorkbookCell OdsCell(QXmlStreamReader& xml) {
    const QString type = NsAttribute(xml, kOfficeNs, u"value-type").toString();
    // LibreOffice marks a formula's error result in its own namespace.
    bool error = false;
    for (const QXmlStreamAttribute& a : xml.attributes()) {
        if (a.name() == u"value-type" && a.namespaceUri() != QStringView(kOfficeNs) &&
            a.value() == u"error") {
            error = true;
        }
    }
    const QString value = NsAttribute(xml, kOfficeNs, u"value").toString();
    const QString formula = NsAttribute(xml, kTableNs, u"formula").toString();
    const QString booleanValue = NsAttribute(xml, kOfficeNs, u"boolean-value").toString();
    const bool hasStringValue =
        xml.attributes().hasAttribute(QString::fromUtf16(kOfficeNs), u"string-value"_s);
    const QString stringValue = NsAttribute(xml, kOfficeNs, u"string-value").toString();
    QString text;
    bool firstParagraph = true;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            break; // the cell's own end: its children are read whole below
        }
        if (!xml.isStartElement()) {
            continue;
        }
        if (Is(xml, kTextNs, u"p") || Is(xml, kTextNs, u"h")) {
            if (!firstParagraph) {
                text.append(u'\n');
            }
            firstParagraph = false;
            ParagraphText(xml, &text);
        } else {
            xml.skipCurrentElement(); // annotations, shapes, sub-tables
        }
    }
    if (error) {
        return {WorkbookCell::Kind::Error, {}, 0};
    }
    if (type == u"float" || type == u"percentage" || type == u"currency") {
        // LibreOffice saves a boolean it took from another format as the number 1 or 0 of the
        // formula TRUE() or FALSE(), shown as TRUE or FALSE: still a boolean.
        const QString bare = formula.mid(formula.indexOf(u'=') + 1).trimmed();
        if (bare.compare(u"TRUE()"_s, Qt::CaseInsensitive) == 0 ||
            bare.compare(u"FALSE()"_s, Qt::CaseInsensitive) == 0 || text == u"TRUE"_s || text == u"FALSE"_s) {
            return {WorkbookCell::Kind::Boolean, {}, bare.startsWith(u'T', Qt::CaseInsensitive) ? 1.0 : 0.0};
        }
        return NumberCell(value);
    }
    if (type == u"boolean") {
        return {WorkbookCell::Kind::Boolean, {}, booleanValue == u"true" ? 1.0 : 0.0};
    }
    if (type == u"date" || type == u"time") {
        return {WorkbookCell::Kind::Other, text.toStdString(), 0};
    }
    if (type == u"string") {
        return TextCell(hasStringValue ? stringValue : text);
    }
    if (!type.isEmpty()) {
        return {WorkbookCell::Kind::Other, {}, 0};
    }
    // No type: a cell with only text in it is text, an empty one is empty.
    return text.isEmpty() ? WorkbookCell{} : TextCell(text);
}

std::vector<Sheet> ReadOdsContent(const QByteArray& bytes) {
    std::vector<Sheet> sheets;
    QXmlStreamReader xml(bytes);
    Sheet* sheet = nullptr;
    int tableDepth = 0; // nesting below the current table
    int nextRow = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (!sheet && Is(xml, kTableNs, u"table")) {
                Check(sheets.size() < kMaxSheets, "The workbook has more sheets than it may have.");
                sheets.push_back({NsAttribute(xml, kTableNs, u"name").toString().toStdString(), {}});
                sheet = &sheets.back();
                tableDepth = 0;
                nextRow = 0;
                continue;
            }
            if (!sheet) {
                continue;
            }
            if (Is(xml, kTableNs, u"table-row")) {
                const int rows =
                    RepeatCount(NsAttribute(xml, kTableNs, u"number-rows-repeated"), kSheetRowLimit);
                Check(nextRow <= kSheetRowLimit - rows, "The sheet repeats rows beyond what it can hold.");
                CellRuns::RowRun run{nextRow, rows, {}};
                int column = 0;
                while (!xml.atEnd()) {
                    xml.readNext();
                    if (xml.isEndElement()) {
                        break; // the row's end
                    }
                    if (!xml.isStartElement()) {
                        continue;
                    }
                    if (Is(xml, kTableNs, u"table-cell") || Is(xml, kTableNs, u"covered-table-cell")) {
                        const int count = RepeatCount(NsAttribute(xml, kTableNs, u"number-columns-repeated"),
                                                      kSheetColumnLimit);
                        Check(column <= kSheetColumnLimit - count,
                              "The sheet repeats cells beyond what it can hold.");
                        WorkbookCell cell = OdsCell(xml);
                        if (cell.kind != WorkbookCell::Kind::Empty) {
                            run.cells.push_back({column, count, std::move(cell)});
                        }
                        column += count;
                    } else {
                        xml.skipCurrentElement();
                    }
                }
                sheet->cells.addRow(std::move(run));
                nextRow += rows;
                continue;
            }
            if (Is(xml, kTableNs, u"table")) {
                xml.skipCurrentElement(); // a table inside a shape or a cell is no sheet
                continue;
            }
            ++tableDepth; // row groups, header rows and the like hold rows too
        } else if (xml.isEndElement() && sheet) {
            if (tableDepth == 0) {
                sheet = nullptr; // the table's end
            } else {
                --tableDepth;
            }
        }
    }
    ReadFailed(xml);
    return sheets;
}

void SetError(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
}

} // namespace

std::unique_ptr<WorkbookReader> OpenXlsx(const PackageParts& parts, QString* error) {
    try {
        const Relationships root = ReadRelationships(parts, "");
        QByteArray workbookPath = "xl/workbook.xml";
        if (const auto found = root.byTypeEnd.find(u"officeDocument"_s); found != root.byTypeEnd.end()) {
            workbookPath = found->second;
        }
        const auto workbook = parts.find(workbookPath);
        Check(workbook != parts.end(), "The package has no workbook part.");
        const Relationships links = ReadRelationships(parts, workbookPath);

        std::vector<QString> strings;
        if (const auto found = links.byTypeEnd.find(u"sharedStrings"_s); found != links.byTypeEnd.end()) {
            if (const auto part = parts.find(found->second); part != parts.end()) {
                strings = ReadSharedStrings(part->second);
            }
        }

        std::vector<Sheet> sheets;
        QXmlStreamReader xml(workbook->second);
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"sheet") {
                Check(sheets.size() < kMaxSheets, "The workbook has more sheets than it may have.");
                Sheet sheet{Attribute(xml, u"name").toString().toStdString(), {}};
                const auto link = links.byId.find(Attribute(xml, u"id").toString());
                if (link != links.byId.end()) {
                    if (const auto part = parts.find(link->second); part != parts.end()) {
                        sheet.cells = ReadXlsxSheet(part->second, strings);
                    }
                }
                sheets.push_back(std::move(sheet));
            }
        }
        ReadFailed(xml);
        return std::make_unique<XmlReader>(std::move(sheets));
    } catch (const std::exception& e) {
        SetError(error, QString::fromUtf8(e.what()));
    }
    return nullptr;
}

std::unique_ptr<WorkbookReader> OpenOds(const PackageParts& parts, QString* error) {
    try {
        const auto content = parts.find("content.xml");
        Check(content != parts.end(), "The package has no content part.");
        return std::make_unique<XmlReader>(ReadOdsContent(content->second));
    } catch (const std::exception& e) {
        SetError(error, QString::fromUtf8(e.what()));
    }
    return nullptr;
}

} // namespace morvalen
