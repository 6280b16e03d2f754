#include "reports/WorkbookFile.h"

#include "store/CheckedFile.h"

#include <QFile>

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

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

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
    CheckedFile file(path);
    const bool ok = file.open() && file.write(data, size) && file.commit();
    if (!ok && error) {
        *error = file.message();
    }
    return ok;
}

GsfSaveFile::GsfSaveFile(const QString& path) : m_file(new CheckedFile(path)) {
    EnsureGsf();
    if (!m_file->open()) {
        m_error = m_file->message();
        return;
    }
    // A stream of our own on the temporary file's descriptor, for libgsf to write and seek in.
    const int descriptor = DuplicateDescriptor(m_file->handle());
    m_stream = descriptor >= 0 ? OpenStream(descriptor) : nullptr;
    if (!m_stream) {
        m_file->fail(QString::fromLocal8Bit(std::strerror(errno)), errno);
        m_error = m_file->message();
        return;
    }
    m_output = gsf_output_stdio_new_FILE(LibraryFileName(path).constData(), m_stream, TRUE);
    if (!m_output) {
        m_file->fail(u"libgsf"_s);
        m_error = m_file->message();
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
    int systemError = 0;
    QString detail;
    if (ok && !gsf_output_is_closed(m_output)) {
        errno = 0;
        ok = gsf_output_close(m_output);
        systemError = errno;
    }
    if (!ok) {
        detail = GsfError(m_output, QString());
    }
    const qint64 size = m_output ? static_cast<qint64>(gsf_output_size(m_output)) : -1;
    if (m_stream) {
        // The stream's buffer reaches the system here: a full disk shows now, if not before.
        errno = 0;
        const bool flushed = std::fflush(m_stream) == 0 && !std::ferror(m_stream);
        if (ok && !flushed) {
            ok = false;
            systemError = errno;
            detail = QString::fromLocal8Bit(std::strerror(errno));
        }
        std::fclose(m_stream);
        m_stream = nullptr;
    }
    if (!ok) {
        m_file->fail(detail, systemError);
    } else {
        // The size libgsf wrote is what must be on the disk.
        ok = m_file->commit(size);
    }
    if (!ok) {
        m_error = m_file->message();
        if (error) {
            *error = m_error;
        }
    }
    return ok;
}

QString GsfSaveFile::fail(const QString& detail) {
    const int systemError = errno;
    m_file->fail(detail, systemError);
    m_error = m_file->message();
    return m_error;
}

bool EndsAsZip(const QString& path) {
    QFile file(path);
    constexpr qint64 kClosingRecord = 22;
    if (!file.open(QIODevice::ReadOnly) || file.size() < kClosingRecord ||
        !file.seek(file.size() - kClosingRecord)) {
        return false;
    }
    return file.read(4) == QByteArrayLiteral("PK\x05\x06");
}

QByteArray LibraryFileName(const QString& path) {
    return path.toUtf8();
}

} // namespace morvalen
