#pragma once

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
// Returns true when the document was written.
bool ExportWordReport(QWidget* owner, const Context& context, const QImage& chart,
                      const QString& examineeLine, const QString& interpretation);

} // namespace morvalen
