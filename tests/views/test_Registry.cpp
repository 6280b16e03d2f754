// The examinee registry driven through its real window on a temporary program folder.
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"
#include "support/GuiFixture.h"
#include "views/QuestionnaireWindow.h"
#include "views/RegistryWindow.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>
#include <QTimer>

#include <functional>

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
        registry->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(registry));
        return registry;
    }

    // A key as X delivers it: the key code with the text it types, shortcuts tried first.
    static void press(QWidget* widget, Qt::Key key, const QString& text,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::sendKeyEvent(QTest::Click, widget, key, text, modifiers);
    }

    // Escape as the window system sends it: to the open list while one is open, else to the
    // window, which hands it to the field with the focus.
    static void pressEscape(QWidget* window) {
        QWidget* popup = QApplication::activePopupWidget();
        QTest::sendKeyEvent(QTest::Click, (popup ? popup : window)->windowHandle(), Qt::Key_Escape, u"\x1b"_s,
                            Qt::NoModifier);
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
    // With nobody registered there is no one to edit or delete.
    EXPECT_EQ(enabled(r), (QVector<bool>{true, false, false, false, false, true}));
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
    EXPECT_EQ(AnswerStore(*db).hasRow(u"1"_s), true);
    EXPECT_EQ(r->m_examineeList->model()->rowCount(), 1);
    EXPECT_EQ(r->m_nameEdit->text(), u"مريم احمدي"_s) << "the newest is shown";

    click(r->m_exitButton);
    EXPECT_TRUE(main->isEnabled());
}

// A name pasted past its limit of 100 is cut between whole characters: an emoji (two UTF-16
// units) or a letter with its mark that would straddle the limit goes whole, the user is
// told, and the stored name is valid UTF-8.
TEST_F(Registry, ANameCutAtItsLimitKeepsWholeCharacters) {
    RegistryWindow* r = open();
    click(r->m_newButton);
    ASSERT_TRUE(QTest::qWaitFor([r] { return r->m_saveButton->isEnabled(); }, 3000));
    const QString base(99, u'ن');
    struct Case {
        const char* name;
        QString pasted;
        QString kept;
    };
    const Case cases[] = {
        {"emoji across the limit", base + u"😀"_s, base},
        {"letter and mark across the limit", base + u"بِ"_s, base},
        {"joined emoji across the limit", QString(95, u'ن') + u"👨‍👩‍👧"_s, QString(95, u'ن')},
        {"joined emoji whole, then past the limit", QString(90, u'ن') + u"👨‍👩‍👧"_s + u"ننن"_s,
         QString(90, u'ن') + u"👨‍👩‍👧"_s + u"نن"_s},
        {"within the limit", base + u"ب"_s, base + u"ب"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        r->m_nameEdit->clear();
        MessageBox::clearShown();
        r->m_nameEdit->insert(c.pasted); // as a paste: the field's own edit
        EXPECT_EQ(r->m_nameEdit->text(), c.kept);
        EXPECT_EQ(r->m_nameEdit->text().toUtf8(), c.kept.toUtf8());
        const bool cut = c.kept != c.pasted;
        EXPECT_EQ(timedTexts().contains(u"متن بيش از 100 نويسه بود و كوتاه شد"_s), cut);
    }
    QTest::keyClicks(r->m_ageEdit, u"30"_s);
    r->m_genderCombo->setCurrentIndex(1);
    r->m_nameEdit->clear();
    r->m_nameEdit->insert(base + u"😀"_s);
    click(r->m_saveButton);
    const auto stored = examinees->findByCode(u"1"_s);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].fullName, base);
    // The file takes any bytes; the server refuses invalid UTF-8 by itself.
    QSqlQuery bytes(db->handle());
    const QString hex =
        db->isServer() ? u"SELECT encode(convert_to(fullname, 'UTF8'), 'hex') FROM IDE WHERE Code = '1'"_s
                       : u"SELECT hex(FullName) FROM IDE WHERE Code = '1'"_s;
    ASSERT_TRUE(bytes.exec(hex) && bytes.next());
    EXPECT_EQ(QByteArray::fromHex(bytes.value(0).toByteArray()), base.toUtf8()) << "valid UTF-8 as stored";
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
    EXPECT_EQ(AnswerStore(*db).hasRow(u"5"_s), false);
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

