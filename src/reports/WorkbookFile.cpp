#include "reports/WorkbookFile.h"

#include <QFile>

#include <filesystem>
#include <system_error>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

std::filesystem::path NativePath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

} // namespace

QByteArray LibraryFileName(const QString& path) {
    return path.toUtf8();
}

QString PartialFileName(const QString& path) {
    return path + u".part"_s;
}

bool ReplaceWithFile(const QString& temporary, const QString& target, QString* error) {
    std::error_code code;
    std::filesystem::rename(NativePath(temporary), NativePath(target), code);
    if (code) {
        if (error) {
            *error = QString::fromStdString(code.message());
        }
        QFile::remove(temporary);
        return false;
    }
    return true;
}

} // namespace morvalen
