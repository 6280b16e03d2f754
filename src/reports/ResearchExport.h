#pragma once

#include "core/Scoring.h"
#include "reports/ExcelExport.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <optional>
#include <vector>

namespace morvalen {

class Database;

// What the SPSS and CSV files carry beyond the export table: each row's phone, tester and
// test date, and the question texts. It is read together with the table, so the three
// exports of a run share one snapshot.
class ResearchDetails {
public:
    // Reads the details of every export row and the question texts; the rows must match the
    // table's examinees one for one. nullopt with the reason in *error.
    static std::optional<ResearchDetails> Read(Database& db, int examineeCount, QString* error = nullptr);

    void appendRow(const QString& phone, const QString& tester, const QString& date);
    void setQuestionTexts(const QStringList& texts) { m_questionTexts = texts; }

    int examineeCount() const { return static_cast<int>(m_values.size() / 3); }
    QStringView phone(int examinee) const { return m_values[3 * examinee]; }
    QStringView tester(int examinee) const { return m_values[3 * examinee + 1]; }
    QStringView date(int examinee) const { return m_values[3 * examinee + 2]; }
    // The stored texts of items 1 to 232, by index item - 1.
    const QStringList& questionTexts() const { return m_questionTexts; }

private:
    QStringList m_values; // phone, tester and date of each row in turn
    QStringList m_questionTexts;
};

// One variable of the research files, in file order.
struct ResearchVariable {
    enum class Kind { Text, Age, Item, RawScore, Percent, Unanswered };
    QString name;  // the SPSS variable name and the CSV heading
    QString label; // the SPSS variable label
    Kind kind = Kind::Text;
    int index = 0; // Text: which text (ResearchText); Item: the item number; scores: the scale index
};

// The texts of a case: code, full name, gender, marital status, education, phone, tester, date,
// and whether the sheet was verified by a second typing.
inline constexpr int kResearchTexts = 9;

// Every variable: the examinee's texts and age, Q1 to Q232, the 18 raw scores, the 18
// percentages, the count of unanswered items and whether the sheet is verified. Items are
// labelled with their question text.
std::vector<ResearchVariable> ResearchVariables(const QStringList& questionTexts);

// An item's label: its question text where the clinic has entered one, otherwise "سوال N".
QString ItemLabel(int item, const QString& storedText);

// The captions of the answers 1 to 6 as the questionnaire shows them, by value (0 is empty).
const std::array<QString, 7>& AnswerCaptions();

// A stored number as a value of the files: the text read whole; NaN (system-missing) for an
// empty or non-numeric text. Persian and Arabic-Indic digits count where asked: for the age,
// not for the answers, which the scorer reads in ASCII only, so that an item's value and its
// scale's score never disagree.
double ResearchNumber(QStringView text, bool persianDigits);

// One examinee as the files write it; NaN marks a missing number.
struct ResearchCase {
    std::array<QStringView, kResearchTexts> texts;
    double age = 0;
    std::array<double, kItemCount> items{};
    ScoringResult scores; // the core's scoring of the stored answers
};

// The texts of one examinee of the snapshot, in the order above.
std::array<QStringView, kResearchTexts> ResearchTexts(const ExportTable& table,
                                                      const ResearchDetails& details, int examinee);

// Fills the case of one examinee of the snapshot; scratch holds the answer texts for the
// scorer, kept by the caller so that many examinees reuse its storage.
void ReadResearchCase(const ExportTable& table, const ResearchDetails& details, int examinee,
                      ResearchCase& out, AnswerTexts& scratch);

// The file kinds of the research export.
enum class ResearchFormat { Sav, Csv };

// The save dialog's filter of a kind.
QString ResearchFilter(ResearchFormat format);

// The name to write: a name that already ends in the kind's extension keeps it; any other
// gets it added.
QString ResearchTargetFor(const QString& chosenName, ResearchFormat format);

// Writes every examinee of the snapshot in the format, under a temporary name that replaces
// the file only when complete; false with the reason in *error, the earlier file untouched.
bool WriteResearch(const ExportTable& table, const ResearchDetails& details, ResearchFormat format,
                   const QString& path, QString* error, const WriteProgress& progress = {});

} // namespace morvalen
