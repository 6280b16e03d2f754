#include "reports/ResearchExport.h"

#include "core/NumberText.h"
#include "core/SchemaScale.h"
#include "reports/CsvWriter.h"
#include "reports/SavWriter.h"
#include "store/ResearchStore.h"

#include <cmath>
#include <limits>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// The text the delivered database holds for an item whose text has not been entered yet.
QString PlaceholderText(int item) {
    return u"متن سوال "_s + QString::number(item) +
           u" هنوز وارد نشده است. لطفا متن اين سوال را از نسخه مجاز پرسشنامه در تنظيمات، صفحه «ويرايش "
           u"سوالات»، "
           u"وارد كنيد."_s;
}

QString ScaleCaption(const SchemaScale& scale) {
    return QString::fromUtf8(scale.caption.data(), static_cast<qsizetype>(scale.caption.size())).trimmed();
}

} // namespace

std::optional<ResearchDetails> ResearchDetails::Read(Database& db, int examineeCount, QString* error) {
    ResearchDetails details;
    ResearchStore store(db);
    const bool read =
        store.forEachDetailRow([&details](const QString& phone, const QString& tester, const QString& date) {
            details.appendRow(phone, tester, date);
        });
    std::optional<QStringList> texts = read ? store.questionTexts() : std::nullopt;
    if (!texts) {
        if (error) {
            *error = db.lastError();
        }
        return std::nullopt;
    }
    if (details.examineeCount() != examineeCount) {
        if (error) {
            *error = u"The examinee details (%1 rows) do not match the export rows (%2)."_s
                         .arg(details.examineeCount())
                         .arg(examineeCount);
        }
        return std::nullopt;
    }
    details.setQuestionTexts(*texts);
    return details;
}

void ResearchDetails::appendRow(const QString& phone, const QString& tester, const QString& date) {
    m_values.append(phone);
    m_values.append(tester);
    m_values.append(date);
}

QString ItemLabel(int item, const QString& storedText) {
    QString text = storedText.simplified(); // a label is one line
    if (text.isEmpty() || text == PlaceholderText(item)) {
        return u"سوال "_s + QString::number(item);
    }
    return text;
}

const std::array<QString, 7>& AnswerCaptions() {
    static const std::array<QString, 7> captions{
        QString(),       u"کاملاً غلط"_s,   u"تقريباً غلط"_s, u"بيشتر درست است تا غلط"_s,
        u"اندکي درست"_s, u"تقريباً درست"_s, u"کاملاً درست"_s,
    };
    return captions;
}

std::vector<ResearchVariable> ResearchVariables(const QStringList& questionTexts) {
    using Kind = ResearchVariable::Kind;
    std::vector<ResearchVariable> variables{
        {u"Code"_s, u"کد آزمودني"_s, Kind::Text, 0},
        {u"FullName"_s, u"نام و نام خانوادگي"_s, Kind::Text, 1},
        {u"Age"_s, u"سن"_s, Kind::Age, 0},
        {u"Gender"_s, u"جنسيت"_s, Kind::Text, 2},
        {u"Marital"_s, u"تاهل"_s, Kind::Text, 3},
        {u"Education"_s, u"تحصيلات"_s, Kind::Text, 4},
        {u"Phone"_s, u"شماره تماس"_s, Kind::Text, 5},
        {u"Tester"_s, u"نام آزمونگر"_s, Kind::Text, 6},
        {u"TestDate"_s, u"تاريخ"_s, Kind::Text, 7},
    };
    for (int item = 1; item <= kItemCount; ++item) {
        const QString stored = item <= questionTexts.size() ? questionTexts[item - 1] : QString();
        variables.push_back({u"Q"_s + QString::number(item), ItemLabel(item, stored), Kind::Item, item});
    }
    const auto& scales = SchemaScales();
    for (int s = 0; s < kScaleCount; ++s) {
        const QString code = QString::fromLatin1(scales[s].code.data(), scales[s].code.size());
        variables.push_back({code + u"_raw"_s, ScaleCaption(scales[s]) + u" - نمره"_s, Kind::RawScore, s});
    }
    for (int s = 0; s < kScaleCount; ++s) {
        const QString code = QString::fromLatin1(scales[s].code.data(), scales[s].code.size());
        variables.push_back({code + u"_pct"_s, ScaleCaption(scales[s]) + u" - درصد"_s, Kind::Percent, s});
    }
    variables.push_back({u"Unanswered"_s, u"تعداد سوالات بدون پاسخ"_s, Kind::Unanswered, 0});
    variables.push_back({u"Verified"_s, u"ورود دوم"_s, Kind::Text, 8});
    return variables;
}

