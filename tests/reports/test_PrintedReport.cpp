// The printed report: its template, what the program fills in, the PDF a reader sees, and
// the profile window's print button with its preview.
#include "core/Interpretation.h"
#include "core/SchemaScale.h"
#include "reports/PrintedReport.h"
#include "reports/ReportTemplate.h"
#include "shell/FileDialog.h"
#include "store/AdministrationStore.h"
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"
#include "store/ReportSectionStore.h"
#include "store/SettingsStore.h"
#include "support/Files.h"
#include "support/GuiFixture.h"
#include "views/ProfileWindow.h"

#include "support/ExternalReaders.h"

#include <QAction>
#include <QChartView>
#include <QListWidget>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextLayout>
#include <QXmlStreamReader>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

TEST(ReportTemplateFile, BrokenTemplatesAreRefusedWithAReason) {
    const char* cases[] = {
        "",
        "not xml at all",
        "<page/>",
        "<report><font id=\"a\"/><flow body=\"a\"><section key=\"V\"/></flow><table/></report>",
        "<report><font id=\"a\" size=\"big\"/><flow body=\"a\"/></report>",
        "<report><flow body=\"missing\"/></report>",
        "<report><font id=\"a\"/><head><text x=\"1\" y=\"1\" w=\"1\" font=\"a\"/></head><flow "
        "body=\"a\"/></report>",
        "<report><font id=\"a\"/><head><picture x=\"0\" y=\"0\" w=\"9\" "
        "h=\"9\">bm90IGFuIGltYWdl</picture></head>"
        "<flow body=\"a\"/></report>",
        "<report margins=\"1 2 3\"><font id=\"a\"/><flow body=\"a\"/></report>",
        "<report><font id=\"a\"/><flow body=\"a\"><section key=\"V\"></flow></report>",
    };
    for (const char* xml : cases) {
        QString error;
        EXPECT_FALSE(ReportTemplate::parse(QByteArray(xml), &error)) << xml;
        EXPECT_FALSE(error.isEmpty()) << xml;
    }
    QString error;
    EXPECT_FALSE(ReportTemplate::load(u"/nonexistent/ATaf.fr3"_s, &error));
    EXPECT_FALSE(error.isEmpty());
}

// A Latin run inside a right-to-left line, laid out as the report lays it out: its characters
// keep their left-to-right order on the line ("@" before the name, the words in their order),
// and the Persian around it stays right to left.
TEST(ReportText, ALatinRunKeepsItsOwnOrderInsideRightToLeftText) {
    const struct {
        QString text;
        QStringList inOrder; // pieces that must stand left to right in this order
    } cases[] = {
        {u"اينستاگرام ما: @aramesh_clinic"_s, {u"@"_s, u"aramesh"_s, u"clinic"_s}},
        {u"مدير: Dr. Karimi، روانشناس"_s, {u"Dr"_s, u"Karimi"_s}},
        {u"@clinic"_s, {u"@"_s, u"clinic"_s}},
        {u"سايت www.aramesh.example و ايميل info@aramesh.example"_s, {u"www"_s, u"example"_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const QString laid = WithLatinRunsIsolated(c.text);
        QString visible = laid;
        visible.remove(QChar(0x2066)).remove(QChar(0x2069));
        EXPECT_EQ(visible, c.text) << "only direction marks are added";
        QTextLayout layout(laid, QFont(u"DejaVu Sans"_s));
        QTextOption option;
        option.setTextDirection(Qt::RightToLeft);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(2000);
        layout.endLayout();
        qreal previous = -1;
        for (const QString& piece : c.inOrder) {
            const qsizetype at = laid.indexOf(piece);
            ASSERT_GE(at, 0);
            // Just after the piece's first character: inside the run, never on its edge.
            const qreal x = line.cursorToX(int(at) + 1);
            EXPECT_GT(x, previous) << piece.toStdString() << " stands left of the piece before it";
            previous = x;
        }
    }
}

TEST(ReportTemplateFile, TheDeliveredTemplateHasEveryNamedFrameAndSection) {
    QString error;
    const auto report = ReportTemplate::load(test::TempProgramFolder::seedFolder() + u"/ATaf.fr3"_s, &error);
    ASSERT_TRUE(report) << error.toStdString();
    for (const QString& name : {u"Picture1"_s, u"Picture2"_s}) {
        ASSERT_NE(report->frame(name), nullptr);
        EXPECT_EQ(report->frame(name)->kind, ReportFrame::Kind::Picture);
    }
    for (const QString& name : {u"Memo3"_s, u"Memo5"_s, u"Memo10"_s, u"Memo12"_s}) {
        ASSERT_NE(report->frame(name), nullptr);
        EXPECT_EQ(report->frame(name)->kind, ReportFrame::Kind::Text);
    }
    EXPECT_FALSE(report->frame(u"Picture2"_s)->image.isNull()); // shown when the logo is off
    QStringList keys;
    for (const ReportFlowItem& item : report->flow) {
        if (item.kind == ReportFlowItem::Kind::Section) {
            keys << item.key;
        }
    }
    keys.sort();
    QStringList expected{u"V"_s};
    for (const SchemaScale& scale : SchemaScales()) {
        expected << QString::fromLatin1(scale.code.data(), qsizetype(scale.code.size()));
    }
    expected.sort();
    EXPECT_EQ(keys, expected);
}

class Report : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        MessageBox::setFallbackAnswer(QMessageBox::Ok);
        main = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(main);
        ASSERT_TRUE(folder.addExaminee(u"3"_s, u"سارا احمدي"_s));
        // Items 1 to 9 (ED) high, the rest low, item 10 unanswered.
        for (int i = 0; i < kItemCount; ++i) {
            answers[std::size_t(i)] = i < 9 ? "6" : "1";
        }
        answers[9] = "";
        result = ScoreAnswers(answers);
    }

    void setSettings(const QString& name, const QString& address, const QString& contacts,
                     const QString& logo) {
        SettingsStore store(*main);
        Settings settings = store.read().value_or(Settings{});
        settings.name = name;
        settings.address = address;
        settings.contactBlock = contacts;
        settings.logo = logo;
        ASSERT_TRUE(store.write(settings));
    }

    void writeLogo(const char* format, QSize size) {
        QImage logo(size, QImage::Format_RGB32);
        logo.fill(Qt::red);
        // Always under the .jpg name, whatever the content.
        ASSERT_TRUE(logo.save(folder.path() + u"/LogoMorvalen.jpg"_s, format));
    }

    AnswerTexts answers;
    ScoringResult result;
    std::unique_ptr<Database> main;
};

