#include "views/ViewCommands.h"

#include "shell/Desktop.h"
#include "shell/Skin.h"
#include "store/SettingsStore.h"
#include "views/AboutWindow.h"
#include "views/AnswerSheetWindow.h"
#include "views/BackupWindow.h"
#include "views/ExamineeFileWindow.h"
#include "views/ExportSnapshot.h"
#include "views/RegistryWindow.h"
#include "views/ResultsWindow.h"
#include "views/SettingsWindow.h"

#include <QApplication>

#include <QPointer>

namespace morvalen {

namespace {

// Windows that stay loaded between uses, kept for as long as they are.
struct LoadedWindows {
    QPointer<RegistryWindow> registry;
    QPointer<AnswerSheetWindow> answerSheet;
    QPointer<ResultsWindow> results;
    QPointer<BackupWindow> backup;
    QPointer<SettingsWindow> settings;
    // The Excel export keeps what it read at its first use for the rest of the run.
    std::shared_ptr<ExportSnapshot> excel;
};

} // namespace

void InstallViewCommands(MainServices& services) {
    auto loaded = std::make_shared<LoadedWindows>();
    // The services outlive every command they hold, so the quit of the moment is read from them.
    MainServices* held = &services;
    services.commands[100] = [loaded](MainWindow& main) {
        // The registry comes back as it was left when it was hidden for the questionnaire.
        if (!loaded->registry) {
            loaded->registry = new RegistryWindow(main.context(), &main);
        } else {
            loaded->registry->setMainWindow(&main);
        }
        loaded->registry->show();
        loaded->registry->raise();
        loaded->registry->activateWindow();
    };
    services.commands[101] = [loaded](MainWindow& main) {
        if (!loaded->answerSheet) {
            loaded->answerSheet = new AnswerSheetWindow(main.context(), &main);
        }
        loaded->answerSheet->show();
        loaded->answerSheet->raise();
    };
    services.commands[140] = [](MainWindow& main) {
        (new ExamineeFileWindow(main.context(), &main))->show();
    };
    services.commands[141] = [loaded](MainWindow& main) {
        // Always a fresh results view: one left loaded behind the profile goes first.
        if (loaded->results) {
            delete loaded->results.data();
        }
        loaded->results = new ResultsWindow(main.context(), &main);
        if (!loaded->excel) {
            loaded->excel = std::make_shared<ExportSnapshot>(main.context());
        }
        loaded->results->setExcelExport(loaded->excel);
        loaded->results->show();
    };
    services.commands[142] = [loaded, held](MainWindow& main) {
        // Not modal; the main window waits, disabled, until the settings close.
        if (!loaded->settings) {
            loaded->settings = new SettingsWindow(main.context(), &main);
            // The open windows hold connections to the old database: the program ends, and
            // its next start opens the new one. It ends as "بلي" ends it, without closing
            // the windows one by one: QCoreApplication::quit() would close the main window,
            // whose exit question, closed in turn, builds a new main window, and so on.
            QObject::connect(
                loaded->settings, &SettingsWindow::databaseSwitched, qApp,
                [held] {
                    if (held->quit) {
                        held->quit();
                    } else {
                        QCoreApplication::exit(0);
                    }
                },
                Qt::QueuedConnection);
        }
        loaded->settings->show();
        loaded->settings->raise();
    };
    services.commands[145] = [](MainWindow& main) { (new AboutWindow(main.context(), &main))->show(); };
    // The site opens in the system's browser: no web engine is part of this build.
    services.commands[147] = [](MainWindow& main) {
        Desktop::openUrl(AboutWindow::SiteAddress(main.context()));
    };
    services.applyTheme = [](MainWindow& main) {
        QString theme;
        if (auto db = Database::open(main.context().programFolder, DatabaseFile::Main)) {
            theme = SettingsStore(*db).read().value_or(Settings{}).theme;
        }
        ApplyTheme(*qApp, main.context().programFolder, theme);
    };
    services.commands[144] = [loaded](MainWindow& main) {
        // Not modal: the window disables the main window itself while it is open.
        if (!loaded->backup) {
            loaded->backup = new BackupWindow(main.context(), &main);
        }
        loaded->backup->show();
        loaded->backup->raise();
    };
}

} // namespace morvalen
