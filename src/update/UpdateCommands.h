#pragma once

#include "shell/MainWindow.h"

namespace morvalen {

// Plugs the update window, the site window and the start-up version probe into the main window.
void InstallUpdateCommands(MainServices& services);

// The start-up probe: asks the server in the background and, when a newer version is
// published, shows the main window's notice and the popup. Every failure stays silent.
void RunVersionProbe(MainWindow& main, std::function<void()> quit = {});

} // namespace morvalen
