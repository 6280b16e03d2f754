#include "reports/ResearchFile.h"

namespace morvalen {

namespace {

constexpr qsizetype kPiece = 1 << 20;

} // namespace

ResearchFile::ResearchFile(const QString& path) : m_file(path) {}

bool ResearchFile::open() {
    if (!m_file.open()) {
        m_failed = true;
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
    if (!m_file.write(m_buffer)) {
        m_failed = true;
        return false;
    }
    m_buffer.clear();
    return true;
}

bool ResearchFile::commit() {
    if (m_failed || !flush() || !m_file.commit()) {
        m_failed = true;
        cancel();
        return false;
    }
    return true;
}

void ResearchFile::cancel() {
    m_file.cancel();
}

QString ResearchFile::errorString() const {
    return m_file.message();
}

} // namespace morvalen
