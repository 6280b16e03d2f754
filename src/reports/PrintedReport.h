#pragma once

#include "reports/ReportTemplate.h"
#include "reports/SheetComparison.h"
#include "shell/Context.h"

#include <optional>

class QPrintPreviewDialog;
class QWidget;

namespace morvalen {

// The printed report of the examinee whose sections were written last: the template
// "ATaf.fr3" of the program folder filled with the chart picture "Morvalen.jpg", the logo
// "LogoMorvalen.jpg" when the settings say to print it, the examinee line, the clinic's
// name, address and contact block, and the 19 sections of "NNPic.mdb". Pictures are read by
// their content, whatever their file names say. Sheets compared open the flow with their
// section: a heading, the overlaid chart and the change table. Nothing, and the reason, when
// the template cannot be read.
std::optional<ReportTemplate> PrepareReport(const QString& programFolder, const QString& examineeLine,
                                            QString* error, const SheetComparison& comparison = {});

// The report's driver: prepares the report and shows it in a print preview, from which the
// user prints it or saves it as a PDF.
class PrintedReport {
public:
    PrintedReport(const Context& context, QWidget* owner);

    // Shows the report in a print preview: the preview, or null after telling the user why
    // there is none.
    QPrintPreviewDialog* showReport(const QString& examineeLine, const SheetComparison& comparison = {});

private:
    Context m_context;
    QWidget* m_owner;
};

} // namespace morvalen
