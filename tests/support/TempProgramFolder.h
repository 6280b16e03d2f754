#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>

namespace morvalen::test {

// A program folder of its own for one test, holding fresh copies of the three delivered
// databases (the real files the build generates, not a test-made schema).
class TempProgramFolder {
public:
    TempProgramFolder();

    const QString& path() const { return m_path; }
    QString file(const QString& name) const { return m_path + u'/' + name; }
    bool valid() const { return m_dir.isValid() && m_seeded; }

    // Registers an examinee with an empty answer row in this folder's main database, and
    // stores the answers given by item number; false when that fails.
    bool addExaminee(const QString& code, const QString& fullName,
                     const QList<QPair<int, QString>>& answers = {}) const;

    // The folder the build puts the delivered databases in.
    static QString seedFolder();

private:
    QTemporaryDir m_dir;
    QString m_path;
    bool m_seeded = false;
};

} // namespace morvalen::test
