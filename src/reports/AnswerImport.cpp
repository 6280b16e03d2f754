#include "reports/AnswerImport.h"

#include "core/MakerSite.h"
#include "store/AnswerStore.h"
#include "store/Database.h"

#include <cmath>

namespace morvalen {

using namespace Qt::StringLiterals;

std::optional<QString> AnswerCellEffect(const WorkbookCell& cell) {
    switch (cell.kind) {
    case WorkbookCell::Kind::Empty:
        return QString();
    case WorkbookCell::Kind::Text:
        if (cell.text.empty()) {
            return QString();
        }
        if (cell.text.size() == 1 && cell.text[0] >= '1' && cell.text[0] <= '6') {
            return QString(QLatin1Char(cell.text[0]));
        }
        return std::nullopt;
    case WorkbookCell::Kind::Number:
        // A number as text is its digits: only the whole numbers 1 to 6 give an answer.
        if (std::isfinite(cell.number) && cell.number == std::floor(cell.number) && cell.number >= 1 &&
            cell.number <= 6) {
            return QString::number(static_cast<int>(cell.number));
        }
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

AnswerWorkbook ReadAnswerWorkbook(const QString& path) {
    namespace L = AnswerWorkbookLayout;
    AnswerWorkbook out;
    std::unique_ptr<WorkbookReader> reader = WorkbookReader::Open(path, &out.error);
    if (!reader) {
        return out;
    }
    bool found = reader->selectSheet(kMakerDomain);
    for (const char* const* former = kFormerMakerDomains; !found && *former; ++former) {
        found = reader->selectSheet(*former);
    }
    if (!found) {
        out.error = u"The workbook has no sheet named %1."_s.arg(QString::fromLatin1(kMakerDomain));
        return out;
    }
    const WorkbookCell marker = reader->cell(L::kMarkerRow, L::kMarkerColumn);
    if (marker.kind != WorkbookCell::Kind::Text || marker.text != L::kMarker) {
        out.status = ImportStatus::WrongMarker;
        return out;
    }
    for (int i = 0; i < kItemCount; ++i) {
        out.effects[i] = AnswerCellEffect(reader->cell(L::kFirstAnswerRow + i, L::kAnswerColumn));
    }
    out.status = ImportStatus::Imported;
    return out;
}

ImportStatus ImportAnswers(const QString& path, const QString& programFolder, const QString& code,
                           QString* error) {
    const AnswerWorkbook workbook = ReadAnswerWorkbook(path);
    if (workbook.status != ImportStatus::Imported) {
        if (error) {
            *error = workbook.error;
        }
        return workbook.status;
    }
    return StoreImportedAnswers(workbook, programFolder, code, error);
}

ImportStatus StoreImportedAnswers(const AnswerWorkbook& workbook, const QString& programFolder,
                                  const QString& code, QString* error) {
    const auto fail = [error](ImportStatus status, const QString& why) {
        if (error) {
            *error = why;
        }
        return status;
    };
    if (workbook.status != ImportStatus::Imported) {
        return fail(workbook.status, workbook.error);
    }
    QString why;
    std::unique_ptr<Database> db = Database::open(programFolder, DatabaseFile::Main, &why);
    if (!db) {
        return fail(ImportStatus::Unreadable, why);
    }
    AnswerStore answers(*db);
    const std::optional<bool> hasRow = answers.hasRow(code);
    if (!hasRow) {
        return fail(ImportStatus::WriteFailed, db->lastError());
    }
    if (!*hasRow) {
        return fail(ImportStatus::NoAnswerRow, db->lastError());
    }
    // Only the cells the workbook speaks for, in one commit: every other cell keeps what
    // anyone stored there, even since the workbook was chosen.
    std::vector<std::pair<int, QString>> cells;
    for (int i = 0; i < kItemCount; ++i) {
        if (workbook.effects[i]) {
            cells.emplace_back(i + 1, *workbook.effects[i]);
        }
    }
    if (!answers.setCells(code, cells)) {
        return fail(ImportStatus::WriteFailed, db->lastError());
    }
    return ImportStatus::Imported;
}

} // namespace morvalen
