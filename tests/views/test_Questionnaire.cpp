// The on-screen questionnaire on a temporary program folder.
#include "shell/Skin.h"
#include "store/AnswerStore.h"
#include "store/QuestionStore.h"
#include "support/GuiFixture.h"
#include "views/QuestionnaireWindow.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

class Questionnaire : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        main = new QWidget;
        main->show();
        db = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(db);
        answers = std::make_unique<AnswerStore>(*db);
        ASSERT_TRUE(answers->addRow(u"3"_s));
    }

    QuestionnaireWindow* open(const QString& code = u"3"_s) {
        auto* test = new QuestionnaireWindow(context, code, u"رضا"_s, main);
        test->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(test));
        QTest::mouseClick(test->m_startButton, Qt::LeftButton); // "شروع"
        return test;
    }

    // The value of the checked answer button; 0 when none is checked.
    static int checkedValue(QuestionnaireWindow* t) {
        for (int value = 1; value <= 6; ++value) {
            if (t->m_answerButtons[value]->isChecked()) {
                return value;
            }
        }
        return 0;
    }

    QPointer<QWidget> main;
    std::unique_ptr<Database> db;
    std::unique_ptr<AnswerStore> answers;
};

TEST_F(Questionnaire, OpensOnItemOneBehindTheIntroduction) {
    ASSERT_TRUE(QuestionStore(*db).setText(1, u"من اغلب احساس تنهايي مي كنم"_s));
    ASSERT_TRUE(answers->setCell(u"3"_s, 1, u"4"_s));
    auto* t = new QuestionnaireWindow(context, u"3"_s, u"رضا"_s, main);
    t->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(t));
    EXPECT_EQ(t->windowTitle(), u"اجراي تست"_s);
    EXPECT_FALSE(main->isEnabled());
    EXPECT_TRUE(t->m_introductionPanel->isVisible());
    EXPECT_FALSE(t->m_helpButton->isVisible());
    EXPECT_EQ(t->currentItem(), 1);
    EXPECT_EQ(t->m_itemTextLabel->text(), u"من اغلب احساس تنهايي مي كنم"_s);
    EXPECT_EQ(checkedValue(t), 4) << "a stored 4 selects the third button, the one of value 4";
    QTest::mouseClick(t->m_startButton, Qt::LeftButton);
    EXPECT_FALSE(t->m_introductionPanel->isVisible());
    EXPECT_TRUE(t->m_helpButton->isVisible());
    QTest::mouseClick(t->m_helpButton, Qt::LeftButton);
    EXPECT_TRUE(t->m_helpPanel->isVisible());
    EXPECT_EQ(t->m_helpText->toPlainText().split(u'\n', Qt::SkipEmptyParts).size(), 8);
    QTest::mouseClick(t->m_helpCloseButton, Qt::LeftButton);
    EXPECT_FALSE(t->m_helpPanel->isVisible());
}

TEST_F(Questionnaire, EachButtonStoresItsValue) {
    QuestionnaireWindow* t = open();
    const QStringList captions{u"کاملاً درست"_s, u"تقريباً درست"_s, u"اندکي درست"_s, u"بيشتر درست است تا غلط"_s,
                               u"تقريباً غلط"_s, u"کاملاً غلط"_s};
    // The buttons from the top down, values 6 to 1, on items 1 to 6.
    for (int item = 1; item <= 6; ++item) {
        const int value = 7 - item;
        EXPECT_EQ(t->m_answerButtons[value]->text(), captions[item - 1]);
        clickIndicator(t->m_answerButtons[value]);
        QTest::mouseClick(t->m_nextButton, Qt::LeftButton);
        EXPECT_EQ(answers->cell(u"3"_s, item), QString::number(value)) << "answer " << value;
        EXPECT_EQ(t->currentItem(), item + 1);
        EXPECT_EQ(t->m_answerPanel->title(), QString::number(item + 1)) << "the caption is the item number";
    }
}

TEST_F(Questionnaire, AnswerSurvivesNextAndPrevious) {
    QuestionnaireWindow* t = open();
    clickIndicator(t->m_answerButtons[5]);
    QTest::mouseClick(t->m_nextButton, Qt::LeftButton);
    EXPECT_EQ(checkedValue(t), 0) << "item 2 has no answer yet";
    QTest::mouseClick(t->m_previousButton, Qt::LeftButton);
    EXPECT_EQ(t->currentItem(), 1);
    EXPECT_EQ(checkedValue(t), 5);
    EXPECT_EQ(answers->cell(u"3"_s, 1), u"5"_s);
}

TEST_F(Questionnaire, CloseBoxStoresTheAnswer) {
    QuestionnaireWindow* t = open();
    QTest::mouseClick(t->m_nextButton, Qt::LeftButton);
    clickIndicator(t->m_answerButtons[1]);
    EXPECT_TRUE(answers->cell(u"3"_s, 2).isEmpty()) << "stored only on moving or closing";
    t->close();
    EXPECT_EQ(answers->cell(u"3"_s, 2), u"1"_s);
    EXPECT_TRUE(main->isEnabled());
}

