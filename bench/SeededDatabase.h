#pragma once

// A copy of the delivered main database holding n examinees, each with a full answer row,
// for the benchmarks. Made once per size and kept for the whole run.
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <initializer_list>
#include <map>
#include <memory>

namespace morvalen::bench {

using namespace Qt::StringLiterals;

// Copies delivered files into a program folder as a fresh installation has them, leaving
// those the folder holds already.
inline void CopyDeliveredFiles(const QString& folder, std::initializer_list<QString> names) {
    for (const QString& name : names) {
        const QString target = folder + u'/' + name;
        if (!QFile::exists(target)) {
            QFile::copy(QStringLiteral(MORVALEN_SEED_DIR) + u'/' + name, target);
            QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        }
    }
}

class SeededDatabase {
public:
    explicit SeededDatabase(int n) : m_count(n) {
        CopyDeliveredFiles(m_dir.path(), {u"morvalen.mdb"_s});
        db = Database::open(m_dir.path() + u"/morvalen.mdb"_s, Database::Mode::ReadWrite);
        seed();
        examinees = std::make_unique<ExamineeStore>(*db);
        answers = std::make_unique<AnswerStore>(*db);
    }

    int count() const { return m_count; }
    QString folder() const { return m_dir.path(); }

    std::unique_ptr<Database> db;
    std::unique_ptr<ExamineeStore> examinees;
    std::unique_ptr<AnswerStore> answers;

private:
    void seed() {
        QString columns = u"Code"_s;
        QString marks = u"?"_s;
        for (int item = 1; item <= kItemCount; ++item) {
            columns += u", \"%1\""_s.arg(item);
            marks += u", ?"_s;
        }
        Transaction transaction(*db);
        QSqlQuery person(db->handle());
        person.prepare(
            u"INSERT INTO IDE (FullName, \"Alter\", Geschlecht, Heirat, Datum1, Bildung, TelNummer1, "
            u"Tester, Code) VALUES (?, '35', 'زن', 'متاهل', '1402/05/09', 'ليسانس', '0912', 'آزمونگر', ?)"_s);
        QSqlQuery row(db->handle());
        row.prepare(u"INSERT INTO Answer1 ("_s + columns + u") VALUES ("_s + marks + u")"_s);
        for (int i = 1; i <= m_count; ++i) {
            const QString code = QString::number(i);
            person.bindValue(0, u"آزمودني %1"_s.arg(i));
            person.bindValue(1, code);
            person.exec();
            row.bindValue(0, code);
            for (int item = 1; item <= kItemCount; ++item) {
                row.bindValue(item, QString::number((i + item) % 6 + 1));
            }
            row.exec();
        }
        // Finished statements only: a commit with one still open would leave the transaction
        // running, and every later write would then skip its flush.
        person.finish();
        row.finish();
        if (!transaction.commit()) {
            qFatal("seeding failed: %s", qPrintable(db->lastError()));
        }
    }

    QTemporaryDir m_dir;
    int m_count;
};

inline std::map<int, std::unique_ptr<SeededDatabase>>& SeededDatabases() {
    static std::map<int, std::unique_ptr<SeededDatabase>> databases;
    return databases;
}

// Made once per size and kept for the run; closed while the application object still exists
// (its connections cannot outlive it).
inline SeededDatabase& Seeded(int n) {
    auto& db = SeededDatabases()[n];
    if (!db) {
        if (SeededDatabases().size() == 1) {
            qAddPostRoutine([] { SeededDatabases().clear(); });
        }
        db = std::make_unique<SeededDatabase>(n);
    }
    return *db;
}

} // namespace morvalen::bench
