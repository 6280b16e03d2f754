// The SPSS and CSV buttons of the results view: dialog, messages, file names, failures, and
// the snapshot they share with the Excel export for the run.
#include "CsvText.h"
#include "FileSizeLimit.h"
#include "reports/WorkbookReader.h"
#include "store/ExamineeStore.h"
#include "support/GuiFixture.h"
#include "views/ExportSnapshot.h"
#include "views/QuestionnaireWindow.h"
#include "views/ResultsWindow.h"

#include <QBoxLayout>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTimer>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

class ResearchButtons : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        MessageBox::setFallbackAnswer(QMessageBox::Ok);
        ASSERT_TRUE(folder.addExaminee(u"1"_s, u"پرستو احمدي"_s, {{1, u"6"_s}, {9, u"6"_s}}));
        ASSERT_TRUE(folder.addExaminee(u"2"_s, u"كاوه نوري"_s, {{10, u"3"_s}}));
    }

    const MessageBox::Record& last() const { return MessageBox::shown().back(); }

    // The rows of a CSV file below its heading.
    static std::vector<QStringList> csvRows(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        std::vector<QStringList> rows = test::ParseCsv(QString::fromUtf8(file.readAll().mid(3)));
        if (!rows.empty()) {
            rows.erase(rows.begin());
        }
        return rows;
    }

    static QStringList names(const std::vector<QStringList>& rows) {
        QStringList out;
        for (const QStringList& row : rows) {
            out.append(row.value(1));
        }
        return out;
    }
};

TEST_F(ResearchButtons, SitBesideTheExcelButtonAndSaveEveryExaminee) {
    auto* main = new QWidget;
    auto* view = new ResultsWindow(context, main);
    view->show();
    ASSERT_TRUE(view->m_spssExportButton && view->m_csvExportButton);
    EXPECT_EQ(view->m_spssExportButton->text(), u"خروجي SPSS"_s);
    EXPECT_EQ(view->m_csvExportButton->text(), u"خروجي CSV"_s);
    EXPECT_EQ(view->m_spssExportButton->objectName(), u"spssExportButton"_s);
    EXPECT_EQ(view->m_csvExportButton->objectName(), u"csvExportButton"_s);
    // In the button row, right after the Excel button, and usable before anyone is scored.
    for (QPushButton* button : {view->m_spssExportButton, view->m_csvExportButton}) {
        EXPECT_TRUE(button->isVisible() && button->isEnabled());
        EXPECT_EQ(button->parentWidget(), view->m_excelExportButton->parentWidget());
        EXPECT_EQ(button->y(), view->m_excelExportButton->y());
    }
    EXPECT_LT(view->m_excelExportButton->x(), view->m_exitButton->x()) << "right to left";
    EXPECT_LT(view->m_spssExportButton->x(), view->m_excelExportButton->x());
    EXPECT_LT(view->m_csvExportButton->x(), view->m_spssExportButton->x());

    struct Case {
        QPushButton* button;
        QString chosen;
        QString written;
        QString filter;
    };
    const Case cases[] = {
        {view->m_spssExportButton, folder.file(u"همه"_s), folder.file(u"همه.sav"_s), u"SPSS |*.sav"_s},
        {view->m_spssExportButton, folder.file(u"دوم.SAV"_s), folder.file(u"دوم.SAV"_s), u"SPSS |*.sav"_s},
        {view->m_csvExportButton, folder.file(u"همه"_s), folder.file(u"همه.csv"_s), u"CSV |*.csv"_s},
        {view->m_csvExportButton, folder.file(u"دوم.csv"_s), folder.file(u"دوم.csv"_s), u"CSV |*.csv"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written.toStdString());
        FileDialog::clearShown();
        MessageBox::clearShown();
        FileDialog::setNextFileName(c.chosen);
        QTest::mouseClick(c.button, Qt::LeftButton);
        ASSERT_EQ(FileDialog::shown().size(), 1);
        EXPECT_TRUE(FileDialog::shown()[0].save);
        EXPECT_EQ(FileDialog::shown()[0].filter, c.filter);
        EXPECT_EQ(FileDialog::shown()[0].startFolder, folder.path());
        ASSERT_EQ(MessageBox::shown().size(), 1);
        EXPECT_EQ(last().title, u"Morvalen"_s);
        EXPECT_EQ(last().text, u"ذخيره شد"_s);
        EXPECT_EQ(last().icon, MessageBox::Icon::None);
        QFile file(c.written);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the extension is added once, or kept";
        const QByteArray start = file.read(4);
        EXPECT_EQ(start, c.filter.startsWith(u"SPSS"_s) ? QByteArray("$FL2")
                                                        : QByteArray("\xEF\xBB\xBF"
                                                                     "C"));
    }
    EXPECT_EQ(names(csvRows(folder.file(u"همه.csv"_s))), (QStringList{u"پرستو احمدي"_s, u"كاوه نوري"_s}));
    EXPECT_FALSE(QFile::exists(folder.file(u"دوم.csv.csv"_s)));
}

