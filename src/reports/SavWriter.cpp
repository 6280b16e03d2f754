#include "reports/SavWriter.h"

#include "reports/ResearchExport.h"
#include "reports/ResearchFile.h"

#include <QDir>

#include <readstat.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// What ReadStat's callbacks reach: the file being written and the library's own complaint.
struct Output {
    explicit Output(const QString& path) : file(path) {}
    ResearchFile file;
    QString libraryMessage;
};

ssize_t WriteBytes(const void* data, size_t length, void* context) {
    auto* output = static_cast<Output*>(context);
    return output->file.write(static_cast<const char*>(data), static_cast<qint64>(length))
               ? static_cast<ssize_t>(length)
               : -1;
}

void NoteLibraryError(const char* message, void* context) {
    if (context && message) {
        static_cast<Output*>(context)->libraryMessage = QString::fromUtf8(message).trimmed();
    }
}

// UTF-8 of a text cut to at most maxBytes, never inside a character.
QByteArray Utf8Clipped(const QString& text, int maxBytes) {
    QByteArray bytes = text.toUtf8();
    if (bytes.size() <= maxBytes) {
        return bytes;
    }
    qsizetype end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) {
        --end; // bytes[end] continues a character: cut before that character starts
    }
    bytes.truncate(end);
    return bytes;
}

qsizetype Utf8Length(QStringView text) {
    qsizetype length = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            length += 1;
        } else if (c < 0x800) {
            length += 2;
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                   QChar::isLowSurrogate(text[i + 1].unicode())) {
            length += 4;
            ++i;
        } else {
            length += 3;
        }
    }
    return length;
}

struct WriterDeleter {
    void operator()(readstat_writer_t* writer) const { readstat_writer_free(writer); }
};

} // namespace

