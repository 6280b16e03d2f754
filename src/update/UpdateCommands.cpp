#include "update/UpdateCommands.h"

#include "update/Frm_Chat.h"
#include "update/Frm_Update.h"
#include "update/InternetConnect.h"
#include "update/VersionCheck.h"
#include "update/frmPopup.h"

#include <QCoreApplication>

#include <QPushButton>

namespace morvalen {

using namespace Qt::StringLiterals;

void RunVersionProbe(MDIForm1& main, std::function<void()> quit) {
    if (!IsConnected()) {
        return;
    }
    // The check belongs to the main window: a window closed meanwhile takes it along.
    auto* check = new VersionCheck(&main);
    QObject::connect(check, &VersionCheck::Finished, &main,
                     [&main, check, quit](VersionCheck::Outcome outcome, double) {
                         check->deleteLater();
                         if (outcome != VersionCheck::Outcome::Newer) {
                             return;
                         }
                         main.showUpdateNotice();
                         auto* popup = main.findChild<frmPopup*>();
                         if (!popup) {
                             popup = new frmPopup(main.context(), &main, quit);
                         }
                         popup->cmdShow->click();
                     });
    check->Start(VersionFileAddress(main.context()), main.context().intervals.networkTimeoutMs, OwnVersion());
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
    services.commands[143] = [quit](MDIForm1& main) {
        (new Frm_Update(main.context(), &main, quit()))->show();
    };
    // This takes the place of the browser-only site command once the update part is built in.
    services.commands[147] = [](MDIForm1& main) { Frm_Chat::Open(main.context(), &main); };
    services.versionProbe = [quit](MDIForm1& main) { RunVersionProbe(main, quit()); };
}

} // namespace morvalen
