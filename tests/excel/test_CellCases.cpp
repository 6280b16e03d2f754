// One value rule for every format: a table of cell cases written as .xlsx, .xls and .ods by
// hand, record by record and element by element, each read through the import; and workbooks
// as other writers make them.
#include "TestWorkbooks.h"
#include "core/MakerSite.h"
#include "reports/AnswerImport.h"
#include "reports/XlsWriter.h"
#include "reports/XlsxWriter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

const std::optional<QString> kKeep;

// One cell case: how each format writes it and what it does to the stored answer.
struct CellCase {
    const char* what;
    QByteArray xlsx; // the <c> element; "@" stands for its reference
    QByteArray ods;  // the <table:table-cell> element
    QByteArray xls;  // the record: id, then the data after row, column and format
    std::optional<QString> effect;
};

QByteArray U16(std::uint16_t v) {
    return QByteArray(1, static_cast<char>(v & 0xFF)) + QByteArray(1, static_cast<char>(v >> 8));
}
QByteArray F64(double v) {
    QByteArray b(8, '\0');
    std::memcpy(b.data(), &v, 8);
    return b;
}
// An xls record id followed by its data after the cell's row, column and format.
QByteArray Rec(std::uint16_t id, const QByteArray& data) {
    return U16(id) + data;
}
QByteArray Label(const char* text) {
    return Rec(0x0204, U16(static_cast<std::uint16_t>(std::strlen(text))) + QByteArray(1, '\0') + text);
}
QByteArray Number(double v) {
    return Rec(0x0203, F64(v));
}
// A FORMULA record with its stored result; a text result follows in a STRING record, marked
// here by the text after the record.
QByteArray Formula(const QByteArray& result) {
    return Rec(0x0006, result + QByteArray(6, '\0') + U16(0));
}

const std::vector<CellCase>& Cases() {
    static const std::vector<CellCase> cases = {
        {"shared text 4", "<c r=\"@\" t=\"s\"><v>0</v></c>",
         "<table:table-cell office:value-type=\"string\"><text:p>4</text:p></table:table-cell>", Label("4"),
         u"4"_s},
        {"inline text 5", "<c r=\"@\" t=\"inlineStr\"><is><t>5</t></is></c>",
         "<table:table-cell><text:p>5</text:p></table:table-cell>", Label("5"), u"5"_s},
        {"rich inline text 2", "<c r=\"@\" t=\"inlineStr\"><is><r><t>2</t></r></is></c>",
         "<table:table-cell office:value-type=\"string\"><text:p><text:span>2</text:span></text:p>"
         "</table:table-cell>",
         Label("2"), u"2"_s},
        {"number 4", "<c r=\"@\"><v>4</v></c>",
         "<table:table-cell office:value-type=\"float\" "
         "office:value=\"4\"><text:p>4</text:p></table:table-cell>",
         Number(4), u"4"_s},
        {"number 4.0", "<c r=\"@\" t=\"n\"><v>4.0</v></c>",
         "<table:table-cell office:value-type=\"float\" office:value=\"4.0\"><text:p>4.0</text:p>"
         "</table:table-cell>",
         Number(4.0), u"4"_s},
        {"boolean TRUE", "<c r=\"@\" t=\"b\"><v>1</v></c>",
         "<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"true\"><text:p>TRUE</text:p>"
         "</table:table-cell>",
         Rec(0x0205, QByteArray("\x01\x00", 2)), kKeep},
        {"error #N/A without a formula", "<c r=\"@\" t=\"e\"><v>#N/A</v></c>",
         "<table:table-cell office:value-type=\"string\" calcext:value-type=\"error\"><text:p>#N/A</text:p>"
         "</table:table-cell>",
         Rec(0x0205, QByteArray("\x2A\x01", 2)), kKeep},
        {"blank", "", "<table:table-cell/>", "", QString()},
        {"empty text", "<c r=\"@\" t=\"inlineStr\"><is><t></t></is></c>",
         "<table:table-cell office:value-type=\"string\"><text:p/></table:table-cell>", Label(""), QString()},
        {"blank before the digit", "<c r=\"@\" t=\"inlineStr\"><is><t xml:space=\"preserve\"> 4</t></is></c>",
         "<table:table-cell office:value-type=\"string\"><text:p><text:s/>4</text:p></table:table-cell>",
         Label(" 4"), kKeep},
        {"blank after the digit", "<c r=\"@\" t=\"s\"><v>1</v></c>",
         "<table:table-cell office:value-type=\"string\"><text:p>4<text:s/></text:p></table:table-cell>",
         Label("4 "), kKeep},
        {"text 4.0", "<c r=\"@\" t=\"inlineStr\"><is><t>4.0</t></is></c>",
         "<table:table-cell office:value-type=\"string\"><text:p>4.0</text:p></table:table-cell>",
         Label("4.0"), kKeep},
        {"text 7", "<c r=\"@\" t=\"s\"><v>2</v></c>",
         "<table:table-cell office:value-type=\"string\"><text:p>7</text:p></table:table-cell>", Label("7"),
         kKeep},
        {"number 7", "<c r=\"@\"><v>7</v></c>",
         "<table:table-cell office:value-type=\"float\" "
         "office:value=\"7\"><text:p>7</text:p></table:table-cell>",
         Number(7), kKeep},
        {"number 2.5", "<c r=\"@\"><v>2.5</v></c>",
         "<table:table-cell office:value-type=\"float\" "
         "office:value=\"2.5\"><text:p>2.5</text:p></table:table-cell>",
         Number(2.5), kKeep},
        {"formula with the number 5", "<c r=\"@\"><f>2+3</f><v>5</v></c>",
         "<table:table-cell table:formula=\"of:=2+3\" office:value-type=\"float\" office:value=\"5\">"
         "<text:p>5</text:p></table:table-cell>",
         Formula(F64(5)), u"5"_s},
        {"formula with the text 2", "<c r=\"@\" t=\"str\"><f>\"2\"</f><v>2</v></c>",
         "<table:table-cell table:formula=\"of:=&quot;2&quot;\" office:value-type=\"string\" "
         "office:string-value=\"2\"><text:p>2</text:p></table:table-cell>",
         Formula(QByteArray("\x00\x00\x00\x00\x00\x00\xFF\xFF", 8)) + "STRING2", u"2"_s},
        {"formula with an error", "<c r=\"@\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>",
         "<table:table-cell table:formula=\"of:=1/0\" office:value-type=\"string\" office:string-value=\"\" "
         "calcext:value-type=\"error\"><text:p>#DIV/0!</text:p></table:table-cell>",
         Formula(QByteArray("\x02\x00\x07\x00\x00\x00\xFF\xFF", 8)), kKeep},
        {"formula without a stored result", "<c r=\"@\"><f>2+2</f></c>",
         "<table:table-cell table:formula=\"of:=2+2\" office:value-type=\"float\" office:value=\"4\">"
         "<text:p>4</text:p></table:table-cell>",
         Number(4), u"4"_s}, // an .ods and an .xls always store the result; .xlsx may not
        {"the Persian digit four", "<c r=\"@\" t=\"inlineStr\"><is><t>\xDB\xB4</t></is></c>",
         "<table:table-cell office:value-type=\"string\"><text:p>\xDB\xB4</text:p></table:table-cell>",
         Rec(0x0204, U16(1) + QByteArray(1, '\x01') + U16(0x06F4)), kKeep},
    };
    return cases;
}

