#include "reports/ReportTemplate.h"

#include "store/CheckedFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGlyphRun>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextLayout>
#include <QXmlStreamReader>

#include <memory>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// --- reading ---------------------------------------------------------------------------

class TemplateReader {
public:
    explicit TemplateReader(const QByteArray& xml) : m_xml(xml) {}

    std::optional<ReportTemplate> read(QString* error) {
        ReportTemplate report;
        if (!m_xml.readNextStartElement() || m_xml.name() != u"report"_s) {
            fail(u"the root element is not <report>"_s);
        } else {
            readReport(report);
        }
        if (m_error.isEmpty() && m_xml.hasError()) {
            m_error = m_xml.errorString();
        }
        if (!m_error.isEmpty()) {
            if (error) {
                *error = m_xml.hasError() ? m_error : u"line %1: %2"_s.arg(m_xml.lineNumber()).arg(m_error);
            }
            return std::nullopt;
        }
        return report;
    }

private:
    void fail(const QString& text) {
        if (m_error.isEmpty()) {
            m_error = text;
        }
    }
    bool failed() const { return !m_error.isEmpty() || m_xml.hasError(); }

    qreal number(const QString& attribute, qreal fallback, bool required = false) {
        const QStringView text = m_xml.attributes().value(attribute);
        if (text.isEmpty()) {
            if (required) {
                fail(u"<%1> needs %2"_s.arg(m_xml.name().toString(), attribute));
            }
            return fallback;
        }
        bool ok = false;
        const qreal value = text.toDouble(&ok);
        if (!ok) {
            fail(u"%1=\"%2\" is not a number"_s.arg(attribute, text.toString()));
        }
        return value;
    }

    QColor colour(const QString& attribute, const QColor& fallback) {
        const QStringView text = m_xml.attributes().value(attribute);
        if (text.isEmpty()) {
            return fallback;
        }
        const QColor value = QColor::fromString(text);
        if (!value.isValid()) {
            fail(u"%1=\"%2\" is not a colour"_s.arg(attribute, text.toString()));
        }
        return value;
    }

    QString text(const QString& attribute) { return m_xml.attributes().value(attribute).toString(); }

    QRectF frameRect() {
        return QRectF(number(u"x"_s, 0, true), number(u"y"_s, 0, true), number(u"w"_s, 0, true),
                      number(u"h"_s, 0, true));
    }

    void readReport(ReportTemplate& report) {
        const QString page = text(u"page"_s);
        if (page.compare(u"A5"_s, Qt::CaseInsensitive) == 0) {
            report.pageSize = QPageSize(QPageSize::A5);
        } else if (page.compare(u"Letter"_s, Qt::CaseInsensitive) == 0) {
            report.pageSize = QPageSize(QPageSize::Letter);
        } else if (!page.isEmpty() && page.compare(u"A4"_s, Qt::CaseInsensitive) != 0) {
            fail(u"unknown page \"%1\""_s.arg(page));
        }
        if (text(u"orientation"_s) == u"landscape"_s) {
            report.orientation = QPageLayout::Landscape;
        }
        const QString margins = text(u"margins"_s);
        if (!margins.isEmpty()) {
            const QStringList parts = margins.simplified().split(u' ');
            bool ok = parts.size() == 4;
            qreal m[4] = {};
            for (int i = 0; ok && i < 4; ++i) {
                m[i] = parts[i].toDouble(&ok);
            }
            if (!ok) {
                fail(u"margins needs four numbers: left top right bottom"_s);
            }
            report.marginsMm = QMarginsF(m[0], m[1], m[2], m[3]);
        }
        while (!failed() && m_xml.readNextStartElement()) {
            const QStringView name = m_xml.name();
            if (name == u"font"_s) {
                ReportFont font;
                const QString id = text(u"id"_s);
                if (id.isEmpty()) {
                    fail(u"<font> needs an id"_s);
                }
                if (!text(u"family"_s).isEmpty()) {
                    font.family = text(u"family"_s);
                }
                font.size = number(u"size"_s, font.size);
                font.bold = text(u"bold"_s) == u"1"_s;
                font.color = colour(u"color"_s, font.color);
                report.fonts.insert(id, font);
                m_xml.skipCurrentElement();
            } else if (name == u"head"_s) {
                readHead(report);
            } else if (name == u"flow"_s) {
                readFlow(report);
            } else if (name == u"footer"_s) {
                report.footerFont = text(u"font"_s);
                report.footerText = m_xml.readElementText();
            } else {
                fail(u"unknown element <%1>"_s.arg(name.toString()));
            }
        }
        checkFont(report, report.bodyFont);
        checkFont(report, report.titleFont);
        checkFont(report, report.headingFont);
        checkFont(report, report.footerFont);
        for (const ReportFrame& frame : report.head) {
            if (frame.kind == ReportFrame::Kind::Text) {
                checkFont(report, frame.font);
            }
        }
    }

