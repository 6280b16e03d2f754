#include "update/DiskSpace.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace morvalen {

qint64 FreeDiskSpace(const QString& folder) {
    QString existing = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    while (!QFileInfo(existing).isDir()) {
        const QString parent = QFileInfo(existing).absolutePath();
        if (parent == existing) {
            return -1;
        }
        existing = parent;
    }
    const QStorageInfo volume(existing);
    return volume.isValid() ? volume.bytesAvailable() : -1;
}

} // namespace morvalen