QByteArray Marker() {
    return "Morvalen";
}

QString WriteXlsx(const QString& path) {
    QByteArray rows;
    const auto& cases = Cases();
    // Some rows without their number, as some writers leave it out: the first cell places them.
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const QByteArray row = QByteArray::number(static_cast<int>(i) + 2);
        QByteArray cell = cases[i].xlsx;
        cell.replace("@", "C" + row);
        rows += (i % 2 ? "<row r=\"" + row + "\">" : QByteArray("<row>")) + cell;
        if (i == 1) {
            rows += "<c r=\"Z3\" t=\"inlineStr\"><is><t>" + Marker() + "</t></is></c>";
        }
        rows += "</row>";
    }
    const QByteArray ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        return {};
    }
    f.write(test::MakeZip({
        {u"[Content_Types].xml"_s,
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
        {u"_rels/.rels"_s,
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"" +
             rel + "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {u"xl/workbook.xml"_s, "<workbook " + ns + "><sheets><sheet name=\"" + QByteArray(kMakerDomain) +
                                   "\" sheetId=\"1\" r:id=\"rId7\"/></sheets></workbook>"},
        // Targets as some writers give them: absolute, and relative with a dot.
        {u"xl/_rels/workbook.xml.rels"_s,
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId7\" Type=\"" +
             rel + "worksheet\" Target=\"/xl/worksheets/answers.xml\"/><Relationship Id=\"rId8\" Type=\"" +
             rel + "sharedStrings\" Target=\"./strings.xml\"/></Relationships>"},
        {u"xl/strings.xml"_s, "<sst " + ns +
                                  "><si><t>4</t></si><si><t xml:space=\"preserve\">4 </t></si>"
                                  "<si><r><t>7</t></r><rPh><t>x</t></rPh></si></sst>"},
        {u"xl/worksheets/answers.xml"_s,
         "<worksheet " + ns + "><sheetData>" + rows + "</sheetData></worksheet>"},
    }));
    return path;
}