    void checkFont(const ReportTemplate& report, const QString& id) {
        if (!id.isEmpty() && !report.fonts.contains(id)) {
            fail(u"no font with id \"%1\""_s.arg(id));
        }
    }

    void readHead(ReportTemplate& report) {
        while (!failed() && m_xml.readNextStartElement()) {
            ReportFrame frame;
            const QStringView name = m_xml.name();
            frame.name = text(u"name"_s);
            frame.stroke = colour(u"stroke"_s, frame.stroke);
            frame.fill = colour(u"fill"_s, QColor());
            frame.strokeMm = number(u"width"_s, frame.strokeMm);
            if (name == u"text"_s) {
                frame.kind = ReportFrame::Kind::Text;
                frame.mm = frameRect();
                frame.font = text(u"font"_s);
                frame.shrink = text(u"shrink"_s) == u"1"_s;
                const QString align = text(u"align"_s);
                frame.align = align == u"center"_s ? Qt::AlignHCenter
                              : align == u"end"_s  ? Qt::AlignRight
                                                   : Qt::AlignLeft;
                frame.text = m_xml.readElementText();
            } else if (name == u"picture"_s) {
                frame.kind = ReportFrame::Kind::Picture;
                frame.mm = frameRect();
                const QByteArray data =
                    QByteArray::fromBase64(m_xml.readElementText().toLatin1(), QByteArray::Base64Encoding);
                if (!data.isEmpty()) {
                    frame.image = QImage::fromData(data);
                    if (frame.image.isNull()) {
                        fail(u"the picture \"%1\" cannot be read"_s.arg(frame.name));
                    }
                }
            } else if (name == u"box"_s) {
                frame.kind = ReportFrame::Kind::Box;
                frame.mm = frameRect();
                m_xml.skipCurrentElement();
            } else if (name == u"line"_s) {
                frame.kind = ReportFrame::Kind::Line;
                const QPointF from(number(u"x1"_s, 0, true), number(u"y1"_s, 0, true));
                const QPointF to(number(u"x2"_s, 0, true), number(u"y2"_s, 0, true));
                frame.mm = QRectF(from, to);
                m_xml.skipCurrentElement();
            } else {
                fail(u"unknown element <%1> in <head>"_s.arg(name.toString()));
                return;
            }
            report.head.push_back(frame);
        }
    }

    void readFlow(ReportTemplate& report) {
        report.flowTopMm = number(u"top"_s, 0);
        report.bodyFont = text(u"body"_s);
        report.titleFont = text(u"title"_s);
        report.headingFont = text(u"heading"_s);
        report.paragraphGapMm = number(u"paragraph-gap"_s, report.paragraphGapMm);
        report.sectionGapMm = number(u"section-gap"_s, report.sectionGapMm);
        if (report.bodyFont.isEmpty()) {
            fail(u"<flow> needs a body font"_s);
        }
        while (!failed() && m_xml.readNextStartElement()) {
            ReportFlowItem item;
            if (m_xml.name() == u"section"_s) {
                item.kind = ReportFlowItem::Kind::Section;
                item.key = text(u"key"_s);
                item.title = text(u"title"_s);
                if (item.key.isEmpty()) {
                    fail(u"<section> needs a key"_s);
                }
                m_xml.skipCurrentElement();
            } else if (m_xml.name() == u"heading"_s) {
                item.kind = ReportFlowItem::Kind::Heading;
                item.title = m_xml.readElementText();
            } else {
                fail(u"unknown element <%1> in <flow>"_s.arg(m_xml.name().toString()));
                return;
            }
            report.flow.push_back(item);
        }
    }

    QXmlStreamReader m_xml;
    QString m_error;
};

// --- drawing ---------------------------------------------------------------------------

QStringList Paragraphs(const QString& text) {
    static const QRegularExpression lineBreak(u"\r\n|\n|\r"_s);
    return text.split(lineBreak);
}

