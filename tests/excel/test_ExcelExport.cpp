// The Excel export: the table read from the database, and the .xls and .xlsx files read back.
#include "TestWorkbooks.h"
#include "reports/ExcelExport.h"
#include "reports/WorkbookReader.h"
#include "reports/XlsWriter.h"
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"
#include "support/TempProgramFolder.h"

#include <QFile>

#include <gtest/gtest.h>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

std::string Utf8(const QString& s) {
    return s.toStdString();
}

class ExcelExport : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.valid());
        db = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(db);
        // Two examinees: one with a Persian name (with a zero-width non-joiner) and a few
        // answers, one with none.
        add(u"7"_s, u"مريم رضايي‌نژاد"_s, {{1, u"6"_s}, {2, u"1"_s}, {232, u"4"_s}});
        add(u"8"_s, u"علي كاظمي"_s, {});
    }

    void add(const QString& code, const QString& name, const std::map<int, QString>& answers) {
        Examinee e;
        e.code = code;
        e.fullName = name;
        e.age = u"35"_s;
        e.gender = u"زن"_s;
        e.maritalStatus = u"متاهل"_s;
        e.education = u"ليسانس"_s;
        ASSERT_TRUE(ExamineeStore(*db).addWithAnswerRow(e));
        AnswerStore store(*db);
        for (const auto& [item, value] : answers) {
            ASSERT_TRUE(store.setCell(code, item, value));
        }
    }

    ExportTable read() {
        auto table = ExportTable::Read(*db);
        EXPECT_TRUE(table);
        return table ? std::move(*table) : ExportTable();
    }

    // Checks a file read back: header, row numbers, names, blanks. Our own reader unless
    // another is given.
    void expectExportContent(const QString& path, std::unique_ptr<WorkbookReader> reader = nullptr) {
        QString error;
        if (!reader) {
            reader = WorkbookReader::Open(path, &error);
        }
        ASSERT_TRUE(reader) << error.toStdString();
        ASSERT_TRUE(reader->selectSheet("Morvalen"));
        EXPECT_EQ(reader->cell(0, 0).kind, WorkbookCell::Kind::Empty);
        const QStringList& titles = ExportTable::HeaderTitles();
        for (int c = 1; c <= 239; ++c) {
            const WorkbookCell title = reader->cell(0, c);
            EXPECT_EQ(title.kind, WorkbookCell::Kind::Text) << c;
            EXPECT_EQ(title.text, Utf8(titles[c - 1])) << c;
        }
        EXPECT_EQ(reader->cell(0, 240).kind, WorkbookCell::Kind::Empty) << "240 columns, no more";
        EXPECT_EQ(reader->cell(1, 0).kind, WorkbookCell::Kind::Number);
        EXPECT_EQ(reader->cell(1, 0).number, 1);
        EXPECT_EQ(reader->cell(2, 0).number, 2);
        EXPECT_EQ(reader->cell(1, 1).text, "7") << "the code as text, as stored";
        EXPECT_EQ(reader->cell(1, 1).kind, WorkbookCell::Kind::Text);
        EXPECT_EQ(reader->cell(1, 2).text, Utf8(u"مريم رضايي‌نژاد"_s));
        EXPECT_EQ(reader->cell(2, 2).text, Utf8(u"علي كاظمي"_s));
        EXPECT_EQ(reader->cell(1, 4).text, Utf8(u"زن"_s));
        EXPECT_EQ(reader->cell(1, 7).text, "6") << "S1";
        EXPECT_EQ(reader->cell(1, 7).kind, WorkbookCell::Kind::Text) << "answers stay text";
        EXPECT_EQ(reader->cell(1, 8).text, "1");
        EXPECT_EQ(reader->cell(1, 9).kind, WorkbookCell::Kind::Empty) << "S3 unanswered";
        EXPECT_EQ(reader->cell(1, 238).text, "4") << "S232";
        for (int c = 7; c <= 238; ++c) {
            EXPECT_EQ(reader->cell(2, c).kind, WorkbookCell::Kind::Empty) << c;
        }
        EXPECT_EQ(reader->cell(3, 1).kind, WorkbookCell::Kind::Empty) << "two examinees, two rows";
    }

    test::TempProgramFolder folder;
    std::unique_ptr<Database> db;
};

