#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace morvalen {

// What a failed write says when the disk or the user's quota is full.
inline const QString kDiskFullText =
    QStringLiteral("فضاي خالي ديسک مقصد تمام شده است؛ جاي ديگري را انتخاب کنيد يا فضاي ديسک را خالي کنيد.");

// The one way a file for the user is written: into a temporary file beside the target, every
// write checked, flushed to the disk, its size on disk compared with what was written, and
// only then renamed over the target. On any failure the temporary file is removed and the
// earlier file stays byte for byte; message() then says in Persian which file, what failed
// and why (disk full, no permission, folder gone), the library's or system's own words at
// most as a detail. QSaveFile alone is not enough: its commit() can succeed after a short
// last flush.
class CheckedFile {
public:
    explicit CheckedFile(const QString& target);
    ~CheckedFile(); // an uncommitted temporary file is removed
    CheckedFile(const CheckedFile&) = delete;
    CheckedFile& operator=(const CheckedFile&) = delete;

    // Makes the temporary file and opens it for write().
    bool open();
    // Makes the temporary file, empty and closed, for a library that writes it by name
    // (temporaryPath()); commitWritten() then checks and places it.
    bool reserve();

    bool write(const char* data, qint64 size);
    bool write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }
    // The open temporary file's descriptor, for a library writing through a stream of its own;
    // the caller then tells commit() how many bytes the library wrote.
    int handle() const;

    // Flushes to disk, checks the size (what write() counted, or expectedSize when given)
    // and renames the file into place.
    bool commit(qint64 expectedSize = -1);
    // The same for a file a library wrote by name after reserve(): expectedSize when the
    // library says it, otherwise any size but none.
    bool commitWritten(qint64 expectedSize = -1);
    // Drops the temporary file; the earlier file stays.
    void cancel();

    // A library writing the temporary file failed: removes it and keeps the reason, taken
    // from the system where it can tell (a full disk), with the library's words as a detail.
    void fail(const QString& detail, int systemError = 0);

    QString temporaryPath() const { return m_temporary; }
    QString target() const { return m_target; }
    bool failed() const { return !m_message.isEmpty(); }
    // What failed, in Persian, naming the file; empty while nothing failed.
    QString message() const { return m_message; }

    // Writes the bytes in one go; the message of a failure, or the empty text.
    static QString Save(const QString& target, const QByteArray& bytes);

private:
    enum class Step { Create, Write, Flush, Size, Replace };
    bool fail(Step step, int systemError, const QString& detail);
    bool placeTemporary();
    bool makeTemporary();

    QString m_target;
    QString m_temporary;
    QFile m_file;
    qint64 m_written = 0;
    bool m_done = false;
    QString m_message;
};

// Why writing failed, in plain Persian, from the system's error number and the free space
// left on the target's volume: the full disk, a refused permission, a missing folder.
QString WriteFailureCause(const QString& target, int systemError);

} // namespace morvalen
