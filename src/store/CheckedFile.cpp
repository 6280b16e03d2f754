#include "store/CheckedFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStorageInfo>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

std::filesystem::path NativePath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

QString Shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

bool FullDiskError(int systemError) {
    return systemError == ENOSPC || systemError == EFBIG
#ifdef EDQUOT
           || systemError == EDQUOT
#endif
        ;
}

// Sends the file's bytes on to the disk; false with errno set when the system cannot.
bool SyncToDisk(int descriptor) {
#ifdef Q_OS_WIN
    return _commit(descriptor) == 0;
#else
    return fsync(descriptor) == 0;
#endif
}

// The rename itself reaches the disk only with its folder; best effort, as not every
// system allows a folder to be synced.
void SyncFolder(const QString& folder) {
#ifndef Q_OS_WIN
    const int descriptor = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (descriptor >= 0) {
        fsync(descriptor);
        ::close(descriptor);
    }
#else
    (void)folder;
#endif
}

} // namespace

QString WriteFailureCause(const QString& target, int systemError) {
    const QString folder = QFileInfo(target).absolutePath();
    if (FullDiskError(systemError)) {
        return kDiskFullText;
    }
    if (!QFileInfo::exists(folder) || systemError == ENOENT || systemError == ENOTDIR) {
        return u"پوشه «%1» وجود ندارد."_s.arg(Shown(folder));
    }
#ifdef EROFS
    if (systemError == EROFS) {
        return u"ديسک مقصد فقط خواندني است."_s;
    }
#endif
    if (systemError == EACCES || systemError == EPERM || !QFileInfo(folder).isWritable()) {
        return u"اجازه نوشتن در پوشه «%1» نيست."_s.arg(Shown(folder));
    }
    // The system's reason can be lost on the way; a volume with no room left says it plainly.
    const QStorageInfo volume(folder);
    if (volume.isValid() && volume.bytesAvailable() == 0) {
        return kDiskFullText;
    }
    return u"خطاي سيستم هنگام نوشتن."_s;
}

CheckedFile::CheckedFile(const QString& target) : m_target(QFileInfo(target).absoluteFilePath()) {}

CheckedFile::~CheckedFile() {
    cancel();
}

bool CheckedFile::makeTemporary() {
    const QFileInfo info(m_target);
    if (info.isDir()) {
        return fail(Step::Create, EISDIR, u"«%1» is a folder"_s.arg(Shown(m_target)));
    }
    // Beside the target, so the last step is a rename on the same disk; opened only if new,
    // so nobody else's file is taken; open for reading too, as libgsf reads back what it wrote.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString name = u"%1.%2.part"_s.arg(info.fileName())
                                 .arg(QRandomGenerator::global()->generate() % 1000000, 6, 10, QChar(u'0'));
        m_temporary = info.absoluteDir().filePath(name);
        m_file.setFileName(m_temporary);
        errno = 0;
        if (m_file.open(QIODevice::ReadWrite | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            return true;
        }
        const int systemError = errno;
        if (!QFileInfo::exists(m_temporary)) {
            m_temporary.clear();
            return fail(Step::Create, systemError, m_file.errorString());
        }
    }
    m_temporary.clear();
    return fail(Step::Create, EEXIST, m_file.errorString());
}

bool CheckedFile::open() {
    return makeTemporary();
}

bool CheckedFile::reserve() {
    if (!makeTemporary()) {
        return false;
    }
    m_file.close();
    return true;
}

int CheckedFile::handle() const {
    return m_file.isOpen() ? m_file.handle() : -1;
}

bool CheckedFile::write(const char* data, qint64 size) {
    if (failed() || !m_file.isOpen()) {
        return false;
    }
    while (size > 0) {
        // A short write is followed by one that fails with the system's reason.
        errno = 0;
        const qint64 written = m_file.write(data, size);
        if (written <= 0) {
            const int systemError = errno;
            return fail(Step::Write, systemError, m_file.errorString());
        }
        data += written;
        size -= written;
        m_written += written;
    }
    return true;
}