TEST_F(ExcelExport, TableHasTheHeaderTitlesAndRowNumbers) {
    const ExportTable table = read();
    EXPECT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.columnCount(), 240);
    const QStringList& titles = ExportTable::HeaderTitles();
    ASSERT_EQ(titles.size(), 239);
    EXPECT_EQ(titles.mid(0, 6), (QStringList{u"کد_آزمودني"_s, u"نام_و_نام_خانوادگي"_s, u"سن"_s, u"جنسيت"_s,
                                             u"تاهل"_s, u"تحصيلات"_s}));
    EXPECT_EQ(titles[6], u"S1"_s);
    EXPECT_EQ(titles[237], u"S232"_s);
    EXPECT_EQ(titles[238], u"ورود_دوم"_s);
    EXPECT_EQ(table.value(0, 0), u"7"_s);
    EXPECT_EQ(table.value(1, 1), u"علي كاظمي"_s);
    EXPECT_EQ(table.value(0, 6 + 231), u"4"_s);
    EXPECT_TRUE(table.value(1, 6).isEmpty());
}

TEST_F(ExcelExport, XlsReadsBackThroughFreeXlAndOurReader) {
    const ExportTable table = read();
    const QString path = folder.file(u"export.xls"_s);
    QString error;
    ASSERT_TRUE(WriteExport(table, {path, ExportFormat::Xls}, &error)) << error.toStdString();
    EXPECT_FALSE(QFile::exists(path + u".part"_s));
    expectExportContent(path, test::OpenWithFreeXl(path, &error));
    expectExportContent(path);
}

TEST_F(ExcelExport, XlsxReadsBackThroughOurReader) {
    const ExportTable table = read();
    const QString path = folder.file(u"export.xlsx"_s);
    QString error;
    ASSERT_TRUE(WriteExport(table, {path, ExportFormat::Xlsx}, &error)) << error.toStdString();
    expectExportContent(path);
}

// A long shared string table must go on in CONTINUE records without losing a character, also
// where a text is split between two records. (libfreexl 1.0.6 loses its way after a text that
// spans three or more records, which LibreOffice reads; no export cell is that long.)
TEST_F(ExcelExport, XlsKeepsLongAndManyTextsWhole) {
    test::TestCells cells;
    const QString longText = QString(u'ب').repeated(6000) + u"پايان"_s;
    cells[{0, 0}] = longText;
    for (int r = 1; r < 3000; ++r) {
        cells[{r, 1}] = u"متن شماره %1"_s.arg(r);
    }
    const QString path = folder.file(u"texts.xls"_s);
    ASSERT_TRUE(test::WriteTestXls(path, u"Morvalen"_s, cells));
    std::unique_ptr<WorkbookReader> readers[] = {test::OpenWithFreeXl(path), WorkbookReader::Open(path)};
    for (auto& reader : readers) {
        ASSERT_TRUE(reader);
        ASSERT_TRUE(reader->selectSheet("Morvalen"));
        EXPECT_EQ(reader->cell(0, 0).text, Utf8(longText));
        EXPECT_EQ(reader->cell(1, 1).text, Utf8(u"متن شماره 1"_s));
        EXPECT_EQ(reader->cell(2999, 1).text, Utf8(u"متن شماره 2999"_s));
    }
    // Our reader follows a text across any number of records.
    cells[{0, 0}] = QString(u'پ').repeated(30000);
    ASSERT_TRUE(test::WriteTestXls(path, u"Morvalen"_s, cells));
    auto ours = WorkbookReader::Open(path);
    ASSERT_TRUE(ours && ours->selectSheet("Morvalen"));
    EXPECT_EQ(ours->cell(0, 0).text, Utf8(QString(u'پ').repeated(30000)));
    EXPECT_EQ(ours->cell(2999, 1).text, Utf8(u"متن شماره 2999"_s));
}

