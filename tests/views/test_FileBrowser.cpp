// The examinee file browser: the list, the help, the blank workbook, and the answer import
// with its messages.
#include "core/MakerSite.h"
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"
#include "support/GuiFixture.h"
#include "views/ExamineeFileWindow.h"
#include "views/ViewCommands.h"

#include "shell/Desktop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTextEdit>
#include <QTimer>

#include <xlsxwriter.h>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

class FileBrowser : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        MessageBox::setFallbackAnswer(QMessageBox::Ok);
        main = new QWidget;
        main->show();
    }

    void addExaminee(const QString& code, const QString& name) {
        ASSERT_TRUE(folder.addExaminee(code, name, {{1, u"3"_s}}));
    }

    QString answer(const QString& code, int item) {
        auto db = Database::open(folder.path(), DatabaseFile::Main);
        return AnswerStore(*db).cell(code, item);
    }

    ExamineeFileWindow* open() {
        window = new ExamineeFileWindow(context, main);
        window->show();
        return window;
    }

    void doubleClickRow(int row) {
        QTableView* grid = window->m_examineeList;
        doubleClick(grid->viewport(), grid->visualRect(grid->model()->index(row, 1)).center());
    }

    // An answer workbook as a user would fill it in.
    QString workbook(const char* marker, double first,
                     const QString& sheet = QString::fromLatin1(kMakerDomain)) {
        const QString path = folder.file(u"answers%1.xlsx"_s.arg(++files));
        lxw_workbook* book = workbook_new(QFile::encodeName(path).constData());
        lxw_worksheet* ws = workbook_add_worksheet(book, sheet.toUtf8().constData());
        worksheet_write_string(ws, 2, 25, marker, nullptr);
        worksheet_write_number(ws, 1, 2, first, nullptr);
        EXPECT_EQ(workbook_close(book), LXW_NO_ERROR);
        return path;
    }

    const MessageBox::Record& last() const { return MessageBox::shown().back(); }

    QPointer<QWidget> main;
    QPointer<ExamineeFileWindow> window;
    int files = 0;
};

TEST_F(FileBrowser, ListShowsOnlyNamesNewestFirstAndFollowsTheChoice) {
    addExaminee(u"1"_s, u"اولي"_s);
    addExaminee(u"2"_s, u"دومي"_s);
    open();
    EXPECT_TRUE(window->isModal());
    EXPECT_FALSE(main->isEnabled());
    QTableView* grid = window->m_examineeList;
    int visible = 0;
    for (int c = 0; c < grid->model()->columnCount(); ++c) {
        visible += grid->isColumnHidden(c) ? 0 : 1;
    }
    EXPECT_EQ(visible, 1);
    EXPECT_FALSE(grid->isColumnHidden(1));
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), u"نام و نام خانوادگي"_s);
    EXPECT_GE(grid->columnWidth(1), 2800 / 15) << "the one column fills the list";
    EXPECT_EQ(grid->model()->index(0, 1).data().toString(), u"دومي"_s) << "newest first";
    EXPECT_EQ(window->m_nameLabel->text(), u"نام :"_s);
    EXPECT_EQ(window->m_codeEdit->text(), u"2"_s) << "the newest is current";

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(0, 1)).center());
    EXPECT_EQ(window->m_nameLabel->text(), u"نام و نام خانوادگي: دومي"_s)
        << "a click on the examinee already current shows the name too";
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(1, 1)).center());
    EXPECT_EQ(window->m_nameLabel->text(), u"نام و نام خانوادگي: اولي"_s);
    EXPECT_EQ(window->m_codeEdit->text(), u"1"_s);
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(window->m_nameLabel->text(), u"نام و نام خانوادگي: دومي"_s)
        << "the keyboard moves the choice too";

    QTest::mouseClick(window->m_exitButton, Qt::LeftButton);
    EXPECT_TRUE(main->isEnabled());
}

