// The CSV file: its bytes, and what Python's csv module and LibreOffice read back.
#include "CsvText.h"
#include "ResearchSample.h"
#include "reports/CsvWriter.h"
#include "support/ExternalReaders.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

class CsvFile : public test::ResearchSample {
protected:
    QString write() {
        const Snapshot s = snapshot();
        const QString path = folder.file(u"پژوهش.csv"_s);
        QString error;
        EXPECT_TRUE(WriteResearch(s.table, s.details, ResearchFormat::Csv, path, &error))
            << error.toStdString();
        return path;
    }

    // The heading and the three rows as written: a missing number is an empty field.
    std::vector<QStringList> expectedRows() const {
        return {expectedNames(), expectedCase(0, u"30"_s, QString()), expectedCase(1, QString(), QString()),
                expectedCase(2, u"45"_s, QString())};
    }
};

TEST_F(CsvFile, BytesAreUtf8WithAByteOrderMarkQuotedAsRfc4180) {
    QFile file(write());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << "the mark Excel needs to read UTF-8";
    const QList<QByteArray> lines = bytes.mid(3).split('\n');
    ASSERT_EQ(lines.size(), 5) << "heading, three rows and the end after the last CR LF";
    EXPECT_TRUE(lines.back().isEmpty());
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(lines[i].endsWith('\r')) << "line " << i << " ends in CR LF";
    }
    EXPECT_TRUE(
        lines[0].startsWith("Code,FullName,Age,Gender,Marital,Education,Phone,Tester,TestDate,Q1,Q2,"));
    EXPECT_TRUE(lines[0].endsWith(",PU_pct,Unanswered,Verified\r"));
    // The name holds quotes and a comma: quoted, its quotes doubled.
    EXPECT_TRUE(lines[1].startsWith(
        u"1,\"مريم \"\"نيك\"\" زاده, تهراني\",30,زن,متاهل,كارشناسي,09121234567,"_s.toUtf8()))
        << lines[1].left(120).toStdString();
    // No age and a blank item 5: empty fields, never 0; items 7 and 8 ("x" and a Persian digit)
    // hold the 0 their scale counted.
    EXPECT_TRUE(lines[2].startsWith(u"2,علي رضايي,,مرد,مجرد,كارشناسي,,,,6,6,6,6,,6,0,0,6,"_s.toUtf8()))
        << lines[2].left(120).toStdString();
}

TEST_F(CsvFile, PythonCsvReadsWhatWasWritten) {
    const QString path = write();
    const auto out =
        test::RunProgram(u"python3"_s, {u"-c"_s,
                                        u"import csv, json, sys\n"
                                        u"with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:\n"
                                        u"    print(json.dumps(list(csv.reader(f)), ensure_ascii=False))\n"_s,
                                        path});
    ASSERT_TRUE(out) << "python3 could not read the file";
    const QJsonArray rows = QJsonDocument::fromJson(*out).array();
    std::vector<QStringList> read;
    for (const QJsonValue& row : rows) {
        QStringList fields;
        for (const QJsonValue& field : row.toArray()) {
            fields.append(field.toString());
        }
        read.push_back(fields);
    }
    EXPECT_EQ(read, expectedRows());
}

TEST_F(CsvFile, LibreOfficeReadsWhatWasWritten) {
    if (!test::HaveProgram(u"soffice"_s)) {
        GTEST_FAIL() << "LibreOffice is missing: scripts/install-deps.sh installs it";
    }
    const QString path = write();
    const QString outDir = folder.file(u"lo"_s);
    ASSERT_TRUE(QDir().mkpath(outDir));
    // Read as UTF-8 from the first line, the code and phone columns as text (as a researcher
    // marks them on import, so the phone keeps its leading zero); written back as UTF-8 CSV.
    const QString profile = QDir(outDir).filePath(u"profile"_s);
    const auto done = test::RunProgram(
        u"soffice"_s, {u"--headless"_s, u"-env:UserInstallation=file://"_s + profile,
                       u"--infilter=CSV:44,34,76,1,1/2/7/2"_s, u"--convert-to"_s,
                       u"csv:Text - txt - csv (StarCalc):44,34,76"_s, u"--outdir"_s, outDir, path});
    ASSERT_TRUE(done) << "LibreOffice could not convert the file";
    QFile back(QDir(outDir).filePath(QFileInfo(path).completeBaseName() + u".csv"_s));
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(test::ParseCsv(QString::fromUtf8(back.readAll())), expectedRows());
}