TEST_F(Registry, DigitFieldsTakeKeysAsXDeliversThem) {
    RegistryWindow* r = open();
    startNew(r);
    // Each key meets the field holding "1" with the cursor where the case puts it.
    const struct {
        const char* key;
        Qt::Key code;
        QString text;
        Qt::KeyboardModifiers modifiers;
        int cursor;
        QString after;
        int cursorAfter;
        bool focusMovesOn;
    } keys[] = {
        {"Tab", Qt::Key_Tab, u"\t"_s, Qt::NoModifier, 1, u"1"_s, 1, true},
        {"Shift+Tab", Qt::Key_Backtab, u"\t"_s, Qt::ShiftModifier, 1, u"1"_s, 1, true},
        {"Delete", Qt::Key_Delete, u"\x7f"_s, Qt::NoModifier, 0, u""_s, 0, false},
        {"Backspace", Qt::Key_Backspace, u"\b"_s, Qt::NoModifier, 1, u"1"_s, 1, false},
        {"Home", Qt::Key_Home, QString(), Qt::NoModifier, 1, u"1"_s, 0, false},
        {"End", Qt::Key_End, QString(), Qt::NoModifier, 0, u"1"_s, 1, false},
        {"Left", Qt::Key_Left, QString(), Qt::NoModifier, 1, u"1"_s, 0, false},
        {"ASCII 9", Qt::Key_9, u"9"_s, Qt::NoModifier, 1, u"19"_s, 2, false},
        {"Persian 4", Qt::Key(0x06F4), u"۴"_s, Qt::NoModifier, 1, u"14"_s, 2, false},
        {"Arabic-Indic 7", Qt::Key(0x0667), u"٧"_s, Qt::NoModifier, 0, u"71"_s, 1, false},
        {"letter a", Qt::Key_A, u"a"_s, Qt::NoModifier, 1, u"1"_s, 1, false},
        {"Persian letter", Qt::Key(0x0634), u"ش"_s, Qt::NoModifier, 1, u"1"_s, 1, false},
    };
    for (QLineEdit* field : {r->m_ageEdit, r->m_phoneEdit, r->m_dateEdit}) {
        for (const auto& k : keys) {
            const std::string what = field->objectName().toStdString() + ", " + k.key;
            field->setText(u"1"_s);
            field->setFocus();
            field->setCursorPosition(k.cursor);
            ASSERT_EQ(r->focusWidget(), field) << what;
            press(field, k.code, k.text, k.modifiers);
            EXPECT_EQ(field->text(), k.after) << what;
            EXPECT_EQ(r->focusWidget() != field, k.focusMovesOn) << what;
            if (!k.focusMovesOn) {
                EXPECT_EQ(field->cursorPosition(), k.cursorAfter) << what;
            }
        }
    }
    // Pasted Persian digits arrive as ASCII too; pasted letters do not arrive at all.
    r->m_phoneEdit->clear();
    QGuiApplication::clipboard()->setText(u"۰۹۱۲٣٤٥"_s);
    r->m_phoneEdit->paste();
    EXPECT_EQ(r->m_phoneEdit->text(), u"0912345"_s);
    QGuiApplication::clipboard()->setText(u"0912-555"_s);
    r->m_phoneEdit->paste();
    EXPECT_EQ(r->m_phoneEdit->text(), u"0912345"_s);
    r->m_dateEdit->clear();
    QGuiApplication::clipboard()->setText(u"۱۴۰۲/۰۵/۰۹"_s);
    r->m_dateEdit->paste();
    EXPECT_EQ(r->m_dateEdit->text(), u"1402/05/09"_s);

    // What was typed in Persian digits is stored in ASCII ones.
    r->m_ageEdit->clear();
    r->m_ageEdit->setFocus();
    press(r->m_ageEdit, Qt::Key(0x06F3), u"۳"_s);
    press(r->m_ageEdit, Qt::Key(0x06F5), u"۵"_s);
    type(r->m_nameEdit, u"رضا"_s);
    r->m_genderCombo->setCurrentIndex(0);
    click(r->m_saveButton);
    const auto stored = examinees->findByCode(u"1"_s);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].age, u"35"_s);
    EXPECT_EQ(stored[0].phone, u"0912345"_s);
    EXPECT_EQ(stored[0].registrationDate, u"1402/05/09"_s);
}