TEST_F(FileBrowser, HelpOpensAndClosesAnyNumberOfTimes) {
    open();
    EXPECT_FALSE(window->m_helpPanel->isVisible());
    EXPECT_FALSE(window->m_waitPanel->isVisible());
    const QStringList lines = window->m_helpText->toPlainText().split(u'\n');
    ASSERT_GE(lines.size(), 9);
    EXPECT_EQ(lines[0], u"اين قسمت از نرم افزار جهت بارگذاري فايل "_s);
    EXPECT_EQ(lines[5], QString());
    EXPECT_EQ(lines[8], u"حروف فارسي باشد."_s);
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(window->m_helpButton, Qt::LeftButton);
        EXPECT_TRUE(window->m_helpPanel->isVisible());
        QTest::mouseClick(window->m_helpCloseButton, Qt::LeftButton);
        EXPECT_FALSE(window->m_helpPanel->isVisible());
    }
}

TEST_F(FileBrowser, DownloadOpensTheBlankWorkbookAddress) {
    QList<QUrl> opened;
    Desktop::setOpenerForTests([&opened](const QUrl& url) {
        opened.append(url);
        return false;
    });
    open();
    QTest::mouseClick(window->m_downloadButton, Qt::LeftButton);
    Desktop::setOpenerForTests(nullptr);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl(QString::fromLatin1(kMakerSite) + u"/Soft/Morvalen/2022/Morvalen-Excel.zip"_s));
    EXPECT_TRUE(MessageBox::shown().isEmpty()) << "no message, whether a browser opened or not";
}

TEST_F(FileBrowser, ImportMessagesAndWhatReachesTheStore) {
    addExaminee(u"1"_s, u"اولي"_s);
    addExaminee(u"2"_s, u"دومي"_s);
    open();

    // Cancelled dialog: A3.
    FileDialog::setNextFileName(QString());
    doubleClickRow(0);
    ASSERT_EQ(FileDialog::shown().size(), 1);
    EXPECT_FALSE(FileDialog::shown()[0].save);
    EXPECT_EQ(FileDialog::shown()[0].filter, u"All (*.*)|*.*|xlsx (*.xlsx)|*.xlsx|xls (*.xls)|*.xls"_s);
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(last().title, u"Error A3"_s);
    EXPECT_EQ(last().text, u" عمليات با مشکل مواجه شده است "_s);
    EXPECT_EQ(last().icon, MessageBox::Icon::Warning);

    // Wrong marker: A1, nothing written.
    FileDialog::setNextFileName(workbook("Morvalen ", 6));
    doubleClickRow(0);
    EXPECT_EQ(last().title, u"Error A1"_s);
    EXPECT_EQ(last().text, u" فايل انتخاب شده قابل بارگذاري نيست "_s);
    EXPECT_EQ(last().icon, MessageBox::Icon::Information);
    EXPECT_EQ(answer(u"2"_s, 1), u"3"_s);

    // Not a workbook, or no sheet named by the domain: A4, nothing written.
    const QString notes = folder.file(u"notes.xlsx"_s);
    QFile f(notes);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("PK\x03\x04 not really a zip");
    f.close();
    for (const QString& path : {notes, workbook("Morvalen", 6, u"Sheet1"_s)}) {
        FileDialog::setNextFileName(path);
        doubleClickRow(0);
        EXPECT_EQ(last().title, u"Error A4"_s);
        EXPECT_EQ(last().text, u"اين فايل دستكاري شده و يا اشتباه انتخاب شده است\r\n"
                               u" لطفا فايل اصلي را از سايت دانلود كنيد \r\n\r\n"
                               u" آدرس سايت \r\n"
                               u" "_s +
                                   QString::fromLatin1(kMakerSite) + u" "_s);
        EXPECT_EQ(last().icon, MessageBox::Icon::Information);
        EXPECT_EQ(answer(u"2"_s, 1), u"3"_s);
    }

    // A good workbook goes to the examinee double-clicked, and only to them.
    FileDialog::setNextFileName(workbook("Morvalen", 6));
    doubleClickRow(1);
    EXPECT_EQ(last().title, u"ورود اطلاعات"_s);
    EXPECT_EQ(last().text, u"  داده ها با موفقيت وارد سيستم شدند \r\n"_s);
    EXPECT_EQ(last().icon, MessageBox::Icon::Information);
    EXPECT_EQ(answer(u"1"_s, 1), u"6"_s);
    EXPECT_EQ(answer(u"2"_s, 1), u"3"_s);
    EXPECT_FALSE(window->m_waitPanel->isVisible()) << "the wait panel is hidden again";
    EXPECT_TRUE(window->isVisible()) << "the window stays open";

    // Enter on the list does what the double click does.
    FileDialog::setNextFileName(workbook("Morvalen", 2));
    QTest::keyClick(window->m_examineeList, Qt::Key_Up);
    QTest::keyClick(window->m_examineeList, Qt::Key_Return);
    EXPECT_EQ(last().title, u"ورود اطلاعات"_s);
    EXPECT_EQ(answer(u"2"_s, 1), u"2"_s);
    EXPECT_EQ(answer(u"1"_s, 1), u"6"_s);
}

