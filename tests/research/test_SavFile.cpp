// The SPSS data file read back by PSPP and by ReadStat's own reader: variables, labels,
// value labels, measurement levels, missing values and scores as written.
#include "CsvText.h"
#include "ResearchSample.h"
#include "SavReadBack.h"
#include "reports/SavWriter.h"
#include "support/ExternalReaders.h"

#include <QDir>
#include <QFile>

#include <readstat.h>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;
using test::SavReadBack;
using test::SavVariable;

// The answer captions as the questionnaire shows them, by value.
const QStringList kCaptions{u"کاملاً غلط"_s,  u"تقريباً غلط"_s,  u"بيشتر درست است تا غلط"_s,
                            u"اندکي درست"_s, u"تقريباً درست"_s, u"کاملاً درست"_s};

// ---- PSPP ----------------------------------------------------------------------------------

// The tables PSPP prints as CSV, by title; a title printed twice keeps its last table.
std::map<QString, std::vector<QStringList>> PsppTables(const QString& csv) {
    std::map<QString, std::vector<QStringList>> tables;
    std::vector<QStringList>* current = nullptr;
    for (const QStringList& row : test::ParseCsv(csv)) {
        if (row.size() == 1 && row[0].startsWith(u"Table: "_s)) {
            current = &tables[row[0].mid(7)];
            current->clear();
        } else if (row.isEmpty()) {
            current = nullptr;
        } else if (current) {
            current->push_back(row);
        }
    }
    return tables;
}

SavReadBack ReadWithPspp(const QString& sav, const QString& workFolder) {
    SavReadBack back;
    const QString syntaxPath = QDir(workFolder).filePath(u"read.sps"_s);
    const QString outPath = QDir(workFolder).filePath(u"pspp.csv"_s);
    QFile syntax(syntaxPath);
    if (!syntax.open(QIODevice::WriteOnly)) {
        return back;
    }
    syntax.write(
        (u"SYSFILE INFO FILE='"_s + sav + u"'.\nGET FILE='"_s + sav + u"'.\nDISPLAY DICTIONARY.\nLIST.\n"_s)
            .toUtf8());
    syntax.close();
    if (!test::RunProgram(u"pspp"_s, {u"-o"_s, outPath, syntaxPath})) {
        return back;
    }
    QFile out(outPath);
    if (!out.open(QIODevice::ReadOnly)) {
        return back;
    }
    auto tables = PsppTables(QString::fromUtf8(out.readAll()));
    for (const QStringList& row : tables[u"File Information"_s]) {
        if (row.size() >= 2 && row[0] == u"Encoding"_s) {
            back.encoding = row[1];
        } else if (row.size() >= 2 && row[0] == u"Cases"_s) {
            back.caseCount = row[1].toInt();
        }
    }
    // Name, Position, Label, Measurement Level, Role, Width, Alignment, Print Format, ...
    const auto& variables = tables[u"Variables"_s];
    std::map<QString, SavVariable*> byLabel;
    for (std::size_t r = 1; r < variables.size(); ++r) {
        const QStringList& row = variables[r];
        if (row.size() < 8) {
            continue;
        }
        back.variables.push_back({row[0], row[2], row[3], !row[7].startsWith(u'A'), {}});
    }
    for (SavVariable& v : back.variables) {
        byLabel[v.label.isEmpty() ? v.name : v.label] = &v;
    }
    // Variable (by label, on its first row only), value, label.
    SavVariable* labelled = nullptr;
    const auto& valueLabels = tables[u"Value Labels"_s];
    for (std::size_t r = 1; r < valueLabels.size(); ++r) {
        const QStringList& row = valueLabels[r];
        if (row.size() < 3) {
            continue;
        }
        if (!row[0].isEmpty()) {
            labelled = byLabel.count(row[0]) ? byLabel[row[0]] : nullptr;
        }
        if (labelled) {
            labelled->valueLabels[row[1].toDouble()] = row[2];
        }
    }
    const auto& data = tables[u"Data List"_s];
    for (std::size_t r = 1; r < data.size(); ++r) {
        QStringList values;
        for (const QString& value : data[r]) {
            QString v = value;
            while (v.endsWith(u' ')) {
                v.chop(1);
            }
            values.append(v);
        }
        back.cases.push_back(values);
    }
    return back;
}

// ---- ReadStat -------------------------------------------------------------------------------

struct ReadStatContext {
    SavReadBack back;
    std::map<QString, std::map<double, QString>> labelSets;
    std::vector<QString> setOfVariable;
};

QString Measure(readstat_measure_t measure) {
    switch (measure) {
    case READSTAT_MEASURE_NOMINAL:
        return u"Nominal"_s;
    case READSTAT_MEASURE_ORDINAL:
        return u"Ordinal"_s;
    case READSTAT_MEASURE_SCALE:
        return u"Scale"_s;
    default:
        return u"Unknown"_s;
    }
}

