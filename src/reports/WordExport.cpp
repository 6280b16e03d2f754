#include "reports/WordExport.h"

#include "reports/DocxWriter.h"
#include "shell/Appearance.h"
#include "shell/Desktop.h"
#include "shell/MessageBox.h"

#include <QBuffer>
#include <QDir>
#include <QFontInfo>
#include <QUrl>

namespace morvalen {

using namespace Qt::StringLiterals;

QString WordReportPath(const Context& context) {
    // The user's documents folder on every system: a standard Windows user may not create
    // files in the root of drive C.
    return QDir(context.documentsFolder).filePath(u"Morvalen.docx"_s);
}

namespace {

QByteArray Jpeg(const QImage& picture) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPG", 95);
    return jpeg;
}

} // namespace

bool ExportWordReport(QWidget* owner, const Context& context, const QImage& chart,
                      const QString& examineeLine, const QString& interpretation,
                      const SheetComparison& comparison) {
    // The picture file is kept beside the databases, as before; the document gets the same bytes.
    const QByteArray jpeg = Jpeg(chart);
    QFile picture(context.programFolder + u"/Morvalen-2.jpg"_s);
    if (picture.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        picture.write(jpeg);
    }
    picture.close();

    WordReportContent content;
    content.jpeg = jpeg;
    content.pixels = chart.size();
    content.examineeLine = examineeLine;
    content.interpretation = interpretation;
    content.fontFamily = QFontInfo(NazaninFont(13)).family();
    if (comparison.compares()) {
        content.comparisonJpeg = Jpeg(comparison.chart);
        content.comparisonPixels = comparison.chart.size();
        content.comparisonTable = comparison.tableRows();
    }

    const QString path = WordReportPath(context);
    const QString failure = WriteWordDocument(path, content);
    if (!failure.isEmpty()) {
        MessageBox::critical(
            owner, u"خطا"_s,
            u"فايل Word ساخته نشد:\r\n"_s + QDir::toNativeSeparators(path) + u"\r\n\r\n"_s + failure +
                u"\r\n\r\nاگر اين فايل در برنامه ديگري باز است، آن را ببنديد و دوباره امتحان كنيد."_s);
        return false;
    }
    if (!Desktop::openUrl(QUrl::fromLocalFile(path))) {
        MessageBox::information(
            owner, u"پيام"_s,
            u"فايل شما ساخته شد، ولي برنامه اي براي باز كردن آن پيدا نشد.\r\nمسير فايل:\r\n"_s +
                QDir::toNativeSeparators(path));
        return true;
    }
    // The path goes between the two parts of the message, so the user knows where the file is.
    MessageBox::information(
        owner, u"پيام"_s, u": فايل شما\r\n\r\n"_s + QDir::toNativeSeparators(path) + u"\r\n\r\n. ساخته شد"_s);
    return true;
}

} // namespace morvalen