bool IsLatinRunCharacter(QChar c) {
    return c.unicode() > 0x20 && c.unicode() < 0x7F;
}

} // namespace

QString WithLatinRunsIsolated(const QString& text) {
    // A run of Latin text (with the blanks inside it) inside right-to-left text is its own
    // left-to-right piece: "@aramesh_clinic" keeps its "@" in front, "Dr. Karimi" its order.
    QString out;
    out.reserve(text.size() + 8);
    qsizetype i = 0;
    while (i < text.size()) {
        if (!IsLatinRunCharacter(text[i])) {
            out.append(text[i++]);
            continue;
        }
        qsizetype end = i;
        bool letter = false;
        for (qsizetype j = i; j < text.size();) {
            if (IsLatinRunCharacter(text[j])) {
                letter = letter || text[j].isLetter();
                end = ++j;
            } else if (text[j] == u' ') {
                while (j < text.size() && text[j] == u' ') {
                    ++j;
                }
                if (j >= text.size() || !IsLatinRunCharacter(text[j])) {
                    break;
                }
            } else {
                break;
            }
        }
        const QStringView run = QStringView(text).sliced(i, end - i);
        if (letter) {
            out.append(QChar(0x2066)); // left-to-right isolate
            out.append(run);
            out.append(QChar(0x2069)); // pop directional isolate
        } else {
            out.append(run); // numbers and dates are laid out well as they are
        }
        i = end;
    }
    return out;
}

namespace {

// Draws a laid-out line as its shaped glyphs. Drawing the glyphs, not the text, keeps the
// right-to-left order and shaping in the print preview too, which records text runs and would
// otherwise lay each run out again on its own, left to right.
void DrawLine(QPainter& painter, const QTextLine& line, QPointF position) {
    for (const QGlyphRun& run : line.glyphRuns()) {
        painter.drawGlyphRun(position, run);
    }
}

// A text laid out right to left in a given width, one layout per paragraph.
class LaidText {
public:
    LaidText(const QString& text, const QFont& font, qreal width, Qt::Alignment align, QPaintDevice* device,
             Qt::LayoutDirection direction = Qt::RightToLeft) {
        QTextOption option(align);
        option.setTextDirection(direction);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        for (const QString& paragraph : Paragraphs(text)) {
            auto layout = std::make_unique<QTextLayout>(
                direction == Qt::RightToLeft ? WithLatinRunsIsolated(paragraph) : paragraph, font, device);
            layout->setTextOption(option);
            layout->beginLayout();
            qreal y = 0;
            for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
                line.setLineWidth(width);
                line.setPosition(QPointF(0, y));
                y += line.height();
            }
            layout->endLayout();
            m_height += y;
            m_layouts.push_back(std::move(layout));
        }
    }

    qreal height() const { return m_height; }
    const std::vector<std::unique_ptr<QTextLayout>>& layouts() const { return m_layouts; }

    void draw(QPainter& painter, QPointF topLeft) const {
        qreal y = topLeft.y();
        for (const auto& layout : m_layouts) {
            for (int i = 0; i < layout->lineCount(); ++i) {
                DrawLine(painter, layout->lineAt(i), QPointF(topLeft.x(), y));
            }
            y += layout->boundingRect().height();
        }
    }

private:
    std::vector<std::unique_ptr<QTextLayout>> m_layouts;
    qreal m_height = 0;
};

class Renderer {
public:
    Renderer(const ReportTemplate& report, QPainter& painter, QPagedPaintDevice& device)
        : m_report(report)
        , m_painter(painter)
        , m_device(device) {
        const QRect paint = device.pageLayout().paintRectPixels(device.logicalDpiX());
        m_width = paint.width();
        m_height = paint.height();
        m_scale = device.logicalDpiX() / 25.4;
    }

    int run() {
        m_painter.setLayoutDirection(Qt::RightToLeft);
        m_painter.setRenderHint(QPainter::Antialiasing);
        m_painter.setRenderHint(QPainter::SmoothPixmapTransform);
        for (const ReportFrame& frame : m_report.head) {
            drawFrame(frame);
        }
        const QFont footer = font(m_report.footerFont.isEmpty() ? m_report.bodyFont : m_report.footerFont);
        m_bottom = m_height -
                   (m_report.footerText.isEmpty() ? 0 : QFontMetricsF(footer, &m_device).height() + mm(2));
        m_y = mm(m_report.flowTopMm);
        runFlow();
        drawFooter();
        return m_page;
    }

private:
    qreal mm(qreal value) const { return value * m_scale; }
    QRectF rect(const QRectF& frameMm) const {
        return QRectF(mm(frameMm.x()), mm(frameMm.y()), mm(frameMm.width()), mm(frameMm.height()));
    }

