#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

namespace morvalen {

// The file a research export goes to: written under a temporary name beside it and put in
// place only when every byte has reached the disk, so a failed export leaves the earlier
// file as it was and nothing half-written. A short write (a full disk) is a failure: the
// buffering is ours, because the file's own buffer can drop the rest of a short write and
// still commit.
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
    // Why the last step failed, as the system says it.
    QString errorString() const;
    bool failed() const { return m_failed; }

private:
    bool flush();

    QSaveFile m_file;
    QByteArray m_buffer;
    QString m_error;
    bool m_failed = false;
};

} // namespace morvalen
