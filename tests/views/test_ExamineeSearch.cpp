// The search field above every examinee list: it filters as the user types, Enter picks the
// first match as a click would, Escape empties the field and then closes the window.
#include "support/GuiFixture.h"
#include "views/AnswerSheetWindow.h"
#include "views/ExamineeFileWindow.h"
#include "views/RegistryWindow.h"
#include "views/ResultsWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <functional>
#include <vector>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

class ExamineeSearchField : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        main = new QWidget;
        main->show();
        for (const auto& [code, name] : {std::pair{u"1"_s, u"علي رضايي"_s},
                                         {u"2"_s, u"مريم كريمي"_s},
                                         {u"3"_s, u"سارا رضايي"_s},
                                         {u"4"_s, u"نگار نوري"_s}}) {
            ASSERT_TRUE(folder.addExaminee(code, name));
        }
    }

    // A key as X delivers it to the active window: shortcuts first, then the focus widget.
    static void press(QWidget* window, Qt::Key key, const QString& text,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::sendKeyEvent(QTest::Click, window->windowHandle(), key, text, modifiers);
    }

    static QStringList shownNames(QTableView* list) {
        QStringList names;
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            names.append(list->model()->index(row, 1).data().toString());
        }
        return names;
    }

    // Every window with an examinee list, and what it shows of the examinee a click picked.
    struct ListWindow {
        const char* window;
        std::function<QWidget*()> open;
        std::function<QString(QWidget*)> picked;
    };
    std::vector<ListWindow> listWindows() {
        return {
            {"registry", [&] { return new RegistryWindow(context, main); },
             [](QWidget* w) { return static_cast<RegistryWindow*>(w)->m_nameEdit->text(); }},
            {"answer sheet", [&] { return new AnswerSheetWindow(context, main); },
             [](QWidget* w) {
                 QTableView* list = static_cast<AnswerSheetWindow*>(w)->m_examineeList;
                 return list->currentIndex().siblingAtColumn(1).data().toString();
             }},
            {"results", [&] { return new ResultsWindow(context, main); },
             [](QWidget* w) {
                 QTableView* list = static_cast<ResultsWindow*>(w)->m_examineeList;
                 return list->currentIndex().siblingAtColumn(1).data().toString();
             }},
            {"file browser", [&] { return new ExamineeFileWindow(context, main); },
             [](QWidget* w) {
                 return static_cast<ExamineeFileWindow*>(w)->m_nameLabel->text().remove(
                     u"نام و نام خانوادگي: "_s);
             }},
        };
    }

    QWidget* main = nullptr;
};

TEST_F(ExamineeSearchField, EveryListFiltersAndEnterAndEscapeWork) {
    for (const ListWindow& c : listWindows()) {
        SCOPED_TRACE(c.window);
        QWidget* window = c.open();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        auto* field = window->findChild<QLineEdit*>(u"searchEdit"_s);
        auto* list = window->findChild<QTableView*>(u"examineeList"_s);
        ASSERT_TRUE(field && list);
        EXPECT_EQ(field->placeholderText(), u"جستجو"_s);
        EXPECT_TRUE(field->isVisibleTo(window));
        EXPECT_LT(field->mapTo(window, QPoint()).y(), list->mapTo(window, QPoint()).y());
        EXPECT_EQ(shownNames(list),
                  (QStringList{u"نگار نوري"_s, u"سارا رضايي"_s, u"مريم كريمي"_s, u"علي رضايي"_s}));

        press(window, Qt::Key_F, u"\x06"_s, Qt::ControlModifier);
        EXPECT_TRUE(field->hasFocus());
        // Typed with the Persian yeh; stored with the Arabic one.
        type(field, u"رضایی"_s);
        EXPECT_EQ(shownNames(list), (QStringList{u"سارا رضايي"_s, u"علي رضايي"_s}));

        // Enter: the first match, as a click on it.
        press(window, Qt::Key_Return, u"\r"_s);
        EXPECT_EQ(list->currentIndex().row(), 0);
        EXPECT_EQ(c.picked(window), u"سارا رضايي"_s);
        EXPECT_TRUE(list->hasFocus());

        // Escape in the field with text: the field empties, the whole list is back, the window
        // stays.
        field->setFocus();
        press(window, Qt::Key_Escape, u"\x1b"_s);
        EXPECT_TRUE(field->text().isEmpty());
        EXPECT_EQ(list->model()->rowCount(), 4);
        EXPECT_TRUE(window->isVisible());

        // Escape in the empty field closes the window.
        press(window, Qt::Key_Escape, u"\x1b"_s);
        QCoreApplication::processEvents();
        EXPECT_FALSE(window->isVisible());
    }
}