    QFont font(const QString& id, qreal shrinkBy = 0) const {
        const ReportFont look = m_report.fonts.value(id);
        QFont font(look.family);
        font.setPointSizeF(qMax<qreal>(4, look.size - shrinkBy));
        font.setBold(look.bold);
        return QFont(font, &m_device);
    }
    QColor colour(const QString& id) const { return m_report.fonts.value(id).color; }

    void drawFrame(const ReportFrame& frame) {
        const QRectF area = rect(frame.mm);
        switch (frame.kind) {
        case ReportFrame::Kind::Box:
            m_painter.setPen(frame.strokeMm > 0 ? QPen(frame.stroke, mm(frame.strokeMm)) : QPen(Qt::NoPen));
            m_painter.setBrush(frame.fill.isValid() ? QBrush(frame.fill) : QBrush(Qt::NoBrush));
            m_painter.drawRect(area);
            break;
        case ReportFrame::Kind::Line:
            m_painter.setPen(QPen(frame.stroke, mm(frame.strokeMm)));
            m_painter.drawLine(area.topLeft(), area.bottomRight());
            break;
        case ReportFrame::Kind::Picture:
            drawPicture(frame.image, area);
            break;
        case ReportFrame::Kind::Text:
            drawTextFrame(frame, area);
            break;
        }
    }

    void drawPicture(const QImage& image, const QRectF& area) {
        if (image.isNull() || area.isEmpty()) {
            return;
        }
        QSizeF size = image.size();
        size.scale(area.size(), Qt::KeepAspectRatio);
        const QRectF target(area.x() + (area.width() - size.width()) / 2,
                            area.y() + (area.height() - size.height()) / 2, size.width(), size.height());
        m_painter.drawImage(target, image);
    }

    void drawTextFrame(const ReportFrame& frame, const QRectF& area) {
        QString text = frame.text;
        while (text.endsWith(u'\n') || text.endsWith(u'\r')) {
            text.chop(1); // a closing line break adds nothing visible
        }
        qreal shrinkBy = 0;
        auto laid = std::make_unique<LaidText>(text, font(frame.font), area.width(), frame.align, &m_device);
        while (frame.shrink && laid->height() > area.height() && shrinkBy < 8) {
            shrinkBy += 0.5;
            laid = std::make_unique<LaidText>(text, font(frame.font, shrinkBy), area.width(), frame.align,
                                              &m_device);
        }
        m_painter.save();
        m_painter.setClipRect(area);
        m_painter.setPen(colour(frame.font));
        // Centred in the frame's height when it fits, else from its top.
        const qreal top = area.y() + qMax<qreal>(0, (area.height() - laid->height()) / 2);
        laid->draw(m_painter, QPointF(area.x(), top));
        m_painter.restore();
    }

    void drawFooter() {
        if (m_report.footerText.isEmpty()) {
            return;
        }
        const QString id = m_report.footerFont.isEmpty() ? m_report.bodyFont : m_report.footerFont;
        QString text = m_report.footerText;
        text.replace(u"{page}"_s, QString::number(m_page));
        const LaidText laid(text, font(id), m_width, Qt::AlignHCenter, &m_device);
        m_painter.setPen(colour(id));
        laid.draw(m_painter, QPointF(0, m_height - laid.height()));
    }

    // Starts a new page when the next piece would run below the body's end; a page that
    // holds nothing yet takes the piece whatever its height.
    void ensureRoom(qreal height) {
        if (m_y + height <= m_bottom || m_y <= 0) {
            return;
        }
        drawFooter();
        m_device.newPage();
        ++m_page;
        m_y = 0;
    }

    void drawLines(const LaidText& laid, const QColor& colour, qreal paragraphGap) {
        m_painter.setPen(colour);
        for (const auto& layout : laid.layouts()) {
            for (int i = 0; i < layout->lineCount(); ++i) {
                const QTextLine line = layout->lineAt(i);
                ensureRoom(line.height());
                DrawLine(m_painter, line, QPointF(0, m_y - line.y()));
                m_y += line.height();
            }
            m_y += paragraphGap;
        }
    }