TEST_F(FileBrowser, ExamineeWithoutAnswerRowIsToldAndNothingIsAdded) {
    addExaminee(u"1"_s, u"اولي"_s);
    {
        auto db = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(AnswerStore(*db).removeRow(u"1"_s));
    }
    open();
    FileDialog::setNextFileName(workbook("Morvalen", 6));
    doubleClickRow(0);
    EXPECT_EQ(last().title, u"توجه"_s);
    EXPECT_NE(last().text.indexOf(u"رديف پاسخ"_s), -1);
    auto db = Database::open(folder.path(), DatabaseFile::Main);
    EXPECT_EQ(AnswerStore(*db).hasRow(u"1"_s), false);
}

TEST_F(FileBrowser, EmptyListStartsNoImport) {
    open();
    EXPECT_EQ(window->m_examineeList->model()->rowCount(), 0);
    doubleClick(window->m_examineeList->viewport(), QPoint(20, 20));
    window->importAnswers();
    EXPECT_TRUE(FileDialog::shown().isEmpty());
    EXPECT_TRUE(MessageBox::shown().isEmpty());
    EXPECT_EQ(window->m_nameLabel->text(), u"نام :"_s);
}

TEST_F(FileBrowser, SavedBlankWorkbookImports) {
    addExaminee(u"1"_s, u"اولي"_s);
    open();
    // A Persian folder and file name work here, whatever the help text warns of.
    ASSERT_TRUE(QDir(folder.path()).mkdir(u"پاسخ ها"_s));
    const QString blank = folder.file(u"پاسخ ها/پرسشنامه"_s);
    FileDialog::setNextFileName(blank);
    QTest::mouseClick(window->m_saveBlankButton, Qt::LeftButton);
    ASSERT_EQ(FileDialog::shown().size(), 1);
    EXPECT_EQ(FileDialog::shown()[0].filter, u"Excel 2007 |*.xlsx"_s);
    EXPECT_EQ(FileDialog::shown()[0].suggested, u"Morvalen-Excel.xlsx"_s);
    ASSERT_TRUE(QFile::exists(blank + u".xlsx"_s));
    EXPECT_EQ(last().text, u"ذخيره شد"_s);

    FileDialog::setNextFileName(blank + u".xlsx"_s);
    doubleClickRow(0);
    EXPECT_EQ(last().title, u"ورود اطلاعات"_s);
    EXPECT_TRUE(answer(u"1"_s, 1).isEmpty()) << "the blank workbook clears the answer";

    // Where it cannot be written, the user is told in Persian and the earlier file stays.
    const QString blocked = folder.file(u"blocked.xlsx"_s);
    ASSERT_TRUE(QDir(folder.path()).mkdir(u"blocked.xlsx"_s));
    FileDialog::setNextFileName(blocked);
    QTest::mouseClick(window->m_saveBlankButton, Qt::LeftButton);
    EXPECT_EQ(last().title, u"Error"_s);
    EXPECT_TRUE(last().text.startsWith(u"فايل خام اکسل ذخيره نشد:\r\n"_s + QDir::toNativeSeparators(blocked)))
        << last().text.toStdString();
    EXPECT_TRUE(QFileInfo(blocked).isDir());
}