bool SavWriter::write(const QString& path, const ExportTable& table, const ResearchDetails& details,
                      QString* error, const WriteProgress& progress) {
    const std::vector<ResearchVariable> variables = ResearchVariables(details.questionTexts());
    const int examinees = table.examineeCount();

    // A text variable is as wide as its longest value in UTF-8 bytes (at least one byte).
    std::array<qsizetype, kResearchTexts> widths;
    widths.fill(1);
    for (int e = 0; e < examinees; ++e) {
        const std::array<QStringView, kResearchTexts> texts = ResearchTexts(table, details, e);
        for (int t = 0; t < kResearchTexts; ++t) {
            widths[t] = std::max(widths[t], Utf8Length(texts[t]));
        }
    }

    auto output = std::make_unique<Output>(path);
    const auto fail = [&](const QString& why) {
        output->file.cancel();
        if (error) {
            *error = why;
        }
        return false;
    };
    if (!output->file.open()) {
        return fail(output->file.errorString());
    }
    // ReadStat refusing the table (not the disk refusing the bytes): said in Persian, its own
    // words as a detail.
    const auto libraryFail = [&](const QString& why) {
        return fail(u"فايل SPSS «%1» ساخته نشد.\r\n(%2)"_s.arg(QDir::toNativeSeparators(path), why));
    };
    // Why a ReadStat call failed: the file's own reason when the disk refused the bytes.
    const auto failure = [&](readstat_error_t code) {
        if (output->file.failed()) {
            return fail(output->file.errorString());
        }
        QString why = QString::fromUtf8(readstat_error_message(code));
        if (!output->libraryMessage.isEmpty()) {
            why += u": "_s + output->libraryMessage;
        }
        return libraryFail(why);
    };

    std::unique_ptr<readstat_writer_t, WriterDeleter> writer(readstat_writer_init());
    if (!writer) {
        return libraryFail(u"The SPSS writer could not be started."_s);
    }
    readstat_set_data_writer(writer.get(), WriteBytes);
    readstat_writer_set_error_handler(writer.get(), NoteLibraryError);
    readstat_writer_set_compression(writer.get(), READSTAT_COMPRESS_ROWS);
    readstat_writer_set_file_label(writer.get(), "Morvalen");

    readstat_label_set_t* answers = readstat_add_label_set(writer.get(), READSTAT_TYPE_DOUBLE, "answers");
    for (int value = 1; value <= 6; ++value) {
        readstat_label_double_value(answers, value, AnswerCaptions()[value].toUtf8().constData());
    }

    std::vector<readstat_variable_t*> columns;
    columns.reserve(variables.size());
    for (const ResearchVariable& variable : variables) {
        using Kind = ResearchVariable::Kind;
        const QByteArray name = variable.name.toLatin1();
        readstat_variable_t* column = nullptr;
        if (variable.kind == Kind::Text) {
            const auto width = static_cast<size_t>(widths[variable.index]);
            column = readstat_add_variable(writer.get(), name.constData(), READSTAT_TYPE_STRING, width);
            readstat_variable_set_format(column,
                                         ("A" + QByteArray::number(static_cast<qint64>(width))).constData());
            readstat_variable_set_measure(column, READSTAT_MEASURE_NOMINAL);
            readstat_variable_set_alignment(column, READSTAT_ALIGNMENT_RIGHT);
            readstat_variable_set_display_width(column, static_cast<int>(std::clamp<size_t>(width, 8, 40)));
        } else {
            column = readstat_add_variable(writer.get(), name.constData(), READSTAT_TYPE_DOUBLE, 0);
            const bool item = variable.kind == Kind::Item;
            readstat_variable_set_format(column, item ? "F1.0" : "F3.0");
            readstat_variable_set_measure(column, item ? READSTAT_MEASURE_ORDINAL : READSTAT_MEASURE_SCALE);
            readstat_variable_set_alignment(column, READSTAT_ALIGNMENT_RIGHT);
            readstat_variable_set_display_width(column, 8);
            if (item) {
                readstat_variable_set_label_set(column, answers);
            }
        }
        if (!column) {
            return libraryFail(u"The SPSS variable %1 could not be made."_s.arg(variable.name));
        }
        readstat_variable_set_label(column, Utf8Clipped(variable.label, kMaxLabelBytes).constData());
        columns.push_back(column);
    }

    if (const readstat_error_t code = readstat_begin_writing_sav(writer.get(), output.get(), examinees);
        code != READSTAT_OK) {
        return failure(code);
    }
    ResearchCase one;
    AnswerTexts scratch;
    QByteArray text;
    const auto insertNumber = [&](readstat_variable_t* column, double value) {
        return std::isnan(value) ? readstat_insert_missing_value(writer.get(), column)
                                 : readstat_insert_double_value(writer.get(), column, value);
    };
    for (int e = 0; e < examinees; ++e) {
        if (progress && !progress(e, examinees)) {
            return fail(u"The export was cancelled."_s);
        }
        ReadResearchCase(table, details, e, one, scratch);
        readstat_error_t code = readstat_begin_row(writer.get());
        for (std::size_t v = 0; v < variables.size() && code == READSTAT_OK; ++v) {
            const ResearchVariable& variable = variables[v];
            switch (variable.kind) {
            case ResearchVariable::Kind::Text:
                text = one.texts[variable.index].toUtf8();
                code = readstat_insert_string_value(writer.get(), columns[v], text.constData());
                break;
            case ResearchVariable::Kind::Age:
                code = insertNumber(columns[v], one.age);
                break;
            case ResearchVariable::Kind::Item:
                code = insertNumber(columns[v], one.items[variable.index - 1]);
                break;
            case ResearchVariable::Kind::RawScore:
                code = insertNumber(columns[v], one.scores.scales[variable.index].rawScore);
                break;
            case ResearchVariable::Kind::Percent:
                code = insertNumber(columns[v], one.scores.scales[variable.index].percent);
                break;
            case ResearchVariable::Kind::Unanswered:
                code = insertNumber(columns[v], one.scores.totalUnanswered);
                break;
            }
        }
        if (code == READSTAT_OK) {
            code = readstat_end_row(writer.get());
        }
        if (code != READSTAT_OK) {
            return failure(code);
        }
    }
    if (const readstat_error_t code = readstat_end_writing(writer.get()); code != READSTAT_OK) {
        return failure(code);
    }
    if (!output->file.commit()) {
        if (error) {
            *error = output->file.errorString();
        }
        return false;
    }
    return true;
}

} // namespace morvalen