    qreal firstLines(const LaidText& laid, int count) const {
        qreal height = 0;
        for (const auto& layout : laid.layouts()) {
            for (int i = 0; i < layout->lineCount() && count > 0; ++i, --count) {
                height += layout->lineAt(i).height();
            }
        }
        return height;
    }

    // A picture as wide as the text, or less where it would be taller than half the page.
    // As wide as the text and at most half a page tall; smaller where that fills the room left
    // on this page, when the room is a quarter of a page or more, rather than leave it empty.
    QSizeF flowPictureSize(const QImage& image, qreal above = 0) const {
        QSizeF size = image.size();
        if (!image.isNull()) {
            const qreal room = m_bottom - m_y - above;
            const qreal tallest = room >= m_height / 4 ? qMin(room, m_height / 2) : m_height / 2;
            size.scale(QSizeF(m_width, tallest), Qt::KeepAspectRatio);
        }
        return size;
    }

    void drawFlowPicture(const QImage& image) {
        if (image.isNull()) {
            return;
        }
        const QSizeF size = flowPictureSize(image);
        ensureRoom(size.height());
        m_painter.drawImage(QRectF((m_width - size.width()) / 2, m_y, size.width(), size.height()), image);
        m_y += size.height() + mm(m_report.sectionGapMm);
    }

    // A ruled table, its caption column at the right; the heading row starts every page the
    // table runs over. Captions run right to left; numbers stand centred left to right, so a
    // sign stays in front of its number.
    void drawFlowTable(const QVector<QStringList>& rows, const QString& bodyId, const QString& titleId) {
        const int columns = rows.isEmpty() ? 0 : static_cast<int>(rows.first().size());
        if (columns < 2) {
            return;
        }
        const QFont body = font(bodyId);
        const QFont heading = font(titleId);
        const qreal rowHeight = QFontMetricsF(body, &m_device).height() * 1.3;
        const qreal captionWidth = m_width * 2 / 5;
        const qreal otherWidth = (m_width - captionWidth) / (columns - 1);
        const auto cellLeft = [&](int column) {
            // Column 0 is the rightmost.
            return column == 0 ? m_width - captionWidth : m_width - captionWidth - column * otherWidth;
        };
        const auto drawRow = [&](const QStringList& row, bool isHeading) {
            ensureRoom(rowHeight);
            const qreal top = m_y;
            for (int c = 0; c < columns; ++c) {
                const qreal width = c == 0 ? captionWidth : otherWidth;
                const bool number = !isHeading && c > 0;
                const qreal pad = mm(1);
                // A caption starts at its cell's right edge; the glyph runs take the alignment as
                // it is given, not mirrored.
                const Qt::Alignment align =
                    c == 0 && !isHeading ? Qt::AlignRight | Qt::AlignAbsolute : Qt::AlignHCenter;
                const LaidText cell(row.value(c), isHeading ? heading : body, width - 2 * pad, align,
                                    &m_device, number ? Qt::LeftToRight : Qt::RightToLeft);
                m_painter.setPen(colour(isHeading ? titleId : bodyId));
                cell.draw(m_painter,
                          QPointF(cellLeft(c) + pad, top + qMax<qreal>(0, (rowHeight - cell.height()) / 2)));
                m_painter.setPen(QPen(QColor(0x80, 0x80, 0x80), mm(0.2)));
                m_painter.setBrush(Qt::NoBrush);
                m_painter.drawRect(QRectF(cellLeft(c), top, width, rowHeight));
            }
            m_y += rowHeight;
        };
        drawRow(rows.first(), true);
        for (qsizetype r = 1; r < rows.size(); ++r) {
            const int page = m_page;
            ensureRoom(rowHeight);
            if (m_page != page) {
                drawRow(rows.first(), true);
            }
            drawRow(rows[r], false);
        }
        m_y += mm(m_report.sectionGapMm);
    }

