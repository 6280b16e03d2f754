#pragma once

#include <QString>

#include <optional>

namespace morvalen {

// Where the main database lives: the local file of the program folder, or a PostgreSQL
// server the clinic runs for several workstations.
struct ServerConnection {
    QString host;
    int port = 5432;
    QString database;
    QString user;
    // Refuse a server that does not offer TLS; otherwise TLS is used where it is offered.
    bool requireTls = false;

    bool operator==(const ServerConnection&) const = default;
};

struct DatabaseChoice {
    enum class Kind { Local, Server };
    Kind kind = Kind::Local;
    ServerConnection server;

    bool isServer() const { return kind == Kind::Server; }
    bool operator==(const DatabaseChoice&) const = default;
};

// "connection.ini": the small text file in the program folder that says which database this
// workstation uses. It never holds a password.
QString ConnectionFileName();

// The program folder's choice; local when the file is missing. A file that cannot be read
// or is not sound gives nullopt with the reason in *error, so a damaged file never sends the
// program silently to the local database while the clinic works on the server.
std::optional<DatabaseChoice> ReadDatabaseChoice(const QString& programFolder, QString* error = nullptr);

// Writes the choice in one step (a new file replaces the old one whole).
bool WriteDatabaseChoice(const QString& programFolder, const DatabaseChoice& choice,
                         QString* error = nullptr);

// The password typed for this server in this session only, kept for the host, port, database
// and user it was typed for and sent to no other; empty when libpq's password file is to be
// used. Never written anywhere. An empty password forgets the one kept.
void SetSessionPassword(const ServerConnection& server, const QString& password);
QString SessionPassword(const ServerConnection& server);
void ForgetSessionPasswords();

// For the rest of this session the program folder's main database is its local file,
// whatever the connection file says: the user chose so at start-up when the server could
// not be used. The connection file itself is left as it is, so the next start asks again.
void SetLocalForSession(const QString& programFolder, bool local);
bool LocalForSession(const QString& programFolder);

// The server as the user knows it: the host, with the port when it is not the usual one.
QString ServerAddressText(const ServerConnection& server);

// Whether a failed connection asked for a password that was not given.
bool IsMissingPasswordError(const QString& error);

} // namespace morvalen
