#include "reports/WorkbookFile.h"

#include <QFile>
#include <QSaveFile>

#include <gsf/gsf-output-memory.h>

#include <gsf/gsf-output.h>
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

QString GsfError(GsfOutput* out, const QString& fallback) {
    const GError* e = out ? gsf_output_error(out) : nullptr;
    return e && e->message ? QString::fromUtf8(e->message) : fallback;
}

QString SheetSizeProblem(int rows, int columns, int maxRows, int maxColumns, const QString& fileKind) {
    if (rows <= maxRows && columns <= maxColumns) {
        return {};
    }
    return u"The table has %1 rows and %2 columns; an %3 sheet holds at most %4 rows and %5 columns."_s
        .arg(rows)
        .arg(columns)
        .arg(fileKind)
        .arg(maxRows)
        .arg(maxColumns);
}

bool SaveBytes(const QString& path, const char* data, qint64 size, QString* error) {
    QSaveFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(data, size) == size && file.commit();
    if (!ok && error) {
        *error = file.errorString();
    }
    return ok;
}

bool SaveGsfMemory(const QString& path, GsfOutput* memory, QString* error) {
    const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory));
    return SaveBytes(path, reinterpret_cast<const char*>(bytes), static_cast<qint64>(gsf_output_size(memory)),
                     error);
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
