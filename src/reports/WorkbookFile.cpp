#include "reports/WorkbookFile.h"

#include <QFile>
#include <QSaveFile>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

#include <gsf/gsf-output-stdio.h>

#include <gsf/gsf-output.h>
#include <gsf/gsf-utils.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

std::filesystem::path NativePath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

int DuplicateDescriptor(int descriptor) {
#ifdef Q_OS_WIN
    return _dup(descriptor);
#else
    return dup(descriptor);
#endif
}

std::FILE* OpenStream(int descriptor) {
#ifdef Q_OS_WIN
    std::FILE* stream = _fdopen(descriptor, "w+b");
    if (!stream) {
        _close(descriptor);
    }
#else
    std::FILE* stream = fdopen(descriptor, "w+b");
    if (!stream) {
        close(descriptor);
    }
#endif
    return stream;
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

GsfSaveFile::GsfSaveFile(const QString& path) : m_file(new QSaveFile(path)) {
    EnsureGsf();
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_error = m_file->errorString();
        return;
    }
    // A stream of our own on the temporary file's descriptor, for libgsf to write and seek in.
    const int descriptor = DuplicateDescriptor(static_cast<int>(m_file->handle()));
    m_stream = descriptor >= 0 ? OpenStream(descriptor) : nullptr;
    if (!m_stream) {
        m_error = u"Cannot open the file for writing."_s;
        return;
    }
    m_output = gsf_output_stdio_new_FILE(LibraryFileName(path).constData(), m_stream, TRUE);
    if (!m_output) {
        m_error = u"Cannot open the file for writing."_s;
    }
}

GsfSaveFile::~GsfSaveFile() {
    if (m_output) {
        if (!gsf_output_is_closed(m_output)) {
            gsf_output_close(m_output);
        }
        g_object_unref(m_output);
    }
    if (m_stream) {
        std::fclose(m_stream);
    }
    delete m_file; // uncommitted: the temporary file is removed
}

bool GsfSaveFile::commit(QString* error) {
    bool ok = m_output != nullptr;
    if (ok && !gsf_output_is_closed(m_output)) {
        ok = gsf_output_close(m_output);
    }
    if (!ok && m_error.isEmpty()) {
        m_error = GsfError(m_output, u"Cannot write the file."_s);
    }
    if (m_stream) {
        // The stream's buffer reaches the disk here: a full disk shows now, if not before.
        const bool flushed = std::fflush(m_stream) == 0 && !std::ferror(m_stream);
        std::fclose(m_stream);
        m_stream = nullptr;
        if (ok && !flushed) {
            ok = false;
            m_error = QString::fromLocal8Bit(std::strerror(errno));
        }
    }
    if (ok && !m_file->commit()) {
        ok = false;
        m_error = m_file->errorString();
    }
    if (!ok && error) {
        *error = m_error;
    }
    return ok;
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
