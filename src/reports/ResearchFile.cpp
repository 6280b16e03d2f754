#include "reports/ResearchFile.h"

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kPiece = 1 << 20;

} // namespace

ResearchFile::ResearchFile(const QString& path) : m_file(path) {}

bool ResearchFile::open() {
    // Unbuffered: every write reaches the system at once and a short one is seen.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_failed = true;
        m_error = m_file.errorString();
        return false;
    }
    m_buffer.reserve(kPiece);
    return true;
}

bool ResearchFile::write(const char* data, qint64 size) {
    if (m_failed) {
        return false;
    }
    m_buffer.append(data, size);
    return m_buffer.size() < kPiece || flush();
}

bool ResearchFile::flush() {
    const char* data = m_buffer.constData();
    qint64 left = m_buffer.size();
    while (left > 0) {
        // After a short write the next one fails with the system's reason (no space left,
        // file too large).
        const qint64 written = m_file.write(data, left);
        if (written <= 0) {
            m_failed = true;
            m_error = m_file.errorString();
            if (m_error.isEmpty() || m_file.error() == QFileDevice::NoError) {
                m_error = u"The file could not be written completely."_s;
            }
            return false;
        }
        data += written;
        left -= written;
    }
    m_buffer.clear();
    return true;
}

bool ResearchFile::commit() {
    if (m_failed || !flush()) {
        cancel();
        return false;
    }
    if (!m_file.commit()) {
        m_failed = true;
        m_error = m_file.errorString();
        return false;
    }
    return true;
}

void ResearchFile::cancel() {
    if (m_file.isOpen()) {
        m_file.cancelWriting();
        m_file.commit(); // after cancelWriting this only closes and removes the temporary file
    }
}

QString ResearchFile::errorString() const {
    return m_error;
}

} // namespace morvalen