double ResearchNumber(QStringView text, bool persianDigits) {
    constexpr double missing = std::numeric_limits<double>::quiet_NaN();
    text = text.trimmed();
    if (text.isEmpty()) {
        return missing;
    }
    // Nearly every value is one ASCII digit.
    if (text.size() == 1 && text[0] >= u'0' && text[0] <= u'9') {
        return text[0].unicode() - u'0';
    }
    QString ascii;
    ascii.reserve(text.size());
    for (const QChar c : text) {
        const char digit =
            persianDigits ? AsciiDigit(c.unicode()) : (c >= u'0' && c <= u'9' ? c.toLatin1() : 0);
        if (digit != 0) {
            ascii.append(QLatin1Char(digit));
        } else if (c == u'.' || c == u'-' || c == u'+') {
            ascii.append(c);
        } else if (persianDigits && c == QChar(0x066B)) { // the Arabic decimal separator
            ascii.append(QLatin1Char('.'));
        } else {
            return missing;
        }
    }
    bool ok = false;
    const double value = ascii.toDouble(&ok);
    return ok && std::isfinite(value) ? value : missing;
}

std::array<QStringView, kResearchTexts> ResearchTexts(const ExportTable& table,
                                                      const ResearchDetails& details, int examinee) {
    // Export table columns: code, name, age, gender, marital status, education, items 1 to 232.
    return {table.value(examinee, 0),
            table.value(examinee, 1),
            table.value(examinee, 3),
            table.value(examinee, 4),
            table.value(examinee, 5),
            details.phone(examinee),
            details.tester(examinee),
            details.date(examinee),
            table.value(examinee, ExportTable::kVerifiedColumn)};
}

void ReadResearchCase(const ExportTable& table, const ResearchDetails& details, int examinee,
                      ResearchCase& out, AnswerTexts& scratch) {
    out.texts = ResearchTexts(table, details, examinee);
    out.age = ResearchNumber(table.value(examinee, 2), true);
    for (int i = 0; i < kItemCount; ++i) {
        const QStringView answer = table.value(examinee, 6 + i);
        // The scorer reads the stored text, as the results view hands it over.
        if (answer.size() == 1 && answer[0].unicode() < 0x80) {
            scratch[i].assign(1, static_cast<char>(answer[0].unicode()));
        } else {
            scratch[i] = answer.toString().toStdString();
        }
        // An item holds the value its scale counted ("5x" counts 5, "x" counts 0), and only
        // an empty answer is missing: the file's items then add up to its own raw scores,
        // and its missing items are exactly its unanswered ones.
        out.items[i] =
            scratch[i].empty() ? std::numeric_limits<double>::quiet_NaN() : AnswerValue(scratch[i]);
    }
    ScoreAnswers(scratch, out.scores);
}

QString ResearchFilter(ResearchFormat format) {
    return format == ResearchFormat::Sav ? u"SPSS |*.sav"_s : u"CSV |*.csv"_s;
}

QString ResearchTargetFor(const QString& chosenName, ResearchFormat format) {
    const QString extension = format == ResearchFormat::Sav ? u".sav"_s : u".csv"_s;
    return chosenName.endsWith(extension, Qt::CaseInsensitive) ? chosenName : chosenName + extension;
}

bool WriteResearch(const ExportTable& table, const ResearchDetails& details, ResearchFormat format,
                   const QString& path, QString* error, const WriteProgress& progress) {
    if (details.examineeCount() != table.examineeCount()) {
        if (error) {
            *error = u"The examinee details do not match the export rows."_s;
        }
        return false;
    }
    return format == ResearchFormat::Sav ? SavWriter::write(path, table, details, error, progress)
                                         : CsvWriter::write(path, table, details, error, progress);
}

} // namespace morvalen
