#include "store/TableCopy.h"

#include "core/Scoring.h"
#include "store/AnswerStore.h"
#include "store/Database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

bool Fail(QString* error, const QString& table, const QSqlQuery& query) {
    if (error) {
        *error = table + u": "_s + query.lastError().text();
    }
    return false;
}

QString Placeholders(int count) {
    QStringList marks;
    for (int i = 0; i < count; ++i) {
        marks.append(u"?"_s);
    }
    return marks.join(u", "_s);
}

} // namespace

const QVector<CopiedTable>& MainDatabaseTables() {
    static const QVector<CopiedTable> tables = {
        {u"IDE"_s,
         u"id, FullName, \"Alter\", Geschlecht, Heirat, Datum1, Bildung, TelNummer1, Tester, Code, comment"_s,
         u"id"_s, u"id"_s},
        {u"Answer1"_s, u"rowid, Code, "_s + AnswerColumnList(), u"rowid"_s, u"rowid"_s},
        {u"QUS"_s, u"rowid, code, QU"_s, u"rowid"_s, u"rowid"_s},
        {u"Theme"_s,
         u"rowid, TH, Name, Adresse, \"E-Mail\", Telegram, Insta, Web, Twitter, Facebook, Tel, Mosch, Logo"_s,
         u"rowid"_s, u"rowid"_s},
        {u"Administration"_s, u"id, Code, Number, PersianDate, KeptAt, Tester, Note, "_s + AnswerColumnList(),
         u"id"_s, u"id"_s},
        {u"SecondEntry"_s,
         u"Code, "_s + AnswerColumnList() +
             u", EntryDate, EntryTime, Compared, Differences, ComparedDate, SettledDate, SettledTime"_s,
         u"Code"_s, QString()},
    };
    return tables;
}

bool CopyMainTables(Database& source, Database& target, QString* error, const CopiedRows& copied) {
    // Rows between two reports of how far the copy is.
    constexpr qint64 kRowsPerReport = 200;
    qint64 rows = 0;
    for (const CopiedTable& table : MainDatabaseTables()) {
        QSqlQuery read(source.handle());
        read.setForwardOnly(true);
        if (!read.exec(u"SELECT %1 FROM %2 ORDER BY %3"_s.arg(table.columns, table.name, table.order))) {
            return Fail(error, table.name, read);
        }
        const int columns = read.record().count();
        QSqlQuery write(target.handle());
        if (!write.prepare(
                u"INSERT INTO %1 (%2) VALUES (%3)"_s.arg(table.name, table.columns, Placeholders(columns)))) {
            return Fail(error, table.name, write);
        }
        while (read.next()) {
            for (int c = 0; c < columns; ++c) {
                write.bindValue(c, read.value(c));
            }
            if (!write.exec()) {
                return Fail(error, table.name, write);
            }
            ++rows;
            if (copied && rows % kRowsPerReport == 0) {
                copied(rows);
            }
        }
        if (read.lastError().isValid()) {
            return Fail(error, table.name, read);
        }
        if (target.isServer() && !table.identity.isEmpty()) {
            QSqlQuery sequence(target.handle());
            if (!sequence.exec(
                    u"SELECT setval(pg_get_serial_sequence('%1', '%2'), coalesce(max(%2), 0) + 1, false) "
                    u"FROM %1"_s.arg(table.name.toLower(), table.identity))) {
                return Fail(error, table.name, sequence);
            }
        }
    }
    if (copied) {
        copied(rows);
    }
    return true;
}

bool CompareRowCounts(Database& source, Database& target, QVector<TableCount>* counts, QString* error) {
    bool same = true;
    counts->clear();
    for (const CopiedTable& table : MainDatabaseTables()) {
        TableCount count{table.name};
        for (auto [db, into] : {std::pair{&source, &count.source}, std::pair{&target, &count.target}}) {
            QSqlQuery query(db->handle());
            if (!query.exec(u"SELECT count(*) FROM "_s + table.name) || !query.next()) {
                return Fail(error, table.name, query);
            }
            *into = query.value(0).toLongLong();
        }
        same = same && count.source == count.target;
        counts->append(count);
    }
    return same;
}

bool CompareAnswersAndScores(Database& source, Database& target, qint64* examinees, QString* error) {
    const QString sql = u"SELECT Code, "_s + AnswerColumnList() + u" FROM Answer1 ORDER BY rowid"_s;
    QSqlQuery left(source.handle());
    QSqlQuery right(target.handle());
    left.setForwardOnly(true);
    right.setForwardOnly(true);
    if (!left.exec(sql)) {
        return Fail(error, u"Answer1"_s, left);
    }
    if (!right.exec(sql)) {
        return Fail(error, u"Answer1"_s, right);
    }
    *examinees = 0;
    ScoringResult leftScores;
    ScoringResult rightScores;
    const auto texts = [](const QSqlQuery& q) {
        AnswerTexts answers;
        for (int item = 1; item <= kItemCount; ++item) {
            const QVariant v = q.value(item);
            answers[item - 1] = v.isNull() ? std::string() : v.toString().toStdString();
        }
        return answers;
    };
    while (true) {
        const bool more = left.next();
        if (more != right.next()) {
            *error = u"the two sides hold a different number of answer rows"_s;
            return false;
        }
        if (!more) {
            break;
        }
        const QString code = left.value(0).toString();
        const AnswerTexts a = texts(left);
        const AnswerTexts b = texts(right);
        if (code != right.value(0).toString() || a != b) {
            *error = u"the answers of examinee %1 differ"_s.arg(code);
            return false;
        }
        ScoreAnswers(a, leftScores);
        ScoreAnswers(b, rightScores);
        for (int s = 0; s < kScaleCount; ++s) {
            if (leftScores.scales[s].rawScore != rightScores.scales[s].rawScore ||
                leftScores.scales[s].percent != rightScores.scales[s].percent) {
                *error = u"the scores of examinee %1 differ"_s.arg(code);
                return false;
            }
        }
        ++*examinees;
    }
    return true;
}

} // namespace morvalen
