// The Excel button of the results view: dialog, messages, file names and the snapshot kept
// for the run.
#include "reports/WorkbookReader.h"
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"
#include "support/GuiFixture.h"
#include "views/ExportSnapshot.h"
#include "views/ResultsWindow.h"
#include "views/ViewCommands.h"

#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

class ExcelButton : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        MessageBox::setFallbackAnswer(QMessageBox::Ok);
        addExaminee(u"1"_s, u"پرستو احمدي"_s);
        addExaminee(u"2"_s, u"كاوه نوري"_s);
    }

    void addExaminee(const QString& code, const QString& name) {
        ASSERT_TRUE(folder.addExaminee(code, name, {{5, u"2"_s}}));
    }

    // The names in column C of an exported file, top to bottom.
    static QStringList exportedNames(const QString& path) {
        QStringList names;
        auto reader = WorkbookReader::Open(path);
        if (!reader || !reader->selectSheet("Morvalen")) {
            return {u"unreadable"_s};
        }
        for (int row = 1; reader->cell(row, 2).kind == WorkbookCell::Kind::Text; ++row) {
            names.append(QString::fromStdString(reader->cell(row, 2).text));
        }
        return names;
    }

    const MessageBox::Record& last() const { return MessageBox::shown().back(); }
};

TEST_F(ExcelButton, SavesEveryExamineeAndSaysSo) {
    auto* main = new QWidget;
    auto* view = new ResultsWindow(context, main);
    view->show();
    ASSERT_TRUE(view->m_excelExportButton);
    EXPECT_EQ(view->m_excelExportButton->text(), u"خروجي اکسل داده ها"_s);

    const QString path = folder.file(u"همه.xls"_s); // a Persian file name
    FileDialog::setNextFileName(path);
    QTest::mouseClick(view->m_excelExportButton, Qt::LeftButton);
    ASSERT_EQ(FileDialog::shown().size(), 1);
    EXPECT_TRUE(FileDialog::shown()[0].save);
    EXPECT_EQ(FileDialog::shown()[0].filter, u"Excel |*.xls|Excel 2007 |*.xlsx"_s);
    EXPECT_TRUE(FileDialog::shown()[0].suggested.isEmpty());
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(last().title, u"Morvalen"_s);
    EXPECT_EQ(last().text, u"ذخيره شد"_s);
    EXPECT_EQ(last().icon, MessageBox::Icon::None);
    EXPECT_EQ(exportedNames(path), (QStringList{u"پرستو احمدي"_s, u"كاوه نوري"_s}));
    EXPECT_FALSE(QFile::exists(path + u".xls"_s)) << "the extension is not doubled";
    EXPECT_EQ(QDir(folder.path()).entryList({u"*.part"_s}).size(), 0);
}

TEST_F(ExcelButton, NamesGetTheRightExtensionAndCancelWritesNothing) {
    ExportSnapshot excel(context);
    FileDialog::setNextFileName(QString());
    excel.exportAll(nullptr);
    EXPECT_TRUE(MessageBox::shown().isEmpty()) << "cancel: nothing said";
    EXPECT_EQ(QDir(folder.path()).entryList({u"*.xls*"_s}).size(), 0) << "cancel: nothing written";

    FileDialog::setNextFileName(folder.file(u"plain"_s));
    excel.exportAll(nullptr);
    EXPECT_TRUE(QFile::exists(folder.file(u"plain.xls"_s)));
    EXPECT_EQ(excel.m_lastFileName, folder.file(u"plain"_s));

    FileDialog::setNextFileName(folder.file(u"new.xlsx"_s));
    excel.exportAll(nullptr);
    EXPECT_EQ(exportedNames(folder.file(u"new.xlsx"_s)).size(), 2);
    EXPECT_FALSE(QFile::exists(folder.file(u"new.xlsx.xls"_s)));
}

TEST_F(ExcelButton, TooManyRowsForXlsSuggestsXlsx) {
    ExportSnapshot excel(context, 2); // room for the heading and one examinee
    FileDialog::setNextFileName(folder.file(u"big.xls"_s));
    excel.exportAll(nullptr);
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(last().title, u"توجه"_s);
    EXPECT_EQ(last().text, u"تعداد آزمودني ها (2) بيش از گنجايش فايل xls است (حداکثر 1 آزمودني).\r\n"
                           u"لطفا فايل را با قالب Excel 2007 (xlsx) ذخيره کنيد."_s);
    EXPECT_FALSE(QFile::exists(folder.file(u"big.xls"_s)));

    FileDialog::setNextFileName(folder.file(u"big.xlsx"_s));
    excel.exportAll(nullptr);
    EXPECT_EQ(last().text, u"ذخيره شد"_s) << ".xlsx has no such limit";
    EXPECT_EQ(exportedNames(folder.file(u"big.xlsx"_s)).size(), 2);
}

