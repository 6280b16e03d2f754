// The examinee registry driven through its real window on a temporary program folder.
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"
#include "support/GuiFixture.h"
#include "views/QuestionnaireWindow.h"
#include "views/RegistryWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;
using State = RegistryWindow::State;

class Registry : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        // 31 July 2023 is 1402/05/09.
        context.now = [] { return QDateTime(QDate(2023, 7, 31), QTime(10, 0)); };
        main = new QWidget;
        main->show();
        db = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(db);
        examinees = std::make_unique<ExamineeStore>(*db);
    }

    RegistryWindow* open() {
        auto* registry = new RegistryWindow(context, main);
        registry->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(registry));
        return registry;
    }

    void store(const QString& code, const QString& name) {
        Examinee e;
        e.code = code;
        e.fullName = name;
        e.age = u"40"_s;
        e.gender = u"مرد"_s;
        ASSERT_TRUE(examinees->addWithAnswerRow(e));
    }

    static void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // Whether each action is enabled, right to left: New, Edit, Save, Cancel, Delete, Exit.
    static QVector<bool> enabled(RegistryWindow* r) {
        QVector<bool> states;
        for (QPushButton* b : {r->m_newButton, r->m_editButton, r->m_saveButton, r->m_cancelButton,
                               r->m_deleteButton, r->m_exitButton}) {
            states.append(b->isEnabled());
        }
        return states;
    }

    // New, then wait for the pause after which the code and date arrive.
    static void startNew(RegistryWindow* r) {
        click(r->m_newButton);
        ASSERT_TRUE(QTest::qWaitFor([r] { return r->m_saveButton->isEnabled(); }, 3000));
    }

    static void fill(RegistryWindow* r, const QString& name, const QString& age, int gender) {
        r->m_nameEdit->setText(name);
        r->m_ageEdit->setText(age);
        r->m_genderCombo->setCurrentIndex(gender);
    }

    QPointer<QWidget> main;
    std::unique_ptr<Database> db;
    std::unique_ptr<ExamineeStore> examinees;
};

TEST_F(Registry, FirstExamineeGetsCodeOneTodaysDateAndAnAnswerRow) {
    RegistryWindow* r = open();
    EXPECT_FALSE(main->isEnabled()) << "the main window waits while the registry is open";
    EXPECT_EQ(enabled(r), (QVector<bool>{true, true, false, false, true, true}));
    EXPECT_EQ(r->m_newButton->text(), u"جديد"_s);
    EXPECT_EQ(r->m_exitButton->text(), u"خروج"_s);

    click(r->m_newButton);
    EXPECT_EQ(r->state(), State::Adding);
    EXPECT_EQ(enabled(r), (QVector<bool>{false, false, false, false, false, true})) << "until the pause ends";
    EXPECT_FALSE(r->m_examineeList->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([r] { return r->m_saveButton->isEnabled(); }, 3000));
    EXPECT_EQ(enabled(r), (QVector<bool>{false, false, true, true, false, true}));
    EXPECT_EQ(r->m_codeEdit->text(), u"1"_s);
    EXPECT_EQ(r->m_dateEdit->text(), u"1402/05/09"_s);

    type(r->m_nameEdit, u"  مريم احمدي "_s);
    QTest::keyClicks(r->m_ageEdit, u"30"_s);
    r->m_genderCombo->setCurrentIndex(1);
    r->m_maritalStatusCombo->setCurrentIndex(0);
    QTest::keyClicks(r->m_testerEdit, u"O'Brien"_s);
    click(r->m_saveButton);

    EXPECT_EQ(r->state(), State::Browsing);
    EXPECT_EQ(enabled(r), (QVector<bool>{true, true, false, false, true, true}));
    EXPECT_TRUE(r->m_nameEdit->isReadOnly());
    const auto stored = examinees->findByCode(u"1"_s);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].fullName, u"مريم احمدي"_s) << "trimmed";
    EXPECT_EQ(stored[0].age, u"30"_s);
    EXPECT_EQ(stored[0].gender, u"زن"_s);
    EXPECT_EQ(stored[0].maritalStatus, u"مجرد"_s);
    EXPECT_EQ(stored[0].registrationDate, u"1402/05/09"_s);
    EXPECT_EQ(stored[0].tester, u"O'Brien"_s);
    EXPECT_TRUE(AnswerStore(*db).hasRow(u"1"_s));
    EXPECT_EQ(r->m_examineeList->model()->rowCount(), 1);
    EXPECT_EQ(r->m_nameEdit->text(), u"مريم احمدي"_s) << "the newest is shown";

    click(r->m_exitButton);
    EXPECT_TRUE(main->isEnabled());
}

