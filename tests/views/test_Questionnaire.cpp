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

    // The window shown and active, as the examinee finds it, on its introduction.
    QuestionnaireWindow* openOnIntroduction(const QString& code = u"3"_s) {
        auto* test = new QuestionnaireWindow(context, code, u"رضا"_s, main);
        test->show();
        test->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(test));
        return test;
    }

    QuestionnaireWindow* open(const QString& code = u"3"_s) {
        QuestionnaireWindow* test = openOnIntroduction(code);
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

    // A key as X delivers it: to the window, which hands it to the control with the focus,
    // carrying the text the key types.
    static void press(QuestionnaireWindow* t, int key, const QString& text,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        ASSERT_NE(t->windowHandle(), nullptr);
        QTest::sendKeyEvent(QTest::Click, t->windowHandle(), Qt::Key(key), text, modifiers);
    }

    // Whether the focus sits on one of the six answers.
    static bool focusOnAnAnswer(QuestionnaireWindow* t) {
        return t->focusWidget() && t->m_answerPanel->isAncestorOf(t->focusWidget());
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
    EXPECT_EQ(answers->hasRow(u"99"_s), false);
    EXPECT_TRUE(MessageBox::shown().isEmpty()) << "no message";
}

TEST_F(Questionnaire, DigitsChooseAndEnterMovesOn) {
    QuestionnaireWindow* t = open();
    press(t, Qt::Key_5, u"5"_s);
    EXPECT_EQ(checkedValue(t), 5);
    press(t, Qt::Key_Return, u"\r"_s);
    EXPECT_EQ(t->currentItem(), 2);
    press(t, Qt::Key_1, u"1"_s);
    press(t, Qt::Key_Enter, u"\r"_s, Qt::KeypadModifier);
    EXPECT_EQ(answers->cell(u"3"_s, 1), u"5"_s);
    EXPECT_EQ(answers->cell(u"3"_s, 2), u"1"_s);
    press(t, Qt::Key_9, u"9"_s);
    EXPECT_EQ(checkedValue(t), 0) << "only 1 to 6 are answers";
}

// The number row of every layout a clinic uses: each key that types 1 to 6 chooses that
// answer, stored as the ASCII digit; any other key chooses nothing. One item per key.
TEST_F(Questionnaire, DigitsOfEveryKeyboardLayoutChooseAndStoreAscii) {
    struct Key {
        int key;
        QString text;
        int value; // 0: chooses nothing
    };
    QList<Key> keys;
    for (int value = 1; value <= 6; ++value) {
        keys.append({Qt::Key_0 + value, QString(QChar(u'0' + value)), value});
        keys.append({0x06F0 + value, QString(QChar(0x06F0 + value)), value}); // Persian ۱ to ۶
        keys.append({0x0660 + value, QString(QChar(0x0660 + value)), value}); // Arabic-Indic ١ to ٦
    }
    for (const int zero : {int(u'0'), 0x06F0, 0x0660}) {
        for (const int digit : {0, 7, 9}) {
            keys.append({zero + digit, QString(QChar(zero + digit)), 0});
        }
    }
    keys.append({Qt::Key_A, u"a"_s, 0});
    keys.append({0x0634, u"ش"_s, 0});         // the Persian layout's letter on A
    keys.append({Qt::Key_Exclam, u"!"_s, 0}); // Shift with 1
    QuestionnaireWindow* t = open();
    for (const Key& k : keys) {
        const int item = t->currentItem();
        const QString what = u"item %1, key %2"_s.arg(item).arg(k.text);
        press(t, k.key, k.text);
        EXPECT_EQ(checkedValue(t), k.value) << what.toStdString();
        QTest::mouseClick(t->m_nextButton, Qt::LeftButton);
        EXPECT_EQ(answers->cell(u"3"_s, item), k.value ? QString::number(k.value) : QString())
            << what.toStdString();
    }
}

// A key pressed on the introduction starts the questionnaire and never reaches the answers
// lying behind it: the stored 4 of item 1 is still 4 once the window closes.
TEST_F(Questionnaire, SpaceOrEnterOnTheIntroductionStartsAndStoresNothing) {
    struct Key {
        const char* name;
        int key;
        QString text;
        Qt::KeyboardModifiers modifiers;
    };
    const Key keys[] = {
        {"Space", Qt::Key_Space, u" "_s, Qt::NoModifier},
        {"Return", Qt::Key_Return, u"\r"_s, Qt::NoModifier},
        {"Enter", Qt::Key_Enter, u"\r"_s, Qt::KeypadModifier},
    };
    for (const Key& k : keys) {
        ASSERT_TRUE(answers->setCell(u"3"_s, 1, u"4"_s));
        QuestionnaireWindow* t = openOnIntroduction();
        ASSERT_TRUE(t->m_introductionPanel->isVisible());
        EXPECT_EQ(t->focusWidget(), t->m_startButton) << k.name;
        press(t, k.key, k.text, k.modifiers);
        EXPECT_FALSE(t->m_introductionPanel->isVisible()) << k.name << " presses the start button";
        EXPECT_TRUE(t->m_helpButton->isVisible()) << k.name;
        EXPECT_EQ(t->currentItem(), 1) << k.name;
        EXPECT_EQ(checkedValue(t), 4) << k.name;
        t->close();
        EXPECT_EQ(answers->cell(u"3"_s, 1), u"4"_s) << k.name;
    }
}

// While the introduction or the help lies over the answers, no key chooses one: not the
// digits, not the arrows, and no Tab brings the focus to an answer.
TEST_F(Questionnaire, NoKeyChoosesAnAnswerBehindTheIntroductionOrTheHelp) {
    ASSERT_TRUE(answers->setCell(u"3"_s, 1, u"4"_s));
    QuestionnaireWindow* t = openOnIntroduction();
    // Each key in turn, then a whole round of Tab and of Shift+Tab through the window.
    const auto keysChooseNothing = [&](const char* panel) {
        QList<std::tuple<int, QString, Qt::KeyboardModifiers>> keys{
            {Qt::Key_6, u"6"_s, Qt::NoModifier}, {0x06F2, u"۲"_s, Qt::NoModifier},
            {0x0661, u"١"_s, Qt::NoModifier},    {Qt::Key_Up, {}, Qt::NoModifier},
            {Qt::Key_Down, {}, Qt::NoModifier},  {Qt::Key_Left, {}, Qt::NoModifier},
            {Qt::Key_Right, {}, Qt::NoModifier},
        };
        for (int tab = 0; tab < 12; ++tab) {
            keys.append({Qt::Key_Tab, u"\t"_s, Qt::NoModifier});
        }
        for (int tab = 0; tab < 12; ++tab) {
            keys.append({Qt::Key_Backtab, u"\t"_s, Qt::ShiftModifier});
        }
        EXPECT_FALSE(focusOnAnAnswer(t)) << panel;
        for (const auto& [key, text, modifiers] : keys) {
            press(t, key, text, modifiers);
            EXPECT_EQ(checkedValue(t), 4) << panel << ", key " << key;
            EXPECT_FALSE(focusOnAnAnswer(t)) << panel << ", key " << key;
        }
    };
    keysChooseNothing("introduction");
    QTest::mouseClick(t->m_startButton, Qt::LeftButton);
    QTest::mouseClick(t->m_helpButton, Qt::LeftButton);
    ASSERT_TRUE(t->m_helpPanel->isVisible());
    EXPECT_EQ(t->focusWidget(), t->m_helpCloseButton);
    keysChooseNothing("help");
    EXPECT_EQ(t->currentItem(), 1);
    t->m_helpCloseButton->setFocus();
    press(t, Qt::Key_Space, u" "_s);
    EXPECT_FALSE(t->m_helpPanel->isVisible()) << "Space presses the help's close button";
    QTest::mouseClick(t->m_helpButton, Qt::LeftButton);
    press(t, Qt::Key_Return, u"\r"_s);
    EXPECT_FALSE(t->m_helpPanel->isVisible()) << "and so does Enter";
    EXPECT_EQ(checkedValue(t), 4);
    t->close();
    EXPECT_EQ(answers->cell(u"3"_s, 1), u"4"_s);
}

// Enter acts on the button that has the focus; it means "next" only in the answer box.
TEST_F(Questionnaire, EnterPressesTheFocusedButton) {
    QuestionnaireWindow* t = open();
    EXPECT_TRUE(focusOnAnAnswer(t)) << "the start leads to the answers";
    press(t, Qt::Key_2, u"2"_s);
    press(t, Qt::Key_Return, u"\r"_s);
    EXPECT_EQ(t->currentItem(), 2) << "Enter in the answer box goes on";
    EXPECT_EQ(answers->cell(u"3"_s, 1), u"2"_s);
    clickIndicator(t->m_answerButtons[5]);
    press(t, Qt::Key_Return, u"\r"_s);
    EXPECT_EQ(t->currentItem(), 3) << "also after a click on an answer";

    t->m_previousButton->setFocus();
    press(t, Qt::Key_Return, u"\r"_s);
    EXPECT_EQ(t->currentItem(), 2) << "Enter on the previous button goes back";
    EXPECT_EQ(checkedValue(t), 5);
    t->m_nextButton->setFocus();
    press(t, Qt::Key_Enter, u"\r"_s, Qt::KeypadModifier);
    EXPECT_EQ(t->currentItem(), 3);
    t->m_helpButton->setFocus();
    press(t, Qt::Key_Return, u"\r"_s);
    EXPECT_TRUE(t->m_helpPanel->isVisible()) << "Enter on the help button opens the help";
    EXPECT_EQ(t->currentItem(), 3);
    press(t, Qt::Key_Return, u"\r"_s);
    EXPECT_FALSE(t->m_helpPanel->isVisible());
    EXPECT_EQ(t->currentItem(), 3);

    QPointer<QuestionnaireWindow> window = t;
    clickIndicator(t->m_answerButtons[6]);
    t->m_closeButton->setFocus();
    press(t, Qt::Key_Return, u"\r"_s);
    EXPECT_TRUE(!window || !window->isVisible()) << "Enter on the close button closes";
    EXPECT_EQ(answers->cell(u"3"_s, 3), u"6"_s) << "and stores the answer shown";
    EXPECT_TRUE(answers->cell(u"3"_s, 4).isEmpty());
    EXPECT_TRUE(main->isEnabled());
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
