#pragma once

#include <QString>

namespace morvalen {

// Where the program keeps its databases and files.
//
// The executable's own folder when the main database lies there (a portable copy);
// otherwise the per-user data folder, whose missing files are first copied from the
// installed seed folder. A file already in the data folder is never overwritten, so the
// clinic's data survives every update. Returns the empty text, with the reason in *error,
// when no folder can be made ready.
QString PrepareProgramFolder(const QString& executableFolder, const QString& userDataFolder,
                             const QString& seedFolder, QString* error = nullptr);

// The installed seed folder for an executable folder: "<prefix>/share/morvalen" beside
// "<prefix>/bin", the same in the build tree and after installation.
QString DefaultSeedFolder(const QString& executableFolder);

} // namespace morvalen
