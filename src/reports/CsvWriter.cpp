#include "reports/CsvWriter.h"

#include "reports/ResearchExport.h"
#include "reports/ResearchFile.h"

#include <cmath>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

void AppendNumber(QByteArray& out, double value) {
    if (std::isnan(value)) {
        return; // missing: an empty field
    }
    if (value >= 0 && value < 10 && value == std::floor(value)) {
        out.append(static_cast<char>('0' + static_cast<int>(value)));
        return;
    }
    out.append(QByteArray::number(value, 'g', 15));
}

// A text a spreadsheet would take for a formula (Excel also for +, - and @; LibreOffice for =):
// such a cell starts with an apostrophe, so it is shown as text and never run.
bool StartsLikeFormula(QStringView text) {
    return !text.isEmpty() && QStringView(u"=+-@\t\r").contains(text.front());
}

} // namespace

void CsvWriter::appendField(QByteArray& out, QStringView text) {
    const bool quoted =
        text.contains(u',') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r');
    if (!quoted) {
        out.append(text.toUtf8());
        return;
    }
    out.append('"');
    out.append(text.toUtf8().replace("\"", "\"\""));
    out.append('"');
}

bool CsvWriter::write(const QString& path, const ExportTable& table, const ResearchDetails& details,
                      QString* error, const WriteProgress& progress) {
    const std::vector<ResearchVariable> variables = ResearchVariables(details.questionTexts());
    ResearchFile file(path);
    const auto fail = [&] {
        file.cancel();
        if (error) {
            *error = file.errorString();
        }
        return false;
    };
    if (!file.open()) {
        return fail();
    }
    QByteArray out("\xEF\xBB\xBF");
    for (std::size_t v = 0; v < variables.size(); ++v) {
        if (v > 0) {
            out.append(',');
        }
        appendField(out, variables[v].name);
    }
    out.append("\r\n");

    ResearchCase one;
    AnswerTexts scratch;
    for (int e = 0; e < table.examineeCount(); ++e) {
        if (progress && !progress(e, table.examineeCount())) {
            file.cancel();
            if (error) {
                *error = u"The export was cancelled."_s;
            }
            return false;
        }
        ReadResearchCase(table, details, e, one, scratch);
        for (std::size_t v = 0; v < variables.size(); ++v) {
            if (v > 0) {
                out.append(',');
            }
            const ResearchVariable& variable = variables[v];
            switch (variable.kind) {
            case ResearchVariable::Kind::Text:
                // The code (index 0) is the program's own and stays as stored.
                if (variable.index > 0 && StartsLikeFormula(one.texts[variable.index])) {
                    appendField(out, u"'"_s + one.texts[variable.index].toString());
                } else {
                    appendField(out, one.texts[variable.index]);
                }
                break;
            case ResearchVariable::Kind::Age:
                AppendNumber(out, one.age);
                break;
            case ResearchVariable::Kind::Item:
                AppendNumber(out, one.items[variable.index - 1]);
                break;
            case ResearchVariable::Kind::RawScore:
                AppendNumber(out, one.scores.scales[variable.index].rawScore);
                break;
            case ResearchVariable::Kind::Percent:
                AppendNumber(out, one.scores.scales[variable.index].percent);
                break;
            case ResearchVariable::Kind::Unanswered:
                AppendNumber(out, one.scores.totalUnanswered);
                break;
            }
        }
        out.append("\r\n");
        // Handed on row by row, so a large table is never held whole as text.
        if (!file.write(out)) {
            return fail();
        }
        out.clear();
    }
    if (!file.write(out) || !file.commit()) {
        return fail();
    }
    return true;
}

} // namespace morvalen
