#include "store/FolderLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// The lock beside the databases, and a note of who took it: the lock itself names the
// computer and the process, not the user or the time.
const QString kLockName = u"morvalen.lock"_s;
const QString kHolderName = u"morvalen.lock.holder"_s;

QString UserName() {
    const QString name = qEnvironmentVariable("USER");
    return name.isEmpty() ? qEnvironmentVariable("USERNAME") : name;
}

// Owns the lock for the application's lifetime, as a child of the application object.
class FolderLockHolder : public QObject {
public:
    FolderLockHolder(const QString& folder, QObject* parent)
        : QObject(parent)
        , m_lock(QDir(folder).filePath(kLockName))
        , m_holderNote(QDir(folder).filePath(kHolderName)) {
        setObjectName(QDir(folder).absolutePath());
        // Only a lock whose process has gone counts as stale, never an old one: a program may run
        // for days, and one on another computer cannot be seen to have ended.
        m_lock.setStaleLockTime(0);
    }
    ~FolderLockHolder() override {
        if (m_lock.isLocked()) {
            QFile::remove(m_holderNote);
        }
    }

    bool tryLock() {
        if (!m_lock.tryLock(0)) {
            return false;
        }
        QFile note(m_holderNote);
        if (note.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            note.write((UserName() + u'\n' + QDateTime::currentDateTimeUtc().toString(Qt::ISODate) + u'\n')
                           .toUtf8());
        }
        return true;
    }

    FolderHolder holder() const {
        FolderHolder who;
        qint64 pid = 0;
        QString application;
        m_lock.getLockInfo(&pid, &who.computer, &application);
        QFile note(m_holderNote);
        if (note.open(QIODevice::ReadOnly)) {
            const QStringList lines = QString::fromUtf8(note.readAll()).split(u'\n');
            who.user = lines.value(0).trimmed();
            who.since = QDateTime::fromString(lines.value(1).trimmed(), Qt::ISODate);
        }
        if (!who.since.isValid()) {
            who.since = QFileInfo(m_lock.fileName()).lastModified();
        }
        return who;
    }

private:
    QLockFile m_lock;
    QString m_holderNote;
};

FolderLockHolder* HeldLock(const QString& folder) {
    QCoreApplication* app = QCoreApplication::instance();
    return app ? app->findChild<FolderLockHolder*>(QDir(folder).absolutePath(), Qt::FindDirectChildrenOnly)
               : nullptr;
}

} // namespace

bool HoldDataFolder(const QString& folder, FolderHolder* holder) {
    if (HeldLock(folder)) {
        return true;
    }
    auto* lock = new FolderLockHolder(folder, QCoreApplication::instance());
    if (lock->tryLock()) {
        return true;
    }
    if (holder) {
        *holder = lock->holder();
    }
    delete lock;
    return false;
}

void ReleaseDataFolder(const QString& folder) {
    delete HeldLock(folder);
}

} // namespace morvalen
