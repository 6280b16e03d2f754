#include "support/TempProgramFolder.h"

#include "store/AnswerStore.h"
#include "store/Database.h"
#include "store/ExamineeStore.h"
#include "store/ServerMove.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <QDir>
#include <QFile>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace morvalen::test {

using namespace Qt::StringLiterals;

TempProgramFolder::TempProgramFolder() : m_path(m_dir.path()) {
    m_seeded = m_dir.isValid();
    for (const QString& name : {u"morvalen.mdb"_s, u"Theme.skn"_s, u"NNPic.mdb"_s, u"ATaf.fr3"_s}) {
        const QString target = file(name);
        m_seeded = m_seeded && QFile::copy(seedFolder() + u'/' + name, target) &&
                   QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    // The pictures of the update notification.
    for (const QString& name : {u"icon3.ico"_s, u"CloseMSN.bmp"_s}) {
        m_seeded = m_seeded && QFile::copy(seedFolder() + u'/' + name, file(name));
    }
    // The style files of the themes, as they ship.
    const QDir styles(seedFolder() + u"/Styles"_s);
    QDir().mkpath(file(u"Styles"_s));
    for (const QString& name : styles.entryList(QDir::Files)) {
        m_seeded = m_seeded && QFile::copy(styles.filePath(name), file(u"Styles/"_s + name));
    }
    if (m_seeded && onServer()) {
        QString error;
        const auto server = freshServerDatabase(&error);
        const MoveReport move = server ? MoveToServer(m_path, *server) : MoveReport{};
        m_seeded = move.outcome == MoveOutcome::Moved;
        if (!m_seeded) {
            qWarning("test server: %s", qPrintable(server ? move.error : error));
        } else {
            m_server = *server;
        }
    }
}

bool TempProgramFolder::onServer() {
    return qEnvironmentVariable("MORVALEN_TEST_BACKEND") == u"postgres";
}

std::optional<ServerConnection> TempProgramFolder::freshServerDatabase(QString* error) {
    ServerConnection server;
    server.host = qEnvironmentVariable("PGHOST", u"localhost"_s);
    server.port = qEnvironmentVariableIntValue("PGPORT") > 0 ? qEnvironmentVariableIntValue("PGPORT") : 5432;
    server.user = qEnvironmentVariable("PGUSER", u"postgres"_s);
    server.database = u"postgres"_s;
    auto admin = Database::openServer(server, error);
    if (!admin) {
        return std::nullopt;
    }
    server.database = u"morvalen_test_"_s + QUuid::createUuid().toString(QUuid::Id128).left(16);
    if (!admin->exec(u"CREATE DATABASE "_s + server.database)) {
        if (error) {
            *error = admin->lastError();
        }
        return std::nullopt;
    }
    return server;
}

bool TempProgramFolder::addExaminee(const QString& code, const QString& fullName,
                                    const QList<QPair<int, QString>>& answers) const {
    auto db = Database::open(m_path, DatabaseFile::Main);
    if (!db) {
        return false;
    }
    Examinee e;
    e.code = code;
    e.fullName = fullName;
    if (!ExamineeStore(*db).addWithAnswerRow(e)) {
        return false;
    }
    AnswerStore store(*db);
    for (const auto& [item, answer] : answers) {
        if (!store.setCell(code, item, answer)) {
            return false;
        }
    }
    return true;
}

bool RefuseWrites(Database& db, const QString& statement, const QString& table) {
    if (!db.isServer()) {
        return db.exec(
            u"CREATE TEMP TRIGGER refuse BEFORE %1 ON %2 BEGIN SELECT RAISE(ABORT, 'refused'); END"_s.arg(
                statement, table));
    }
    return db.exec(u"CREATE OR REPLACE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS "
                   u"$f$BEGIN RAISE EXCEPTION 'refused'; END$f$"_s) &&
           db.exec(u"CREATE TRIGGER refuse BEFORE %1 ON %2 FOR EACH ROW EXECUTE FUNCTION refuse()"_s.arg(
               statement, table));
}

bool AllowWrites(Database& db, const QString& table) {
    return db.exec(db.isServer() ? u"DROP TRIGGER refuse ON "_s + table : u"DROP TRIGGER refuse"_s);
}

int TempProgramFolder::closedLocalPort() {
    // A port the system hands out, closed again at once: nothing listens there afterwards.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return port;
}

QString TempProgramFolder::seedFolder() {
    return QString::fromUtf8(MORVALEN_SEED_DIR);
}

} // namespace morvalen::test
