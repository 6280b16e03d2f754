#pragma once

// A small clinic for the research files: three examinees (every answer, some answers with a
// blank and non-numeric cells, no answer at all), Persian names with quotes and commas, and
// the question texts as a clinic leaves them (one entered, one too long for a label, the rest
// as delivered).
#include "core/SchemaScale.h"
#include "core/Scoring.h"
#include "reports/ResearchExport.h"
#include "store/AnswerStore.h"
#include "store/Database.h"
#include "store/ExamineeStore.h"
#include "store/QuestionStore.h"
#include "support/TempProgramFolder.h"

#include <QString>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

namespace morvalen::test {

using namespace Qt::StringLiterals;

// A number as the readers print it: plain decimals.
inline QString PlainNumber(double v) {
    return QString::number(v, 'g', 15);
}

struct SampleExaminee {
    Examinee row;
    AnswerRow answers; // as stored
};

class ResearchSample : public testing::Test {
protected:
    static inline const QString kEnteredQuestion = u"آيا \"من\" تنها هستم، يا نه?"_s;

    void SetUp() override {
        ASSERT_TRUE(folder.valid());
        db = Database::open(folder.path(), DatabaseFile::Main);
        ASSERT_TRUE(db);

        SampleExaminee full;
        full.row = examinee(u"1"_s, u"مريم \"نيك\" زاده, تهراني"_s, u"۳۰"_s, u"زن"_s, u"متاهل"_s);
        full.row.phone = u"09121234567"_s;
        full.row.tester = u"دكتر رضايي"_s;
        full.row.registrationDate = u"1403/05/12"_s;
        for (int item = 1; item <= kItemCount; ++item) {
            full.answers[item - 1] = QString::number((item * 7) % 6 + 1);
        }
        SampleExaminee partial;
        partial.row = examinee(u"2"_s, u"علي رضايي"_s, QString(), u"مرد"_s, u"مجرد"_s);
        for (int item = 1; item <= 100; ++item) {
            partial.answers[item - 1] = u"6"_s;
        }
        partial.answers[5 - 1].clear();  // a blank inside ED
        partial.answers[7 - 1] = u"x"_s; // text a workbook import may leave
        partial.answers[8 - 1] = u"۵"_s; // a digit the scorer does not read: 0 in ED, and 0 as the item
        SampleExaminee empty;
        empty.row = examinee(u"3"_s, u"كاوه نوري"_s, u"45"_s, u"مرد"_s, u"مجرد"_s);
        // Longer than an SPSS short string (255 bytes): 150 two-byte letters.
        empty.row.education = QString(150, QChar(0x067E));
        examinees = {full, partial, empty};

        for (const SampleExaminee& e : examinees) {
            ASSERT_TRUE(ExamineeStore(*db).addWithAnswerRow(e.row));
            ASSERT_TRUE(AnswerStore(*db).setRow(e.row.code, e.answers));
        }
        QuestionStore questions(*db);
        ASSERT_TRUE(questions.setText(1, kEnteredQuestion));
        ASSERT_TRUE(questions.setText(3, longQuestion()));
    }

    // A question text longer than a label may be: 200 two-byte letters.
    static QString longQuestion() { return QString(200, QChar(0x0628)); }

    static Examinee examinee(const QString& code, const QString& name, const QString& age,
                             const QString& gender, const QString& marital) {
        Examinee e;
        e.code = code;
        e.fullName = name;
        e.age = age;
        e.gender = gender;
        e.maritalStatus = marital;
        e.education = u"كارشناسي"_s;
        return e;
    }

    // The snapshot as the export reads it: the table and the details in one read.
    struct Snapshot {
        ExportTable table;
        ResearchDetails details;
    };
    Snapshot snapshot() {
        Transaction read(*db);
        QString error;
        auto table = ExportTable::Read(*db, &error);
        EXPECT_TRUE(table) << error.toStdString();
        auto details = table ? ResearchDetails::Read(*db, table->examineeCount(), &error) : std::nullopt;
        EXPECT_TRUE(details) << error.toStdString();
        return {table ? *table : ExportTable(), details ? *details : ResearchDetails()};
    }

    // What the results view shows for an examinee: the core's scoring of the stored answers.
    ScoringResult scores(int examinee) const {
        return ScoreAnswers(ToAnswerTexts(examinees[examinee].answers));
    }

    // The value the files must hold for an item: what its scale counted (the scorer's reading
    // of the text), or missing for an empty answer, the one kind the scorer leaves unanswered.
    static std::optional<double> itemValue(const QString& answer) {
        if (answer.isEmpty()) {
            return std::nullopt;
        }
        return AnswerValue(answer.toStdString());
    }

    // The variable names in file order.
    static QStringList expectedNames() {
        QStringList names{u"Code"_s,      u"FullName"_s, u"Age"_s,    u"Gender"_s,  u"Marital"_s,
                          u"Education"_s, u"Phone"_s,    u"Tester"_s, u"TestDate"_s};
        for (int item = 1; item <= kItemCount; ++item) {
            names.append(u"Q%1"_s.arg(item));
        }
        for (const char* suffix : {"_raw", "_pct"}) {
            for (const SchemaScale& scale : SchemaScales()) {
                names.append(QString::fromLatin1(scale.code.data(), scale.code.size()) +
                             QLatin1String(suffix));
            }
        }
        names.append(u"Unanswered"_s);
        names.append(u"Verified"_s);
        return names;
    }

    // The values of one examinee's case as a reader prints them, with its text for a missing
    // number (the age is given: it may be missing too).
    QStringList expectedCase(int examinee, const QString& age, const QString& missing) const {
        const Examinee& row = examinees[examinee].row;
        QStringList values{row.code,      row.fullName, age,        row.gender,          row.maritalStatus,
                           row.education, row.phone,    row.tester, row.registrationDate};
        for (const QString& answer : examinees[examinee].answers) {
            const auto value = itemValue(answer);
            values.append(value ? PlainNumber(*value) : missing);
        }
        const ScoringResult result = scores(examinee);
        for (const ScaleResult& scale : result.scales) {
            values.append(QString::number(scale.rawScore));
        }
        for (const ScaleResult& scale : result.scales) {
            values.append(QString::number(scale.percent));
        }
        values.append(QString::number(result.totalUnanswered));
        values.append(QString()); // typed once: not verified by a second typing
        return values;
    }

    TempProgramFolder folder;
    std::unique_ptr<Database> db;
    std::vector<SampleExaminee> examinees;
};

} // namespace morvalen::test
