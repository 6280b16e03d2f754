// The windows behave as one application: while a view is open the main window takes no
// input, and whichever way the view is closed, the main window works again.
#include "shell/Desktop.h"
#include "shell/Frm_Exit.h"
#include "shell/MDIForm1.h"
#include "store/ExamineeStore.h"
#include "support/GuiFixture.h"
#include "update/Frm_Update.h"
#include "update/UpdateCommands.h"
#include "views/Frm_About.h"
#include "views/Frm_Azmoodani.h"
#include "views/Frm_Ergebnis.h"
#include "views/Frm_File.h"
#include "views/Frm_Pasoch.h"
#include "views/Frm_Setting.h"
#include "views/Frm_backup.h"
#include "views/ViewCommands.h"

#include <QPushButton>

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
        main = MDIForm1::ShowMain(context, services);
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
    QPointer<MDIForm1> main;
    int quits = 0;
};

struct View {
    int command;
    QString name;
    std::function<QAbstractButton*(QWidget*)> exitButton;
};

TEST_F(OneApplication, EveryViewLocksTheMainWindowUntilItClosesAnyWay) {
    const View views[] = {
        {100, u"Frm_Azmoodani"_s,
         [](QWidget* w) { return static_cast<Frm_Azmoodani*>(w)->PushButton6[Frm_Azmoodani::Exit]; }},
        {101, u"Frm_Pasoch"_s,
         [](QWidget* w) { return static_cast<Frm_Pasoch*>(w)->PushB1[Frm_Pasoch::Exit]; }},
        {140, u"Frm_File"_s,
         [](QWidget* w) { return static_cast<Frm_File*>(w)->PushButton1[Frm_File::Exit]; }},
        {141, u"Frm_Ergebnis"_s, [](QWidget* w) { return static_cast<Frm_Ergebnis*>(w)->PushB1; }},
        {142, u"Frm_Setting"_s, [](QWidget* w) { return static_cast<Frm_Setting*>(w)->PushButtonExit; }},
        {143, u"Frm_Update"_s, [](QWidget* w) { return static_cast<Frm_Update*>(w)->PBExit; }},
        {144, u"Frm_backup"_s, [](QWidget* w) { return static_cast<Frm_backup*>(w)->PBExit; }},
        {145, u"Frm_About"_s, [](QWidget* w) { return static_cast<Frm_About*>(w)->cmdOK; }},
    };
    enum class Means { Button, CloseBox, Escape };
    for (const View& view : views) {
        for (const Means means : {Means::Button, Means::CloseBox, Means::Escape}) {
            const std::string what = view.name.toStdString() + " closed by " +
                                     (means == Means::Button     ? "its button"
                                      : means == Means::CloseBox ? "the close box"
                                                                 : "Escape");
            main->OnExecute(view.command);
            QWidget* window = showing(view.name);
            ASSERT_NE(window, nullptr) << what;
            ASSERT_TRUE(QTest::qWaitForWindowExposed(window)) << what;
            EXPECT_FALSE(main->isEnabled()) << what;
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

TEST_F(OneApplication, NoOnExitRebuildsTheMainWindowAndYesEnds) {
    main->close();
    auto exits = visibleWindows<Frm_Exit>();
    ASSERT_EQ(exits.size(), 1);
    EXPECT_FALSE(main && main->isVisible());
    QTest::mouseClick(exits[0]->PushButton1, Qt::LeftButton); // "خير"
    const auto mains = visibleWindows<MDIForm1>();
    ASSERT_EQ(mains.size(), 1);
    EXPECT_TRUE(mains[0]->isEnabled());
    EXPECT_EQ(quits, 0);
    // The rebuilt window's commands work as before.
    mains[0]->OnExecute(145);
    ASSERT_NE(showing(u"Frm_About"_s), nullptr);
    EXPECT_FALSE(mains[0]->isEnabled());
    showing(u"Frm_About"_s)->close();
    EXPECT_TRUE(mains[0]->isEnabled());

    mains[0]->close();
    exits = visibleWindows<Frm_Exit>();
    ASSERT_EQ(exits.size(), 1);
    QTest::mouseClick(exits[0]->PushB1, Qt::LeftButton); // "بلي"
    EXPECT_EQ(quits, 1);
}

} // namespace
} // namespace morvalen
