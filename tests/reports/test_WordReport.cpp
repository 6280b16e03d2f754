// The Word report: the document's package and content, a real reader's view of it, and the
// profile window's button with its messages.
#include "core/SchemaScale.h"
#include "reports/DocxWriter.h"
#include "reports/WordExport.h"
#include "shell/Desktop.h"
#include "store/AdministrationStore.h"
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"
#include "support/Files.h"
#include "support/GuiFixture.h"
#include "views/ProfileWindow.h"

#include "support/ExternalReaders.h"

#include <QBuffer>
#include <QChartView>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QXmlStreamReader>

#include <zip.h>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

// One part of a zip package, or nothing when the package or the part cannot be read.
std::optional<QByteArray> ZipPart(const QString& package, const char* name) {
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(package).constData(), ZIP_RDONLY, &error);
    if (!archive) {
        return std::nullopt;
    }
    std::optional<QByteArray> bytes;
    zip_stat_t stat;
    if (zip_stat(archive, name, 0, &stat) == 0) {
        if (zip_file_t* file = zip_fopen(archive, name, 0)) {
            QByteArray data(static_cast<qsizetype>(stat.size), '\0');
            if (zip_fread(file, data.data(), stat.size) == static_cast<zip_int64_t>(stat.size)) {
                bytes = data;
            }
            zip_fclose(file);
        }
    }
    zip_close(archive);
    return bytes;
}

