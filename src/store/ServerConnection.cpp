#include "store/ServerConnection.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSaveFile>
#include <QStringList>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

QMutex g_sessionLock;
QHash<QString, QString> g_passwords;
QStringList g_localFolders;

// The server a password belongs to; TLS or not, it is the same login.
QString LoginKey(const ServerConnection& server) {
    return u"%1\n%2\n%3\n%4"_s.arg(server.host).arg(server.port).arg(server.database, server.user);
}

QString PathIn(const QString& programFolder) {
    return programFolder + u'/' + ConnectionFileName();
}

void SetError(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
}

// A value may hold neither a line break nor a leading or trailing blank.
bool SoundValue(const QString& value) {
    return !value.contains(u'\n') && !value.contains(u'\r') && value == value.trimmed();
}

} // namespace

QString ConnectionFileName() {
    return u"connection.ini"_s;
}

std::optional<DatabaseChoice> ReadDatabaseChoice(const QString& programFolder, QString* error) {
    QFile file(PathIn(programFolder));
    if (!file.exists()) {
        return DatabaseChoice{};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        SetError(error, file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.read(64 * 1024);
    DatabaseChoice choice;
    QString kind;
    bool hasPort = false;
    const QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u'[')) {
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0) {
            SetError(error, u"not a key=value line: "_s + line);
            return std::nullopt;
        }
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == u"kind") {
            kind = value;
        } else if (key == u"host") {
            choice.server.host = value;
        } else if (key == u"port") {
            bool ok = false;
            choice.server.port = value.toInt(&ok);
            if (!ok || choice.server.port <= 0 || choice.server.port > 65535) {
                SetError(error, u"not a port: "_s + value);
                return std::nullopt;
            }
            hasPort = true;
        } else if (key == u"database") {
            choice.server.database = value;
        } else if (key == u"user") {
            choice.server.user = value;
        } else if (key == u"requireTls") {
            choice.server.requireTls = value == u"true" || value == u"1";
        }
        // Other keys come from a later release and are left alone.
    }
    if (kind == u"local" || kind.isEmpty()) {
        return DatabaseChoice{};
    }
    if (kind != u"server") {
        SetError(error, u"unknown kind: "_s + kind);
        return std::nullopt;
    }
    if (choice.server.host.isEmpty() || choice.server.database.isEmpty()) {
        SetError(error, u"the server's host or database is missing"_s);
        return std::nullopt;
    }
    if (!hasPort) {
        choice.server.port = 5432;
    }
    choice.kind = DatabaseChoice::Kind::Server;
    return choice;
}

bool WriteDatabaseChoice(const QString& programFolder, const DatabaseChoice& choice, QString* error) {
    const ServerConnection& s = choice.server;
    if (choice.isServer() &&
        (s.host.isEmpty() || s.database.isEmpty() || !SoundValue(s.host) || !SoundValue(s.database) ||
         !SoundValue(s.user) || s.port <= 0 || s.port > 65535)) {
        SetError(error, u"the server's details are not complete"_s);
        return false;
    }
    QString text = u"# Which database this workstation uses. No password is kept here.\n"_s;
    if (choice.isServer()) {
        text += u"kind=server\nhost=%1\nport=%2\ndatabase=%3\nuser=%4\nrequireTls=%5\n"_s.arg(s.host)
                    .arg(s.port)
                    .arg(s.database, s.user, s.requireTls ? u"true"_s : u"false"_s);
    } else {
        text += u"kind=local\n"_s;
    }
    QSaveFile file(PathIn(programFolder));
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        SetError(error, file.errorString());
        return false;
    }
    return true;
}

void SetSessionPassword(const ServerConnection& server, const QString& password) {
    QMutexLocker lock(&g_sessionLock);
    if (password.isEmpty()) {
        g_passwords.remove(LoginKey(server));
    } else {
        g_passwords.insert(LoginKey(server), password);
    }
}

QString SessionPassword(const ServerConnection& server) {
    QMutexLocker lock(&g_sessionLock);
    return g_passwords.value(LoginKey(server));
}

void ForgetSessionPasswords() {
    QMutexLocker lock(&g_sessionLock);
    g_passwords.clear();
}

void SetLocalForSession(const QString& programFolder, bool local) {
    const QString folder = QFileInfo(programFolder).absoluteFilePath();
    QMutexLocker lock(&g_sessionLock);
    g_localFolders.removeAll(folder);
    if (local) {
        g_localFolders.append(folder);
    }
}

bool LocalForSession(const QString& programFolder) {
    const QString folder = QFileInfo(programFolder).absoluteFilePath();
    QMutexLocker lock(&g_sessionLock);
    return g_localFolders.contains(folder);
}

QString ServerAddressText(const ServerConnection& server) {
    return server.port == 5432 ? server.host : u"%1:%2"_s.arg(server.host).arg(server.port);
}

bool IsMissingPasswordError(const QString& error) {
    return error.contains(u"no password supplied"_s) || error.contains(u"password authentication failed"_s);
}

} // namespace morvalen
