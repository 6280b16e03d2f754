#pragma once

#include "reports/SheetComparison.h"
#include "shell/Context.h"

#include <QImage>
#include <QString>

class QWidget;

namespace morvalen {

// Where the Word report is saved: "Morvalen.docx" in the user's documents folder, on every
// system.
QString WordReportPath(const Context& context);

// The Word report of one examinee: saves the chart as "Morvalen-2.jpg" in the program folder,
// writes the finished document, opens it with the system's program for it and tells the
// user. A document that cannot be written is reported instead of the success message.
// Returns true when the document was written. Sheets compared add their section (the
// overlaid chart and the change table); otherwise the document is as for one sheet.
bool ExportWordReport(QWidget* owner, const Context& context, const QImage& chart,
                      const QString& examineeLine, const QString& interpretation,
                      const SheetComparison& comparison = {});

} // namespace morvalen