SavReadBack ReadWithReadStat(const QString& sav) {
    ReadStatContext context;
    readstat_parser_t* parser = readstat_parser_init();
    readstat_set_metadata_handler(parser, [](readstat_metadata_t* metadata, void* ctx) {
        auto* c = static_cast<ReadStatContext*>(ctx);
        const char* encoding = readstat_get_file_encoding(metadata);
        c->back.encoding = encoding ? QString::fromUtf8(encoding) : QString();
        c->back.caseCount = readstat_get_row_count(metadata);
        c->back.cases.assign(std::max(0, c->back.caseCount), QStringList());
        return static_cast<int>(READSTAT_HANDLER_OK);
    });
    readstat_set_variable_handler(
        parser, [](int, readstat_variable_t* variable, const char* valueLabels, void* ctx) {
            auto* c = static_cast<ReadStatContext*>(ctx);
            const char* label = readstat_variable_get_label(variable);
            c->back.variables.push_back(
                {QString::fromUtf8(readstat_variable_get_name(variable)),
                 label ? QString::fromUtf8(label) : QString(),
                 Measure(readstat_variable_get_measure(variable)),
                 readstat_variable_get_type_class(variable) == READSTAT_TYPE_CLASS_NUMERIC,
                 {}});
            c->setOfVariable.push_back(valueLabels ? QString::fromUtf8(valueLabels) : QString());
            return static_cast<int>(READSTAT_HANDLER_OK);
        });
    readstat_set_value_label_handler(
        parser, [](const char* set, readstat_value_t value, const char* label, void* ctx) {
            auto* c = static_cast<ReadStatContext*>(ctx);
            c->labelSets[QString::fromUtf8(set)][readstat_double_value(value)] = QString::fromUtf8(label);
            return static_cast<int>(READSTAT_HANDLER_OK);
        });
    readstat_set_value_handler(parser, [](int row, readstat_variable_t*, readstat_value_t value, void* ctx) {
        auto* c = static_cast<ReadStatContext*>(ctx);
        QString text;
        if (readstat_value_type_class(value) == READSTAT_TYPE_CLASS_STRING) {
            const char* s = readstat_string_value(value);
            text = s ? QString::fromUtf8(s) : QString();
            while (text.endsWith(u' ')) {
                text.chop(1);
            }
        } else {
            text = readstat_value_is_system_missing(value) ? u"."_s
                                                           : test::PlainNumber(readstat_double_value(value));
        }
        if (row >= 0 && row < static_cast<int>(c->back.cases.size())) {
            c->back.cases[row].append(text);
        }
        return static_cast<int>(READSTAT_HANDLER_OK);
    });
    const readstat_error_t error = readstat_parse_sav(parser, sav.toUtf8().constData(), &context);
    readstat_parser_free(parser);
    if (error != READSTAT_OK) {
        ADD_FAILURE() << "ReadStat: " << readstat_error_message(error);
        return {};
    }
    for (std::size_t v = 0; v < context.back.variables.size(); ++v) {
        if (!context.setOfVariable[v].isEmpty()) {
            context.back.variables[v].valueLabels = context.labelSets[context.setOfVariable[v]];
        }
    }
    return context.back;
}

// ---- What both readers must find ------------------------------------------------------------

class SavFile : public test::ResearchSample {
protected:
    QString write() {
        const Snapshot s = snapshot();
        const QString path = folder.file(u"پژوهش «آزمون».sav"_s); // Persian in the file name too
        QString error;
        EXPECT_TRUE(WriteResearch(s.table, s.details, ResearchFormat::Sav, path, &error))
            << error.toStdString();
        return path;
    }

