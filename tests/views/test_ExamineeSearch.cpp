// The search field above every examinee list: it filters as the user types, Enter picks the
// first match as a click would, Escape empties the field and then closes the window.
#include "shell/FileDialog.h"
#include "shell/MessageBox.h"
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
#include <QTableWidget>

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

// Examinee A loaded, then B found by a search and Enter: the window names whom its data is
// of above that data, never shows A's data while B is current, and Enter on the row loads B.
TEST_F(ExamineeSearchField, EveryWindowNamesTheExamineeItShowsAndActsOn) {
    const QString none = u"آزمودني انتخاب نشده است"_s;
    struct Case {
        const char* window;
        std::function<QWidget*()> open;
        // What the window names above its data, and the code its next action touches.
        std::function<QString(QWidget*)> named;
        std::function<QString(QWidget*)> actsOn;
        // What it names after the search, before B is loaded.
        QString namedAfterSearch;
    };
    const auto label = [](QWidget* w) { return w->findChild<QLabel*>(u"examineeLabel"_s)->text(); };
    const Case cases[] = {
        {"registry", [&] { return new RegistryWindow(context, main); }, label,
         [](QWidget* w) { return static_cast<RegistryWindow*>(w)->m_codeEdit->text(); }, none},
        {"answer sheet", [&] { return new AnswerSheetWindow(context, main); }, label,
         [](QWidget* w) { return static_cast<AnswerSheetWindow*>(w)->loadedCode(); },
         // The cells still hold A's sheet, and the window says so.
         u"آزمودني: علي رضايي    کد: 1"_s},
        {"results", [&] { return new ResultsWindow(context, main); }, label,
         [](QWidget* w) {
             auto* results = static_cast<ResultsWindow*>(w);
             return results->m_profileButton->isEnabled() ? results->examineeCode() : QString();
         },
         none},
        {"file browser", [&] { return new ExamineeFileWindow(context, main); },
         [](QWidget* w) {
             auto* browser = static_cast<ExamineeFileWindow*>(w);
             return browser->m_nameLabel->text() + u" | "_s + browser->m_codeLabel->text();
         },
         [](QWidget* w) { return static_cast<ExamineeFileWindow*>(w)->m_codeEdit->text(); }, u"نام : | "_s},
    };
    const auto named = [](const Case& c, const QString& name, const QString& code) {
        if (QString(QLatin1StringView(c.window)) == u"file browser"_s) {
            return u"نام و نام خانوادگي: %1 | کد: %2"_s.arg(name, code);
        }
        return u"آزمودني: %1    کد: %2"_s.arg(name, code);
    };
    // The warnings of unanswered items and of no workbook chosen are answered at once.
    MessageBox::setFallbackAnswer(QMessageBox::Ok);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window);
        QWidget* window = c.open();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        auto* field = window->findChild<QLineEdit*>(u"searchEdit"_s);
        auto* list = window->findChild<QTableView*>(u"examineeList"_s);
        const bool registry = QString(QLatin1StringView(c.window)) == u"registry"_s;
        const auto openWithEnter = [&] {
            if (registry) {
                return; // Enter there starts the questionnaire; the panel follows the row
            }
            // The file browser's Enter imports: no workbook is chosen, which only warns.
            FileDialog::setNextFileName(QString());
            list->setFocus();
            press(window, Qt::Key_Return, u"\r"_s);
            QTest::qWait(context.intervals.sheetLoadMs + 50);
        };
        // A: the last row of the whole list, by keys.
        list->setFocus();
        list->setCurrentIndex(list->model()->index(3, 1));
        openWithEnter();
        EXPECT_EQ(c.named(window), named(c, u"علي رضايي"_s, u"1"_s));
        if (QString(QLatin1StringView(c.window)) != u"file browser"_s) {
            EXPECT_EQ(c.actsOn(window), u"1"_s);
        }

        field->setFocus();
        type(field, u"سارا"_s);
        press(window, Qt::Key_Return, u"\r"_s);
        ASSERT_EQ(list->currentIndex().siblingAtColumn(1).data().toString(), u"سارا رضايي"_s);
        if (QString(QLatin1StringView(c.window)) == u"results"_s) {
            auto* results = static_cast<ResultsWindow*>(window);
            EXPECT_EQ(c.named(window), none);
            EXPECT_FALSE(results->m_profileButton->isEnabled());
            EXPECT_FALSE(results->m_answersButton->isEnabled());
            EXPECT_EQ(results->m_sheetList->rowCount(), 0);
            EXPECT_EQ(results->openProfile(), nullptr) << "no profile of the examinee unloaded";
        } else if (QString(QLatin1StringView(c.window)) == u"file browser"_s) {
            EXPECT_EQ(c.named(window), named(c, u"سارا رضايي"_s, u"3"_s));
            EXPECT_EQ(c.actsOn(window), u"3"_s);
        } else if (QString(QLatin1StringView(c.window)) == u"registry"_s) {
            EXPECT_EQ(c.named(window), named(c, u"سارا رضايي"_s, u"3"_s));
            EXPECT_EQ(c.actsOn(window), u"3"_s);
        } else {
            EXPECT_EQ(c.named(window), c.namedAfterSearch);
        }
        // Only a search that leaves no row current: nobody is named, nobody is acted on.
        type(field, u"ی"_s);
        if (QString(QLatin1StringView(c.window)) != u"answer sheet"_s) {
            EXPECT_EQ(c.actsOn(window), QString());
        }

        // Enter on B's row loads B everywhere.
        field->clear();
        field->setFocus();
        type(field, u"سارا"_s);
        press(window, Qt::Key_Return, u"\r"_s);
        openWithEnter();
        EXPECT_EQ(c.named(window), named(c, u"سارا رضايي"_s, u"3"_s));
        EXPECT_EQ(c.actsOn(window), u"3"_s);
        window->close();
        QCoreApplication::processEvents();
    }
}

TEST_F(ExamineeSearchField, NoMatchShowsAnEmptyListAndEnterPicksNothing) {
    auto* registry = new RegistryWindow(context, main);
    registry->show();
    registry->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(registry));
    ASSERT_FALSE(registry->m_nameEdit->text().isEmpty());
    registry->m_searchEdit->setFocus();
    type(registry->m_searchEdit, u"زهرا"_s);
    EXPECT_EQ(registry->m_examineeList->model()->rowCount(), 0);
    press(registry, Qt::Key_Return, u"\r"_s);
    // The examinee shown before is not in the list: the panel is empty and nobody can be
    // edited or deleted.
    EXPECT_EQ(registry->m_nameEdit->text(), QString());
    EXPECT_EQ(registry->m_examineeLabel->text(), u"آزمودني انتخاب نشده است"_s);
    EXPECT_FALSE(registry->m_editButton->isEnabled());
    EXPECT_FALSE(registry->m_deleteButton->isEnabled());
    EXPECT_TRUE(registry->isVisible());
    // While an examinee is being edited the list is closed to choice, and so is its search.
    registry->m_searchEdit->clear();
    registry->m_searchEdit->setFocus();
    press(registry, Qt::Key_Return, u"\r"_s);
    ASSERT_TRUE(registry->m_editButton->isEnabled());
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
