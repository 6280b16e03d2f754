// The answer import: the checks on the workbook, the value rule, and what reaches the store.
#include "TestWorkbooks.h"
#include "core/MakerSite.h"
#include "reports/AnswerImport.h"
#include "reports/XlsxBlankWorkbook.h"
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"
#include "store/QuestionStore.h"
#include "support/Files.h"
#include "support/TempProgramFolder.h"

#include <QFile>
#include <QProcess>

#include <xlsxwriter.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;
using test::TestCell;

const QString kSheet = QString::fromLatin1(kMakerDomain);

TEST(AnswerCellRule, EmptyClearsOneToSixSetsAnythingElseKeeps) {
    using K = WorkbookCell::Kind;
    struct Case {
        WorkbookCell cell;
        std::optional<QString> effect;
    };
    const std::optional<QString> keep;
    const Case cases[] = {
        {{K::Empty, {}, 0}, QString()},
        {{K::Text, "", 0}, QString()},
        {{K::Text, "1", 0}, u"1"_s},
        {{K::Text, "6", 0}, u"6"_s},
        {{K::Number, {}, 4}, u"4"_s},
        {{K::Number, {}, 1}, u"1"_s},
        {{K::Number, {}, 6}, u"6"_s},
        {{K::Number, {}, 7}, keep},
        {{K::Number, {}, 0}, keep},
        {{K::Number, {}, -3}, keep},
        {{K::Number, {}, 2.5}, keep},
        {{K::Number, {}, 4.0000001}, keep},
        {{K::Number, {}, std::numeric_limits<double>::quiet_NaN()}, keep},
        {{K::Number, {}, std::numeric_limits<double>::infinity()}, keep},
        {{K::Text, "7", 0}, keep},
        {{K::Text, "0", 0}, keep},
        {{K::Text, " 4", 0}, keep},
        {{K::Text, "4 ", 0}, keep},
        {{K::Text, "04", 0}, keep},
        {{K::Text, "4.0", 0}, keep},
        {{K::Text, "\xDB\xB4", 0}, keep}, // the Persian digit four
        {{K::Text, "abc", 0}, keep},
        {{K::Boolean, {}, 1}, keep},
        {{K::Error, {}, 0}, keep},
        {{K::Other, "2023-01-04", 0}, keep},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AnswerCellEffect(c.cell), c.effect) << c.cell.text << " / " << c.cell.number;
    }
}

class AnswerImport : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.valid());
        db = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(db);
        Examinee e;
        e.code = code;
        e.fullName = u"آزمودني"_s;
        ASSERT_TRUE(ExamineeStore(*db).addWithAnswerRow(e));
        resetAnswers();
    }

    // Every item answered 3 before the import, so keeping and clearing both show.
    void resetAnswers() {
        AnswerRow row;
        row.fill(u"3"_s);
        ASSERT_TRUE(AnswerStore(*db).setRow(code, row));
    }

    AnswerRow stored() { return AnswerStore(*db).row(code).value_or(AnswerRow{}); }

    QString xlsx(const test::TestCells& cells, const QString& sheet = kSheet) {
        const QString path = folder.file(u"answers%1.xlsx"_s.arg(++m_files));
        EXPECT_TRUE(test::WriteTestXlsx(path, sheet, cells));
        return path;
    }
    QString xls(const test::TestCells& cells, const QString& sheet = kSheet) {
        const QString path = folder.file(u"answers%1.xls"_s.arg(++m_files));
        EXPECT_TRUE(test::WriteTestXls(path, sheet, cells));
        return path;
    }

    ImportStatus import(const QString& path) { return ImportAnswers(path, folder.path(), code); }

    test::TempProgramFolder folder;
    std::unique_ptr<Database> db;
    const QString code = u"12"_s;
    int m_files = 0;
};

