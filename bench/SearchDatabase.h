#pragma once

// The examinees of the search benchmarks: a copy of the delivered main database holding n
// examinees with names, phone numbers and testers drawn from fixed lists, so about one in
// twenty has a given surname; the newest twenty share a surname of their own. Made once per
// size and kept for the whole run.
#include "SeededDatabase.h"

#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <iterator>
#include <map>
#include <memory>
#include <random>

namespace morvalen::bench {

using namespace Qt::StringLiterals;

inline const QStringList kFirstNames = {u"علي"_s,    u"رضا"_s,  u"محمد"_s,  u"زهرا"_s,  u"فاطمه"_s,
                                        u"مريم"_s,   u"حسين"_s, u"سارا"_s,  u"نگار"_s,  u"امير"_s,
                                        u"مهدي"_s,   u"ليلا"_s, u"پريسا"_s, u"كاوه"_s,  u"آرش"_s,
                                        u"نيلوفر"_s, u"سعيد"_s, u"مينا"_s,  u"بهرام"_s, u"شيرين"_s};
inline const QStringList kSurnames = {u"رضايي"_s, u"محمدي"_s, u"حسيني"_s, u"كريمي"_s,  u"احمدي"_s,
                                      u"موسوي"_s, u"جعفري"_s, u"صادقي"_s, u"رحيمي"_s,  u"نوري"_s,
                                      u"كاظمي"_s, u"هاشمي"_s, u"قاسمي"_s, u"باقري"_s,  u"طاهري"_s,
                                      u"شريفي"_s, u"زماني"_s, u"يوسفي"_s, u"فرهادي"_s, u"اكبري"_s};
inline const QStringList kTesters = {u"دكتر صالحي"_s, u"خانم نادري"_s, u"آقاي مرادي"_s, u"دكتر امیني"_s};

// The text in the field after a keystroke, and what it shows.
inline const struct {
    QString typed;
    const char* what;
} kKeystrokes[] = {
    {u"ر"_s, "one letter"},
    {u"رض"_s, "two letters"},
    {u"رضا"_s, "three letters"},
    {u"رضاي"_s, "four letters"},
    {u"رضایی"_s, "a surname, typed with the Persian yeh"},
    {u"علی رضایی"_s, "first name and surname"},
    {u"0912"_s, "phone prefix"},
    {u"۴۵۲۷"_s, "phone digits, typed in Persian"},
    {u"99999"_s, "a code"},
    {u"صالحي"_s, "a tester"},
    {u"ژ"_s, "one letter nobody has"},
    {u"ژو"_s, "two letters nobody has"},
    {u"ژوليت"_s, "a name nobody has"},
    {u"وثوقي"_s, "the surname of the newest twenty only"},
};

// The newest twenty examinees share a surname no one else has, in both sizes, so the same
// first page can be compared at 100 and at 100,000 examinees.
inline constexpr int kNewestWithOwnSurname = 20;

class SearchDatabase {
public:
    explicit SearchDatabase(int n) {
        CopyDeliveredFiles(m_dir.path(), {u"morvalen.mdb"_s});
        db = Database::open(m_dir.path() + u"/morvalen.mdb"_s, Database::Mode::ReadWrite);
        std::mt19937 random(7);
        const auto pick = [&](const QStringList& list) {
            return list[std::uniform_int_distribution<int>(0, static_cast<int>(list.size()) - 1)(random)];
        };
        Transaction transaction(*db);
        QSqlQuery person(db->handle());
        person.prepare(
            u"INSERT INTO IDE (FullName, \"Alter\", Geschlecht, Heirat, Datum1, Bildung, TelNummer1, "
            u"Tester, Code) VALUES (?, '35', 'زن', 'متاهل', '1402/05/09', 'ليسانس', ?, ?, ?)"_s);
        for (int i = 1; i <= n; ++i) {
            const QString surname = i > n - kNewestWithOwnSurname ? u"وثوقي"_s : pick(kSurnames);
            person.bindValue(0, pick(kFirstNames) + u' ' + surname);
            person.bindValue(1, u"09"_s + QString::number(std::uniform_int_distribution<int>(
                                              100000000, 999999999)(random)));
            person.bindValue(2, pick(kTesters));
            person.bindValue(3, QString::number(i));
            if (!person.exec()) {
                qFatal("seeding failed");
            }
        }
        person.finish();
        if (!transaction.commit()) {
            qFatal("seeding failed: %s", qPrintable(db->lastError()));
        }
    }

    QString folder() const { return m_dir.path(); }

    QTemporaryDir m_dir;
    std::unique_ptr<Database> db;
};

inline SearchDatabase& SeededForSearch(int n) {
    static std::map<int, std::unique_ptr<SearchDatabase>> databases;
    auto& db = databases[n];
    if (!db) {
        if (databases.size() == 1) {
            qAddPostRoutine([] { databases.clear(); });
        }
        db = std::make_unique<SearchDatabase>(n);
    }
    return *db;
}

// Every keystroke of the table at 100 and at 100,000 examinees: (examinees, keystroke).
inline void KeystrokeArgs(benchmark::internal::Benchmark* b) {
    for (const int n : {100, 100000}) {
        for (int k = 0; k < static_cast<int>(std::size(kKeystrokes)); ++k) {
            b->Args({n, k});
        }
    }
}

} // namespace morvalen::bench
