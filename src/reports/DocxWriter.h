#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

namespace morvalen {

// What the Word report holds: the chart picture, the examinee line and the interpretation.
struct WordReportContent {
    QByteArray jpeg;        // the chart picture as JPEG bytes
    QSize pixels;           // its size in pixels
    QString examineeLine;   // one line
    QString interpretation; // several lines; CR LF, LF or CR break them
    QString fontFamily;     // a Persian-capable face for every run
    // Only when answer sheets are compared: the overlaid chart and the change table, its
    // heading row first. Without a table the document has no such section.
    QByteArray comparisonJpeg{};
    QSize comparisonPixels{};
    QVector<QStringList> comparisonTable{};
};

// Writes a .docx document: an empty right-to-left paragraph, the picture inline, an empty
// paragraph, the examinee line, an empty line, and the interpretation one paragraph per line;
// every paragraph runs right to left. Sheets compared put their section before the
// interpretation: a heading, the overlaid chart and the change table. The package is written under a
// temporary name beside the target and moved over it only once complete, so a failure never leaves a
// half-written or empty document behind. Returns the empty text on success, else the reason.
QString WriteWordDocument(const QString& path, const WordReportContent& content);

// The document's main part alone (word/document.xml), for checks of its structure.
QByteArray WordDocumentXml(const WordReportContent& content);

} // namespace morvalen