// Texts a spreadsheet would run as formulas are written with a leading apostrophe, text cells
// only: the code, the numbers and the answers stay as they are, and LibreOffice makes no
// formula of any of them.
TEST_F(CsvFile, FormulaLikeTextsAreWrittenAsText) {
    const QStringList formulas{u"=HYPERLINK(\"http://127.0.0.1/x\";\"click\")"_s,
                               u"+1+2"_s,
                               u"-3+4"_s,
                               u"@SUM(1;2)"_s,
                               u"\t=1+1"_s,
                               u"\r=2+2"_s};
    for (int i = 0; i < formulas.size(); ++i) {
        Examinee e = examinee(u"-%1"_s.arg(10 + i), formulas[i], u"33"_s, u"زن"_s, u"مجرد"_s);
        e.tester = u"=1+%1"_s.arg(i);
        ASSERT_TRUE(ExamineeStore(*db).addWithAnswerRow(e));
    }
    const QString path = write();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::vector<QStringList> rows = test::ParseCsv(QString::fromUtf8(file.readAll()));
    ASSERT_EQ(rows.size(), 4u + formulas.size());
    const QStringList names = expectedNames();
    for (int i = 0; i < formulas.size(); ++i) {
        const QStringList& row = rows[4 + i];
        SCOPED_TRACE(formulas[i].toStdString());
        EXPECT_EQ(row[names.indexOf(u"Code"_s)], u"-%1"_s.arg(10 + i)) << "the code is the program's own";
        EXPECT_EQ(row[names.indexOf(u"FullName"_s)], u"'"_s + formulas[i]);
        EXPECT_EQ(row[names.indexOf(u"Tester"_s)], u"'=1+%1"_s.arg(i));
        EXPECT_EQ(row[names.indexOf(u"Age"_s)], u"33"_s);
    }
    // The earlier rows, without such texts, are as before.
    EXPECT_EQ(rows[1], expectedRows()[1]);

    if (!test::HaveProgram(u"soffice"_s)) {
        GTEST_FAIL() << "LibreOffice is missing: scripts/install-deps.sh installs it";
    }
    const QString outDir = folder.file(u"lo"_s);
    ASSERT_TRUE(QDir().mkpath(outDir));
    const QString profile = QDir(outDir).filePath(u"profile"_s);
    const auto done =
        test::RunProgram(u"soffice"_s, {u"--headless"_s, u"-env:UserInstallation=file://"_s + profile,
                                        u"--infilter=CSV:44,34,76,1"_s, u"--convert-to"_s, u"fods"_s,
                                        u"--outdir"_s, outDir, path});
    ASSERT_TRUE(done) << "LibreOffice could not convert the file";
    QFile sheet(QDir(outDir).filePath(QFileInfo(path).completeBaseName() + u".fods"_s));
    ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
    const QByteArray xml = sheet.readAll();
    EXPECT_FALSE(xml.contains("table:formula=")) << "no text became a formula";
    EXPECT_FALSE(xml.contains("xlink:href")) << "no text became a link";
    EXPECT_TRUE(xml.contains("HYPERLINK(")) << "the text itself is kept";
}

TEST_F(CsvFile, NoExamineeGivesTheHeadingAlone) {
    const QString path = folder.file(u"none.csv"_s);
    QString error;
    ASSERT_TRUE(WriteResearch(ExportTable(), ResearchDetails(), ResearchFormat::Csv, path, &error))
        << error.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "\xEF\xBB\xBF" + expectedNames().join(u',').toUtf8() + "\r\n");
}

} // namespace
} // namespace morvalen
