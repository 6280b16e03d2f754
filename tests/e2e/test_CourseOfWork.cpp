// The whole course of a clinic's work through the real windows on a fresh program folder:
// register, answer on screen, type a paper sheet, read the results and the profile, store an
// interpretation, make the reports, back up and restore, and leave. Every message on the way
// is checked by its text.
#include "core/MakerSite.h"
#include "core/Scoring.h"
#include "reports/WorkbookReader.h"
#include "shell/Desktop.h"
#include "shell/ExitQuestion.h"
#include "shell/FileDialog.h"
#include "shell/MainWindow.h"
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"
#include "support/Files.h"
#include "support/GuiFixture.h"
#include "views/AnswerSheetWindow.h"
#include "views/BackupWindow.h"
#include "views/ExamineeFileWindow.h"
#include "views/ProfileWindow.h"
#include "views/QuestionnaireWindow.h"
#include "views/RegistryWindow.h"
#include "views/ResultsWindow.h"
#include "views/ViewCommands.h"

#include "support/ExternalReaders.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QTableView>
#include <QTextEdit>
#include <xlsxwriter.h>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

class CourseOfWork : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        // 31 July 2023 is 1402/05/09.
        context.now = [] { return QDateTime(QDate(2023, 7, 31), QTime(10, 0)); };
        MessageBox::setFallbackAnswer(QMessageBox::Ok);
        Desktop::setOpenerForTests([this](const QUrl& url) {
            opened << url;
            return true;
        });
        services = std::make_shared<MainServices>();
        InstallViewCommands(*services);
        services->quit = [this] { quitCalled = true; };
        main = MainWindow::ShowMain(context, services);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    }
    void TearDown() override {
        Desktop::setOpenerForTests({});
        GuiFixture::TearDown();
    }

    template <typename W> W* only() {
        const auto windows = visibleWindows<W>();
        EXPECT_EQ(windows.size(), 1);
        return windows.value(0);
    }

    // The texts of the boxes shown since the last call.
    QStringList messages() {
        QStringList texts;
        for (const auto& record : MessageBox::shown()) {
            texts << record.text;
        }
        MessageBox::clearShown();
        return texts;
    }

    std::optional<AnswerRow> storedAnswers(const QString& code) {
        auto db = Database::open(folder.path(), DatabaseFile::Main);
        return AnswerStore(*db).row(code);
    }

    void registerExaminee(RegistryWindow* r, const QString& name, const QString& age, const QString& code) {
        QTest::mouseClick(r->m_newButton, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([r] { return r->m_saveButton->isEnabled(); }, 3000));
        EXPECT_EQ(r->m_codeEdit->text(), code);
        EXPECT_EQ(r->m_dateEdit->text(), u"1402/05/09"_s);
        type(r->m_nameEdit, name);
        QTest::keyClicks(r->m_ageEdit, age);
        r->m_genderCombo->setCurrentIndex(1);
        QTest::mouseClick(r->m_saveButton, Qt::LeftButton);
    }

    static int rowOf(QTableView* grid, const QString& name) {
        for (int row = 0; row < grid->model()->rowCount(); ++row) {
            for (int column = 0; column < grid->model()->columnCount(); ++column) {
                if (grid->model()->index(row, column).data().toString() == name) {
                    return row;
                }
            }
        }
        return -1;
    }

    static void doubleClickRow(QTableView* grid, int row) {
        doubleClick(grid->viewport(), grid->visualRect(grid->model()->index(row, 1)).center());
    }

    std::shared_ptr<MainServices> services;
    QPointer<MainWindow> main;
    QList<QUrl> opened;
    bool quitCalled = false;
};

