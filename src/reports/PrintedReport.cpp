#include "reports/PrintedReport.h"

#include "core/SchemaScale.h"
#include "shell/FileDialog.h"
#include "shell/MessageBox.h"
#include "store/Database.h"
#include "store/ReportSectionStore.h"
#include "store/SettingsStore.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QToolBar>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// A JPEG or a bitmap, told apart by the bytes, not by the file's name.
QImage ReadPicture(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QImage::fromData(file.readAll());
}

QStringList SectionKeys() {
    QStringList keys{u"V"_s};
    for (const SchemaScale& scale : SchemaScales()) {
        keys << QString::fromLatin1(scale.code.data(), static_cast<qsizetype>(scale.code.size()));
    }
    return keys;
}

} // namespace

std::optional<ReportTemplate> PrepareReport(const QString& programFolder, const QString& examineeLine,
                                            QString* error, const SheetComparison& comparison) {
    std::optional<ReportTemplate> report = ReportTemplate::load(programFolder + u"/ATaf.fr3"_s, error);
    if (!report) {
        return std::nullopt;
    }
    report->setPicture(u"Picture1"_s, ReadPicture(programFolder + u"/Morvalen.jpg"_s));

    Settings settings;
    if (auto main = Database::open(programFolder, DatabaseFile::Main)) {
        settings = SettingsStore(*main).read().value_or(Settings{});
    }
    // Off: the template's own picture stays. On without a logo: an empty picture.
    if (settings.logo == u"1"_s) {
        report->setPicture(u"Picture2"_s, ReadPicture(programFolder + u"/LogoMorvalen.jpg"_s));
    }
    report->setText(u"Memo3"_s, examineeLine);
    report->setText(u"Memo5"_s, settings.contactBlock);
    report->setText(u"Memo12"_s, settings.address);
    report->setText(u"Memo10"_s, settings.name);

    if (auto sections = Database::open(programFolder, DatabaseFile::ReportSections)) {
        ReportSectionStore store(*sections);
        for (const QString& key : SectionKeys()) {
            report->sections.insert(key, store.read(key));
        }
    }
    if (comparison.compares()) {
        ReportFlowItem heading;
        heading.kind = ReportFlowItem::Kind::Heading;
        heading.title = u"مقايسه پاسخنامه ها"_s;
        ReportFlowItem chart;
        chart.kind = ReportFlowItem::Kind::Picture;
        chart.image = comparison.chart;
        ReportFlowItem table;
        table.kind = ReportFlowItem::Kind::Table;
        table.rows = comparison.tableRows();
        report->flow.insert(report->flow.begin(), {heading, chart, table});
    }
    return report;
}

PrintedReport::PrintedReport(const Context& context, QWidget* owner) : m_context(context), m_owner(owner) {}

QPrintPreviewDialog* PrintedReport::showReport(const QString& examineeLine,
                                               const SheetComparison& comparison) {
    QString error;
    std::optional<ReportTemplate> prepared =
        PrepareReport(m_context.programFolder, examineeLine, &error, comparison);
    if (!prepared) {
        MessageBox::critical(
            m_owner, u"خطا"_s,
            u"گزارش چاپي ساخته نشد: فايل قالب گزارش (ATaf.fr3) پيدا نشد يا خراب است.\r\n\r\n"_s +
                QDir::toNativeSeparators(m_context.programFolder + u"/ATaf.fr3"_s) + u"\r\n"_s + error);
        return nullptr;
    }
    auto report = std::make_shared<const ReportTemplate>(std::move(*prepared));

    auto* printer = new QPrinter(QPrinter::HighResolution);
    printer->setPageLayout(report->pageLayout());
    printer->setDocName(u"Morvalen"_s);
    auto* preview = new QPrintPreviewDialog(printer, m_owner);
    preview->setObjectName(u"ReportPreview"_s);
    preview->setWindowTitle(u"پيش نمايش گزارش"_s);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(preview, &QObject::destroyed, [printer] { delete printer; });
    QObject::connect(preview, &QPrintPreviewDialog::paintRequested, preview, [report](QPrinter* target) {
        QPainter painter(target);
        report->render(painter, *target);
    });

    // Beside printing, the preview saves the report as a PDF.
    if (auto* toolbar = preview->findChild<QToolBar*>()) {
        toolbar->addSeparator();
        QAction* pdf = toolbar->addAction(u"ذخيره PDF"_s);
        pdf->setObjectName(u"SaveAsPdf"_s);
        pdf->setToolTip(u"ذخيره گزارش به صورت فايل PDF"_s);
        const QString folder = m_context.documentsFolder;
        QObject::connect(pdf, &QAction::triggered, preview, [preview, report, folder] {
            const QString chosen = FileDialog::getSaveFileName(preview, u"ذخيره PDF"_s, folder,
                                                               u"Morvalen.pdf"_s, u"PDF |*.pdf"_s);
            if (chosen.isEmpty()) {
                return;
            }
            const QString path = FileDialog::WithSuffix(chosen, u".pdf"_s);
            const QString failure = report->writePdf(path);
            if (failure.isEmpty()) {
                MessageBox::information(preview, u"پيام"_s,
                                        u"فايل PDF ذخيره شد:\r\n"_s + QDir::toNativeSeparators(path));
            } else {
                MessageBox::critical(preview, u"خطا"_s, failure);
            }
        });
    }
    preview->setWindowModality(Qt::WindowModal);
    // As tall as a page reads well, but never past the screen it opens on (a 1366 x 768
    // screen leaves about 700 pixels under the title bar).
    QSize size(900, 1000);
    if (const QScreen* screen = m_owner ? m_owner->screen() : QGuiApplication::primaryScreen()) {
        const QRect room = screen->availableGeometry();
        size = size.boundedTo(room.size() - QSize(40, 60));
        preview->resize(size);
        preview->move(room.center() - QPoint(size.width() / 2, size.height() / 2));
    } else {
        preview->resize(size);
    }
    preview->show();
    return preview;
}

} // namespace morvalen
