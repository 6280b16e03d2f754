// The toolbar commands reaching the real windows through the main window.
#include "shell/Skin.h"
#include "store/ExamineeStore.h"
#include "store/SettingsStore.h"
#include "support/GuiFixture.h"
#include "views/AnswerSheetWindow.h"
#include "views/QuestionnaireWindow.h"
#include "views/RegistryWindow.h"
#include "views/ResultsWindow.h"
#include "views/ViewCommands.h"

#include <QPushButton>
#include <QTableView>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

using ViewCommands = test::GuiFixture;

TEST_F(ViewCommands, RegistryOpensModallyAndComesBackAsLeft) {
    {
        auto db = Database::open(folder.path(), DatabaseFile::Main);
        ExamineeStore store(*db);
        Examinee e;
        e.code = u"1"_s;
        e.fullName = u"نسرين"_s;
        ASSERT_TRUE(store.addWithAnswerRow(e));
    }
    auto services = std::make_shared<MainServices>();
    InstallViewCommands(*services);
    MainWindow* main = MainWindow::ShowMain(context, services);

    main->runCommand(100);
    auto registries = visibleWindows<RegistryWindow>();
    ASSERT_EQ(registries.size(), 1);
    RegistryWindow* registry = registries[0];
    EXPECT_TRUE(registry->isModal());
    EXPECT_FALSE(main->isEnabled());

    QTableView* grid = registry->m_examineeList;
    doubleClick(grid->viewport(), grid->visualRect(grid->model()->index(0, 1)).center());
    ASSERT_EQ(visibleWindows<QuestionnaireWindow>().size(), 1);
    EXPECT_TRUE(visibleWindows<RegistryWindow>().isEmpty());
    EXPECT_FALSE(main->isEnabled()) << "still waiting for the questionnaire";
    visibleWindows<QuestionnaireWindow>()[0]->close();
    EXPECT_TRUE(main->isEnabled());

    main->runCommand(100);
    ASSERT_EQ(visibleWindows<RegistryWindow>().size(), 1);
    EXPECT_EQ(visibleWindows<RegistryWindow>()[0], registry) << "the same window, not a new one";
    EXPECT_FALSE(main->isEnabled());
    QTest::mouseClick(registry->m_exitButton, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(main->isEnabled());
    EXPECT_TRUE(visibleWindows<RegistryWindow>().isEmpty());
}

TEST_F(ViewCommands, ResultsAreFreshEachTimeAndTheSheetKeepsTheMainWindowWaiting) {
    auto services = std::make_shared<MainServices>();
    InstallViewCommands(*services);
    MainWindow* main = MainWindow::ShowMain(context, services);

    main->runCommand(141);
    ASSERT_EQ(visibleWindows<ResultsWindow>().size(), 1);
    QPointer<ResultsWindow> first = visibleWindows<ResultsWindow>()[0];
    EXPECT_FALSE(main->isEnabled());
    first->hide(); // left loaded behind, as after the profile window
    main->runCommand(141);
    EXPECT_TRUE(first.isNull()) << "the old view is unloaded first";
    ASSERT_EQ(visibleWindows<ResultsWindow>().size(), 1);
    visibleWindows<ResultsWindow>()[0]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(main->isEnabled());

    main->runCommand(101);
    ASSERT_EQ(visibleWindows<AnswerSheetWindow>().size(), 1);
    EXPECT_TRUE(visibleWindows<AnswerSheetWindow>()[0]->isModal());
    EXPECT_FALSE(main->isEnabled());
    visibleWindows<AnswerSheetWindow>()[0]->close();
    EXPECT_TRUE(main->isEnabled());
}

TEST_F(ViewCommands, MainWindowStartsInTheStoredSkin) {
    {
        auto db = Database::open(folder.path(), DatabaseFile::Main);
        SettingsStore settings(*db);
        Settings s = settings.read().value_or(Settings{});
        s.theme = u"11"_s;
        ASSERT_TRUE(settings.write(s));
    }
    auto services = std::make_shared<MainServices>();
    InstallViewCommands(*services);
    MainWindow* main = MainWindow::ShowMain(context, services);
    EXPECT_EQ(main->m_clientPanel->palette().color(QPalette::Window), QColor(u"#3b3b3b"_s));
    ApplyTheme(*qApp, folder.path(), QString());
}

} // namespace
} // namespace morvalen