TEST_F(AnswerImport, MarkerMustMatchExactly) {
    struct Case {
        TestCell marker;
        ImportStatus status;
    };
    const Case cases[] = {
        {u"Morvalen"_s, ImportStatus::Imported},
        {u"morvalen"_s, ImportStatus::WrongMarker},
        {u"MORVALEN"_s, ImportStatus::WrongMarker},
        {u"Morvalen "_s, ImportStatus::WrongMarker},
        {u" Morvalen"_s, ImportStatus::WrongMarker},
        {QString(), ImportStatus::WrongMarker},
        {1.0, ImportStatus::WrongMarker},
    };
    for (const Case& c : cases) {
        test::TestCells cells = test::AnswerCells(u"x"_s, {{1, u"5"_s}});
        if (const auto* text = std::get_if<QString>(&c.marker); text && text->isEmpty()) {
            cells.erase({2, 25});
        } else {
            cells[{2, 25}] = c.marker;
        }
        for (const QString& path : {xlsx(cells), xls(cells)}) {
            EXPECT_EQ(import(path), c.status) << path.toStdString();
        }
        if (c.status != ImportStatus::Imported) {
            EXPECT_EQ(stored()[0], u"3"_s) << "a refused workbook writes nothing";
        }
        resetAnswers();
    }
}

// Spreadsheet programs find a sheet by its name in any letter case; so does the import.
TEST_F(AnswerImport, SheetNameMatchesInAnyLetterCase) {
    for (const QString& sheet : {u"Morvalen.Example"_s, u"MORVALEN.EXAMPLE"_s}) {
        const test::TestCells cells = test::AnswerCells(u"Morvalen"_s, {{1, u"1"_s}});
        EXPECT_EQ(import(xlsx(cells, sheet)), ImportStatus::Imported);
        resetAnswers();
        EXPECT_EQ(import(xls(cells, sheet)), ImportStatus::Imported);
        EXPECT_EQ(stored()[0], u"1"_s);
        resetAnswers();
    }
    EXPECT_EQ(import(xlsx(test::AnswerCells(u"Morvalen"_s, {}), u"morvalen.example2"_s)),
              ImportStatus::Unreadable);
}

// A blank workbook saved under an earlier host name of the maker still imports once the
// address has changed; a sheet named by any other host does not.
TEST_F(AnswerImport, SheetNamedByAFormerAddressImports) {
    QStringList names{kSheet};
    for (const char* const* former = kFormerMakerDomains; *former; ++former) {
        names.append(QString::fromLatin1(*former));
    }
    EXPECT_TRUE(names.contains(u"morvalen.example"_s)) << "the placeholder is always known";
    for (const QString& sheet : names) {
        resetAnswers();
        EXPECT_EQ(import(xlsx(test::AnswerCells(u"Morvalen"_s, {{1, u"6"_s}}), sheet)),
                  ImportStatus::Imported)
            << sheet.toStdString();
        EXPECT_EQ(stored()[0], u"6"_s);
    }
    EXPECT_EQ(import(xlsx(test::AnswerCells(u"Morvalen"_s, {}), u"other.example"_s)),
              ImportStatus::Unreadable);
}

TEST_F(AnswerImport, ValuesFollowTheRuleInBothFormats) {
    for (const bool asXls : {false, true}) {
        resetAnswers();
        // Items 1 to 8 carry the cases; items 9 onward stay empty and are cleared.
        const test::TestCells cells = test::AnswerCells(u"Morvalen"_s, {
                                                                           {1, 4.0},
                                                                           {2, u"4"_s},
                                                                           {3, 7.0},
                                                                           {4, 0.0},
                                                                           {5, 2.5},
                                                                           {6, u" 4"_s},
                                                                           {7, u"six"_s},
                                                                           {8, 6.0},
                                                                       });
        const QString path = asXls ? xls(cells) : xlsx(cells);
        ASSERT_EQ(import(path), ImportStatus::Imported) << asXls;
        const AnswerRow row = stored();
        EXPECT_EQ(row[0], u"4"_s) << "numeric 4";
        EXPECT_EQ(row[1], u"4"_s) << "text 4, the same effect";
        for (int i : {2, 3, 4, 5, 6}) {
            EXPECT_EQ(row[i], u"3"_s) << "item " << i + 1 << " keeps its answer";
        }
        EXPECT_EQ(row[7], u"6"_s);
        for (int i = 8; i < kItemCount; ++i) {
            EXPECT_TRUE(row[i].isEmpty()) << "item " << i + 1 << " cleared";
        }
    }
}