TEST_F(Report, PdfHoldsTheClinicTheExamineeAndTheSections) {
    if (!test::HaveProgram(u"pdftotext"_s)) {
        GTEST_SKIP() << "poppler is not installed";
    }
    setSettings(u"مركز مشاوره آرامش"_s, u"تهران، خيابان وليعصر"_s,
                u"Tel: 021-5555\r\nEmail: info@clinic.example\r\n"_s, u"0"_s);
    ASSERT_EQ(StoreReportSections(folder.path(), result), 19);
    QString error;
    const auto report = PrepareReport(folder.path(), u"نام: سارا احمدي    سن: 29"_s, &error);
    ASSERT_TRUE(report) << error.toStdString();
    const QString pdf = folder.path() + u"/report.pdf"_s;
    ASSERT_EQ(report->writePdf(pdf), QString());

    const QString text = test::PdfText(pdf);
    for (const QString& expected : {u"سارا احمدي"_s, u"مركز مشاوره آرامش"_s, u"خيابان وليعصر"_s}) {
        EXPECT_TRUE(text.contains(test::Folded(expected))) << expected.toStdString() << "\n"
                                                           << text.toStdString();
    }
    // The contact block one item to a line.
    const QStringList lines = text.split(u'\n');
    EXPECT_TRUE(lines.contains(u"Tel: 021-5555"_s)) << text.toStdString();
    EXPECT_TRUE(lines.contains(u"Email: info@clinic.example"_s));
    // The sections of this examinee: the unanswered count and the comment on the high scale.
    auto nnpic = Database::open(folder.path(), DatabaseFile::ReportSections);
    ReportSectionStore sections(*nnpic);
    for (const QString& key : {u"V"_s, u"ED"_s}) {
        const QString section = sections.read(key);
        ASSERT_FALSE(section.isEmpty()) << key.toStdString();
        // Its first words, as pdftotext breaks lines where the report wraps them.
        const QString start = section.simplified().section(u' ', 0, 3);
        EXPECT_TRUE(test::Squeezed(text).contains(test::Squeezed(start))) << start.toStdString();
    }
}