bool CheckedFile::commit(qint64 expectedSize) {
    if (failed() || !m_file.isOpen()) {
        cancel();
        return false;
    }
    errno = 0;
    if (!m_file.flush() || !SyncToDisk(m_file.handle())) {
        const int systemError = errno;
        return fail(Step::Flush, systemError, m_file.errorString());
    }
    m_file.close();
    if (m_file.error() != QFileDevice::NoError) {
        return fail(Step::Flush, 0, m_file.errorString());
    }
    const qint64 onDisk = QFileInfo(m_temporary).size();
    const qint64 expected = expectedSize >= 0 ? expectedSize : m_written;
    if (onDisk != expected) {
        return fail(Step::Size, 0, u"%1 of %2 bytes"_s.arg(onDisk).arg(expected));
    }
    return placeTemporary();
}

bool CheckedFile::commitWritten(qint64 expectedSize) {
    if (failed() || m_temporary.isEmpty()) {
        cancel();
        return false;
    }
    m_file.setFileName(m_temporary);
    errno = 0;
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        const int systemError = errno;
        return fail(Step::Flush, systemError, m_file.errorString());
    }
    if (!SyncToDisk(m_file.handle())) {
        const int systemError = errno;
        return fail(Step::Flush, systemError, m_file.errorString());
    }
    m_file.close();
    const qint64 onDisk = QFileInfo(m_temporary).size();
    if (expectedSize >= 0 ? onDisk != expectedSize : onDisk <= 0) {
        return fail(Step::Size, 0, u"%1 bytes"_s.arg(onDisk));
    }
    return placeTemporary();
}

bool CheckedFile::placeTemporary() {
    std::error_code code;
    std::filesystem::rename(NativePath(m_temporary), NativePath(m_target), code);
    if (code) {
        return fail(Step::Replace, code.category() == std::generic_category() ? code.value() : 0,
                    QString::fromLocal8Bit(code.message()));
    }
    m_done = true;
    m_temporary.clear();
    SyncFolder(QFileInfo(m_target).absolutePath());
    return true;
}

void CheckedFile::cancel() {
    if (m_file.isOpen()) {
        m_file.close();
    }
    if (!m_done && !m_temporary.isEmpty()) {
        QFile::remove(m_temporary);
        m_temporary.clear();
    }
}

void CheckedFile::fail(const QString& detail, int systemError) {
    fail(Step::Write, systemError, detail);
}

bool CheckedFile::fail(Step step, int systemError, const QString& detail) {
    // The reason is read while the partial file still takes its room on the disk.
    const QString cause = WriteFailureCause(m_target, systemError);
    cancel();
    if (failed()) {
        return false; // the first failure is the one the user is told
    }
    const QString name = Shown(m_target);
    QString what;
    switch (step) {
    case Step::Create:
        what = u"فايل موقت کنار «%1» ساخته نشد"_s.arg(name);
        break;
    case Step::Write:
        what = u"نوشتن فايل «%1» کامل نشد"_s.arg(name);
        break;
    case Step::Flush:
        what = u"فايل «%1» روي ديسک ثبت نشد"_s.arg(name);
        break;
    case Step::Size:
        what = u"اندازه فايل «%1» روي ديسک با آنچه نوشته شد يکسان نبود"_s.arg(name);
        break;
    case Step::Replace:
        what = u"فايل «%1» جاي فايل قبلي را نگرفت"_s.arg(name);
        break;
    }
    m_message = what + u": "_s + cause + u"\r\nفايل قبلي با اين نام، اگر بود، دست نخورده ماند."_s;
    if (!detail.isEmpty()) {
        m_message += u"\r\n("_s + detail + u")"_s;
    }
    return false;
}

QString CheckedFile::Save(const QString& target, const QByteArray& bytes) {
    CheckedFile file(target);
    if (!file.open() || !file.write(bytes) || !file.commit()) {
        return file.message();
    }
    return {};
}

} // namespace morvalen
