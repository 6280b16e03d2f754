#pragma once

#include "reports/ExcelExport.h"
#include "reports/ResearchExport.h"
#include "shell/Context.h"

#include <QString>

#include <optional>

class QWidget;

namespace morvalen {

// The Excel export of every examinee and answer. It is never shown: the results view presses
// its save button. The table is read from the database at the first export and kept for the
// rest of the run, so every later export of the run writes that same snapshot; whoever owns
// this object decides how long the snapshot lives (the application keeps one for the run,
// a test makes a fresh one).
class ExportSnapshot {
public:
    // xlsRowLimit: the most rows an .xls may take (the format's own limit; tests give less).
    explicit ExportSnapshot(const Context& context, int xlsRowLimit = 65536);

    // The save button: ask for a file name and write the workbook there.
    void exportAll(QWidget* parent);

    // The research buttons: ask for a file name and write every examinee of the same
    // snapshot as an SPSS data file or as CSV.
    void exportResearch(ResearchFormat format, QWidget* parent);

    bool loaded() const { return m_table.has_value(); }
    // The snapshot, once loaded.
    const ExportTable* table() const { return m_table ? &*m_table : nullptr; }

    QString m_lastFileName; // the file name chosen last
    // How long the work may take before its progress dialog shows, in ms.
    int m_progressDelayMs = 500;

private:
    void exportOnce(QWidget* parent);
    bool load(QWidget* parent, QString* error, bool* cancelled);

    Context m_context;
    int m_xlsRowLimit;
    std::optional<ExportTable> m_table;
    bool m_busy = false;                       // an export is running; a second click waits for it
    std::optional<ResearchDetails> m_research; // read with the table
    QString m_researchError;                   // why it could not be
};

} // namespace morvalen
