// Starts the application: its look, then the program folder and the main window.
#include "app/Launch.h"
#include "shell/Appearance.h"

#include <QApplication>

using namespace morvalen;

int main(int argc, char** argv) {
    // The embedded site browser, where it is built in, shares its drawing context with the windows.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ConfigureApplication(app);
    if (!LaunchMorvalen(ProductionFolders())) {
        return 1;
    }
    return app.exec();
}
