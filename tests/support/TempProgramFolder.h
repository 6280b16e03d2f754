#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>

#include "store/ServerConnection.h"

namespace morvalen {
class Database;
}

namespace morvalen::test {

// A program folder of its own for one test, holding fresh copies of the three delivered
// databases (the real files the build generates, not a test-made schema).
//
// When the run is against the clinic's server (MORVALEN_TEST_BACKEND=postgres, with the
// server given by libpq's PGHOST, PGPORT, PGUSER and PGPASSWORD), the main database is then
// moved to a fresh database of its own on that server, as a clinic moves its data, so the
// same tests run on both stores.
class TempProgramFolder {
public:
    TempProgramFolder();

    const QString& path() const { return m_path; }
    QString file(const QString& name) const { return m_path + u'/' + name; }
    bool valid() const { return m_dir.isValid() && m_seeded; }

    // Registers an examinee with an empty answer row in this folder's main database, and
    // stores the answers given by item number; false when that fails.
    bool addExaminee(const QString& code, const QString& fullName,
                     const QList<QPair<int, QString>>& answers = {}) const;

    // Whether this run is against the server, and this folder's server database.
    static bool onServer();
    const ServerConnection& server() const { return m_server; }

    // A new empty database on the test server, for tests that make their own.
    static std::optional<ServerConnection> freshServerDatabase(QString* error = nullptr);

    // A TCP port on 127.0.0.1 that nothing listens on: a server that cannot be reached.
    static int closedLocalPort();

    // The folder the build puts the delivered databases in.
    static QString seedFolder();

private:
    QTemporaryDir m_dir;
    QString m_path;
    bool m_seeded = false;
    ServerConnection m_server;
};

// Makes every statement of the kind ("UPDATE", "DELETE" or "INSERT") on the table fail with
// an error on this connection's database, to show what a failed write leaves; and lifts that
// again. In the dialect of the local file or of the server.
bool RefuseWrites(Database& db, const QString& statement, const QString& table);
bool AllowWrites(Database& db, const QString& table);

} // namespace morvalen::test