// The body's paragraphs in order: their text, or "[picture]" for one holding a drawing, and
// whether each runs right to left.
struct Paragraph {
    QString text;
    bool rtl = false;
};
std::vector<Paragraph> Paragraphs(const QByteArray& documentXml) {
    std::vector<Paragraph> out;
    QXmlStreamReader xml(documentXml);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        if (xml.qualifiedName() == u"w:p"_s) {
            out.push_back({});
        } else if (!out.empty() && xml.qualifiedName() == u"w:bidi"_s) {
            out.back().rtl = true;
        } else if (!out.empty() && xml.qualifiedName() == u"w:drawing"_s) {
            out.back().text += u"[picture]"_s;
        } else if (!out.empty() && xml.qualifiedName() == u"w:t"_s) {
            out.back().text += xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return out;
}

// The rows of the body's first table, each cell's text, and whether each number cell runs
// left to right (so its sign stays in front).
struct Table {
    QVector<QStringList> rows;
    bool rightToLeft = false; // the table's columns run from the right
    bool numbersLeftToRight = true;
};
Table FirstTable(const QByteArray& documentXml) {
    Table table;
    QXmlStreamReader xml(documentXml);
    int depth = 0;
    bool cellBidi = false;
    while (!xml.atEnd()) {
        xml.readNext();
        const QString name = xml.qualifiedName().toString();
        if (xml.isStartElement() && name == u"w:tbl"_s) {
            if (++depth > 1 || !table.rows.isEmpty()) {
                break;
            }
        } else if (xml.isEndElement() && name == u"w:tbl"_s) {
            break;
        } else if (depth == 1 && xml.isStartElement()) {
            if (name == u"w:bidiVisual"_s) {
                table.rightToLeft = true;
            } else if (name == u"w:tr"_s) {
                table.rows.append(QStringList());
            } else if (name == u"w:tc"_s) {
                table.rows.last().append(QString());
                cellBidi = false;
            } else if (name == u"w:bidi"_s || name == u"w:rtl"_s) {
                // Off only where it says so: the document's style runs everything right to left.
                cellBidi = cellBidi || xml.attributes().value(u"w:val"_s) != u"0"_s;
            } else if (name == u"w:t"_s) {
                const QString text = xml.readElementText();
                table.rows.last().last() += text;
                const bool number = table.rows.size() > 1 && table.rows.last().size() > 1;
                if (number && cellBidi) {
                    table.numbersLeftToRight = false;
                }
            }
        }
    }
    return table;
}

QByteArray Jpeg(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

const QString kLine = u"نام: مريم رضايي    سن: 34    جنسيت: زن"_s;

TEST(WordDocument, HoldsPictureLineAndInterpretationInOrder) {
    struct Case {
        QString interpretation;
        QStringList expected; // paragraph texts after the picture
    };
    const Case cases[] = {
        {u"سطر اول <b> & \"نقل\"\r\nسطر دوم\nسطر سوم"_s,
         {u""_s, kLine, u""_s, u"سطر اول <b> & \"نقل\""_s, u"سطر دوم"_s, u"سطر سوم"_s}},
        // Without a stored interpretation: the line and one empty line, nothing more.
        {QString(), {u""_s, kLine, u""_s}},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Morvalen.docx"_s);
        const QByteArray jpeg = Jpeg({300, 200});
        ASSERT_EQ(WriteWordDocument(path, {jpeg, {300, 200}, kLine, c.interpretation, u"Nazli"_s}),
                  QString());

        EXPECT_EQ(ZipPart(path, "word/media/image1.jpeg"), jpeg);
        const auto document = ZipPart(path, "word/document.xml");
        ASSERT_TRUE(document);
        const std::vector<Paragraph> paragraphs = Paragraphs(*document);
        ASSERT_EQ(paragraphs.size(), std::size_t(2 + c.expected.size()));
        EXPECT_EQ(paragraphs[0].text, QString()); // the empty first paragraph
        EXPECT_EQ(paragraphs[1].text, u"[picture]"_s);
        for (qsizetype i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(paragraphs[std::size_t(i) + 2].text, c.expected[i]) << i;
        }
        for (const Paragraph& p : paragraphs) {
            EXPECT_TRUE(p.rtl);
        }
        // The picture at its pixel size, 9525 EMU to a pixel.
        EXPECT_TRUE(document->contains("cx=\"2857500\" cy=\"1905000\""));
        EXPECT_TRUE(ZipPart(path, "word/styles.xml")->contains("w:cs=\"Nazli\""));
    }
}

WordReportContent ComparedContent(const QString& interpretation) {
    SheetComparison compared;
    compared.titles = {u"1403/01/10"_s, u"پاسخنامه فعلي"_s};
    std::array<int, kScaleCount> first{};
    std::array<int, kScaleCount> last{};
    for (int scale = 0; scale < kScaleCount; ++scale) {
        first[std::size_t(scale)] = 50;
        last[std::size_t(scale)] = 40 + scale; // falls, stays at scale 11, then rises
    }
    compared.percents = {first, last};
    WordReportContent content{Jpeg({300, 200}), {300, 200}, kLine, interpretation, u"Nazli"_s};
    content.comparisonJpeg = Jpeg({500, 260});
    content.comparisonPixels = {500, 260};
    content.comparisonTable = compared.tableRows();
    return content;
}

TEST(WordDocument, ComparedSheetsAddTheirSectionBeforeTheInterpretation) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Morvalen.docx"_s);
    const WordReportContent content = ComparedContent(u"سطر تفسير"_s);
    ASSERT_EQ(WriteWordDocument(path, content), QString());

    EXPECT_EQ(ZipPart(path, "word/media/image1.jpeg"), content.jpeg);
    EXPECT_EQ(ZipPart(path, "word/media/image2.jpeg"), content.comparisonJpeg);
    EXPECT_TRUE(ZipPart(path, "word/_rels/document.xml.rels")->contains("Target=\"media/image2.jpeg\""));
    const QByteArray document = ZipPart(path, "word/document.xml").value_or(QByteArray());
    // Outside the table: the profile, the examinee, the heading and the overlaid chart, then
    // the interpretation.
    QStringList outside;
    for (const Paragraph& p : Paragraphs(document)) {
        outside << p.text;
    }
    const qsizetype heading = outside.indexOf(u"مقايسه پاسخنامه ها"_s);
    ASSERT_GT(heading, outside.indexOf(kLine));
    EXPECT_EQ(outside[heading + 1], u"[picture]"_s);
    EXPECT_GT(outside.indexOf(u"سطر تفسير"_s), heading + 1 + 19 * 3) << "after the table's cells";
    EXPECT_TRUE(document.contains("cx=\"4762500\" cy=\"2476500\"")) << "the chart at its pixel size";

    const Table table = FirstTable(document);
    EXPECT_EQ(table.rows, content.comparisonTable);
    ASSERT_EQ(table.rows.size(), 19);
    EXPECT_EQ(table.rows[0], (QStringList{u"طرحواره"_s, u"1403/01/10"_s, u"پاسخنامه فعلي"_s, u"تغيير"_s}));
    EXPECT_EQ(table.rows[1], (QStringList{u"ed / محروميت هيجاني"_s, u"50"_s, u"40"_s, u"-10"_s}));
    EXPECT_EQ(table.rows[11].last(), u"0"_s);
    EXPECT_EQ(table.rows[18].last(), u"+7"_s);
    EXPECT_TRUE(table.rightToLeft);
    EXPECT_TRUE(table.numbersLeftToRight);
}

// The section as a real reader shows it: both pictures, the heading, and each change with
// its sign in front of its number.
TEST(WordDocument, ComparedSheetsOpenInLibreOffice) {
    if (!test::HaveProgram(u"soffice"_s) || !test::HaveProgram(u"pdftotext"_s)) {
        GTEST_SKIP() << "LibreOffice or poppler is not installed";
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Morvalen.docx"_s);
    ASSERT_EQ(WriteWordDocument(path, ComparedContent({})), QString());
    const QString pdf = test::ConvertWithLibreOffice(path, u"pdf"_s, u"pdf"_s, dir.path());
    ASSERT_FALSE(pdf.isEmpty());
    const auto images = test::RunProgram(u"pdfimages"_s, {u"-list"_s, pdf});
    ASSERT_TRUE(images);
    EXPECT_EQ(QString::fromUtf8(*images).split(u'\n', Qt::SkipEmptyParts).size(), 4) << images->toStdString();
    const QString text = test::PdfText(pdf, {u"-layout"_s});
    EXPECT_TRUE(text.contains(test::Folded(u"مقايسه پاسخنامه ها"_s))) << text.toStdString();
    EXPECT_TRUE(text.contains(test::Folded(u"محروميت هيجاني"_s)));
    for (const QString& change : {u"-10"_s, u"+7"_s, u"+1"_s}) {
        EXPECT_TRUE(text.contains(change)) << change.toStdString() << "\n" << text.toStdString();
    }
}

TEST(WordDocument, WideChartIsScaledToTheTextColumn) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"wide.docx"_s);
    ASSERT_EQ(WriteWordDocument(path, {Jpeg({1600, 800}), {1600, 800}, kLine, {}, u"Nazli"_s}), QString());
    const QByteArray document = ZipPart(path, "word/document.xml").value_or(QByteArray());
    // (11906 - 2 x 1134) twips x 635 EMU, and half that for the height.
    EXPECT_TRUE(document.contains("cx=\"6120130\" cy=\"3060065\"")) << document.left(2000).toStdString();
}

