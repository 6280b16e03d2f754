// The answer sheet typed in through its real window.
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"
#include "support/GuiFixture.h"
#include "views/AnswerSheetWindow.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>
#include <QTimer>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

class AnswerSheet : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        main = new QWidget;
        main->show();
        db = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(db);
        answers = std::make_unique<AnswerStore>(*db);
    }

    void addExaminee(const QString& code, bool withRow) {
        Examinee e;
        e.code = code;
        e.fullName = u"آزمودني "_s + code;
        ExamineeStore store(*db);
        ASSERT_TRUE(withRow ? store.addWithAnswerRow(e).has_value() : store.add(e).has_value());
    }

    AnswerSheetWindow* open() {
        auto* sheet = new AnswerSheetWindow(context, main);
        sheet->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(sheet));
        return sheet;
    }

    // Double-clicks a list row and waits for the delayed load.
    static void pick(AnswerSheetWindow* sheet, int row) {
        QTableView* grid = sheet->m_examineeList;
        doubleClick(grid->viewport(), grid->visualRect(grid->model()->index(row, 1)).center());
        ASSERT_TRUE(QTest::qWaitFor([sheet] { return !sheet->loadedCode().isEmpty(); }, 3000));
    }

    static void key(AnswerSheetWindow* sheet, int key, const QString& text = {}) {
        QWidget* focus = sheet->focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::sendKeyEvent(QTest::Click, focus, Qt::Key(key), text, Qt::NoModifier);
    }

    static void typeDigit(AnswerSheetWindow* sheet, char digit) {
        key(sheet, Qt::Key_0 + (digit - '0'), QString(QLatin1Char(digit)));
    }

    int filledInDatabase(const QString& code) {
        const auto row = answers->row(code);
        return row ? static_cast<int>(std::count_if(row->begin(), row->end(),
                                                    [](const QString& a) { return !a.isEmpty(); }))
                   : -1;
    }

    QPointer<QWidget> main;
    std::unique_ptr<Database> db;
    std::unique_ptr<AnswerStore> answers;
};

TEST_F(AnswerSheet, OpensEmptyAndLoadsAfterThePause) {
    addExaminee(u"1"_s, false);
    AnswerSheetWindow* sheet = open();
    EXPECT_FALSE(main->isEnabled());
    EXPECT_FALSE(sheet->m_pageOnePanel->isVisible());
    EXPECT_FALSE(sheet->m_saveButton->isEnabled());
    EXPECT_EQ(sheet->m_itemLabels[1]->text(), u"1"_s);
    EXPECT_EQ(sheet->m_itemLabels[232]->text(), u"232"_s);
    pick(sheet, 0);
    EXPECT_TRUE(answers->hasRow(u"1"_s)) << "a missing answer row is made";
    EXPECT_TRUE(sheet->m_pageOnePanel->isVisible());
    EXPECT_FALSE(sheet->m_pageTwoPanel->isVisible());
    EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[1]);
    for (QPushButton* button : {sheet->m_saveButton, sheet->m_nextPageButton, sheet->m_previousPageButton}) {
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    }
    // Pages: 1 to 140 in seven columns, 141 to 232 in five; items run down each column.
    EXPECT_EQ(sheet->m_answerCells[140]->parentWidget(), sheet->m_pageOnePanel);
    EXPECT_EQ(sheet->m_answerCells[141]->parentWidget(), sheet->m_pageTwoPanel);
    EXPECT_LT(sheet->m_answerCells[1]->y(), sheet->m_answerCells[20]->y());
    EXPECT_EQ(sheet->m_answerCells[1]->y(), sheet->m_answerCells[21]->y());
    EXPECT_EQ(sheet->m_answerCells[141]->y(), sheet->m_answerCells[221]->y());
}

TEST_F(AnswerSheet, OnlyOneToSixAreTypedButEveryKeyCounts) {
    addExaminee(u"1"_s, true);
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0);
    const int before = sheet->keyCount();
    typeDigit(sheet, '7');
    typeDigit(sheet, '0');
    key(sheet, Qt::Key_A, u"a"_s);
    key(sheet, Qt::Key_Backspace, QString(QChar(8)));
    EXPECT_EQ(sheet->m_answerCells[1]->text(), u""_s);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[1]) << "no advance";
    EXPECT_EQ(sheet->keyCount(), (before + 4) % 15);
    typeDigit(sheet, '3');
    EXPECT_EQ(sheet->m_answerCells[1]->text(), u"3"_s);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[2]);
}

TEST_F(AnswerSheet, FifteenthKeyWritesTheRow) {
    addExaminee(u"1"_s, true);
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0);
    ASSERT_EQ(sheet->keyCount(), 0);
    for (int i = 0; i < 14; ++i) {
        typeDigit(sheet, '5');
    }
    EXPECT_EQ(filledInDatabase(u"1"_s), 0) << "nothing written before the 15th key";
    typeDigit(sheet, '5');
    EXPECT_EQ(filledInDatabase(u"1"_s), 15);
    EXPECT_EQ(sheet->keyCount(), 0);
}