QString WriteCaseOds(const QString& path) {
    QByteArray body =
        "<table:table-column table:number-columns-repeated=\"16384\"/>"
        "<table:table-row><table:table-cell table:number-columns-repeated=\"16384\"/></table:table-row>";
    const auto& cases = Cases();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        body += "<table:table-row><table:table-cell table:number-columns-repeated=\"2\"/>" + cases[i].ods;
        if (i == 1) {
            body += "<table:table-cell table:number-columns-repeated=\"22\"/><table:table-cell "
                    "office:value-type=\"string\"><text:p>" +
                    Marker() + "</text:p></table:table-cell>";
        }
        body += "<table:table-cell table:number-columns-repeated=\"16000\"/></table:table-row>";
    }
    // The rest of the sheet, as LibreOffice writes it.
    body += "<table:table-row table:number-rows-repeated=\"1048000\">"
            "<table:table-cell table:number-columns-repeated=\"16384\"/></table:table-row>";
    return test::WriteTestOds(path, body);
}

QString WriteCaseXls(const QString& path) {
    const auto record = [](std::uint16_t id, const QByteArray& data) {
        return U16(id) + U16(static_cast<std::uint16_t>(data.size())) + data;
    };
    const auto cellHead = [](int row, int column) {
        return U16(static_cast<std::uint16_t>(row)) + U16(static_cast<std::uint16_t>(column)) + U16(15);
    };
    QByteArray bof = U16(0x0600) + U16(0x0005) + QByteArray(8, '\0');
    QByteArray sheetBof = U16(0x0600) + U16(0x0010) + QByteArray(8, '\0');
    const QByteArray name(kMakerDomain);
    QByteArray globals = record(0x0809, bof);
    const qsizetype offsetAt = globals.size() + 4;
    globals += record(0x0085, QByteArray(4, '\0') + U16(0) + QByteArray(1, static_cast<char>(name.size())) +
                                  QByteArray(1, '\0') + name);
    globals += record(0x000A, {});
    const auto offset = static_cast<std::uint32_t>(globals.size());
    for (int i = 0; i < 4; ++i) {
        globals[offsetAt + i] = static_cast<char>(offset >> (8 * i));
    }
    QByteArray sheet = record(0x0809, sheetBof);
    sheet += record(0x0204, cellHead(2, 25) + U16(8) + QByteArray(1, '\0') + Marker());
    const auto& cases = Cases();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        QByteArray rec = cases[i].xls;
        if (rec.isEmpty()) {
            continue;
        }
        QByteArray text;
        if (const qsizetype at = rec.indexOf("STRING"); at >= 0) {
            text = rec.mid(at + 6);
            rec.truncate(at);
        }
        const auto id = static_cast<std::uint16_t>(static_cast<unsigned char>(rec[0]) |
                                                   (static_cast<unsigned char>(rec[1]) << 8));
        sheet += record(id, cellHead(static_cast<int>(i) + 1, 2) + rec.mid(2));
        if (!text.isEmpty()) {
            sheet +=
                record(0x0207, U16(static_cast<std::uint16_t>(text.size())) + QByteArray(1, '\0') + text);
        }
    }
    sheet += record(0x000A, {});
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        return {};
    }
    f.write(test::WrapInOle(globals + sheet));
    return path;
}

TEST(CellCases, EveryFormatGivesTheSameEffects) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString files[] = {WriteXlsx(dir.filePath(u"cases.xlsx"_s)),
                             WriteCaseXls(dir.filePath(u"cases.xls"_s)),
                             WriteCaseOds(dir.filePath(u"cases.ods"_s))};
    const auto& cases = Cases();
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        ASSERT_FALSE(path.isEmpty());
        const AnswerWorkbook workbook = ReadAnswerWorkbook(path);
        ASSERT_EQ(workbook.status, ImportStatus::Imported) << workbook.error.toStdString();
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const bool xlsxOnly = std::strcmp(cases[i].what, "formula without a stored result") == 0;
            const std::optional<QString> expected =
                xlsxOnly && path.endsWith(u".xlsx"_s) ? kKeep : cases[i].effect;
            EXPECT_EQ(workbook.effects[i], expected) << cases[i].what;
        }
        // The items after the cases are blank, so they clear.
        EXPECT_EQ(workbook.effects[kItemCount - 1], QString());
    }
}

