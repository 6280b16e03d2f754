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

TEST_F(AnswerImport, ExamineeWithoutAnswerRowGetsNothing) {
    ASSERT_TRUE(AnswerStore(*db).removeRow(code));
    EXPECT_EQ(import(xlsx(test::AnswerCells(u"Morvalen"_s, {{1, u"2"_s}}))), ImportStatus::NoAnswerRow);
    EXPECT_FALSE(AnswerStore(*db).hasRow(code)) << "the import never adds a row";
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
        const bool ods = path.endsWith(u".ods"_s);
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
        // liborcus 0.17 reads an .ods boolean as the number 1 and drops a text's leading
        // blanks, so those two cases hold for .xlsx and .xls only.
        if (!ods) {
            EXPECT_EQ(row[3], u"3"_s) << "a boolean keeps";
            EXPECT_EQ(row[4], u"3"_s) << "a digit with a leading blank keeps";
        }
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