TEST_F(Report, LogoAndClinicFieldsFollowTheSettings) {
    QString error;
    const auto delivered = ReportTemplate::load(folder.path() + u"/ATaf.fr3"_s, &error);
    ASSERT_TRUE(delivered);
    const QImage templatePicture = delivered->frame(u"Picture2"_s)->image;

    struct Case {
        const char* what;
        QString flag;
        const char* logoFormat; // nullptr: no logo file
        bool expectTemplatePicture;
        bool expectEmpty;
    };
    const Case cases[] = {
        {"flag off keeps the template's picture even with a logo", u"0"_s, "BMP", true, false},
        {"flag on without a logo gives an empty picture", u"1"_s, nullptr, false, true},
        {"flag on reads a bitmap under a .jpg name", u"1"_s, "BMP", false, false},
        {"flag on reads a real JPEG", u"1"_s, "JPG", false, false},
    };
    for (const Case& c : cases) {
        QFile::remove(folder.path() + u"/LogoMorvalen.jpg"_s);
        if (c.logoFormat) {
            writeLogo(c.logoFormat, {64, 48});
        }
        setSettings({}, {}, {}, c.flag);
        const auto report = PrepareReport(folder.path(), {}, &error);
        ASSERT_TRUE(report) << c.what;
        const QImage picture = report->frame(u"Picture2"_s)->image;
        EXPECT_EQ(picture == templatePicture, c.expectTemplatePicture) << c.what;
        EXPECT_EQ(picture.isNull(), c.expectEmpty) << c.what;
        if (!c.expectTemplatePicture && !c.expectEmpty) {
            EXPECT_EQ(picture.size(), QSize(64, 48)) << c.what;
        }
        // Empty clinic fields are put in as empty texts.
        for (const QString& name : {u"Memo3"_s, u"Memo5"_s, u"Memo10"_s, u"Memo12"_s}) {
            EXPECT_EQ(report->frame(name)->text, QString()) << c.what;
        }
        // The report is still made.
        EXPECT_EQ(report->writePdf(folder.path() + u"/r.pdf"_s), QString()) << c.what;
    }
}

TEST_F(Report, EmptyFieldsReplaceTheTemplatesOwnTexts) {
    QFile file(folder.path() + u"/ATaf.fr3"_s);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("<report><font id=\"a\"/><head>"
               "<text name=\"Memo10\" x=\"0\" y=\"0\" w=\"50\" h=\"9\" font=\"a\">Clinic</text>"
               "<text name=\"Memo12\" x=\"0\" y=\"10\" w=\"50\" h=\"9\" font=\"a\">Address</text>"
               "</head><flow body=\"a\"/></report>");
    file.close();
    setSettings({}, u"Street 1"_s, {}, u"0"_s);
    const auto report = PrepareReport(folder.path(), {}, nullptr);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->frame(u"Memo10"_s)->text, QString());
    EXPECT_EQ(report->frame(u"Memo12"_s)->text, u"Street 1"_s);
}

TEST_F(Report, LongSectionsRunOverPagesWithEveryLineWhole) {
    if (!test::HaveProgram(u"pdftotext"_s)) {
        GTEST_SKIP() << "poppler is not installed";
    }
    const auto delivered = ReportTemplate::load(folder.path() + u"/ATaf.fr3"_s, nullptr);
    ASSERT_TRUE(delivered);
    ReportTemplate report = *delivered;
    QStringList numbered;
    for (int i = 1; i <= 120; ++i) {
        numbered << u"سطر شماره %1 از متن بلند"_s.arg(i);
    }
    report.sections.insert(u"ED"_s, numbered.join(u"\r\n"_s));
    const QString pdf = folder.path() + u"/long.pdf"_s;
    ASSERT_EQ(report.writePdf(pdf), QString());
    const QString text = test::PdfText(pdf);
    EXPECT_GE(text.count(u'\f'), 3); // more than three pages
    // Every one of the 120 lines arrives once, whole, on some page.
    const QString squeezed = test::Squeezed(text);
    for (int i = 1; i <= 120; ++i) {
        EXPECT_EQ(squeezed.count(test::Squeezed(u"سطر شماره %1 از متن بلند"_s.arg(i))), 1) << i;
    }
}

