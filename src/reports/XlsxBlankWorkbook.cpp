#include "reports/XlsxBlankWorkbook.h"

#include "core/MakerSite.h"
#include "core/SchemaScale.h"
#include "reports/AnswerImport.h"
#include "reports/WorkbookFile.h"
#include "store/CheckedFile.h"

#include <QFile>

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>

namespace morvalen {

using namespace Qt::StringLiterals;

bool WriteBlankAnswerWorkbook(const QString& path, const QStringList& questions, QString* error) {
    namespace L = AnswerWorkbookLayout;
    QString ignored;
    QString& why = error ? *error : ignored;
    // libxlsxwriter writes the checked writer's temporary file; only a whole archive then
    // takes the earlier file's place.
    CheckedFile file(path);
    if (!file.reserve()) {
        why = file.message();
        return false;
    }
    lxw_workbook* workbook = workbook_new(LibraryFileName(file.temporaryPath()).constData());
    if (!workbook) {
        file.fail(u"workbook_new"_s, errno);
        why = file.message();
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, kMakerDomain);
    if (!sheet) {
        workbook_close(workbook);
        file.fail(u"workbook_add_worksheet"_s);
        why = file.message();
        return false;
    }
    worksheet_right_to_left(sheet);

    lxw_format* heading = workbook_add_format(workbook);
    format_set_bold(heading);
    format_set_bg_color(heading, 0xDDEBF7);
    format_set_border(heading, LXW_BORDER_THIN);
    lxw_format* question = workbook_add_format(workbook);
    format_set_text_wrap(question);
    format_set_reading_order(question, 2); // right to left, so the full stop ends the line
    format_set_align(question, LXW_ALIGN_VERTICAL_CENTER);
    lxw_format* answer = workbook_add_format(workbook);
    format_set_align(answer, LXW_ALIGN_CENTER);
    format_set_align(answer, LXW_ALIGN_VERTICAL_CENTER);
    format_set_border(answer, LXW_BORDER_THIN);
    format_set_bg_color(answer, 0xFFF2CC);
    lxw_format* marker = workbook_add_format(workbook);
    format_set_font_color(marker, LXW_COLOR_GRAY);

    worksheet_set_column(sheet, 0, 0, 8, nullptr);
    worksheet_set_column(sheet, 1, 1, 70, question);
    worksheet_set_column(sheet, 2, 2, 14, nullptr);

    const auto text = [](const QString& s) { return s.toUtf8(); };
    lxw_error failure = LXW_NO_ERROR;
    const auto keep = [&failure](lxw_error e) {
        if (failure == LXW_NO_ERROR) {
            failure = e;
        }
    };
    keep(worksheet_write_string(sheet, 0, 0, text(u"شماره"_s).constData(), heading));
    keep(worksheet_write_string(sheet, 0, 1, text(u"سوال"_s).constData(), heading));
    keep(worksheet_write_string(sheet, 0, 2, text(u"پاسخ (1 تا 6)"_s).constData(), heading));
    keep(worksheet_write_string(sheet, L::kMarkerRow, L::kMarkerColumn, L::kMarker, marker));
    for (int i = 0; i < kItemCount; ++i) {
        const auto row = static_cast<lxw_row_t>(L::kFirstAnswerRow + i);
        keep(worksheet_write_number(sheet, row, 0, i + 1, nullptr));
        if (i < questions.size() && !questions[i].isEmpty()) {
            keep(worksheet_write_string(sheet, row, 1, text(questions[i]).constData(), question));
            // Spreadsheet programs do not grow a row for wrapped text written this way: give
            // each row the lines its question needs, at about 75 characters a line.
            const auto lines = static_cast<double>((questions[i].size() + 74) / 75);
            keep(worksheet_set_row(sheet, row, std::max(1.0, lines) * 15 + 3, nullptr));
        }
        keep(worksheet_write_blank(sheet, row, L::kAnswerColumn, answer));
    }

    // Only a whole number from 1 to 6 may go in an answer cell.
    const QByteArray title = text(u"پاسخ"_s);
    const QByteArray prompt = text(u"عددي از 1 تا 6 وارد کنيد"_s);
    const QByteArray refusal = text(u"فقط اعداد 1 تا 6 پذيرفته مي شود"_s);
    lxw_data_validation validation{};
    validation.validate = LXW_VALIDATION_TYPE_INTEGER;
    validation.criteria = LXW_VALIDATION_CRITERIA_BETWEEN;
    validation.minimum_number = 1;
    validation.maximum_number = 6;
    validation.input_title = const_cast<char*>(title.constData());
    validation.input_message = const_cast<char*>(prompt.constData());
    validation.error_title = const_cast<char*>(title.constData());
    validation.error_message = const_cast<char*>(refusal.constData());
    validation.error_type = LXW_VALIDATION_ERROR_TYPE_STOP;
    keep(worksheet_data_validation_range(sheet, L::kFirstAnswerRow, L::kAnswerColumn,
                                         L::kFirstAnswerRow + kItemCount - 1, L::kAnswerColumn, &validation));
    worksheet_freeze_panes(sheet, 1, 0);
    // Printed, the three columns (not the marker) fit the page's width; the heading repeats on
    // every page.
    worksheet_fit_to_pages(sheet, 1, 0);
    worksheet_repeat_rows(sheet, 0, 0);
    worksheet_print_area(sheet, 0, 0, L::kFirstAnswerRow + kItemCount - 1, L::kAnswerColumn);

    // The system's reason for a failed close (a full disk) is left in errno; libxlsxwriter
    // itself only names its zip error.
    errno = 0;
    const lxw_error closed = workbook_close(workbook);
    const int systemError = errno;
    keep(closed);
    if (failure != LXW_NO_ERROR) {
        file.fail(QString::fromUtf8(lxw_strerror(failure)), systemError);
    } else if (!EndsAsZip(file.temporaryPath())) {
        file.fail(u"zip"_s);
    } else {
        file.commitWritten();
    }
    why = file.message();
    return !file.failed();
}

} // namespace morvalen