TEST_F(ExcelExport, LibreOfficeReadsBothFormats) {
    if (!test::HaveLibreOffice()) {
        GTEST_SKIP() << "soffice is not installed";
    }
    const ExportTable table = read();
    for (const auto format : {ExportFormat::Xls, ExportFormat::Xlsx}) {
        const QString path = folder.file(format == ExportFormat::Xls ? u"lo.xls"_s : u"lo.xlsx"_s);
        ASSERT_TRUE(WriteExport(table, {path, format}, nullptr));
        const QList<QStringList> rows = test::ReadWithLibreOffice(path, folder.path());
        ASSERT_EQ(rows.size(), 3) << path.toStdString();
        ASSERT_EQ(rows[0].size(), 240);
        EXPECT_EQ(rows[0][0], QString());
        EXPECT_EQ(rows[0][1], u"کد_آزمودني"_s);
        EXPECT_EQ(rows[0][238], u"S232"_s);
        EXPECT_EQ(rows[0][239], u"ورود_دوم"_s);
        EXPECT_EQ(rows[1][0], u"1"_s);
        EXPECT_EQ(rows[1][2], u"مريم رضايي‌نژاد"_s);
        EXPECT_EQ(rows[1][7], u"6"_s);
        EXPECT_EQ(rows[1][9], QString());
        EXPECT_EQ(rows[2][2], u"علي كاظمي"_s);
    }
}

TEST_F(ExcelExport, TargetNameGetsItsExtensionOnce) {
    struct Case {
        QString chosen;
        QString filter;
        QString path;
        ExportFormat format;
    };
    const Case cases[] = {
        {u"/d/data"_s, QString(), u"/d/data.xls"_s, ExportFormat::Xls},
        {u"/d/data.xls"_s, QString(), u"/d/data.xls"_s, ExportFormat::Xls},
        {u"/d/data.XLS"_s, QString(), u"/d/data.XLS"_s, ExportFormat::Xls},
        {u"/d/data.xlsx"_s, QString(), u"/d/data.xlsx"_s, ExportFormat::Xlsx},
        {u"/d/data.xlsx"_s, u"Excel (*.xls)"_s, u"/d/data.xlsx"_s, ExportFormat::Xlsx},
        {u"/d/data"_s, u"Excel 2007 (*.xlsx)"_s, u"/d/data.xlsx"_s, ExportFormat::Xlsx},
        {u"/d/data.xls.bak"_s, QString(), u"/d/data.xls.bak.xls"_s, ExportFormat::Xls},
    };
    for (const Case& c : cases) {
        const ExportTarget target = ExportTargetFor(c.chosen, c.filter);
        EXPECT_EQ(target.path, c.path) << c.chosen.toStdString();
        EXPECT_EQ(target.format, c.format) << c.chosen.toStdString();
    }
}

// More rows than an .xls sheet holds: refused with a reason, and no file is left.
class TallSource : public SheetSource {
public:
    int rowCount() const override { return XlsWriter::kMaxRows + 1; }
    int columnCount() const override { return 2; }
    SheetCell cell(int, int) const override { return SheetCell::Number(1); }
};

TEST_F(ExcelExport, XlsRefusesMoreRowsThanItHolds) {
    const QString path = folder.file(u"tall.xls"_s);
    QString error;
    EXPECT_FALSE(XlsWriter::write(path, TallSource(), u"Morvalen"_s, true, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists(path + u".part"_s));
}

TEST_F(ExcelExport, UnwritableFolderIsReportedAndLeavesOldFileAlone) {
    const ExportTable table = read();
    QString error;
    EXPECT_FALSE(WriteExport(table, {folder.file(u"no/such/folder/x.xls"_s), ExportFormat::Xls}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(WriteExport(table, {folder.file(u"no/such/folder/x.xlsx"_s), ExportFormat::Xlsx}, &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
} // namespace morvalen