// Sheets compared open the flow with their section; a single sheet leaves the report as it was.
TEST_F(Report, ComparedSheetsOpenTheFlowWithTheirSection) {
    SheetComparison compared;
    compared.titles = {u"1403/01/10"_s, u"پاسخنامه فعلي"_s};
    std::array<int, kScaleCount> first{};
    std::array<int, kScaleCount> last{};
    for (int scale = 0; scale < kScaleCount; ++scale) {
        first[std::size_t(scale)] = 50;
        last[std::size_t(scale)] = 40 + scale;
    }
    compared.percents = {first, last};
    compared.chart = QImage(640, 360, QImage::Format_RGB32);
    compared.chart.fill(Qt::darkMagenta);
    SheetComparison single = compared;
    single.titles.removeLast();
    single.percents.removeLast();

    QString error;
    const auto plain = PrepareReport(folder.path(), u"نام: سارا احمدي"_s, &error);
    ASSERT_TRUE(plain) << error.toStdString();
    const auto alone = PrepareReport(folder.path(), u"نام: سارا احمدي"_s, &error, single);
    ASSERT_EQ(alone->flow.size(), plain->flow.size());
    const auto report = PrepareReport(folder.path(), u"نام: سارا احمدي"_s, &error, compared);
    ASSERT_TRUE(report);
    ASSERT_EQ(report->flow.size(), plain->flow.size() + 3);
    EXPECT_EQ(report->flow[0].kind, ReportFlowItem::Kind::Heading);
    EXPECT_EQ(report->flow[0].title, u"مقايسه پاسخنامه ها"_s);
    EXPECT_EQ(report->flow[1].kind, ReportFlowItem::Kind::Picture);
    EXPECT_EQ(report->flow[1].image, compared.chart);
    EXPECT_EQ(report->flow[2].kind, ReportFlowItem::Kind::Table);
    EXPECT_EQ(report->flow[2].rows, compared.tableRows());
    for (std::size_t i = 0; i < plain->flow.size(); ++i) {
        EXPECT_EQ(report->flow[i + 3].key, plain->flow[i].key) << i;
    }

    if (!test::HaveProgram(u"pdftotext"_s) || !test::HaveProgram(u"pdfimages"_s)) {
        GTEST_SKIP() << "poppler is not installed";
    }
    const auto pictures = [](const QString& pdf) {
        const auto list = test::RunProgram(u"pdfimages"_s, {u"-list"_s, pdf});
        return list ? QString::fromUtf8(*list).split(u'\n', Qt::SkipEmptyParts).size() : -1;
    };
    const QString plainPdf = folder.path() + u"/plain.pdf"_s;
    const QString comparedPdf = folder.path() + u"/compared.pdf"_s;
    ASSERT_EQ(plain->writePdf(plainPdf), QString());
    ASSERT_EQ(report->writePdf(comparedPdf), QString());
    EXPECT_EQ(pictures(comparedPdf), pictures(plainPdf) + 1);
    const QString text = test::PdfText(comparedPdf, {u"-layout"_s});
    EXPECT_TRUE(text.contains(test::Folded(u"مقايسه پاسخنامه ها"_s))) << text.toStdString();
    EXPECT_TRUE(text.contains(test::Folded(u"پاسخنامه فعلي"_s)));
    // Each change with its sign in front, on the line of its own scale.
    for (const auto& [caption, change] : {std::pair{u"محروميت هيجاني"_s, u"-10"_s},
                                          std::pair{u"ايثارگري"_s, u"0"_s}, std::pair{u"تنبيه"_s, u"+7"_s}}) {
        const QString line = text.split(u'\n').filter(test::Folded(caption)).value(0);
        EXPECT_TRUE(line.split(u' ', Qt::SkipEmptyParts).contains(change))
            << caption.toStdString() << ": " << line.toStdString();
    }
    EXPECT_FALSE(test::PdfText(plainPdf).contains(test::Folded(u"مقايسه پاسخنامه ها"_s)));
    // The captions start at the right, in the column at the page's right edge: "pu", the
    // start of the last one, ends where the text column does.
    const auto boxes = test::RunProgram(u"pdftotext"_s, {u"-bbox"_s, comparedPdf, u"-"_s});
    ASSERT_TRUE(boxes);
    QXmlStreamReader words(*boxes);
    double pageWidth = 0;
    double puEnd = -1;
    while (!words.atEnd()) {
        if (words.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (words.name() == u"page"_s && pageWidth == 0) {
            pageWidth = words.attributes().value(u"width"_s).toDouble();
        } else if (words.name() == u"word"_s) {
            const double end = words.attributes().value(u"xMax"_s).toDouble();
            if (words.readElementText() == u"pu"_s) {
                puEnd = end;
            }
        }
    }
    ASSERT_GT(pageWidth, 0);
    const double rightEdge = pageWidth * (1 - 12 / 210.0); // the 12 mm margin of an A4 page
    EXPECT_NEAR(puEnd, rightEdge, pageWidth * 0.02);
}

class PrintButton : public Report {
protected:
    ProfileWindow* open() {
        auto* profile = new ProfileWindow(context, result, u"3"_s);
        profile->setExamineeLine(u"نام: سارا احمدي"_s);
        profile->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(profile));
        return profile;
    }
};

