#pragma once

#include <QDateTime>
#include <QString>

namespace morvalen {

// Who holds a data folder: the computer, its user and since when, as far as the lock says.
struct FolderHolder {
    QString computer;
    QString user;
    QDateTime since;
};

// Takes the lock of a data folder for as long as the application runs: one program at a time
// on one set of databases, whether on this computer or on another one through a shared folder.
// A lock whose program has ended (crashed or killed) on the computer that left it is taken
// over. True when this program holds the folder (also when it already did); otherwise false,
// with the holder filled in.
bool HoldDataFolder(const QString& folder, FolderHolder* holder);

// Gives the folder's lock back before the application ends; nothing when it was not held.
void ReleaseDataFolder(const QString& folder);

} // namespace morvalen
