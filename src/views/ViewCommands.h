#pragma once

#include "shell/MainWindow.h"

namespace morvalen {

// Plugs the windows behind the toolbar into the main window's commands.
void InstallViewCommands(MainServices& services);

} // namespace morvalen
