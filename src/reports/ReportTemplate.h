#pragma once

#include <QColor>
#include <QImage>
#include <QMap>
#include <QMarginsF>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace morvalen {

// A printed report's template: the page, fixed frames on the first page (texts, pictures,
// rules and boxes, some of them named so the program can fill them), and a flow of headings
// and text sections that runs on over as many pages as it needs, never cutting a line.
// The file format is described in docs/report-template.md.
struct ReportFont {
    QString family = QStringLiteral("B Nazanin");
    qreal size = 12;
    bool bold = false;
    QColor color = Qt::black;
};

struct ReportFrame {
    enum class Kind { Text, Picture, Line, Box };
    Kind kind = Kind::Text;
    QString name; // empty for fixed decoration
    QRectF mm;    // from the top-left corner of the printable area; a line runs corner to corner
    QString text; // a text frame's text
    QString font; // a font id
    Qt::Alignment align = Qt::AlignLeft; // laid out right to left: Left is the start (right) side
    bool shrink = false;                 // a text that does not fit gets smaller type until it does
    QImage image;                        // a picture frame's picture; may be empty
    QColor stroke = Qt::black;
    QColor fill; // invalid for none
    qreal strokeMm = 0.3;
};

struct ReportFlowItem {
    // Picture and Table are put in by the program, not read from the template.
    enum class Kind { Heading, Section, Picture, Table };
    Kind kind = Kind::Section;
    QString key;               // a section's key
    QString title;             // a section's title, or a heading's text
    QImage image;              // a picture's picture, as wide as the page at most
    QVector<QStringList> rows; // a table's rows, its heading row first; the first column is the caption
};

// The text with each run of Latin letters (a web address, an Instagram handle, a Latin name)
// wrapped as a left-to-right piece, for laying out inside right-to-left text.
QString WithLatinRunsIsolated(const QString& text);

struct ReportTemplate {
    QPageSize pageSize{QPageSize::A4};
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF marginsMm{12, 12, 12, 12};
    QMap<QString, ReportFont> fonts;
    std::vector<ReportFrame> head; // the first page only
    qreal flowTopMm = 0;           // where the flow starts on the first page
    QString bodyFont, titleFont, headingFont;
    qreal paragraphGapMm = 1.5, sectionGapMm = 4;
    std::vector<ReportFlowItem> flow;
    QMap<QString, QString> sections; // section texts by key, filled by the program
    QString footerText;              // "{page}" is the page number
    QString footerFont;

    // Nothing, and the reason, when the file is missing or not a valid template.
    static std::optional<ReportTemplate> load(const QString& path, QString* error);
    static std::optional<ReportTemplate> parse(const QByteArray& xml, QString* error);

    // Fill a named frame; false when the template has no frame of that name and kind.
    bool setText(const QString& name, const QString& text);
    bool setPicture(const QString& name, const QImage& image);
    const ReportFrame* frame(const QString& name) const;

    QPageLayout pageLayout() const;
    // Paints every page on a device whose page layout is pageLayout(); returns the page count.
    int render(QPainter& painter, QPagedPaintDevice& device) const;
    // Writes the report as a PDF; the empty text on success, else the reason.
    QString writePdf(const QString& path) const;
};

} // namespace morvalen