// Little-endian BIFF records for a hand-made .xls.
class Biff {
public:
    Biff& record(std::uint16_t id, const QByteArray& data) {
        u16(m_bytes, id);
        u16(m_bytes, static_cast<std::uint16_t>(data.size()));
        m_bytes += data;
        return *this;
    }
    static void u16(QByteArray& b, std::uint16_t v) {
        b += static_cast<char>(v & 0xFF);
        b += static_cast<char>(v >> 8);
    }
    static void u32(QByteArray& b, std::uint32_t v) {
        u16(b, static_cast<std::uint16_t>(v));
        u16(b, static_cast<std::uint16_t>(v >> 16));
    }
    static QByteArray cell(std::uint16_t row, std::uint16_t column) {
        QByteArray b;
        u16(b, row);
        u16(b, column);
        u16(b, 15);
        return b;
    }
    static QByteArray compressedText(const char* text) {
        QByteArray b;
        u16(b, static_cast<std::uint16_t>(std::strlen(text)));
        b += '\0';
        b += text;
        return b;
    }
    QByteArray& bytes() { return m_bytes; }

private:
    QByteArray m_bytes;
};

// The records spreadsheet programs write for numbers and results, read from a hand-made .xls:
// RK and MULRK numbers, a formula with a text result in its STRING record, booleans and errors.
TEST_F(AnswerImport, XlsRecordsOfEveryKindFollowTheRule) {
    QByteArray bof;
    Biff::u16(bof, 0x0600);
    Biff::u16(bof, 0x0005);
    Biff::u32(bof, 0);
    Biff::u32(bof, 0);
    QByteArray sheetBof = bof;
    sheetBof[2] = 0x10;

    const QByteArray name = QByteArray(kMakerDomain);
    QByteArray boundSheet;
    Biff::u32(boundSheet, 0); // patched below
    Biff::u16(boundSheet, 0);
    boundSheet += static_cast<char>(name.size());
    boundSheet += '\0';
    boundSheet += name;

    Biff globals;
    globals.record(0x0809, bof).record(0x0085, boundSheet).record(0x000A, {});
    const auto sheetOffset = static_cast<std::uint32_t>(globals.bytes().size());
    for (int i = 0; i < 4; ++i) {
        globals.bytes()[4 + bof.size() + 4 + i] = static_cast<char>(sheetOffset >> (8 * i));
    }

    Biff sheet;
    sheet.record(0x0809, sheetBof);
    sheet.record(0x0204, Biff::cell(2, 25) + Biff::compressedText("Morvalen")); // LABEL in Z3
    QByteArray formula = Biff::cell(1, 2); // C2: a formula whose result is the text "5"
    formula += QByteArray("\x00\x00\x00\x00\x00\x00\xFF\xFF", 8);
    formula += QByteArray(6, '\0');
    sheet.record(0x0006, formula).record(0x0207, Biff::compressedText("5"));
    QByteArray rk = Biff::cell(2, 2); // C3: the whole number 5 as RK
    Biff::u32(rk, (5u << 2) | 0x02);
    sheet.record(0x027E, rk);
    QByteArray mulrk; // C4, D4 and E4: 2, 6 and 5 in one MULRK
    Biff::u16(mulrk, 3);
    Biff::u16(mulrk, 2);
    for (const std::uint32_t v : {(2u << 2) | 0x02, (6u << 2) | 0x02, (5u << 2) | 0x02}) {
        Biff::u16(mulrk, 15);
        Biff::u32(mulrk, v);
    }
    Biff::u16(mulrk, 4);
    sheet.record(0x00BD, mulrk);
    QByteArray hundredths = Biff::cell(4, 2); // C5: 450 / 100 = 4.5 as RK
    Biff::u32(hundredths, (450u << 2) | 0x03);
    sheet.record(0x027E, hundredths);
    QByteArray boolean = Biff::cell(5, 2); // C6: TRUE
    boolean += "\x01";
    boolean += '\0';
    sheet.record(0x0205, boolean);
    QByteArray error = Biff::cell(6, 2); // C7: #DIV/0!
    error += "\x07\x01";
    sheet.record(0x0205, error);
    QByteArray number = Biff::cell(7, 2); // C8: 1.0 as a NUMBER
    number += QByteArray("\x00\x00\x00\x00\x00\x00\xF0\x3F", 8);
    sheet.record(0x0203, number);
    QByteArray wide = Biff::cell(8, 2); // C9: "4" as UTF-16 text
    wide += QByteArray("\x01\x00\x01\x34\x00", 5);
    sheet.record(0x0204, wide);
    sheet.record(0x000A, {});

    const QString path = folder.file(u"records.xls"_s);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(test::WrapInOle(globals.bytes() + sheet.bytes()));
    f.close();
    ASSERT_EQ(import(path), ImportStatus::Imported);
    const AnswerRow row = stored();
    EXPECT_EQ(row[0], u"5"_s) << "the formula's text result";
    EXPECT_EQ(row[1], u"5"_s) << "RK";
    EXPECT_EQ(row[2], u"2"_s) << "MULRK";
    EXPECT_EQ(row[3], u"3"_s) << "4.5 keeps";
    EXPECT_EQ(row[4], u"3"_s) << "a boolean keeps";
    EXPECT_EQ(row[5], u"3"_s) << "an error keeps";
    EXPECT_EQ(row[6], u"1"_s) << "NUMBER";
    EXPECT_EQ(row[7], u"4"_s) << "UTF-16 LABEL";
    EXPECT_TRUE(row[8].isEmpty());
}