TEST_F(PrintButton, ShowsThePreviewAndSavesAPdf) {
    std::unique_ptr<ProfileWindow> profile(open());
    QTest::mouseClick(profile->m_printButton, Qt::LeftButton);
    // The chart picture and the sections are written first.
    EXPECT_EQ(QImage(folder.path() + u"/Morvalen.jpg"_s).size(), profile->m_chartView->size());
    auto nnpic = Database::open(folder.path(), DatabaseFile::ReportSections);
    ReportSectionStore sections(*nnpic);
    EXPECT_TRUE(sections.read(u"V"_s).contains(u"1"_s));

    const auto previews = visibleWindows<QPrintPreviewDialog>();
    ASSERT_EQ(previews.size(), 1);
    // Opened whole inside the screen, however small.
    const QRect room = previews[0]->screen()->availableGeometry();
    EXPECT_TRUE(room.contains(previews[0]->frameGeometry()))
        << previews[0]->frameGeometry().height() << " in " << room.height();
    auto* save = previews[0]->findChild<QAction*>(u"SaveAsPdf"_s);
    ASSERT_NE(save, nullptr);
    const QString pdf = folder.path() + u"/saved"_s; // the extension is added
    FileDialog::setNextFileName(pdf);
    save->trigger();
    EXPECT_GT(QFileInfo(pdf + u".pdf"_s).size(), 1000);
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_TRUE(MessageBox::shown()[0].text.startsWith(u"فايل PDF ذخيره شد"_s));
    previews[0]->close();
}

// With a kept sheet drawn beside the window's own, the preview holds the comparison too.
TEST_F(PrintButton, ThePreviewComparesOnlyWhileSeveralSheetsAreDrawn) {
    AnswerRow intake;
    intake.fill(u"5"_s);
    ASSERT_TRUE(AnswerStore(*main).setRow(u"3"_s, intake));
    ASSERT_EQ(
        AdministrationStore(*main).keep(u"3"_s, u"1403/02/01"_s, QDateTime(QDate(2024, 4, 20), QTime(10, 0))),
        KeepOutcome::Kept);
    std::unique_ptr<ProfileWindow> profile(open());
    const auto pages = [&profile] {
        QPrintPreviewDialog* preview = profile->printReport();
        auto* widget = preview ? preview->findChild<QPrintPreviewWidget*>() : nullptr;
        const int count = widget ? widget->pageCount() : -1;
        if (preview) {
            preview->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return count;
    };
    const int alone = pages();
    profile->m_sheetChoiceList->item(0)->setCheckState(Qt::Checked);
    const int compared = pages();
    EXPECT_GT(alone, 0);
    EXPECT_GT(compared, alone);
    const QImage comparedPicture(folder.path() + u"/Morvalen.jpg"_s);
    EXPECT_EQ(comparedPicture.size(), profile->m_chartView->size());
    EXPECT_EQ(profile->m_chart->series().size(), 2) << "the window still shows both";
}

TEST_F(PrintButton, AMissingOrBrokenTemplateIsToldInOneMessage) {
    for (const QByteArray& content : {QByteArray(), QByteArray("<report><broken")}) {
        QFile::remove(folder.path() + u"/ATaf.fr3"_s);
        if (!content.isEmpty()) {
            QFile file(folder.path() + u"/ATaf.fr3"_s);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        MessageBox::clearShown();
        std::unique_ptr<ProfileWindow> profile(open());
        EXPECT_EQ(profile->printReport(), nullptr);
        EXPECT_TRUE(visibleWindows<QPrintPreviewDialog>().isEmpty());
        ASSERT_EQ(MessageBox::shown().size(), 1);
        EXPECT_EQ(MessageBox::shown()[0].icon, MessageBox::Icon::Critical);
        EXPECT_TRUE(MessageBox::shown()[0].text.contains(u"ATaf.fr3"_s));
    }
}

} // namespace
} // namespace morvalen
