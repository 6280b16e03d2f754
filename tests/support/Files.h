#pragma once

#include <QByteArray>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>

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

// Makes a database file from a schema text on a plain SQLite connection that knows none of the
// program's own functions (as the first release's program had none), then lets fill add rows
// through the same connection. The connection is gone when it returns.
inline void MakeFileFromSchema(const QString& path, const QString& schemaPath,
                               const std::function<void(QSqlQuery&)>& fill) {
    QFile::remove(path);
    const QString schema = QString::fromUtf8(ReadAll(schemaPath));
    ASSERT_FALSE(schema.isEmpty()) << schemaPath.toStdString();
    const QString name = QStringLiteral("schema-file");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        const QString failed = RunSchemaText(query, schema);
        ASSERT_TRUE(failed.isEmpty()) << failed.toStdString();
        fill(query);
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace morvalen::test
