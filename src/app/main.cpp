// Starts the application: its look, then the program folder and the main window.
#include "app/Launch.h"
#include "shell/Appearance.h"

#include <QApplication>

using namespace morvalen;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ConfigureApplication(app);
    if (!LaunchMorvalen(ProductionFolders())) {
        return 1;
    }
    return app.exec();
}
