// The main window: toolbar, dispatch, title block, update notice and the exit question.
#include "shell/ExitQuestion.h"
#include "shell/MainWindow.h"
#include "shell/Skin.h"
#include "store/SettingsStore.h"
#include "support/GuiFixture.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

struct Command {
    int id;
    QString caption;
};

const QVector<Command> kToolbar{
    {100, u"آزمودني ها"_s}, {101, u"پاسخنامه"_s},  {140, u"فايل آزمودني"_s}, {141, u"نتيجه تست"_s},
    {142, u"تنظيمات"_s},    {143, u"بروزرساني"_s}, {144, u"پشتيبان گيري"_s}, {147, u"سايت ما"_s},
    {145, u"تماس با ما"_s}, {146, u"خروج"_s},
};

class MainWindowTest : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        services = std::make_shared<MainServices>();
        services->versionProbe = [this](MainWindow&) { ++probes; };
        services->quit = [this] { ++quits; };
    }

    MainWindow* open() {
        MainWindow* window = MainWindow::ShowMain(context, services);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        return window;
    }

    static void expectToolbar(MainWindow* window) {
        ASSERT_NE(window->m_toolbar, nullptr);
        EXPECT_EQ(window->m_toolbar->objectName(), u"toolbar"_s);
        EXPECT_EQ(window->m_toolbar->windowTitle(), u"Standard"_s);
        const QList<QAction*> actions = window->m_toolbar->actions();
        ASSERT_EQ(actions.size(), kToolbar.size());
        for (int i = 0; i < actions.size(); ++i) {
            EXPECT_EQ(actions[i]->data().toInt(), kToolbar[i].id) << i;
            EXPECT_EQ(actions[i]->text(), kToolbar[i].caption) << i;
            EXPECT_FALSE(actions[i]->icon().pixmap(42, 35).isNull()) << "icon of " << kToolbar[i].id;
        }
        EXPECT_EQ(window->m_toolbar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        EXPECT_EQ(window->m_toolbar->iconSize(), QSize(42, 35));
        // The captions are drawn in the buttons' own font: bold "B Nazanin" 11.
        for (QAction* action : actions) {
            const QWidget* shown = window->m_toolbar->widgetForAction(action);
            ASSERT_NE(shown, nullptr);
            EXPECT_TRUE(shown->font().bold()) << action->data().toInt();
            EXPECT_EQ(shown->font().pointSizeF(), 11) << action->data().toInt();
        }
    }

    static QToolButton* button(MainWindow* window, int id) {
        for (QAction* action : window->m_toolbar->actions()) {
            if (action->data().toInt() == id) {
                return qobject_cast<QToolButton*>(window->m_toolbar->widgetForAction(action));
            }
        }
        return nullptr;
    }

    std::shared_ptr<MainServices> services;
    int probes = 0;
    int quits = 0;
};

TEST_F(MainWindowTest, ToolbarHasTheTenCommandsInOrder) {
    MainWindow* window = open();
    expectToolbar(window);
    EXPECT_EQ(window->windowTitle(), u"Morvalen"_s);
    EXPECT_EQ(window->findChild<QMenuBar*>(), nullptr) << "no menu bar";
    EXPECT_EQ(window->layoutDirection(), Qt::RightToLeft);
}

TEST_F(MainWindowTest, DispatchRunsTheCommandOfTheClickedButton) {
    QVector<int> ran;
    for (const int id : {100, 141, 145}) {
        services->commands[id] = [&ran, id](MainWindow&) { ran.append(id); };
    }
    MainWindow* window = open();
    for (const int id : {141, 101, 100, 145, 141}) {
        QToolButton* b = button(window, id);
        ASSERT_NE(b, nullptr) << id;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // 101 has no window yet: nothing happens. An id outside the table does nothing either.
    window->runCommand(999);
    EXPECT_EQ(ran, (QVector<int>{141, 100, 145, 141}));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, VersionProbeRunsOnceAfterLoad) {
    MainWindow* window = open();
    EXPECT_TRUE(QTest::qWaitFor([&] { return probes == 1; }, 2000));
    QTest::qWait(100);
    EXPECT_EQ(probes, 1);
    EXPECT_FALSE(window->m_loadTimer->isActive());
    EXPECT_FALSE(window->m_updateNoticePanel->isVisible());
}

TEST_F(MainWindowTest, UpdateNoticeShowsUntilClosed) {
    services->versionProbe = [](MainWindow& w) { w.showUpdateNotice(); };
    MainWindow* window = open();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->m_updateNoticePanel->isVisible(); }, 2000));
    EXPECT_EQ(window->m_noticeTitleLabel->text(), u"آپديت جديد نرم افزار"_s);
    EXPECT_EQ(window->m_backupWarningLabel->text(), u"قبل از بروزرساني حتما بكاپ بگيريد"_s);
    QTest::mouseClick(window->m_closeNoticeButton, Qt::LeftButton);
    EXPECT_FALSE(window->m_updateNoticePanel->isVisible());
    QTest::qWait(100);
    EXPECT_FALSE(window->m_updateNoticePanel->isVisible()) << "nothing brings it back";
}

