#include "support/TempProgramFolder.h"

#include "store/AnswerStore.h"
#include "store/Database.h"
#include "store/ExamineeStore.h"

#include <QDir>
#include <QFile>

namespace morvalen::test {

using namespace Qt::StringLiterals;

TempProgramFolder::TempProgramFolder() : m_path(m_dir.path()) {
    m_seeded = m_dir.isValid();
    for (const QString& name : {u"morvalen.mdb"_s, u"Theme.skn"_s, u"NNPic.mdb"_s, u"ATaf.fr3"_s}) {
        const QString target = file(name);
        m_seeded = m_seeded && QFile::copy(seedFolder() + u'/' + name, target) &&
                   QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    // The pictures of the update notification.
    for (const QString& name : {u"icon3.ico"_s, u"CloseMSN.bmp"_s}) {
        m_seeded = m_seeded && QFile::copy(seedFolder() + u'/' + name, file(name));
    }
    // The style files of the themes, as they ship.
    const QDir styles(seedFolder() + u"/Styles"_s);
    QDir().mkpath(file(u"Styles"_s));
    for (const QString& name : styles.entryList(QDir::Files)) {
        m_seeded = m_seeded && QFile::copy(styles.filePath(name), file(u"Styles/"_s + name));
    }
}

bool TempProgramFolder::addExaminee(const QString& code, const QString& fullName,
                                    const QList<QPair<int, QString>>& answers) const {
    auto db = Database::open(m_path, DatabaseFile::Main);
    if (!db) {
        return false;
    }
    Examinee e;
    e.code = code;
    e.fullName = fullName;
    if (!ExamineeStore(*db).addWithAnswerRow(e)) {
        return false;
    }
    AnswerStore store(*db);
    for (const auto& [item, answer] : answers) {
        if (!store.setCell(code, item, answer)) {
            return false;
        }
    }
    return true;
}

QString TempProgramFolder::seedFolder() {
    return QString::fromUtf8(MORVALEN_SEED_DIR);
}

} // namespace morvalen::test
