#pragma once

#include <QString>

#include <optional>

namespace morvalen {

struct StartupFolders {
    QString executableFolder;
    QString userDataFolder;
    QString seedFolder;
};

// Finds the program folder, seeds it on first start, checks its three databases and brings
// the main one to the current schema version. On a problem the user sees a Persian message
// (title "خطا") and nothing is returned, so the program can end cleanly before any window
// touches the files.
std::optional<QString> OpenProgramFolder(const StartupFolders& folders);

} // namespace morvalen
