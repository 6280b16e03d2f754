// The windows behave as one application: while a view is open the main window takes no
// input, and whichever way the view is closed, the main window works again.
#include "shell/Desktop.h"
#include "shell/ExitQuestion.h"
#include "shell/MainWindow.h"
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"
#include "support/GuiFixture.h"
#include "update/UpdateCommands.h"
#include "update/UpdateWindow.h"
#include "views/AboutWindow.h"
#include "views/AnswerSheetWindow.h"
#include "views/BackupWindow.h"
#include "views/ExamineeFileWindow.h"
#include "views/QuestionnaireWindow.h"
#include "views/RegistryWindow.h"
#include "views/ResultsWindow.h"
#include "views/SettingsWindow.h"
#include "views/ViewCommands.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

#include <functional>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

class OneApplication : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        MessageBox::setFallbackAnswer(QMessageBox::Ok);
        Desktop::setOpenerForTests([](const QUrl&) { return true; });
        services = std::make_shared<MainServices>();
        InstallViewCommands(*services);
        InstallUpdateCommands(*services);
        services->versionProbe = nullptr; // no network here
        services->quit = [this] { ++quits; };
        main = MainWindow::ShowMain(context, services);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    }
    void TearDown() override {
        Desktop::setOpenerForTests({});
        GuiFixture::TearDown();
    }

    QWidget* showing(const QString& name) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && w->objectName() == name) {
                return w;
            }
        }
        return nullptr;
    }

    std::shared_ptr<MainServices> services;
    QPointer<MainWindow> main;
    int quits = 0;
};

struct View {
    int command;
    QString name;
    std::function<QAbstractButton*(QWidget*)> exitButton;
};

TEST_F(OneApplication, EveryViewLocksTheMainWindowUntilItClosesAnyWay) {
    const View views[] = {
        {100, u"RegistryWindow"_s, [](QWidget* w) { return static_cast<RegistryWindow*>(w)->m_exitButton; }},
        {101, u"AnswerSheetWindow"_s,
         [](QWidget* w) { return static_cast<AnswerSheetWindow*>(w)->m_exitButton; }},
        {140, u"ExamineeFileWindow"_s,
         [](QWidget* w) { return static_cast<ExamineeFileWindow*>(w)->m_exitButton; }},
        {141, u"ResultsWindow"_s, [](QWidget* w) { return static_cast<ResultsWindow*>(w)->m_exitButton; }},
        {142, u"SettingsWindow"_s, [](QWidget* w) { return static_cast<SettingsWindow*>(w)->m_closeButton; }},
        {143, u"UpdateWindow"_s, [](QWidget* w) { return static_cast<UpdateWindow*>(w)->m_closeButton; }},
        {144, u"BackupWindow"_s, [](QWidget* w) { return static_cast<BackupWindow*>(w)->m_exitButton; }},
        {145, u"AboutWindow"_s, [](QWidget* w) { return static_cast<AboutWindow*>(w)->m_closeButton; }},
    };
    enum class Means { Button, CloseBox, Escape };
    for (const View& view : views) {
        for (const Means means : {Means::Button, Means::CloseBox, Means::Escape}) {
            const std::string what = view.name.toStdString() + " closed by " +
                                     (means == Means::Button     ? "its button"
                                      : means == Means::CloseBox ? "the close box"
                                                                 : "Escape");
            main->runCommand(view.command);
            QWidget* window = showing(view.name);
            ASSERT_NE(window, nullptr) << what;
            ASSERT_TRUE(QTest::qWaitForWindowExposed(window)) << what;
            EXPECT_FALSE(main->isEnabled()) << what;
            if (means == Means::Button) {
                main->close(); // the main window's close box, while the view is open
                EXPECT_TRUE(main && main->isVisible()) << what;
                EXPECT_TRUE(visibleWindows<ExitQuestion>().isEmpty()) << what << ": no exit question";
                EXPECT_TRUE(window->isVisible()) << what;
            }
            switch (means) {
            case Means::Button:
                QTest::mouseClick(view.exitButton(window), Qt::LeftButton);
                break;
            case Means::CloseBox:
                window->close();
                break;
            case Means::Escape:
                QTest::keyClick(window, Qt::Key_Escape);
                break;
            }
            EXPECT_TRUE(QTest::qWaitFor(
                [window = QPointer<QWidget>(window)] { return !window || !window->isVisible(); }, 1000))
                << what;
            EXPECT_TRUE(main->isEnabled()) << what;
            QTest::qWait(20); // the event loop runs between two clicks of the user
        }
    }
    EXPECT_EQ(quits, 0);
}

TEST_F(OneApplication, TheMainWindowStaysWhileTheQuestionnaireIsOpenAndTheAnswerIsKept) {
    ASSERT_TRUE(folder.addExaminee(u"1"_s, u"رضا رضايي"_s, {{1, u"4"_s}}));
    main->runCommand(100);
    auto* registry = static_cast<RegistryWindow*>(showing(u"RegistryWindow"_s));
    ASSERT_NE(registry, nullptr);
    QTableView* list = registry->m_examineeList;
    doubleClick(list->viewport(), list->visualRect(list->model()->index(0, 1)).center());
    auto* questionnaire = static_cast<QuestionnaireWindow*>(showing(u"QuestionnaireWindow"_s));
    ASSERT_NE(questionnaire, nullptr);
    QTest::mouseClick(questionnaire->m_startButton, Qt::LeftButton);
    clickIndicator(questionnaire->m_answerButtons[6]);

    main->close();
    EXPECT_TRUE(main && main->isVisible());
    EXPECT_TRUE(visibleWindows<ExitQuestion>().isEmpty()) << "no way to quit under the questionnaire";
    EXPECT_TRUE(questionnaire->isVisible());
    EXPECT_EQ(quits, 0);

    questionnaire->close();
    auto db = Database::open(folder.path(), DatabaseFile::Main);
    EXPECT_EQ(AnswerStore(*db).cell(u"1"_s, 1), u"6"_s) << "the choice on screen is stored";
    EXPECT_TRUE(main->isEnabled());
}

TEST_F(OneApplication, NoOnExitRebuildsTheMainWindowAndYesEnds) {
    main->close();
    auto exits = visibleWindows<ExitQuestion>();
    ASSERT_EQ(exits.size(), 1);
    EXPECT_FALSE(main && main->isVisible());
    QTest::mouseClick(exits[0]->m_noButton, Qt::LeftButton); // "خير"
    const auto mains = visibleWindows<MainWindow>();
    ASSERT_EQ(mains.size(), 1);
    EXPECT_TRUE(mains[0]->isEnabled());
    EXPECT_EQ(quits, 0);
    // The rebuilt window's commands work as before.
    mains[0]->runCommand(145);
    ASSERT_NE(showing(u"AboutWindow"_s), nullptr);
    EXPECT_FALSE(mains[0]->isEnabled());
    showing(u"AboutWindow"_s)->close();
    EXPECT_TRUE(mains[0]->isEnabled());

    mains[0]->close();
    exits = visibleWindows<ExitQuestion>();
    ASSERT_EQ(exits.size(), 1);
    QTest::mouseClick(exits[0]->m_yesButton, Qt::LeftButton); // "بلي"
    EXPECT_EQ(quits, 1);
}

} // namespace
} // namespace morvalen