TEST(WordDocument, AFailedWriteLeavesTheEarlierFileAndSaysWhy) {
    QTemporaryDir dir;
    // The target's folder is a plain file: nothing can be written there.
    QFile blocker(dir.filePath(u"file"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_NE(
        WriteWordDocument(dir.filePath(u"file/Morvalen.docx"_s), {Jpeg({10, 10}), {10, 10}, kLine, {}, {}}),
        QString());
    // The target is a folder (as a file held open elsewhere, it cannot be replaced).
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"Morvalen.docx"_s));
    EXPECT_NE(WriteWordDocument(dir.filePath(u"Morvalen.docx"_s), {Jpeg({10, 10}), {10, 10}, kLine, {}, {}}),
              QString());
    EXPECT_TRUE(QFileInfo(dir.filePath(u"Morvalen.docx"_s)).isDir());
    // No partial package is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"file"_s});
}

// LibreOffice opens the document, in the order picture, examinee line, interpretation, and
// shows Persian as text (not as question marks).
TEST(WordDocument, OpensInLibreOffice) {
    if (!test::HaveProgram(u"soffice"_s) || !test::HaveProgram(u"pdftotext"_s)) {
        GTEST_SKIP() << "LibreOffice or poppler is not installed";
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Morvalen.docx"_s);
    const QString interpretation = u"طرحواره ي محروميت هيجاني\r\nپاسخ هاي زياد"_s;
    ASSERT_EQ(WriteWordDocument(path, {Jpeg({400, 250}), {400, 250}, kLine, interpretation, u"Nazli"_s}),
              QString());
    const QString pdf = test::ConvertWithLibreOffice(path, u"pdf"_s, u"pdf"_s, dir.path());
    ASSERT_FALSE(pdf.isEmpty());
    const auto images = test::RunProgram(u"pdfimages"_s, {u"-list"_s, pdf});
    ASSERT_TRUE(images);
    EXPECT_EQ(QString::fromUtf8(*images).split(u'\n', Qt::SkipEmptyParts).size(), 3) // two header lines
        << images->toStdString();
    const QString text = test::PdfText(pdf);
    const qsizetype line = text.indexOf(test::Folded(u"مريم رضايي"_s));
    const qsizetype first = text.indexOf(test::Folded(u"محروميت هيجاني"_s));
    const qsizetype second = text.indexOf(test::Folded(u"پاسخ هاي زياد"_s));
    EXPECT_GE(line, 0) << text.toStdString();
    EXPECT_GT(first, line);
    EXPECT_GT(second, first);
}

class WordButton : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        MessageBox::setFallbackAnswer(QMessageBox::Ok);
        auto db = Database::open(folder.path(), DatabaseFile::Main);
        Examinee e;
        e.code = u"5"_s;
        e.fullName = u"مريم رضايي"_s;
        ASSERT_TRUE(ExamineeStore(*db).addWithAnswerRow(e));
        ASSERT_TRUE(ExamineeStore(*db).setComment(u"5"_s, u"تفسير ذخيره شده"_s));
        Desktop::setOpenerForTests([this](const QUrl& url) {
            opened << url;
            return openerWorks;
        });
        AnswerTexts answers;
        answers.fill("3");
        profile = new ProfileWindow(context, ScoreAnswers(answers), u"5"_s);
        profile->setExamineeLine(kLine);
        profile->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(profile));
    }
    void TearDown() override {
        delete profile;
        Desktop::setOpenerForTests({});
        GuiFixture::TearDown();
    }

    ProfileWindow* profile = nullptr;
    QList<QUrl> opened;
    bool openerWorks = true;
};

