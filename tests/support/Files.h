#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace morvalen::test {

// The whole content of a file; empty when it cannot be read.
inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace morvalen::test
