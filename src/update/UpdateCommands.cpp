#include "update/UpdateCommands.h"

#include "update/InternetConnect.h"
#include "update/SiteWindow.h"
#include "update/UpdatePopup.h"
#include "update/UpdateWindow.h"
#include "update/VersionCheck.h"

#include <QCoreApplication>

#include <QPushButton>

namespace morvalen {

using namespace Qt::StringLiterals;

void RunVersionProbe(MainWindow& main, std::function<void()> quit) {
    if (!IsConnected()) {
        return;
    }
    // The check belongs to the main window: a window closed meanwhile takes it along.
    auto* check = new VersionCheck(&main);
    QObject::connect(check, &VersionCheck::finished, &main,
                     [&main, check, quit](VersionCheck::Outcome outcome, double) {
                         check->deleteLater();
                         if (outcome != VersionCheck::Outcome::Newer) {
                             return;
                         }
                         main.showUpdateNotice();
                         auto* popup = main.findChild<UpdatePopup*>();
                         if (!popup) {
                             popup = new UpdatePopup(main.context(), &main, quit);
                         }
                         popup->m_showButton->click();
                     });
    check->start(VersionFileAddress(main.context()), main.context().intervals.networkTimeoutMs, OwnVersion());
}

void InstallUpdateCommands(MainServices& services) {
    // The services outlive every command they hold, so the quit of the moment is read from them.
    MainServices* held = &services;
    const auto quit = [held] {
        return [held] {
            if (held->quit) {
                held->quit();
            } else {
                QCoreApplication::exit(0);
            }
        };
    };
    services.commands[143] = [quit](MainWindow& main) {
        (new UpdateWindow(main.context(), &main, quit()))->show();
    };
    // This takes the place of the browser-only site command once the update part is built in.
    services.commands[147] = [](MainWindow& main) { SiteWindow::Open(main.context(), &main); };
    services.versionProbe = [quit](MainWindow& main) { RunVersionProbe(main, quit()); };
}

} // namespace morvalen
