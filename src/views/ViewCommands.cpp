#include "views/ViewCommands.h"

#include "shell/Desktop.h"
#include "shell/Skin.h"
#include "store/SettingsStore.h"
#include "views/Frm_About.h"
#include "views/Frm_Azmoodani.h"
#include "views/Frm_Ergebnis.h"
#include "views/Frm_Excel.h"
#include "views/Frm_File.h"
#include "views/Frm_Pasoch.h"
#include "views/Frm_Setting.h"
#include "views/Frm_backup.h"

#include <QApplication>

#include <QPointer>

namespace morvalen {

namespace {

// Windows that stay loaded between uses, kept for as long as they are.
struct LoadedWindows {
    QPointer<Frm_Azmoodani> registry;
    QPointer<Frm_Pasoch> answerSheet;
    QPointer<Frm_Ergebnis> results;
    QPointer<Frm_backup> backup;
    QPointer<Frm_Setting> settings;
    // The Excel export keeps what it read at its first use for the rest of the run.
    std::shared_ptr<Frm_Excel> excel;
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
    services.commands[140] = [](MDIForm1& main) { (new Frm_File(main.context(), &main))->show(); };
    services.commands[141] = [loaded](MDIForm1& main) {
        // Always a fresh results view: one left loaded behind the profile goes first.
        if (loaded->results) {
            delete loaded->results.data();
        }
        loaded->results = new Frm_Ergebnis(main.context(), &main);
        if (!loaded->excel) {
            loaded->excel = std::make_shared<Frm_Excel>(main.context());
        }
        loaded->results->setExcelExport(loaded->excel);
        loaded->results->show();
    };
    services.commands[142] = [loaded](MDIForm1& main) {
        // Not modal; the main window waits, disabled, until the settings close.
        if (!loaded->settings) {
            loaded->settings = new Frm_Setting(main.context(), &main);
        }
        loaded->settings->show();
        loaded->settings->raise();
    };
    services.commands[145] = [](MDIForm1& main) { (new Frm_About(main.context(), &main))->show(); };
    // The site opens in the system's browser: no web engine is part of this build.
    services.commands[147] = [](MDIForm1& main) { Desktop::openUrl(Frm_About::SiteAddress(main.context())); };
    services.applySkin = [](MDIForm1& main) {
        QString theme;
        if (auto db = Database::open(main.context().programFolder, DatabaseFile::Main)) {
            theme = SettingsStore(*db).read().value_or(Settings{}).theme;
        }
        ApplySkin(*qApp, main.context().programFolder, theme);
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