TEST_F(MainWindowTest, TitleLinesKeepTheirSpacingOnResize) {
    MainWindow* window = open();
    for (const QSize size : {QSize(1100, 720), QSize(800, 600), QSize(1400, 900)}) {
        window->resize(size);
        QTest::qWait(20);
        const int w = window->frameGeometry().width();
        const int hTwips = window->frameGeometry().height() * 15;
        const int top = (hTwips + 3000) / 2;
        EXPECT_EQ(window->m_taglineLabel->geometry(), QRect(0, top / 15, w, 112));
        EXPECT_EQ(window->m_productNameLabel->geometry(), QRect(0, (top - 1680) / 15, w, 112));
        EXPECT_EQ(window->m_clinicNameLabel->geometry(), QRect(0, (top - 3680) / 15, w, 112));
        for (QLabel* label :
             {window->m_clinicNameLabel, window->m_productNameLabel, window->m_taglineLabel}) {
            EXPECT_EQ(label->alignment(), Qt::AlignCenter);
            EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(156, 73, 177));
        }
    }
    EXPECT_EQ(window->m_productNameLabel->text(), u"Morvalen"_s);
    EXPECT_FALSE(window->m_taglineLabel->text().isEmpty());
}

TEST_F(MainWindowTest, ClinicNameComesFromTheSettingsRow) {
    {
        auto db = Database::open(folder.path(), DatabaseFile::Main);
        SettingsStore settings(*db);
        Settings s = *settings.read();
        s.name = u"كلينيك آرامش"_s;
        ASSERT_TRUE(settings.write(s));
    }
    MainWindow* window = open();
    EXPECT_EQ(window->m_clinicNameLabel->text(), u"كلينيك آرامش"_s);
    {
        auto db = Database::open(folder.path(), DatabaseFile::Main);
        SettingsStore settings(*db);
        Settings s = *settings.read();
        s.name = u"مركز دوم"_s;
        ASSERT_TRUE(settings.write(s));
    }
    // A changed name shows at the latest after the next resize.
    window->resize(window->size() + QSize(10, 10));
    QTest::qWait(20);
    EXPECT_EQ(window->m_clinicNameLabel->text(), u"مركز دوم"_s);
}

TEST_F(MainWindowTest, NoAtTheExitQuestionBuildsTheWindowAnew) {
    MainWindow* first = open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return probes == 1; }, 2000));
    QTest::mouseClick(button(first, 146), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_TRUE(visibleWindows<MainWindow>().isEmpty());
    const auto questions = visibleWindows<ExitQuestion>();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions[0]->m_questionLabel->text(), u"آيا قصد خروج از برنامه را داريد؟"_s);
    EXPECT_EQ(questions[0]->m_yesButton->text(), u"بلي"_s);
    EXPECT_EQ(questions[0]->m_noButton->text(), u"خير"_s);

    QTest::mouseClick(questions[0]->m_noButton, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(visibleWindows<ExitQuestion>().isEmpty());
    const auto mains = visibleWindows<MainWindow>();
    ASSERT_EQ(mains.size(), 1);
    expectToolbar(mains[0]);
    EXPECT_TRUE(QTest::qWaitFor([&] { return probes == 2; }, 2000)) << "the probe runs again";
    EXPECT_EQ(quits, 0);

    // And once more: the rebuilt window is as good as the first.
    mains[0]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::mouseClick(visibleWindows<ExitQuestion>().value(0)->m_noButton, Qt::LeftButton);
    ASSERT_EQ(visibleWindows<MainWindow>().size(), 1);
    expectToolbar(visibleWindows<MainWindow>()[0]);
}

TEST_F(MainWindowTest, ToolbarCaptionsStayBoldThroughThemeChanges) {
    // The window applies the stored skin as it loads; later the settings change it.
    QString theme = u"3"_s;
    services->applyTheme = [&](MainWindow& main) { ApplyTheme(*qApp, main.context().programFolder, theme); };
    MainWindow* window = open();
    expectToolbar(window);
    for (const QString& next : {u"7"_s, u"0"_s, u"12"_s}) {
        SCOPED_TRACE(next.toStdString());
        ApplyTheme(*qApp, folder.path(), next);
        QCoreApplication::processEvents();
        expectToolbar(window);
    }
    // "خير" at the exit question builds the window anew, skin included.
    theme = u"5"_s;
    SCOPED_TRACE("rebuilt");
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::mouseClick(visibleWindows<ExitQuestion>().value(0)->m_noButton, Qt::LeftButton);
    ASSERT_EQ(visibleWindows<MainWindow>().size(), 1);
    expectToolbar(visibleWindows<MainWindow>()[0]);
    ApplyTheme(*qApp, folder.path(), u"0"_s);
}

TEST_F(MainWindowTest, YesAtTheExitQuestionEndsTheProgram) {
    open()->close();
    // A window left loaded but hidden does not keep the program alive.
    QWidget hiddenView;
    hiddenView.hide();
    const auto questions = visibleWindows<ExitQuestion>();
    ASSERT_EQ(questions.size(), 1);
    QTest::mouseClick(questions[0]->m_yesButton, Qt::LeftButton);
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(visibleWindows<MainWindow>().isEmpty());
}

TEST_F(MainWindowTest, ClosingTheQuestionByItsFrameKeepsTheProgram) {
    open()->close();
    ASSERT_EQ(visibleWindows<ExitQuestion>().size(), 1);
    visibleWindows<ExitQuestion>()[0]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(visibleWindows<MainWindow>().size(), 1);
    EXPECT_EQ(quits, 0);
}

} // namespace
} // namespace morvalen
