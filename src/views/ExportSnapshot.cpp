#include "views/ExportSnapshot.h"

#include "reports/XlsWriter.h"
#include "shell/FileDialog.h"
#include "shell/MessageBox.h"
#include "store/Database.h"

#include <QApplication>
#include <QCursor>

#include <algorithm>

namespace morvalen {

using namespace Qt::StringLiterals;

ExportSnapshot::ExportSnapshot(const Context& context, int xlsRowLimit)
    : m_context(context)
    , m_xlsRowLimit(std::min(xlsRowLimit, XlsWriter::kMaxRows)) {}

bool ExportSnapshot::load(QString* error) {
    if (m_table) {
        return true;
    }
    std::unique_ptr<Database> db = Database::open(m_context.programFolder, DatabaseFile::Main, error);
    if (!db) {
        return false;
    }
    // One read transaction: the table and the research details are the same moment's.
    Transaction snapshot(*db);
    m_table = ExportTable::Read(*db, error);
    if (m_table) {
        // Should the details fail, the Excel export still works; the research export says why.
        m_research = ResearchDetails::Read(*db, m_table->examineeCount(), &m_researchError);
    }
    return m_table.has_value();
}

void ExportSnapshot::exportAll(QWidget* parent) {
    QString error;
    if (!load(&error)) {
        MessageBox::show(parent, MessageBox::Icon::None, u"Error"_s, error);
        return;
    }
    QString selectedFilter;
    const QString chosen = FileDialog::getSaveFileName(parent, QString(), m_context.programFolder, QString(),
                                                       ExportFilter(), &selectedFilter);
    if (chosen.isEmpty()) {
        return; // cancelled: nothing written, nothing said
    }
    m_lastFileName = chosen;
    const ExportTarget target = ExportTargetFor(chosen, selectedFilter);
    if (target.format == ExportFormat::Xls && m_table->rowCount() > m_xlsRowLimit) {
        MessageBox::show(
            parent, MessageBox::Icon::Warning, u"توجه"_s,
            u"تعداد آزمودني ها (%1) بيش از گنجايش فايل xls است (حداکثر %2 آزمودني)."_s
            u"\r\nلطفا فايل را با قالب Excel 2007 (xlsx) ذخيره کنيد."_s.arg(m_table->examineeCount())
                .arg(m_xlsRowLimit - 1));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool written = WriteExport(*m_table, target, &error);
    QApplication::restoreOverrideCursor();
    if (!written) {
        MessageBox::show(parent, MessageBox::Icon::None, u"Error"_s, error);
        return;
    }
    // The dialog wrapper has already put the current folder back.
    MessageBox::show(parent, MessageBox::Icon::None, u"Morvalen"_s, u"ذخيره شد"_s);
}

void ExportSnapshot::exportResearch(ResearchFormat format, QWidget* parent) {
    QString error;
    if (!load(&error) || !m_research) {
        MessageBox::show(parent, MessageBox::Icon::None, u"Error"_s, m_table ? m_researchError : error);
        return;
    }
    const QString chosen = FileDialog::getSaveFileName(parent, QString(), m_context.programFolder, QString(),
                                                       ResearchFilter(format));
    if (chosen.isEmpty()) {
        return; // cancelled: nothing written, nothing said
    }
    m_lastFileName = chosen;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool written =
        WriteResearch(*m_table, *m_research, format, ResearchTargetFor(chosen, format), &error);
    QApplication::restoreOverrideCursor();
    if (!written) {
        MessageBox::show(parent, MessageBox::Icon::None, u"Error"_s, error);
        return;
    }
    MessageBox::show(parent, MessageBox::Icon::None, u"Morvalen"_s, u"ذخيره شد"_s);
}

} // namespace morvalen