TEST_F(CourseOfWork, FromRegistrationToExit) {
    // 1. Register the first examinee: code 1, today's Persian date, an answer row.
    main->runCommand(100);
    RegistryWindow* registry = only<RegistryWindow>();
    ASSERT_NE(registry, nullptr);
    EXPECT_FALSE(main->isEnabled());
    registerExaminee(registry, u"مريم احمدي"_s, u"34"_s, u"1"_s);
    EXPECT_EQ(messages(), QStringList{});
    ASSERT_TRUE(storedAnswers(u"1"_s));

    // 2. Answer all 232 items on screen with the keyboard: a digit, then Enter.
    doubleClickRow(registry->m_examineeList, rowOf(registry->m_examineeList, u"مريم احمدي"_s));
    QuestionnaireWindow* test = registry->questionnaire();
    ASSERT_NE(test, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(test));
    QTest::mouseClick(test->m_startButton, Qt::LeftButton);
    AnswerRow onScreen;
    for (int item = 1; item <= kItemCount; ++item) {
        const int answer = 1 + (item * 5) % 6;
        onScreen[std::size_t(item - 1)] = QString::number(answer);
        QTest::keyClick(test, Qt::Key(Qt::Key_0 + answer));
        QTest::keyClick(test, Qt::Key_Return);
    }
    test->close();
    EXPECT_EQ(storedAnswers(u"1"_s), onScreen);
    EXPECT_EQ(messages(), QStringList{u"پايان"_s}); // Enter after the last item

    // 3. Register a second examinee and type a paper sheet for them.
    registry->show();
    registerExaminee(registry, u"علي رضايي"_s, u"41"_s, u"2"_s);
    QTest::mouseClick(registry->m_exitButton, Qt::LeftButton);
    EXPECT_TRUE(main->isEnabled());

    main->runCommand(101);
    AnswerSheetWindow* sheet = only<AnswerSheetWindow>();
    ASSERT_NE(sheet, nullptr);
    doubleClickRow(sheet->m_examineeList, rowOf(sheet->m_examineeList, u"علي رضايي"_s));
    ASSERT_TRUE(QTest::qWaitFor([sheet] { return sheet->loadedCode() == u"2"_s; }, 3000));
    AnswerRow typed;
    for (int item = 1; item <= kItemCount; ++item) {
        const char digit = char('1' + (item * 7 + 3) % 6);
        typed[std::size_t(item - 1)] = QString(QLatin1Char(digit));
        QTest::sendKeyEvent(QTest::Click, sheet->focusWidget(), Qt::Key(Qt::Key_0 + (digit - '0')),
                            QString(QLatin1Char(digit)), Qt::NoModifier);
    }
    QTest::mouseClick(sheet->m_exitButton, Qt::LeftButton);
    EXPECT_EQ(storedAnswers(u"2"_s), typed);
    EXPECT_TRUE(main->isEnabled());
    EXPECT_EQ(messages(), QStringList{});

    // 4. The results of both, as the rules compute them from the stored answers.
    main->runCommand(141);
    ResultsWindow* results = only<ResultsWindow>();
    ASSERT_NE(results, nullptr);
    for (const auto& [name, answers] :
         {std::pair{u"مريم احمدي"_s, onScreen}, std::pair{u"علي رضايي"_s, typed}}) {
        doubleClickRow(results->m_examineeList, rowOf(results->m_examineeList, name));
        const ScoringResult expected = ScoreAnswers(ToAnswerTexts(answers));
        for (int scale = 1; scale <= kScaleCount; ++scale) {
            EXPECT_EQ(results->m_rawScoreLabels[scale]->text(),
                      QString::number(expected.scales[scale - 1].rawScore))
                << scale;
            EXPECT_EQ(results->m_percentLabels[scale]->text(),
                      QString::number(expected.scales[scale - 1].percent))
                << scale;
        }
    }
    EXPECT_EQ(messages(), QStringList{}); // every item answered: no warning

    // 5. The profile of the second examinee; build, edit and store the interpretation.
    QTest::mouseClick(results->m_profileButton, Qt::LeftButton);
    ProfileWindow* profile = only<ProfileWindow>();
    ASSERT_NE(profile, nullptr);
    QTest::mouseClick(profile->m_interpretationButton, Qt::LeftButton);
    QTest::mouseClick(profile->m_newInterpretationButton, Qt::LeftButton);
    const QString interpretation = profile->m_interpretationText->toPlainText() + u"\nيادداشت روانشناس"_s;
    profile->m_interpretationText->setPlainText(interpretation);
    QTest::mouseClick(profile->m_saveInterpretationButton, Qt::LeftButton);
    {
        auto db = Database::open(folder.path(), DatabaseFile::Main);
        // Stored with the CR LF line breaks the text is written with.
        EXPECT_EQ(ExamineeStore(*db).comment(u"2"_s), QString(interpretation).replace(u'\n', u"\r\n"_s));
    }
    EXPECT_EQ(messages(), QStringList{});

    // 6. The Word report: written, opened, announced.
    QTest::mouseClick(profile->m_wordButton, Qt::LeftButton);
    const QString docx = folder.path() + u"/Morvalen.docx"_s;
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(docx)});
    EXPECT_GT(QFileInfo(docx).size(), 1000);
    EXPECT_EQ(messages(), QStringList{u": فايل شما\r\n\r\n"_s + QDir::toNativeSeparators(docx) +
                                      u"\r\n\r\n. ساخته شد"_s});

    // 7. The printed report, saved from its preview as a PDF.
    QTest::mouseClick(profile->m_printButton, Qt::LeftButton);
    QPrintPreviewDialog* preview = only<QPrintPreviewDialog>();
    ASSERT_NE(preview, nullptr);
    const QString pdf = folder.path() + u"/report.pdf"_s;
    FileDialog::setNextFileName(pdf);
    preview->findChild<QAction*>(u"SaveAsPdf"_s)->trigger();
    EXPECT_EQ(messages(), QStringList{u"فايل PDF ذخيره شد:\r\n"_s + QDir::toNativeSeparators(pdf)});
    if (test::HaveProgram(u"pdftotext"_s)) {
        EXPECT_TRUE(test::PdfText(pdf).contains(test::Folded(u"علي رضايي"_s)));
    }
    preview->close();
    profile->close();
    // The results view stays loaded, hidden; the main window is back.
    EXPECT_FALSE(results->isVisible());
    EXPECT_TRUE(main->isEnabled());

    // 8. Export every examinee to Excel, then put the second examinee's exported answers into
    //    an answer workbook and import it for a third examinee: the answers arrive unchanged.
    main->runCommand(141);
    results = only<ResultsWindow>();
    ASSERT_NE(results, nullptr);
    const QString exported = folder.path() + u"/examinees"_s; // the extension is added
    FileDialog::setNextFileName(exported);
    QTest::mouseClick(results->m_excelExportButton, Qt::LeftButton);
    EXPECT_EQ(messages(), QStringList{u"ذخيره شد"_s});
    AnswerRow fromExport;
    {
        QString error;
        auto book = WorkbookReader::Open(exported + u".xls"_s, &error);
        ASSERT_TRUE(book) << error.toStdString();
        ASSERT_FALSE(book->sheetNames().empty());
        ASSERT_TRUE(book->selectSheet(book->sheetNames()[0]));
        int firstItem = -1;
        for (int column = 0; column < 239 && firstItem < 0; ++column) {
            if (book->cell(0, column).text == "S1") {
                firstItem = column;
            }
        }
        ASSERT_GT(firstItem, 0);
        const auto holdsName = [&book](int row) {
            for (int column = 0; column < 8; ++column) {
                if (book->cell(row, column).text == "علي رضايي") {
                    return true;
                }
            }
            return false;
        };
        int row = 1;
        while (row < 10 && !holdsName(row)) {
            ++row;
        }
        ASSERT_LT(row, 10);
        for (int item = 0; item < kItemCount; ++item) {
            fromExport[std::size_t(item)] = QString::fromStdString(book->cell(row, firstItem + item).text);
        }
    }
    EXPECT_EQ(fromExport, typed);
    results->close();

    main->runCommand(100);
    registry = only<RegistryWindow>();
    ASSERT_NE(registry, nullptr);
    registerExaminee(registry, u"سينا كريمي"_s, u"27"_s, u"3"_s);
    QTest::mouseClick(registry->m_exitButton, Qt::LeftButton);
    EXPECT_EQ(messages(), QStringList{});

    const QString answerBook = folder.path() + u"/answers.xlsx"_s;
    {
        lxw_workbook* book = workbook_new(QFile::encodeName(answerBook).constData());
        lxw_worksheet* sheet = workbook_add_worksheet(book, kMakerDomain);
        worksheet_write_string(sheet, 2, 25, "Morvalen", nullptr);
        for (int item = 0; item < kItemCount; ++item) {
            worksheet_write_string(sheet, 1 + item, 2, fromExport[std::size_t(item)].toUtf8().constData(),
                                   nullptr);
        }
        ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
    }
    main->runCommand(140);
    ExamineeFileWindow* files = only<ExamineeFileWindow>();
    ASSERT_NE(files, nullptr);
    FileDialog::setNextFileName(answerBook);
    doubleClickRow(files->m_examineeList, rowOf(files->m_examineeList, u"سينا كريمي"_s));
    EXPECT_EQ(messages(), QStringList{u"  داده ها با موفقيت وارد سيستم شدند \r\n"_s});
    EXPECT_EQ(storedAnswers(u"3"_s), typed);
    files->close();
    EXPECT_TRUE(main->isEnabled());

    // 9. Back up, change an answer, restore: the change is gone.
    main->runCommand(144);
    BackupWindow* backup = only<BackupWindow>();
    ASSERT_NE(backup, nullptr);
    const QString copy = folder.path() + u"/clinic.morvalen"_s;
    backup->m_backupFileEdit->setText(copy);
    QTest::mouseClick(backup->m_backupButton, Qt::LeftButton);
    EXPECT_EQ(messages(), QStringList{u"نسخه پشتيبان تهيه گرديد"_s});
    {
        auto db = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(AnswerStore(*db).setCell(u"1"_s, 1, onScreen[0] == u"6"_s ? u"1"_s : u"6"_s));
    }
    backup->m_restoreFileEdit->setText(copy);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(backup->m_restoreButton, Qt::LeftButton);
    EXPECT_EQ(messages(),
              (QStringList{u"آيا ميخواهيد اطلاعات را بازيابي کنيد؟"_s, u"بازيابي اطلاعات انجام شد"_s}));
    EXPECT_EQ(storedAnswers(u"1"_s), onScreen);
    backup->close();
    EXPECT_TRUE(main->isEnabled());

    // 10. Leave through "بلي".
    main->close();
    ExitQuestion* exit = only<ExitQuestion>();
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->m_questionLabel->text(), u"آيا قصد خروج از برنامه را داريد؟"_s);
    QTest::mouseClick(exit->m_yesButton, Qt::LeftButton);
    EXPECT_TRUE(quitCalled);
    EXPECT_EQ(messages(), QStringList{});
}

} // namespace
} // namespace morvalen