TEST_F(AnswerImport, EmptyAnswerColumnClearsAllAnswers) {
    ASSERT_EQ(import(xlsx(test::AnswerCells(u"Morvalen"_s, {}))), ImportStatus::Imported);
    for (const QString& answer : stored()) {
        EXPECT_TRUE(answer.isEmpty());
    }
}

TEST_F(AnswerImport, FullColumnReachesEveryItem) {
    std::map<int, TestCell> answers;
    for (int item = 1; item <= kItemCount; ++item) {
        answers[item] = static_cast<double>(item % 6 + 1);
    }
    ASSERT_EQ(import(xls(test::AnswerCells(u"Morvalen"_s, answers))), ImportStatus::Imported);
    const AnswerRow row = stored();
    for (int item = 1; item <= kItemCount; ++item) {
        EXPECT_EQ(row[item - 1], QString::number(item % 6 + 1)) << item;
    }
}

TEST_F(AnswerImport, UnreadableFilesWriteNothing) {
    const QString text = folder.file(u"notes.xlsx"_s);
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("just some text, not a workbook\n");
    f.close();
    const QString empty = folder.file(u"empty.xls"_s);
    QFile(empty).open(QIODevice::WriteOnly);
    const QString fullPath = xlsx(test::AnswerCells(u"Morvalen"_s, {}));
    const QByteArray full = test::ReadAll(fullPath);
    const QString truncated = folder.file(u"truncated.xlsx"_s);
    QFile t(truncated);
    ASSERT_TRUE(t.open(QIODevice::WriteOnly));
    t.write(full.left(full.size() / 2));
    t.close();
    const QByteArray fullXls = test::ReadAll(xls(test::AnswerCells(u"Morvalen"_s, {})));
    const QString truncatedXls = folder.file(u"truncated.xls"_s);
    QFile tx(truncatedXls);
    ASSERT_TRUE(tx.open(QIODevice::WriteOnly));
    tx.write(fullXls.left(700));
    tx.close();

    const QString paths[] = {
        text,
        empty,
        truncated,
        truncatedXls,
        folder.file(u"missing.xlsx"_s),
        xlsx(test::AnswerCells(u"Morvalen"_s, {}), u"Sheet1"_s), // no sheet named by the domain
        xls(test::AnswerCells(u"Morvalen"_s, {}), u"Sheet1"_s),
    };
    for (const QString& path : paths) {
        EXPECT_EQ(import(path), ImportStatus::Unreadable) << path.toStdString();
        EXPECT_EQ(stored()[0], u"3"_s) << path.toStdString();
    }
}