// A large workbook: the marker, the first answer, and rows of numbers after the answers, so
// reading it takes a while.
QString LargeWorkbook(const QString& path, double first) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    lxw_worksheet* ws = workbook_add_worksheet(book, kMakerDomain);
    worksheet_write_number(ws, 1, 2, first, nullptr);
    worksheet_write_string(ws, 2, 25, "Morvalen", nullptr);
    for (lxw_row_t row = 300; row < 60000; ++row) {
        for (lxw_col_t column = 3; column < 7; ++column) {
            worksheet_write_number(ws, row, column, row, nullptr);
        }
    }
    EXPECT_EQ(workbook_close(book), LXW_NO_ERROR);
    return path;
}

// While a workbook is read the window keeps running its events and, past the delay, shows a
// progress dialog; its cancel button gives the read up and writes no answer.
TEST_F(FileBrowser, ReadingRunsOffTheWindowAndCanBeCancelled) {
    addExaminee(u"1"_s, u"اولي"_s);
    open();
    window->m_progressDelayMs = 0;
    const QString path = LargeWorkbook(folder.file(u"large.xlsx"_s), 5);

    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancelled" : "left to finish");
        MessageBox::clearShown();
        int ticks = 0;
        bool sawDialog = false;
        bool waitShown = false;
        bool listBlocked = false;
        bool cancelEnabled = false;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            ++ticks;
            waitShown = waitShown || window->m_waitPanel->isVisible();
            for (auto* dialog : window->findChildren<QProgressDialog*>()) {
                if (dialog->isVisible() && !dialog->wasCanceled()) {
                    sawDialog = true;
                    listBlocked = !window->m_examineeList->isEnabled() && !window->m_exitButton->isEnabled();
                    auto* button = dialog->findChild<QPushButton*>();
                    cancelEnabled = button && button->isEnabled();
                    if (cancel && button) {
                        QTest::mouseClick(button, Qt::LeftButton); // as the user does
                    }
                }
            }
        });
        watcher.start(0);
        FileDialog::setNextFileName(path);
        doubleClickRow(0);
        watcher.stop();
        EXPECT_GT(ticks, 0) << "the window's events ran during the read";
        EXPECT_TRUE(sawDialog);
        EXPECT_TRUE(waitShown);
        EXPECT_TRUE(listBlocked) << "no second import while one runs";
        EXPECT_TRUE(cancelEnabled) << "the cancel button answers";
        EXPECT_FALSE(window->m_waitPanel->isVisible());
        EXPECT_TRUE(window->m_examineeList->isEnabled());
        EXPECT_TRUE(window->m_exitButton->isEnabled());
        if (cancel) {
            EXPECT_TRUE(MessageBox::shown().isEmpty());
            EXPECT_EQ(answer(u"1"_s, 1), u"3"_s) << "a cancelled import writes nothing";
        } else {
            ASSERT_EQ(MessageBox::shown().size(), 1);
            EXPECT_EQ(last().title, u"ورود اطلاعات"_s);
            EXPECT_EQ(answer(u"1"_s, 1), u"5"_s);
        }
    }
}

TEST_F(FileBrowser, CommandOpensIt) {
    auto services = std::make_shared<MainServices>();
    InstallViewCommands(*services);
    MainWindow* mainWindow = MainWindow::ShowMain(context, services);
    mainWindow->runCommand(140);
    ASSERT_EQ(visibleWindows<ExamineeFileWindow>().size(), 1);
    EXPECT_FALSE(mainWindow->isEnabled());
    visibleWindows<ExamineeFileWindow>()[0]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(mainWindow->isEnabled());
}

} // namespace
} // namespace morvalen
