// Finds the program folder, checks its databases and shows the main window.
#include "shell/Appearance.h"
#include "shell/Context.h"
#include "shell/MDIForm1.h"
#include "shell/Startup.h"
#include "store/ProgramFolder.h"
#include "update/UpdateCommands.h"
#include "views/ViewCommands.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

using namespace morvalen;

int main(int argc, char** argv) {
    // The embedded site browser, where it is built in, shares its drawing context with the windows.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ConfigureApplication(app);

    const QString exeFolder = QCoreApplication::applicationDirPath();
    const auto folder =
        OpenProgramFolder({exeFolder, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
                           DefaultSeedFolder(exeFolder)});
    if (!folder) {
        return 1;
    }
    QDir::setCurrent(*folder);

    const Context context = Context::Production(*folder);
    auto services = std::make_shared<MainServices>();
    InstallViewCommands(*services);
    InstallUpdateCommands(*services);
    MDIForm1::ShowMain(context, services)->showMaximized();
    return app.exec();
}
