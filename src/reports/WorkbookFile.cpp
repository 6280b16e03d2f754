#include "reports/WorkbookFile.h"

#include <QFile>

#include <gsf/gsf-utils.h>

#include <filesystem>
#include <system_error>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

std::filesystem::path NativePath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

} // namespace

void EnsureGsf() {
    static const bool ready = [] {
        gsf_init();
        const auto levels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL |
                                                        G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO);
        for (const char* domain : {"libgsf", "libgsf:msole", "libgsf:zip", "libgsf:ole"}) {
            g_log_set_handler(
                domain, levels, [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
        }
        return true;
    }();
    (void)ready;
}

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
