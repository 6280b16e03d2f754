#include "support/TempProgramFolder.h"

#include <QFile>

namespace morvalen::test {

using namespace Qt::StringLiterals;

TempProgramFolder::TempProgramFolder() : m_path(m_dir.path()) {
    m_seeded = m_dir.isValid();
    for (const QString& name : {u"morvalen.mdb"_s, u"Theme.skn"_s, u"NNPic.mdb"_s}) {
        const QString target = file(name);
        m_seeded = m_seeded && QFile::copy(seedFolder() + u'/' + name, target) &&
                   QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
}

QString TempProgramFolder::seedFolder() {
    return QString::fromUtf8(MORVALEN_SEED_DIR);
}

} // namespace morvalen::test