TEST_F(Questionnaire, BothEndsSayWhereTheyAre) {
    QuestionnaireWindow* t = open();
    QTest::mouseClick(t->m_previousButton, Qt::LeftButton);
    EXPECT_EQ(t->currentItem(), 1);
    EXPECT_EQ(timedTexts(), QStringList{u"شروع"_s});
    for (int i = 1; i < 232; ++i) {
        QTest::mouseClick(t->m_nextButton, Qt::LeftButton);
    }
    ASSERT_EQ(t->currentItem(), 232);
    clickIndicator(t->m_answerButtons[6]);
    QTest::mouseClick(t->m_nextButton, Qt::LeftButton);
    EXPECT_EQ(t->currentItem(), 232);
    EXPECT_EQ(timedTexts(), (QStringList{u"شروع"_s, u"پايان"_s}));
    EXPECT_EQ(answers->cell(u"3"_s, 232), u"6"_s) << "item 232 is stored before the message";
    EXPECT_EQ(checkedValue(t), 6);
}

TEST_F(Questionnaire, StoredZeroShowsNoChoice) {
    ASSERT_TRUE(answers->setCell(u"3"_s, 1, u"0"_s));
    QuestionnaireWindow* t = open();
    EXPECT_EQ(checkedValue(t), 0);
}

TEST_F(Questionnaire, WithoutAnAnswerRowNothingIsShownOrStored) {
    QuestionnaireWindow* t = open(u"99"_s);
    clickIndicator(t->m_answerButtons[6]);
    EXPECT_EQ(checkedValue(t), 0);
    QTest::mouseClick(t->m_nextButton, Qt::LeftButton);
    EXPECT_EQ(t->currentItem(), 2);
    EXPECT_FALSE(answers->hasRow(u"99"_s));
    EXPECT_TRUE(MessageBox::shown().isEmpty()) << "no message";
}

TEST_F(Questionnaire, DigitsChooseAndEnterMovesOn) {
    QuestionnaireWindow* t = open();
    QTest::keyClick(t, Qt::Key_5);
    EXPECT_EQ(checkedValue(t), 5);
    QTest::keyClick(t, Qt::Key_Return);
    EXPECT_EQ(t->currentItem(), 2);
    QTest::keyClick(t, Qt::Key_1);
    QTest::keyClick(t, Qt::Key_Enter);
    EXPECT_EQ(answers->cell(u"3"_s, 1), u"5"_s);
    EXPECT_EQ(answers->cell(u"3"_s, 2), u"1"_s);
    QTest::keyClick(t, Qt::Key_9);
    EXPECT_EQ(checkedValue(t), 0) << "only 1 to 6 are answers";
}

TEST_F(Questionnaire, FailedWriteKeepsTheAnswerOnScreen) {
    QuestionnaireWindow* t = open();
    clickIndicator(t->m_answerButtons[4]);
    // Another program takes the file: the write cannot go through.
    auto holder = Database::open(folder.file(u"morvalen.mdb"_s), Database::Mode::ReadWrite);
    ASSERT_TRUE(holder && holder->exec(u"BEGIN EXCLUSIVE"_s));
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(t->m_nextButton, Qt::LeftButton);
    EXPECT_EQ(t->currentItem(), 1) << "stays on the unsaved answer";
    ASSERT_FALSE(MessageBox::shown().isEmpty());
    EXPECT_EQ(MessageBox::shown().back().title, u"خطا"_s);
    holder->exec(u"ROLLBACK"_s);
    QTest::mouseClick(t->m_nextButton, Qt::LeftButton);
    EXPECT_EQ(t->currentItem(), 2);
    EXPECT_EQ(answers->cell(u"3"_s, 1), u"4"_s);
}

// The introduction lies over the question and its answers: under every skin nothing of them
// may show through it.
TEST_F(Questionnaire, IntroductionHidesTheQuestionBehindIt) {
    ASSERT_TRUE(QuestionStore(*db).setText(1, u"متن سوال اول كه نبايد ديده شود"_s));
    for (const QString& theme : {u"1"_s, u"14"_s, u"23"_s}) {
        ApplyTheme(*qApp, folder.path(), theme);
        auto* t = new QuestionnaireWindow(context, u"3"_s, u"رضا"_s, main);
        t->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(t));
        ASSERT_TRUE(t->m_introductionPanel->isVisible());
        // Inside the panel's frame (its title sits in a margin above the frame).
        const QRect inside = t->m_introductionPanel->contentsRect();
        const QImage whole = t->grab(inside.translated(t->m_introductionPanel->pos()))
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        const QImage alone =
            t->m_introductionPanel->grab(inside).toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(whole, alone) << "theme " << theme.toStdString();
        t->close();
    }
    ApplyTheme(*qApp, folder.path(), {});
}

} // namespace
} // namespace morvalen