TEST_F(AnswerSheet, PageTwoFollowsItem140AndTheLastCellKeepsTheFocus) {
    addExaminee(u"1"_s, true);
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0);
    sheet->m_answerCells[140]->setFocus();
    typeDigit(sheet, '5');
    EXPECT_FALSE(sheet->m_pageOnePanel->isVisible());
    EXPECT_TRUE(sheet->m_pageTwoPanel->isVisible());
    EXPECT_EQ(sheet->page(), 2);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[141]);
    sheet->m_answerCells[232]->setFocus();
    typeDigit(sheet, '2');
    EXPECT_EQ(sheet->m_answerCells[232]->text(), u"2"_s);
    EXPECT_EQ(sheet->focusWidget(), sheet->m_answerCells[232]);
    // Next on page 2 stays there, previous twice ends on page 1.
    QTest::mouseClick(sheet->m_nextPageButton, Qt::LeftButton);
    EXPECT_EQ(sheet->page(), 2);
    QTest::mouseClick(sheet->m_previousPageButton, Qt::LeftButton);
    QTest::mouseClick(sheet->m_previousPageButton, Qt::LeftButton);
    EXPECT_EQ(sheet->page(), 1);
    EXPECT_TRUE(sheet->m_pageOnePanel->isVisible());
}

TEST_F(AnswerSheet, WholeSheetThenExitKeepsAll232Answers) {
    addExaminee(u"1"_s, true);
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0);
    for (int i = 0; i < kItemCount; ++i) {
        typeDigit(sheet, static_cast<char>('1' + i % 6));
    }
    EXPECT_EQ(filledInDatabase(u"1"_s), 225) << "the autosave has written up to key 225";
    QTest::mouseClick(sheet->m_exitButton, Qt::LeftButton);
    const auto row = answers->row(u"1"_s);
    ASSERT_TRUE(row);
    for (int i = 0; i < kItemCount; ++i) {
        EXPECT_EQ((*row)[i], QString::number(1 + i % 6)) << "item " << i + 1;
    }
    EXPECT_TRUE(main->isEnabled());
}

TEST_F(AnswerSheet, SaveButtonSaysSaved) {
    addExaminee(u"1"_s, true);
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0);
    typeDigit(sheet, '4');
    QTest::mouseClick(sheet->m_saveButton, Qt::LeftButton);
    EXPECT_EQ(answers->cell(u"1"_s, 1), u"4"_s);
    ASSERT_FALSE(MessageBox::shown().isEmpty());
    EXPECT_TRUE(MessageBox::shown().back().timed);
    EXPECT_EQ(MessageBox::shown().back().text, u"ذخيره شد"_s);
}

TEST_F(AnswerSheet, SecondExamineeReplacesTheFirstAndKeepsItsAnswers) {
    addExaminee(u"1"_s, true);
    addExaminee(u"2"_s, true);
    ASSERT_TRUE(answers->setCell(u"1"_s, 100, u"6"_s));
    // An imported cell holding more than one character is written back as it was.
    ASSERT_TRUE(answers->setCell(u"1"_s, 200, u"12"_s));
    AnswerSheetWindow* sheet = open();
    pick(sheet, 0); // the newest: examinee 2
    ASSERT_EQ(sheet->loadedCode(), u"2"_s);
    typeDigit(sheet, '3');
    QTableView* grid = sheet->m_examineeList;
    doubleClick(grid->viewport(), grid->visualRect(grid->model()->index(1, 1)).center());
    EXPECT_EQ(answers->cell(u"2"_s, 1), u"3"_s) << "saved before the next examinee is loaded";
    for (QLineEdit* cell : sheet->m_answerCells) {
        ASSERT_TRUE(cell->text().isEmpty()) << "all cells are cleared at once";
    }
    ASSERT_TRUE(QTest::qWaitFor([sheet] { return sheet->loadedCode() == u"1"_s; }, 3000));
    EXPECT_EQ(sheet->m_answerCells[100]->text(), u"6"_s);
    EXPECT_EQ(sheet->m_answerCells[1]->text(), u""_s);
    sheet->close();
    EXPECT_EQ(answers->cell(u"1"_s, 200), u"12"_s);
}

TEST_F(AnswerSheet, EmptyListStartsNothing) {
    AnswerSheetWindow* sheet = open();
    doubleClick(sheet->m_examineeList->viewport(), QPoint(20, 20));
    QTest::qWait(150);
    EXPECT_TRUE(sheet->loadedCode().isEmpty());
    QSqlQuery q(db->handle());
    ASSERT_TRUE(q.exec(u"SELECT count(*) FROM Answer1"_s) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 0);
}

} // namespace
} // namespace morvalen
