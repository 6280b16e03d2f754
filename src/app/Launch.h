#pragma once

#include "shell/Startup.h"

namespace morvalen {

class MainWindow;

// Everything between the application object and its event loop: find and check the program
// folder, plug the windows into the main window's commands and show the main window.
// Nothing, after telling the user, when there is no usable program folder.
MainWindow* LaunchMorvalen(const StartupFolders& folders);

// The folders of a normal start: beside the executable, the user's data folder and the
// delivered copies.
StartupFolders ProductionFolders();

} // namespace morvalen
