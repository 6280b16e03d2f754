#include "views/ExportSnapshot.h"

#include "reports/XlsWriter.h"
#include "shell/FileDialog.h"
#include "shell/MessageBox.h"
#include "store/Database.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProgressDialog>

#include <algorithm>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// The progress dialog of a long export, shown once the work has taken longer than the delay.
// Its cancel button stops the work: the writers then leave no file.
class ExportProgress {
public:
    ExportProgress(QWidget* parent, const QString& label, int delayMs)
        : m_dialog(label, u"انصراف"_s, 0, 0, parent)
        , m_delayMs(delayMs) {
        m_clock.start();
        m_dialog.setObjectName(u"exportProgress"_s);
        m_dialog.setWindowTitle(u"Morvalen"_s);
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setLayoutDirection(Qt::RightToLeft);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
        m_dialog.setMinimumDuration(delayMs);
        m_dialog.setValue(0);
    }

    // Shows how far the work is (a busy bar while the total is unknown) and lets the window's
    // events run, the cancel button's among them.
    WriteProgress callback() {
        return [this](qint64 done, qint64 total) {
            if (total > 0) {
                m_dialog.setMaximum(1000);
                m_dialog.setValue(static_cast<int>(done * 1000 / total));
            } else {
                m_dialog.setValue(0);
            }
            // Shown once the work has lasted the delay, whatever Qt's estimate of the rest.
            if (!m_dialog.isVisible() && !m_dialog.wasCanceled() && m_clock.elapsed() >= m_delayMs) {
                m_dialog.show();
            }
            QCoreApplication::processEvents();
            return !m_dialog.wasCanceled();
        };
    }
    bool cancelled() const { return m_dialog.wasCanceled(); }

private:
    QProgressDialog m_dialog;
    int m_delayMs;
    QElapsedTimer m_clock;
};

} // namespace

ExportSnapshot::ExportSnapshot(const Context& context, int xlsRowLimit)
    : m_context(context)
    , m_xlsRowLimit(std::min(xlsRowLimit, XlsWriter::kMaxRows)) {}

bool ExportSnapshot::load(QWidget* parent, QString* error, bool* cancelled) {
    if (m_table) {
        return true;
    }
    std::unique_ptr<Database> db = Database::open(m_context.programFolder, DatabaseFile::Main, error);
    if (!db) {
        return false;
    }
    // One read transaction: the table and the research details are the same moment's.
    Transaction snapshot(*db);
    ExportProgress progress(parent, u"خواندن اطلاعات آزمودني ها..."_s, m_progressDelayMs);
    m_table = ExportTable::Read(*db, error, progress.callback());
    *cancelled = progress.cancelled();
    if (m_table) {
        // Should the details fail, the Excel export still works; the research export says why.
        m_research = ResearchDetails::Read(*db, m_table->examineeCount(), &m_researchError);
    }
    return m_table.has_value();
}

void ExportSnapshot::exportAll(QWidget* parent) {
    if (m_busy) {
        return;
    }
    m_busy = true;
    exportOnce(parent);
    m_busy = false;
}

void ExportSnapshot::exportOnce(QWidget* parent) {
    QString error;
    bool cancelled = false;
    if (!load(parent, &error, &cancelled)) {
        if (!cancelled) {
            MessageBox::show(parent, MessageBox::Icon::None, u"Error"_s,
                             u"اطلاعات آزمودني ها خوانده نشد.\r\n\r\n"_s + error);
        }
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
    ExportProgress progress(parent, u"در حال ذخيره فايل اکسل..."_s, m_progressDelayMs);
    const bool written = WriteExport(*m_table, target, &error, progress.callback());
    if (progress.cancelled()) {
        return; // stopped by the user: the earlier file is as it was
    }
    if (!written) {
        // The platform's reason, after a plain Persian line naming the file.
        MessageBox::show(parent, MessageBox::Icon::None, u"Error"_s,
                         u"فايل اکسل ذخيره نشد:\r\n"_s + QDir::toNativeSeparators(target.path) +
                             u"\r\n\r\n"_s + error);
        return;
    }
    // The dialog wrapper has already put the current folder back.
    MessageBox::show(parent, MessageBox::Icon::None, u"Morvalen"_s, u"ذخيره شد"_s);
}

void ExportSnapshot::exportResearch(ResearchFormat format, QWidget* parent) {
    QString error;
    bool cancelled = false;
    if (!load(parent, &error, &cancelled) || !m_research) {
        if (!cancelled) {
            MessageBox::show(parent, MessageBox::Icon::None, u"Error"_s, m_table ? m_researchError : error);
        }
        return;
    }
    const QString chosen = FileDialog::getSaveFileName(parent, QString(), m_context.programFolder, QString(),
                                                       ResearchFilter(format));
    if (chosen.isEmpty()) {
        return; // cancelled: nothing written, nothing said
    }
    m_lastFileName = chosen;
    // As the Excel export: a progress window with a cancel button past half a second.
    ExportProgress progress(parent,
                            format == ResearchFormat::Sav ? u"در حال ذخيره فايل SPSS..."_s
                                                          : u"در حال ذخيره فايل CSV..."_s,
                            m_progressDelayMs);
    const bool written = WriteResearch(*m_table, *m_research, format, ResearchTargetFor(chosen, format),
                                       &error, progress.callback());
    if (progress.cancelled()) {
        return; // stopped by the user: the earlier file is as it was
    }
    if (!written) {
        MessageBox::show(parent, MessageBox::Icon::None, u"Error"_s, error);
        return;
    }
    MessageBox::show(parent, MessageBox::Icon::None, u"Morvalen"_s, u"ذخيره شد"_s);
}

} // namespace morvalen
