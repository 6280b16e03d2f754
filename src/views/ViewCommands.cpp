#include "views/ViewCommands.h"

#include "views/Frm_Azmoodani.h"

#include <QPointer>

namespace morvalen {

namespace {

// Windows that stay loaded between uses, kept for as long as they are.
struct LoadedWindows {
    QPointer<Frm_Azmoodani> registry;
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
}

} // namespace morvalen