// libxlsxwriter's constant-memory mode writes every text as an inline string, as Apache POI's
// streaming writer does.
TEST(CellCases, InlineStringsOfAStreamingWriterAreRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"streamed.xlsx"_s);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(book, kMakerDomain);
    worksheet_write_string(sheet, 1, 2, "4", nullptr);  // item 1
    worksheet_write_string(sheet, 2, 2, " 4", nullptr); // item 2
    worksheet_write_number(sheet, 2, 25, 0, nullptr);
    worksheet_write_string(sheet, 2, 25, "Morvalen", nullptr); // Z3; rows go in order in this mode
    worksheet_write_number(sheet, 3, 2, 6, nullptr);           // item 3
    worksheet_write_string(sheet, 4, 2, "six", nullptr);       // item 4
    ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
    ASSERT_TRUE(test::ZipEntry(path, "xl/worksheets/sheet1.xml").contains("inlineStr"));

    const AnswerWorkbook workbook = ReadAnswerWorkbook(path);
    ASSERT_EQ(workbook.status, ImportStatus::Imported) << workbook.error.toStdString();
    EXPECT_EQ(workbook.effects[0], u"4"_s) << "an inline 4 sets the answer, never clears it";
    EXPECT_EQ(workbook.effects[1], kKeep);
    EXPECT_EQ(workbook.effects[2], u"6"_s);
    EXPECT_EQ(workbook.effects[3], kKeep);
    EXPECT_EQ(workbook.effects[4], QString());
}

// Our own writers' files are answer workbooks too, when they hold the marker.
TEST(CellCases, OurExportersFilesReadBack) {
    QTemporaryDir dir;
    const test::TestCells cells =
        test::AnswerCells(u"Morvalen"_s, {{1, 4.0}, {2, u"5"_s}, {3, u" 4"_s}, {4, 2.5}, {5, u"6"_s}});
    const test::CellsSource source(cells);
    for (const bool xls : {true, false}) {
        const QString path = dir.filePath(xls ? u"ours.xls"_s : u"ours.xlsx"_s);
        QString error;
        ASSERT_TRUE(xls ? XlsWriter::write(path, source, QString::fromLatin1(kMakerDomain), true, &error)
                        : XlsxWriter::write(path, source, QString::fromLatin1(kMakerDomain), true, &error))
            << error.toStdString();
        const AnswerWorkbook workbook = ReadAnswerWorkbook(path);
        ASSERT_EQ(workbook.status, ImportStatus::Imported) << path.toStdString();
        EXPECT_EQ(workbook.effects[0], u"4"_s);
        EXPECT_EQ(workbook.effects[1], u"5"_s);
        EXPECT_EQ(workbook.effects[2], kKeep);
        EXPECT_EQ(workbook.effects[3], kKeep);
        EXPECT_EQ(workbook.effects[4], u"6"_s);
        EXPECT_EQ(workbook.effects[5], QString());
    }
}

// Repeat counts beyond what a sheet holds are refused without expanding them; counts within
// it are read without expanding them either.
TEST(CellCases, HugeRepeatCountsAreRefusedAtOnce) {
    QTemporaryDir dir;
    QByteArray hostile;
    for (int i = 0; i < 4; ++i) {
        hostile += "<table:table-row><table:table-cell table:number-columns-repeated=\"2147483647\"/>"
                   "</table:table-row>";
    }
    const QByteArray rows = "<table:table-row table:number-rows-repeated=\"2147483647\"><table:table-cell/>"
                            "</table:table-row>";
    const QByteArray tooWide =
        "<table:table-row><table:table-cell table:number-columns-repeated=\"16384\"/>"
        "<table:table-cell office:value-type=\"float\" office:value=\"4\"/></table:table-row>";
    for (const QByteArray& body : {hostile, rows, tooWide}) {
        const QString path = test::WriteTestOds(dir.filePath(u"hostile.ods"_s), body);
        QElapsedTimer clock;
        clock.start();
        QString error;
        EXPECT_FALSE(WorkbookReader::Open(path, &error));
        EXPECT_TRUE(error.contains(u"beyond"_s)) << error.toStdString();
        EXPECT_EQ(ReadAnswerWorkbook(path).status, ImportStatus::Unreadable);
        RecordProperty("refused_ms", static_cast<int>(clock.elapsed()));
    }
    // A whole sheet of repeated values costs no more than one run of them.
    const QByteArray full = "<table:table-row table:number-rows-repeated=\"1048576\">"
                            "<table:table-cell office:value-type=\"float\" office:value=\"5\" "
                            "table:number-columns-repeated=\"16384\"/></table:table-row>";
    auto reader = WorkbookReader::Open(test::WriteTestOds(dir.filePath(u"full.ods"_s), full));
    ASSERT_TRUE(reader);
    ASSERT_TRUE(reader->selectSheet(kMakerDomain));
    EXPECT_EQ(reader->cell(1048575, 16383).number, 5);
    EXPECT_EQ(reader->cell(232, 2).number, 5);
}

} // namespace
} // namespace morvalen
