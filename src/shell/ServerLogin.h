#pragma once

#include "store/Database.h"
#include "store/ServerConnection.h"

#include <QString>

#include <memory>

class QWidget;

namespace morvalen {

struct ServerLogin {
    std::unique_ptr<Database> db; // null when no connection was made
    QString error;                // the server's own words when there is no connection
    bool cancelled = false;       // the user cancelled the password prompt
};

// Opens the server's database. When the server wants a password, the user is asked for it
// (again, told so, after a wrong one) and it is kept for the session; a cancelled prompt
// puts back the password the session had.
ServerLogin LogInToServer(QWidget* parent, const ServerConnection& server);

// What the server's database holds, for this release of the program.
enum class ServerState {
    Empty,   // none of the program's tables: ready for a move
    Current, // at this release's schema version
    Older,   // made by an earlier release; brought up to date at the next start
    Newer,   // made by a newer release; this one must not use it
    Foreign, // tables of the program's names but no version: not this program's database
};

ServerState ReadServerState(Database& db, int* version, QString* error = nullptr);

// A Persian sentence about the state, with the version where there is one.
QString ServerStateText(ServerState state, int version);

} // namespace morvalen