    void runFlow() {
        const QFont body = font(m_report.bodyFont);
        const qreal bodyLine = QFontMetricsF(body, &m_device).height();
        const QString titleId = m_report.titleFont.isEmpty() ? m_report.bodyFont : m_report.titleFont;
        const QString headingId = m_report.headingFont.isEmpty() ? titleId : m_report.headingFont;
        for (std::size_t i = 0; i < m_report.flow.size(); ++i) {
            const ReportFlowItem& item = m_report.flow[i];
            if (item.kind == ReportFlowItem::Kind::Picture) {
                drawFlowPicture(item.image);
                continue;
            }
            if (item.kind == ReportFlowItem::Kind::Table) {
                drawFlowTable(item.rows, m_report.bodyFont, titleId);
                continue;
            }
            if (item.kind == ReportFlowItem::Kind::Heading) {
                const LaidText heading(item.title, font(headingId), m_width, Qt::AlignLeft, &m_device);
                // A heading stays with the start of what follows it, a picture whole.
                const bool picture = i + 1 < m_report.flow.size() &&
                                     m_report.flow[i + 1].kind == ReportFlowItem::Kind::Picture;
                const qreal gap = mm(m_report.paragraphGapMm);
                const qreal following =
                    picture ? flowPictureSize(m_report.flow[i + 1].image, heading.height() + gap).height()
                            : 3 * bodyLine;
                ensureRoom(heading.height() + following + mm(m_report.paragraphGapMm));
                drawLines(heading, colour(headingId), mm(m_report.paragraphGapMm));
                continue;
            }
            const QString text = m_report.sections.value(item.key).trimmed();
            if (text.isEmpty()) {
                continue;
            }
            const LaidText laid(text, body, m_width, Qt::AlignLeft, &m_device);
            if (!item.title.isEmpty()) {
                const LaidText title(item.title, font(titleId), m_width, Qt::AlignLeft, &m_device);
                ensureRoom(title.height() + firstLines(laid, 2) + mm(m_report.paragraphGapMm));
                drawLines(title, colour(titleId), mm(m_report.paragraphGapMm) / 2);
            }
            drawLines(laid, colour(m_report.bodyFont), mm(m_report.paragraphGapMm));
            m_y += mm(m_report.sectionGapMm);
        }
    }

    const ReportTemplate& m_report;
    QPainter& m_painter;
    QPagedPaintDevice& m_device;
    qreal m_width = 0, m_height = 0, m_scale = 1, m_bottom = 0, m_y = 0;
    int m_page = 1;
};

} // namespace

std::optional<ReportTemplate> ReportTemplate::load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = file.errorString();
        }
        return std::nullopt;
    }
    return parse(file.readAll(), error);
}

std::optional<ReportTemplate> ReportTemplate::parse(const QByteArray& xml, QString* error) {
    return TemplateReader(xml).read(error);
}

bool ReportTemplate::setText(const QString& name, const QString& text) {
    for (ReportFrame& frame : head) {
        if (frame.name == name && frame.kind == ReportFrame::Kind::Text) {
            frame.text = text;
            return true;
        }
    }
    return false;
}

bool ReportTemplate::setPicture(const QString& name, const QImage& image) {
    for (ReportFrame& frame : head) {
        if (frame.name == name && frame.kind == ReportFrame::Kind::Picture) {
            frame.image = image;
            return true;
        }
    }
    return false;
}

const ReportFrame* ReportTemplate::frame(const QString& name) const {
    for (const ReportFrame& frame : head) {
        if (frame.name == name) {
            return &frame;
        }
    }
    return nullptr;
}

QPageLayout ReportTemplate::pageLayout() const {
    return QPageLayout(pageSize, orientation, marginsMm, QPageLayout::Millimeter);
}

int ReportTemplate::render(QPainter& painter, QPagedPaintDevice& device) const {
    return Renderer(*this, painter, device).run();
}

QString ReportTemplate::writePdf(const QString& path) const {
    // Drawn in memory, then written through the checked writer: a full disk leaves the
    // earlier file as it was and no half file.
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(pageLayout());
        writer.setResolution(300);
        writer.setCreator(u"Morvalen"_s);
        writer.setTitle(u"Morvalen"_s);
        QPainter painter;
        if (!painter.begin(&writer)) {
            return u"فايل PDF ساخته نشد: "_s + QDir::toNativeSeparators(path);
        }
        render(painter, writer);
        if (!painter.end()) {
            return u"فايل PDF ساخته نشد: "_s + QDir::toNativeSeparators(path);
        }
    }
    const QString failure = CheckedFile::Save(path, pdf);
    return failure.isEmpty() ? QString() : u"فايل PDF ذخيره نشد.\r\n"_s + failure;
}

} // namespace morvalen
