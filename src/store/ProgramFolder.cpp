#include "store/ProgramFolder.h"

#include "store/Database.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

void SetError(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
}

// Copies what the target lacks, file by file under a temporary name, so an interrupted
// first start never leaves a half-copied database that would later pass for a real one.
bool SeedMissingFiles(const QString& seedFolder, const QString& target, QString* error) {
    QDirIterator it(seedFolder, QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    const QDir seed(seedFolder);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString relative = seed.relativeFilePath(source);
        const QString destination = target + u'/' + relative;
        if (QFileInfo::exists(destination)) {
            continue;
        }
        if (!QDir().mkpath(QFileInfo(destination).absolutePath())) {
            SetError(error, destination);
            return false;
        }
        const QString partial = destination + u".part"_s;
        QFile::remove(partial);
        if (!QFile::copy(source, partial) || !QFile::rename(partial, destination)) {
            QFile::remove(partial);
            SetError(error, destination);
            return false;
        }
        QFile(destination)
            .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    }
    return true;
}

} // namespace

QString PrepareProgramFolder(const QString& executableFolder, const QString& userDataFolder,
                             const QString& seedFolder, QString* error) {
    const QString mainDatabase = DatabaseFileName(DatabaseFile::Main);
    if (QFileInfo::exists(executableFolder + u'/' + mainDatabase)) {
        return QDir(executableFolder).absolutePath();
    }
    if (!QDir().mkpath(userDataFolder)) {
        SetError(error, userDataFolder);
        return {};
    }
    if (QFileInfo(seedFolder).isDir() && !SeedMissingFiles(seedFolder, userDataFolder, error)) {
        return {};
    }
    return QDir(userDataFolder).absolutePath();
}

QString DefaultSeedFolder(const QString& executableFolder) {
    return QDir::cleanPath(executableFolder + u"/../share/morvalen"_s);
}

} // namespace morvalen