TEST_F(Registry, ListShowsNewestFirstWithItsHeadings) {
    store(u"1"_s, u"اول"_s);
    store(u"2"_s, u"دوم"_s);
    RegistryWindow* r = open();
    QAbstractItemModel* model = r->m_examineeList->model();
    EXPECT_EQ(model->index(0, 1).data().toString(), u"دوم"_s);
    EXPECT_TRUE(r->m_examineeList->isColumnHidden(0));
    EXPECT_TRUE(r->m_examineeList->isColumnHidden(9));
    const QStringList headings{
        u"نام و نام خانوادگي"_s, u"سن"_s, u"جنس"_s, u"تاهل"_s, u"تاريخ"_s, u"تحصيلات"_s, u"تلفن"_s,
        u"نام آزمونگر"_s};
    for (int c = 1; c <= 8; ++c) {
        EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), headings[c - 1]);
        EXPECT_FALSE(r->m_examineeList->isColumnHidden(c));
    }
    // Clicking a row shows that examinee in the panel.
    QTest::mouseClick(r->m_examineeList->viewport(), Qt::LeftButton, {},
                      r->m_examineeList->visualRect(model->index(1, 1)).center());
    EXPECT_EQ(r->m_nameEdit->text(), u"اول"_s);
    EXPECT_EQ(r->m_codeEdit->text(), u"1"_s);
    EXPECT_EQ(r->m_genderCombo->currentText(), u"مرد"_s);
}

TEST_F(Registry, CodeRuleAfterDeletions) {
    for (int i = 1; i <= 5; ++i) {
        store(QString::number(i), u"آزمودني %1"_s.arg(i));
    }
    RegistryWindow* r = open();
    ASSERT_EQ(r->m_codeEdit->text(), u"5"_s);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    click(r->m_deleteButton);
    EXPECT_EQ(r->state(), State::Deleting);
    EXPECT_EQ(enabled(r), (QVector<bool>{false, false, false, false, false, true}));
    ASSERT_TRUE(QTest::qWaitFor([r] { return r->state() == State::Browsing; }, 3000));
    EXPECT_TRUE(examinees->findByCode(u"5"_s).isEmpty());
    EXPECT_FALSE(AnswerStore(*db).hasRow(u"5"_s));
    EXPECT_TRUE(timedTexts().contains(u"حذف با موفقيت انجام گرفت"_s));
    EXPECT_EQ(r->m_codeEdit->text(), u"4"_s);

    startNew(r);
    EXPECT_EQ(r->m_codeEdit->text(), u"5"_s) << "the deleted code is given again";
}

TEST_F(Registry, MissingFieldsKeepTheEntryOpenAndSaveOnce) {
    RegistryWindow* r = open();
    startNew(r);
    const struct {
        QString name, age;
        int gender;
        QString message;
        QWidget* focus;
    } cases[] = {
        {u"   "_s, u"30"_s, 0, u"نام آزمودني را وارد کنيد"_s, r->m_nameEdit},
        {u"علي"_s, u""_s, 0, u"سن آزمودني را وارد کنيد"_s, r->m_ageEdit},
        {u"علي"_s, u"30"_s, -1, u"جنسيت را مشخص كنيد"_s, r->m_genderCombo},
    };
    for (const auto& c : cases) {
        MessageBox::clearShown();
        fill(r, c.name, c.age, c.gender);
        click(r->m_saveButton);
        EXPECT_EQ(timedTexts(), QStringList{c.message});
        EXPECT_EQ(r->state(), State::Adding);
        EXPECT_EQ(enabled(r), (QVector<bool>{false, false, true, true, false, true}))
            << c.message.toStdString();
        EXPECT_FALSE(r->m_nameEdit->isReadOnly());
        EXPECT_EQ(r->focusWidget(), c.focus) << c.message.toStdString();
        EXPECT_EQ(examinees->count(), 0);
    }
    fill(r, u"علي"_s, u"30"_s, 0);
    click(r->m_saveButton);
    EXPECT_EQ(r->state(), State::Browsing);
    EXPECT_EQ(examinees->count(), 1);
    EXPECT_EQ(examinees->findByCode(u"1"_s).size(), 1);
}

