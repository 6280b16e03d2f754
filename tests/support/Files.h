#pragma once

#include <QByteArray>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

namespace morvalen::test {

// The whole content of a file; empty when it cannot be read.
inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a schema text of the program's (statements ending a line with ";", comments on lines
// of their own, no trigger) on a plain connection; the failing statement's error, or empty.
inline QString RunSchemaText(QSqlQuery& query, const QString& schema) {
    for (const QString& statement : schema.split(QStringLiteral(";\n"))) {
        QStringList code;
        for (const QString& line : statement.split(u'\n')) {
            if (!line.trimmed().startsWith(QStringLiteral("--"))) {
                code.append(line);
            }
        }
        if (!code.join(u'\n').trimmed().isEmpty() && !query.exec(statement)) {
            return query.lastError().text();
        }
    }
    return {};
}

} // namespace morvalen::test