TEST_F(ResearchButtons, CancelWritesAndSaysNothing) {
    ExportSnapshot snapshot(context);
    for (ResearchFormat format : {ResearchFormat::Sav, ResearchFormat::Csv}) {
        FileDialog::setNextFileName(QString());
        snapshot.exportResearch(format, nullptr);
    }
    EXPECT_EQ(FileDialog::shown().size(), 2);
    EXPECT_TRUE(MessageBox::shown().isEmpty());
    EXPECT_EQ(QDir(folder.path()).entryList({u"*.sav"_s, u"*.csv"_s}).size(), 0);
}

// A long research export shows the same progress window as the Excel export; its cancel
// button stops the write, leaves the earlier file and says nothing.
TEST_F(ResearchButtons, CancelInTheProgressWindowLeavesTheEarlierFile) {
    for (const ResearchFormat format : {ResearchFormat::Sav, ResearchFormat::Csv}) {
        const QString path = folder.file(format == ResearchFormat::Sav ? u"old.sav"_s : u"old.csv"_s);
        SCOPED_TRACE(path.toStdString());
        {
            QFile old(path);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("the earlier export");
        }
        const QStringList before = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        auto* parent = new QWidget;
        ExportSnapshot snapshot(context);
        snapshot.m_progressDelayMs = 0; // the window at once, however small the table
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
        snapshot.exportResearch(format, parent);
        clicker.stop();
        EXPECT_TRUE(sawDialog);
        EXPECT_TRUE(MessageBox::shown().isEmpty());
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), "the earlier export");
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), before);

        // Not cancelled, the same export replaces the file.
        FileDialog::setNextFileName(path);
        snapshot.exportResearch(format, parent);
        EXPECT_GT(QFileInfo(path).size(), 100);
        delete parent;
        MessageBox::clearShown();
    }
}