TEST_F(AnswerImport, MissingDatabaseCountsAsUnreadable) {
    const QString path = xlsx(test::AnswerCells(u"Morvalen"_s, {}));
    EXPECT_EQ(ImportAnswers(path, folder.file(u"no-such-folder"_s), code), ImportStatus::Unreadable);
    EXPECT_EQ(stored()[0], u"3"_s);
}

// Every sheet costs the reader memory, so a workbook of very many is refused; a few are fine.
TEST_F(AnswerImport, WorkbookWithVeryManySheetsIsRefused) {
    for (const int sheets : {3, 200}) {
        const QString path = folder.file(u"sheets%1.xlsx"_s.arg(sheets));
        lxw_workbook* book = workbook_new(QFile::encodeName(path).constData());
        for (int i = 1; i < sheets; ++i) {
            workbook_add_worksheet(book, u"s%1"_s.arg(i).toUtf8().constData());
        }
        worksheet_write_string(workbook_add_worksheet(book, kMakerDomain), 2, 25, "Morvalen", nullptr);
        ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
        EXPECT_EQ(import(path), sheets == 3 ? ImportStatus::Imported : ImportStatus::Unreadable) << sheets;
    }
}

TEST_F(AnswerImport, ExamineeWithoutAnswerRowGetsNothing) {
    ASSERT_TRUE(AnswerStore(*db).removeRow(code));
    EXPECT_EQ(import(xlsx(test::AnswerCells(u"Morvalen"_s, {{1, u"2"_s}}))), ImportStatus::NoAnswerRow);
    EXPECT_EQ(AnswerStore(*db).hasRow(code), false) << "the import never adds a row";
}

TEST_F(AnswerImport, OtherExamineesAreUntouched) {
    Examinee other;
    other.code = u"13"_s;
    ASSERT_TRUE(ExamineeStore(*db).addWithAnswerRow(other));
    ASSERT_TRUE(AnswerStore(*db).setCell(u"13"_s, 1, u"5"_s));
    ASSERT_EQ(import(xlsx(test::AnswerCells(u"Morvalen"_s, {{1, u"2"_s}}))), ImportStatus::Imported);
    EXPECT_EQ(stored()[0], u"2"_s);
    EXPECT_EQ(AnswerStore(*db).cell(u"13"_s, 1), u"5"_s);
}