    void expectAsWritten(const SavReadBack& back) {
        EXPECT_EQ(back.encoding.toUpper(), u"UTF-8"_s);
        EXPECT_EQ(back.caseCount, 3);

        QStringList names;
        for (const SavVariable& v : back.variables) {
            names.append(v.name);
        }
        ASSERT_EQ(names, expectedNames());
        const auto variable = [&](const QString& name) -> const SavVariable& {
            return back.variables[static_cast<std::size_t>(names.indexOf(name))];
        };

        // Labels: the registry's words, the clinic's question texts or "سوال N", the captions.
        const std::map<QString, QString> labels{
            {u"Code"_s, u"کد آزمودني"_s},
            {u"FullName"_s, u"نام و نام خانوادگي"_s},
            {u"Age"_s, u"سن"_s},
            {u"Gender"_s, u"جنسيت"_s},
            {u"Marital"_s, u"تاهل"_s},
            {u"Education"_s, u"تحصيلات"_s},
            {u"Phone"_s, u"شماره تماس"_s},
            {u"Tester"_s, u"نام آزمونگر"_s},
            {u"TestDate"_s, u"تاريخ"_s},
            {u"Q1"_s, kEnteredQuestion},
            {u"Q2"_s, u"سوال 2"_s},
            {u"Q232"_s, u"سوال 232"_s},
            {u"ED_raw"_s, u"ed / محروميت هيجاني - نمره"_s},
            {u"VU_pct"_s, u"vu/ آسيب پذيري نسبت به ضرر و بيماري - درصد"_s},
            {u"PU_raw"_s, u"pu / تنبيه - نمره"_s},
            {u"Unanswered"_s, u"تعداد سوالات بدون پاسخ"_s},
            {u"Verified"_s, u"ورود دوم"_s},
        };
        for (const auto& [name, label] : labels) {
            EXPECT_EQ(variable(name).label, label) << name.toStdString();
        }
        // Too long for a label: cut at a letter's end (127 two-byte letters in 255 bytes).
        EXPECT_EQ(variable(u"Q3"_s).label, longQuestion().left(127));

        for (const SavVariable& v : back.variables) {
            const bool text = (names.indexOf(v.name) < 9 && v.name != u"Age"_s) || v.name == u"Verified"_s;
            const bool item = v.name.startsWith(u'Q');
            EXPECT_EQ(v.numeric, !text) << v.name.toStdString();
            EXPECT_EQ(v.measure, text   ? u"Nominal"_s
                                 : item ? u"Ordinal"_s
                                        : u"Scale"_s)
                << v.name.toStdString();
            if (item) {
                ASSERT_EQ(v.valueLabels.size(), 6u) << v.name.toStdString();
                for (int value = 1; value <= 6; ++value) {
                    EXPECT_EQ(v.valueLabels.at(value), kCaptions[value - 1]) << v.name.toStdString();
                }
            } else {
                EXPECT_TRUE(v.valueLabels.empty()) << v.name.toStdString();
            }
        }

        ASSERT_EQ(back.cases.size(), 3u);
        EXPECT_EQ(back.cases[0], expectedCase(0, u"30"_s, u"."_s)) << "Persian digits of the age read as 30";
        EXPECT_EQ(back.cases[1], expectedCase(1, u"."_s, u"."_s)) << "no age: system-missing";
        EXPECT_EQ(back.cases[2], expectedCase(2, u"45"_s, u"."_s));
        // A few numbers worked out by hand, beside the core's scoring.
        const auto value = [&](int examinee, const QString& name) {
            return back.cases[examinee].value(names.indexOf(name));
        };
        EXPECT_EQ(value(1, u"Q5"_s), u"."_s) << "blank";
        // Items hold what their scale counted; only the blank is missing, as Unanswered says.
        EXPECT_EQ(value(1, u"Q7"_s), u"0"_s) << "non-numeric: the scorer counts 0";
        EXPECT_EQ(value(1, u"Q8"_s), u"0"_s) << "a Persian digit the scorer counts as 0";
        EXPECT_EQ(value(1, u"ED_raw"_s), u"36"_s) << "six answers of 6";
        EXPECT_EQ(value(1, u"ED_pct"_s), u"67"_s);
        EXPECT_EQ(value(1, u"Unanswered"_s), u"133"_s) << "item 5 and the 132 items 101 to 232";
        EXPECT_EQ(value(2, u"ED_raw"_s), u"0"_s);
        EXPECT_EQ(value(2, u"Unanswered"_s), u"232"_s);
        EXPECT_EQ(value(0, u"Unanswered"_s), u"0"_s);
        EXPECT_EQ(value(0, u"FullName"_s), u"مريم \"نيك\" زاده, تهراني"_s);
    }
};

TEST_F(SavFile, PsppReadsWhatWasWritten) {
    if (!test::HaveProgram(u"pspp"_s)) {
        GTEST_FAIL() << "pspp is missing: scripts/install-deps.sh installs it";
    }
    const QString path = write();
    expectAsWritten(ReadWithPspp(path, folder.path()));
}

TEST_F(SavFile, ReadStatReadsWhatWasWritten) {
    expectAsWritten(ReadWithReadStat(write()));
}

TEST_F(SavFile, NoExamineeGivesEveryVariableAndNoCase) {
    const QString path = folder.file(u"none.sav"_s);
    QString error;
    ASSERT_TRUE(WriteResearch(ExportTable(), ResearchDetails(), ResearchFormat::Sav, path, &error))
        << error.toStdString();
    const SavReadBack back = ReadWithReadStat(path);
    EXPECT_EQ(back.caseCount, 0);
    ASSERT_EQ(back.variables.size(), static_cast<std::size_t>(expectedNames().size()));
    EXPECT_EQ(back.variables[10].label, u"سوال 2"_s) << "no question texts: every item is labelled by number";
}

} // namespace
} // namespace morvalen
