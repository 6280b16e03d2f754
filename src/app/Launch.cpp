#include "app/Launch.h"

#include "shell/Context.h"
#include "shell/MainWindow.h"
#include "store/ProgramFolder.h"
#include "update/UpdateCommands.h"
#include "views/ViewCommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace morvalen {

StartupFolders ProductionFolders() {
    const QString exeFolder = QCoreApplication::applicationDirPath();
    return {exeFolder, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
            DefaultSeedFolder(exeFolder)};
}

MainWindow* LaunchMorvalen(const StartupFolders& folders) {
    const auto folder = OpenProgramFolder(folders);
    if (!folder) {
        return nullptr;
    }
    QDir::setCurrent(*folder);

    const Context context = Context::Production(*folder);
    auto services = std::make_shared<MainServices>();
    InstallViewCommands(*services);
    InstallUpdateCommands(*services);
    MainWindow* main = MainWindow::ShowMain(context, services);
    main->showMaximized();
    return main;
}

} // namespace morvalen