TEST_F(ExcelButton, FailureShowsTheReasonTitledError) {
    ExportSnapshot excel(context);
    FileDialog::setNextFileName(folder.file(u"missing/folder/out.xls"_s));
    excel.exportAll(nullptr);
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(last().title, u"Error"_s);
    // A plain Persian line with the file, then the system's reason.
    EXPECT_TRUE(last().text.startsWith(u"فايل اکسل ذخيره نشد:\r\n"_s +
                                       QDir::toNativeSeparators(folder.file(u"missing/folder/out.xls"_s))))
        << last().text.toStdString();
    EXPECT_GT(last().text.size(), 60);
}

// Cancel in the progress dialog, in both formats: the earlier file stays as it was, no other
// file appears and nothing is said.
TEST_F(ExcelButton, CancelDuringTheWriteLeavesTheEarlierFile) {
    for (const QString& name : {u"old.xls"_s, u"old.xlsx"_s}) {
        SCOPED_TRACE(name.toStdString());
        const QString path = folder.file(name);
        {
            QFile old(path);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("the earlier export");
        }
        const QStringList before = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        auto* parent = new QWidget;
        ExportSnapshot excel(context);
        excel.m_progressDelayMs = 0; // the dialog at once, however small the table
        bool sawDialog = false;
        QTimer clicker;
        QObject::connect(&clicker, &QTimer::timeout, [&] {
            for (auto* dialog : parent->findChildren<QProgressDialog*>()) {
                if (dialog->labelText().contains(u"ذخيره"_s) && !dialog->wasCanceled()) {
                    sawDialog = dialog->isVisible();
                    auto* cancel = dialog->findChild<QPushButton*>();
                    ASSERT_TRUE(cancel);
                    EXPECT_EQ(cancel->text(), u"انصراف"_s);
                    cancel->click();
                }
            }
        });
        clicker.start(0);
        FileDialog::setNextFileName(path);
        excel.exportAll(parent);
        clicker.stop();
        EXPECT_TRUE(sawDialog);
        EXPECT_TRUE(MessageBox::shown().isEmpty());
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), "the earlier export");
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), before);

        // Not cancelled, the same export replaces the file.
        FileDialog::setNextFileName(path);
        excel.exportAll(parent);
        EXPECT_EQ(exportedNames(path).size(), 2);
        delete parent;
        MessageBox::clearShown();
    }
}

TEST_F(ExcelButton, LaterExportsOfTheRunWriteTheFirstSnapshot) {
    auto services = std::make_shared<MainServices>();
    InstallViewCommands(*services);
    MainWindow* main = MainWindow::ShowMain(context, services);

    main->runCommand(141);
    ASSERT_EQ(visibleWindows<ResultsWindow>().size(), 1);
    FileDialog::setNextFileName(folder.file(u"first.xls"_s));
    visibleWindows<ResultsWindow>()[0]->exportToExcel();
    visibleWindows<ResultsWindow>()[0]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    addExaminee(u"3"_s, u"سارا"_s);
    main->runCommand(141); // a new results view, the same export
    ASSERT_EQ(visibleWindows<ResultsWindow>().size(), 1);
    FileDialog::setNextFileName(folder.file(u"second.xls"_s));
    visibleWindows<ResultsWindow>()[0]->exportToExcel();
    EXPECT_EQ(exportedNames(folder.file(u"first.xls"_s)).size(), 2);
    EXPECT_EQ(exportedNames(folder.file(u"second.xls"_s)), exportedNames(folder.file(u"first.xls"_s)))
        << "the examinee added after the first export is missing";

    // A new run (a fresh export object) reads the database again.
    ExportSnapshot fresh(context);
    FileDialog::setNextFileName(folder.file(u"third.xls"_s));
    fresh.exportAll(nullptr);
    EXPECT_EQ(exportedNames(folder.file(u"third.xls"_s)).size(), 3);
}

} // namespace
} // namespace morvalen