TEST_F(WordButton, WritesTheStoredInterpretationOpensItAndSaysSo) {
    profile->m_interpretationText->setPlainText(u"متن ذخيره نشده"_s); // on screen only
    QTest::mouseClick(profile->m_wordButton, Qt::LeftButton);

    const QString path = folder.path() + u"/Morvalen.docx"_s;
    ASSERT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(path)});
    const std::vector<Paragraph> paragraphs = Paragraphs(ZipPart(path, "word/document.xml").value_or(""));
    ASSERT_EQ(paragraphs.size(), 6u);
    EXPECT_EQ(paragraphs[5].text, u"تفسير ذخيره شده"_s);
    // The chart picture beside the databases, at the chart's size on screen.
    EXPECT_EQ(QImage(folder.path() + u"/Morvalen-2.jpg"_s).size(), profile->m_chartView->size());

    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(MessageBox::shown()[0].title, u"پيام"_s);
    // The documents folder on every system, named in full.
    EXPECT_EQ(MessageBox::shown()[0].text,
              u": فايل شما\r\n\r\n"_s + QDir::toNativeSeparators(path) + u"\r\n\r\n. ساخته شد"_s);
    EXPECT_EQ(MessageBox::shown()[0].icon, MessageBox::Icon::Information);
}

// The profile's Word button with kept sheets: the comparison only while more than one is drawn.
TEST_F(WordButton, ComparesOnlyWhileSeveralSheetsAreDrawn) {
    auto db = Database::open(folder.path(), DatabaseFile::Main);
    AnswerRow intake;
    intake.fill(u"5"_s);
    ASSERT_TRUE(AnswerStore(*db).setRow(u"5"_s, intake));
    ASSERT_EQ(
        AdministrationStore(*db).keep(u"5"_s, u"1403/02/01"_s, QDateTime(QDate(2024, 4, 20), QTime(10, 0))),
        KeepOutcome::Kept);
    AnswerRow now;
    now.fill(u"3"_s);
    ASSERT_TRUE(AnswerStore(*db).setRow(u"5"_s, now));
    delete profile;
    profile = new ProfileWindow(context, ScoreAnswers(ToAnswerTexts(now)), u"5"_s);
    profile->setExamineeLine(kLine);
    profile->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(profile));
    const QString path = folder.path() + u"/Morvalen.docx"_s;

    QTest::mouseClick(profile->m_wordButton, Qt::LeftButton);
    EXPECT_EQ(Paragraphs(ZipPart(path, "word/document.xml").value_or("")).size(), 6u) << "as with one sheet";
    EXPECT_FALSE(ZipPart(path, "word/media/image2.jpeg"));
    EXPECT_TRUE(FirstTable(ZipPart(path, "word/document.xml").value_or("")).rows.isEmpty());

    profile->m_sheetChoiceList->item(0)->setCheckState(Qt::Checked);
    QTest::mouseClick(profile->m_wordButton, Qt::LeftButton);
    const Table table = FirstTable(ZipPart(path, "word/document.xml").value_or(""));
    ASSERT_EQ(table.rows.size(), 19);
    EXPECT_EQ(table.rows[0], (QStringList{u"طرحواره"_s, u"1403/02/01"_s, u"پاسخنامه فعلي"_s, u"تغيير"_s}));
    const ScoringResult before = ScoreAnswers(ToAnswerTexts(intake));
    const ScoringResult after = ScoreAnswers(ToAnswerTexts(now));
    for (int scale = 1; scale <= 18; ++scale) {
        const int first = before.scales[std::size_t(scale - 1)].percent;
        const int last = after.scales[std::size_t(scale - 1)].percent;
        EXPECT_EQ(table.rows[scale].mid(1),
                  (QStringList{QString::number(first), QString::number(last), QString::number(last - first)}))
            << scale;
    }
    // The report's own profile is the window's sheet alone; the overlaid chart is the second
    // picture, both at the chart's size on screen.
    const QImage own = QImage::fromData(ZipPart(path, "word/media/image1.jpeg").value_or(""));
    const QImage overlaid = QImage::fromData(ZipPart(path, "word/media/image2.jpeg").value_or(""));
    EXPECT_EQ(own.size(), profile->m_chartView->size());
    EXPECT_EQ(overlaid.size(), profile->m_chartView->size());
    EXPECT_NE(own, overlaid);
    EXPECT_EQ(profile->m_chart->series().size(), 2) << "the window still shows both";
    // The overlaid chart is the chart as the window shows it, its legend laid out, though the
    // click came before any turn of events.
    QCoreApplication::processEvents();
    QByteArray shown;
    QBuffer buffer(&shown);
    buffer.open(QIODevice::WriteOnly);
    profile->m_chartView->grab().toImage().save(&buffer, "JPG", 95);
    EXPECT_EQ(ZipPart(path, "word/media/image2.jpeg"), shown);
}

TEST_F(WordButton, SaysWhereTheFileIsWhenNothingOpensIt) {
    openerWorks = false;
    QTest::mouseClick(profile->m_wordButton, Qt::LeftButton);
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_TRUE(
        MessageBox::shown()[0].text.contains(QDir::toNativeSeparators(folder.path() + u"/Morvalen.docx"_s)));
    EXPECT_FALSE(MessageBox::shown()[0].text.contains(u". ساخته شد"_s));
}

TEST_F(WordButton, AFailedWriteIsReportedNotCelebrated) {
    ASSERT_TRUE(QDir(folder.path()).mkdir(u"Morvalen.docx"_s)); // cannot be replaced
    QTest::mouseClick(profile->m_wordButton, Qt::LeftButton);
    EXPECT_TRUE(opened.isEmpty());
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(MessageBox::shown()[0].icon, MessageBox::Icon::Critical);
    EXPECT_TRUE(MessageBox::shown()[0].text.startsWith(u"فايل Word ساخته نشد"_s));
}

} // namespace
} // namespace morvalen