TEST_F(ExamineeSearchField, NoMatchShowsAnEmptyListAndEnterPicksNothing) {
    auto* registry = new RegistryWindow(context, main);
    registry->show();
    registry->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(registry));
    const QString shown = registry->m_nameEdit->text();
    registry->m_searchEdit->setFocus();
    type(registry->m_searchEdit, u"زهرا"_s);
    EXPECT_EQ(registry->m_examineeList->model()->rowCount(), 0);
    press(registry, Qt::Key_Return, u"\r"_s);
    EXPECT_EQ(registry->m_nameEdit->text(), shown);
    EXPECT_TRUE(registry->isVisible());
    // While an examinee is being edited the list is closed to choice, and so is its search.
    QTest::mouseClick(registry->m_editButton, Qt::LeftButton);
    EXPECT_FALSE(registry->m_examineeList->isEnabled());
    EXPECT_FALSE(registry->m_searchEdit->isEnabled());
}

TEST_F(ExamineeSearchField, ANewExamineeIsShownOnceSavedWhateverWasSearched) {
    auto* registry = new RegistryWindow(context, main);
    registry->show();
    registry->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(registry));
    registry->m_searchEdit->setFocus();
    type(registry->m_searchEdit, u"رضايي"_s);
    ASSERT_EQ(registry->m_examineeList->model()->rowCount(), 2);
    QTest::mouseClick(registry->m_newButton, Qt::LeftButton);
    EXPECT_TRUE(registry->m_searchEdit->text().isEmpty());
    type(registry->m_nameEdit, u"زهرا نادري"_s);
    type(registry->m_ageEdit, u"30"_s);
    registry->m_genderCombo->setCurrentIndex(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return registry->m_saveButton->isEnabled(); }));
    QTest::mouseClick(registry->m_saveButton, Qt::LeftButton);
    EXPECT_EQ(registry->m_examineeList->model()->index(0, 1).data().toString(), u"زهرا نادري"_s);
    EXPECT_EQ(registry->m_nameEdit->text(), u"زهرا نادري"_s);
    EXPECT_EQ(registry->m_examineeList->model()->rowCount(), 5);
}

// Another workstation (here another connection) registers an examinee while the list is
// open: F5 shows it, with the search kept and the examinee on screen left as it was; on the
// clinic's server coming back to the window does so too.
TEST_F(ExamineeSearchField, TheListIsReadAgainForOtherWorkstationsExaminees) {
    int next = 5;
    for (const ListWindow& c : listWindows()) {
        SCOPED_TRACE(c.window);
        QWidget* window = c.open();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        auto* field = window->findChild<QLineEdit*>(u"searchEdit"_s);
        auto* list = window->findChild<QTableView*>(u"examineeList"_s);
        ASSERT_TRUE(field && list);
        field->setFocus();
        type(field, u"رضایی"_s);
        const qsizetype found = shownNames(list).size();
        ASSERT_GE(found, 2);

        const QString first = u"پريسا رضايي %1"_s.arg(next);
        ASSERT_TRUE(folder.addExaminee(QString::number(next++), first));
        press(window, Qt::Key_F5, QString());
        EXPECT_EQ(shownNames(list).value(0), first);
        EXPECT_EQ(shownNames(list).size(), found + 1) << "the search is kept";
        EXPECT_EQ(field->text(), u"رضایی"_s);

        const QString second = u"نيما رضايي %1"_s.arg(next);
        ASSERT_TRUE(folder.addExaminee(QString::number(next++), second));
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(window, &activate);
        const bool onServer = test::TempProgramFolder::onServer();
        EXPECT_EQ(shownNames(list).value(0) == second, onServer)
            << "read again on activation only where other workstations write";
        window->close();
    }
}

} // namespace
} // namespace morvalen