TEST_F(Registry, DigitFieldsTakeDigitsOnly) {
    RegistryWindow* r = open();
    startNew(r);
    QLineEdit* age = r->m_ageEdit;
    QTest::keyClicks(age, u"a"_s);
    EXPECT_EQ(age->text(), u""_s);
    QTest::keyClicks(age, u"4"_s);
    QTest::keyClick(age, Qt::Key_Backspace);
    EXPECT_EQ(age->text(), u"4"_s) << "Backspace is refused too";
    QTest::keyClicks(age, u"x27"_s);
    EXPECT_EQ(age->text(), u"42"_s) << "at most two digits";
    QLineEdit* phone = r->m_phoneEdit;
    QTest::keyClicks(phone, u"0912-555"_s);
    EXPECT_EQ(phone->text(), u"0912555"_s);
    type(r->m_educationEdit, u"ليسانس 2"_s);
    EXPECT_EQ(r->m_educationEdit->text(), u"ليسانس 2"_s) << "other fields take any text";
}

TEST_F(Registry, DeleteAsksByNameAndNoKeepsTheExaminee) {
    store(u"1"_s, u"زهرا كريمي"_s);
    RegistryWindow* r = open();
    MessageBox::setNextAnswer(QMessageBox::No);
    click(r->m_deleteButton);
    ASSERT_TRUE(QTest::qWaitFor([r] { return r->state() == State::Browsing; }, 3000));
    ASSERT_FALSE(MessageBox::shown().isEmpty());
    const auto& question = MessageBox::shown().back();
    EXPECT_EQ(question.title, u"زهرا كريمي"_s);
    EXPECT_EQ(question.text, u"آيا براي حذف کردن مطمئن هستيد؟"_s);
    EXPECT_EQ(question.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(examinees->count(), 1);
    EXPECT_TRUE(AnswerStore(*db).hasRow(u"1"_s));
    EXPECT_FALSE(timedTexts().contains(u"حذف با موفقيت انجام گرفت"_s));
}

TEST_F(Registry, EmptyListStartsNothing) {
    RegistryWindow* r = open();
    click(r->m_deleteButton);
    click(r->m_editButton);
    QTest::qWait(150);
    EXPECT_EQ(r->state(), State::Browsing);
    EXPECT_TRUE(MessageBox::shown().isEmpty()) << "no question and no success for nothing";
    EXPECT_EQ(enabled(r), (QVector<bool>{true, true, false, false, true, true}));
    doubleClick(r->m_examineeList->viewport(), QPoint(20, 20));
    EXPECT_EQ(r->questionnaire(), nullptr);
    EXPECT_TRUE(r->isVisible());
}

TEST_F(Registry, CancelAfterNewChangesNothing) {
    store(u"1"_s, u"موجود"_s);
    RegistryWindow* r = open();
    startNew(r);
    fill(r, u"تازه"_s, u"20"_s, 0);
    click(r->m_cancelButton);
    EXPECT_EQ(r->state(), State::Browsing);
    EXPECT_EQ(examinees->count(), 1);
    EXPECT_EQ(r->m_nameEdit->text(), u"موجود"_s);
    EXPECT_EQ(enabled(r), (QVector<bool>{true, true, false, false, true, true}));
}

TEST_F(Registry, EditChangesTheShownExaminee) {
    store(u"1"_s, u"قديم"_s);
    RegistryWindow* r = open();
    click(r->m_editButton);
    EXPECT_EQ(r->state(), State::Editing);
    EXPECT_EQ(enabled(r), (QVector<bool>{true, true, true, true, false, true}));
    r->m_nameEdit->setText(u"جديد"_s);
    r->m_maritalStatusCombo->setCurrentIndex(3);
    click(r->m_saveButton);
    const auto stored = examinees->findByCode(u"1"_s);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].fullName, u"جديد"_s);
    EXPECT_EQ(stored[0].maritalStatus, u"بيوه"_s);
    EXPECT_EQ(examinees->count(), 1);
}

TEST_F(Registry, DoubleClickHandsTheExamineeToTheQuestionnaire) {
    store(u"7"_s, u"سارا"_s);
    RegistryWindow* r = open();
    QAbstractItemModel* model = r->m_examineeList->model();
    doubleClick(r->m_examineeList->viewport(), r->m_examineeList->visualRect(model->index(0, 1)).center());
    QuestionnaireWindow* test = r->questionnaire();
    ASSERT_NE(test, nullptr);
    EXPECT_TRUE(test->isVisible());
    EXPECT_FALSE(r->isVisible()) << "the registry waits hidden";
    EXPECT_EQ(test->m_examineeCode, u"7"_s);
    EXPECT_EQ(test->m_nameLabel->text(), u"نام و نام خانوادگي: سارا"_s);
    EXPECT_FALSE(main->isEnabled());
    test->close();
    EXPECT_TRUE(main->isEnabled());
    // Shown again, it is as it was left.
    r->show();
    EXPECT_EQ(r->m_nameEdit->text(), u"سارا"_s);
}

} // namespace
} // namespace morvalen
