#pragma once

#include "store/CheckedFile.h"

#include <QByteArray>
#include <QString>

namespace morvalen {

// The file a research export goes to: written through the checked writer, so a failed
// export leaves the earlier file as it was and nothing half-written. The buffering is ours:
// large pieces, each write checked.
class ResearchFile {
public:
    explicit ResearchFile(const QString& path);

    bool open();
    // Buffers the bytes and hands them on in large pieces.
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }
    // Writes what is buffered and puts the file in place.
    bool commit();
    // Drops the temporary file; the earlier file stays.
    void cancel();
    // What failed, in Persian, naming the file and the reason.
    QString errorString() const;
    bool failed() const { return m_failed; }

private:
    bool flush();

    CheckedFile m_file;
    QByteArray m_buffer;
    bool m_failed = false;
};

} // namespace morvalen