TEST_F(Registry, EscapeClosesAnOpenListFirstAndAsksBeforeDroppingTheTyping) {
    QPointer<RegistryWindow> r = open();
    startNew(r);
    type(r->m_nameEdit, u"علي"_s);
    for (QComboBox* combo : {r->m_genderCombo, r->m_maritalStatusCombo}) {
        const std::string list = combo->objectName().toStdString();
        combo->setFocus();
        combo->showPopup();
        ASSERT_NE(QApplication::activePopupWidget(), nullptr);
        pressEscape(r);
        ASSERT_TRUE(r) << list << ": the registry went with the list";
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "the list closes";
        EXPECT_TRUE(r->isVisible());
        EXPECT_EQ(r->state(), State::Adding);
        EXPECT_EQ(r->m_nameEdit->text(), u"علي"_s);
        EXPECT_TRUE(MessageBox::shown().isEmpty()) << "closing a list asks nothing";
    }

    // With the list closed, Escape asks; Enter takes the default answer, which keeps editing.
    QString asked;
    bool keepIsDefault = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        asked = box->text();
        keepIsDefault = box->defaultButton() == box->button(QMessageBox::No);
        press(box, Qt::Key_Return, u"\r"_s);
    });
    pressEscape(r);
    ASSERT_TRUE(r);
    EXPECT_EQ(asked, u"اطلاعات ذخيره نشده از بين مي رود. آيا مي خواهيد بدون ذخيره خارج شويد؟"_s);
    EXPECT_TRUE(keepIsDefault);
    EXPECT_TRUE(r->isVisible());
    EXPECT_EQ(r->state(), State::Adding);
    EXPECT_EQ(r->m_nameEdit->text(), u"علي"_s);
    EXPECT_FALSE(r->m_nameEdit->isReadOnly());

    MessageBox::setNextAnswer(QMessageBox::Yes);
    pressEscape(r);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(r) << "yes discards the new examinee and closes";
    EXPECT_EQ(examinees->count(), 0);
    EXPECT_TRUE(main->isEnabled());
}