TEST_F(ResearchButtons, ShareTheFirstSnapshotOfTheRunWithTheExcelExport) {
    auto* view = new ResultsWindow(context, new QWidget);
    FileDialog::setNextFileName(folder.file(u"first.xlsx"_s));
    view->exportToExcel();
    ASSERT_EQ(last().text, u"ذخيره شد"_s);

    // After the first export: a new examinee, and a phone number entered for the first one.
    ASSERT_TRUE(folder.addExaminee(u"3"_s, u"سارا"_s));
    {
        auto db = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(db);
        ExamineeStore examinees(*db);
        auto first = examinees.firstByCode(u"1"_s);
        ASSERT_TRUE(first);
        first->phone = u"09120000000"_s;
        ASSERT_TRUE(examinees.change(*first));
    }
    FileDialog::setNextFileName(folder.file(u"later.csv"_s));
    QTest::mouseClick(view->m_csvExportButton, Qt::LeftButton);
    const std::vector<QStringList> rows = csvRows(folder.file(u"later.csv"_s));
    EXPECT_EQ(names(rows), (QStringList{u"پرستو احمدي"_s, u"كاوه نوري"_s}))
        << "the examinee added later is missing";
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0].value(6), QString()) << "the phone as it was at the first export";
    EXPECT_EQ(rows[0].value(rows[0].size() - 38), u"12"_s) << "ED_raw: items 1 and 9 answered 6";

    // A new run reads the database again, for every export.
    ExportSnapshot fresh(context);
    FileDialog::setNextFileName(folder.file(u"fresh.csv"_s));
    fresh.exportResearch(ResearchFormat::Csv, nullptr);
    const std::vector<QStringList> again = csvRows(folder.file(u"fresh.csv"_s));
    EXPECT_EQ(names(again).size(), 3);
    ASSERT_FALSE(again.empty());
    EXPECT_EQ(again[0].value(6), u"09120000000"_s);
    FileDialog::setNextFileName(folder.file(u"fresh.xlsx"_s));
    fresh.exportAll(nullptr);
    auto reader = WorkbookReader::Open(folder.file(u"fresh.xlsx"_s));
    ASSERT_TRUE(reader && reader->selectSheet("Morvalen"));
    EXPECT_EQ(reader->cell(3, 2).text, u"سارا"_s.toStdString()) << "the Excel export of that run has her too";
}

TEST_F(ResearchButtons, AFailureSaysWhyTitledErrorAndKeepsTheEarlierFile) {
    ExportSnapshot snapshot(context);
    const QString path = folder.file(u"earlier.sav"_s);
    QFile earlier(path);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier export");
    earlier.close();
    const QStringList before = QDir(folder.path()).entryList(QDir::Files);

    {
        test::FileSizeLimit full(1024);
        FileDialog::setNextFileName(path);
        snapshot.exportResearch(ResearchFormat::Sav, nullptr);
    }
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(last().title, u"Error"_s);
    EXPECT_FALSE(last().text.isEmpty());
    EXPECT_NE(last().text, u"ذخيره شد"_s);
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), "earlier export");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), before) << "nothing half-written left";

    FileDialog::setNextFileName(folder.file(u"missing/folder/out.csv"_s));
    snapshot.exportResearch(ResearchFormat::Csv, nullptr);
    ASSERT_EQ(MessageBox::shown().size(), 2);
    EXPECT_EQ(last().title, u"Error"_s);
    EXPECT_FALSE(last().text.isEmpty());
}

TEST_F(ResearchButtons, DetailsThatCannotBeReadStopOnlyTheResearchFiles) {
    {
        auto db = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(db);
        ASSERT_TRUE(QSqlQuery(db->handle()).exec(u"DROP TABLE QUS"_s));
    }
    ExportSnapshot snapshot(context);
    FileDialog::setNextFileName(folder.file(u"all.xlsx"_s));
    snapshot.exportAll(nullptr);
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(last().text, u"ذخيره شد"_s) << "the Excel export needs no question texts";

    FileDialog::clearShown();
    snapshot.exportResearch(ResearchFormat::Sav, nullptr);
    ASSERT_EQ(MessageBox::shown().size(), 2);
    EXPECT_EQ(last().title, u"Error"_s);
    EXPECT_TRUE(last().text.contains(u"QUS"_s)) << last().text.toStdString();
    EXPECT_TRUE(FileDialog::shown().isEmpty()) << "no file name asked for a file that cannot be written";
}

TEST_F(ResearchButtons, ValueLabelsAreTheQuestionnairesAnswerCaptions) {
    auto* questionnaire = new QuestionnaireWindow(context, u"1"_s, u"پرستو احمدي"_s, new QWidget);
    for (int value = 1; value <= 6; ++value) {
        EXPECT_EQ(AnswerCaptions()[value], questionnaire->m_answerButtons[value]->text()) << value;
    }
}

} // namespace
} // namespace morvalen
