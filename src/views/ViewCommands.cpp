#include "views/ViewCommands.h"

#include "views/Frm_Azmoodani.h"
#include "views/Frm_Ergebnis.h"
#include "views/Frm_Pasoch.h"
#include "views/Frm_backup.h"

#include <QPointer>

namespace morvalen {

namespace {

// Windows that stay loaded between uses, kept for as long as they are.
struct LoadedWindows {
    QPointer<Frm_Azmoodani> registry;
    QPointer<Frm_Pasoch> answerSheet;
    QPointer<Frm_Ergebnis> results;
    QPointer<Frm_backup> backup;
};

} // namespace

void InstallViewCommands(MainServices& services) {
    auto loaded = std::make_shared<LoadedWindows>();
    services.commands[100] = [loaded](MDIForm1& main) {
        // The registry comes back as it was left when it was hidden for the questionnaire.
        if (!loaded->registry) {
            loaded->registry = new Frm_Azmoodani(main.context(), &main);
        } else {
            loaded->registry->setMainWindow(&main);
        }
        loaded->registry->show();
        loaded->registry->raise();
        loaded->registry->activateWindow();
    };
    services.commands[101] = [loaded](MDIForm1& main) {
        if (!loaded->answerSheet) {
            loaded->answerSheet = new Frm_Pasoch(main.context(), &main);
        }
        loaded->answerSheet->show();
        loaded->answerSheet->raise();
    };
    services.commands[141] = [loaded](MDIForm1& main) {
        // Always a fresh results view: one left loaded behind the profile goes first.
        if (loaded->results) {
            delete loaded->results.data();
        }
        loaded->results = new Frm_Ergebnis(main.context(), &main);
        loaded->results->show();
    };
    services.commands[144] = [loaded](MDIForm1& main) {
        // Not modal: the window disables the main window itself while it is open.
        if (!loaded->backup) {
            loaded->backup = new Frm_backup(main.context(), &main);
        }
        loaded->backup->show();
        loaded->backup->raise();
    };
}

} // namespace morvalen