// Workbooks as a spreadsheet program saves them: LibreOffice turns one .xlsx into .xls and
// .ods, with its own records (RK numbers, formulas with stored results, booleans).
TEST_F(AnswerImport, WorkbooksSavedByLibreOfficeImportAlike) {
    if (!test::HaveLibreOffice()) {
        GTEST_SKIP() << "soffice makes the .xls and .ods here";
    }
    const QString source = folder.file(u"filled.xlsx"_s);
    {
        lxw_workbook* book = workbook_new(QFile::encodeName(source).constData());
        lxw_worksheet* ws = workbook_add_worksheet(book, kMakerDomain);
        worksheet_write_string(ws, 2, 25, "Morvalen", nullptr);
        worksheet_write_number(ws, 1, 2, 4, nullptr);                  // item 1
        worksheet_write_string(ws, 2, 2, "4", nullptr);                // item 2
        worksheet_write_formula_num(ws, 3, 2, "=2+3", nullptr, 5);     // item 3
        worksheet_write_boolean(ws, 4, 2, 1, nullptr);                 // item 4
        worksheet_write_string(ws, 5, 2, " 4", nullptr);               // item 5
        worksheet_write_number(ws, 6, 2, 2.5, nullptr);                // item 6
        worksheet_write_number(ws, 7, 2, 6, nullptr);                  // item 7
        worksheet_write_formula_str(ws, 8, 2, "=\"2\"", nullptr, "2"); // item 8
        worksheet_write_number(ws, 9, 2, 123456, nullptr);             // item 9
        ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
    }
    for (const QString& format : {u"xls"_s, u"ods"_s}) {
        QProcess soffice;
        soffice.start(u"soffice"_s,
                      {u"--headless"_s, u"-env:UserInstallation=file://"_s + folder.path() + u"/lo"_s,
                       u"--convert-to"_s, format, u"--outdir"_s, folder.path(), source});
        ASSERT_TRUE(soffice.waitForFinished(120000));
    }
    for (const QString& path : {source, folder.file(u"filled.xls"_s), folder.file(u"filled.ods"_s)}) {
        SCOPED_TRACE(path.toStdString());
        resetAnswers();
        ASSERT_EQ(import(path), ImportStatus::Imported);
        const AnswerRow row = stored();
        EXPECT_EQ(row[0], u"4"_s);
        EXPECT_EQ(row[1], u"4"_s);
        EXPECT_EQ(row[2], u"5"_s) << "a formula counts by its result";
        EXPECT_EQ(row[5], u"3"_s);
        EXPECT_EQ(row[6], u"6"_s);
        EXPECT_EQ(row[8], u"3"_s);
        EXPECT_TRUE(row[9].isEmpty());
        EXPECT_EQ(row[3], u"3"_s) << "a boolean keeps";
        EXPECT_EQ(row[4], u"3"_s) << "a digit with a leading blank keeps";
        // LibreOffice keeps a formula's text result only in the .xlsx it was given.
        if (path == source) {
            EXPECT_EQ(row[7], u"2"_s) << "a formula's text result";
        }
    }
}

TEST_F(AnswerImport, BlankWorkbookCarriesQuestionsAndImports) {
    const QString path = folder.file(u"Morvalen-Excel.xlsx"_s);
    QStringList questions;
    for (int i = 1; i <= kItemCount; ++i) {
        questions.append(QuestionStore(*db).text(i));
    }
    QString error;
    ASSERT_TRUE(WriteBlankAnswerWorkbook(path, questions, &error)) << error.toStdString();

    auto reader = WorkbookReader::Open(path);
    ASSERT_TRUE(reader);
    ASSERT_TRUE(reader->selectSheet(kMakerDomain));
    EXPECT_EQ(reader->cell(2, 25).text, "Morvalen");
    EXPECT_EQ(reader->cell(1, 0).number, 1);
    EXPECT_EQ(reader->cell(232, 0).number, 232);
    EXPECT_EQ(reader->cell(1, 1).text, questions[0].toStdString());
    EXPECT_EQ(reader->cell(232, 1).text, questions[231].toStdString());
    EXPECT_FALSE(questions[0].isEmpty());

    // The answer cells accept only 1 to 6.
    const QByteArray sheetXml = test::ZipEntry(path, "xl/worksheets/sheet1.xml");
    EXPECT_TRUE(sheetXml.contains("<dataValidation type=\"whole\"")) << sheetXml.left(2000).toStdString();
    EXPECT_TRUE(sheetXml.contains("sqref=\"C2:C233\""));
    EXPECT_TRUE(sheetXml.contains("<formula1>1</formula1><formula2>6</formula2>"));
    EXPECT_TRUE(sheetXml.contains("rightToLeft=\"1\""));

    EXPECT_EQ(import(path), ImportStatus::Imported);
    for (const QString& answer : stored()) {
        EXPECT_TRUE(answer.isEmpty()) << "the blank workbook clears the answers";
    }
}

} // namespace
} // namespace morvalen