TEST_F(Registry, ClosingWhileEditingAsksByEveryWayOut) {
    store(u"1"_s, u"قديم"_s);
    QPointer<RegistryWindow> r = open();
    click(r->m_editButton);
    r->m_nameEdit->setText(u"نو"_s);
    const struct {
        const char* way;
        std::function<void()> leave;
    } ways[] = {
        {"Escape", [&] { pressEscape(r); }},
        {"close box", [&] { r->windowHandle()->close(); }},
        {"exit button", [&] { click(r->m_exitButton); }},
    };
    for (const auto& w : ways) {
        MessageBox::clearShown();
        MessageBox::setNextAnswer(QMessageBox::No);
        w.leave();
        ASSERT_TRUE(r && r->isVisible()) << w.way;
        ASSERT_EQ(MessageBox::shown().size(), 1) << w.way;
        EXPECT_EQ(MessageBox::shown()[0].buttons, QMessageBox::Yes | QMessageBox::No) << w.way;
        EXPECT_EQ(r->state(), State::Editing) << w.way;
        EXPECT_EQ(r->m_nameEdit->text(), u"نو"_s) << w.way;
        EXPECT_FALSE(main->isEnabled()) << w.way;
    }
    MessageBox::setNextAnswer(QMessageBox::Yes);
    click(r->m_exitButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(r);
    EXPECT_EQ(examinees->findByCode(u"1"_s).value(0).fullName, u"قديم"_s) << "the edit is dropped";
    EXPECT_TRUE(main->isEnabled());

    // Nothing being typed: Escape closes at once, as in every other window.
    MessageBox::clearShown();
    QPointer<RegistryWindow> browsing = open();
    pressEscape(browsing);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(browsing);
    EXPECT_TRUE(MessageBox::shown().isEmpty());
}

TEST_F(Registry, TextFieldsStopAtWhatTheStoreCarries) {
    RegistryWindow* r = open();
    startNew(r);
    const struct {
        QLineEdit* field;
        int limit;
        QChar fill;
    } fields[] = {
        {r->m_nameEdit, 100, u'ن'}, {r->m_ageEdit, 2, u'4'},      {r->m_educationEdit, 100, u'ل'},
        {r->m_phoneEdit, 20, u'9'}, {r->m_testerEdit, 100, u'م'}, {r->m_dateEdit, 10, u'1'},
    };
    for (const auto& f : fields) {
        f.field->clear();
        f.field->setFocus();
        QGuiApplication::clipboard()->setText(QString(f.limit + 40, f.fill));
        press(f.field, Qt::Key_V, u"\x16"_s, Qt::ControlModifier);
        EXPECT_EQ(f.field->text().size(), f.limit) << f.field->objectName().toStdString();
        // Typing on at the limit adds nothing either.
        press(f.field, Qt::Key_1, u"1"_s);
        EXPECT_EQ(f.field->text().size(), f.limit) << f.field->objectName().toStdString();
    }
    r->m_genderCombo->setCurrentIndex(0);
    click(r->m_saveButton);
    const auto stored = examinees->findByCode(u"1"_s);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].fullName, QString(100, u'ن'));
    EXPECT_EQ(stored[0].phone, QString(20, u'9'));
}

TEST_F(Registry, TabWalksThePanelRightToLeftThenDown) {
    RegistryWindow* r = open();
    startNew(r);
    const QVector<QWidget*> laidOut{r->m_nameEdit,           r->m_educationEdit, r->m_ageEdit,
                                    r->m_phoneEdit,          r->m_genderCombo,   r->m_testerEdit,
                                    r->m_maritalStatusCombo, r->m_dateEdit};
    // The order above is the panel's reading order: each next field stands to the left on the
    // same row, or on a lower row.
    for (qsizetype i = 1; i < laidOut.size(); ++i) {
        const QRect before = laidOut[i - 1]->geometry();
        const QRect next = laidOut[i]->geometry();
        const bool sameRow = std::abs(before.center().y() - next.center().y()) < before.height() / 2;
        EXPECT_TRUE(sameRow ? next.center().x() < before.center().x() : next.top() > before.top())
            << laidOut[i]->objectName().toStdString();
    }
    r->m_nameEdit->setFocus();
    QVector<QWidget*> forward{r->focusWidget()};
    for (qsizetype i = 1; i < laidOut.size(); ++i) {
        press(r->focusWidget(), Qt::Key_Tab, u"\t"_s);
        forward.append(r->focusWidget());
    }
    EXPECT_EQ(forward, laidOut);
    QVector<QWidget*> back{r->focusWidget()};
    for (qsizetype i = 1; i < laidOut.size(); ++i) {
        press(r->focusWidget(), Qt::Key_Backtab, u"\t"_s, Qt::ShiftModifier);
        back.prepend(r->focusWidget());
    }
    EXPECT_EQ(back, laidOut);
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
    EXPECT_EQ(AnswerStore(*db).hasRow(u"1"_s), true);
    EXPECT_FALSE(timedTexts().contains(u"حذف با موفقيت انجام گرفت"_s));
}

TEST_F(Registry, EmptyListStartsNothing) {
    RegistryWindow* r = open();
    click(r->m_deleteButton);
    click(r->m_editButton);
    QTest::qWait(150);
    EXPECT_EQ(r->state(), State::Browsing);
    EXPECT_TRUE(MessageBox::shown().isEmpty()) << "no question and no success for nothing";
    EXPECT_EQ(enabled(r), (QVector<bool>{true, false, false, false, false, true}));
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
