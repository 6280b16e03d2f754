#include "reports/DocxWriter.h"

#include "store/CheckedFile.h"

#include "reports/WorkbookFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <zip.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// A4 with margins of 2 cm, in twips; a picture wider than the text column is scaled down to
// it, since a word processor would otherwise run it off the page.
constexpr int kPageWidthTwips = 11906;
constexpr int kPageHeightTwips = 16838;
constexpr int kMarginTwips = 1134;
constexpr qint64 kEmuPerTwip = 635;
constexpr qint64 kEmuPerPixel = 9525; // at 96 pixels per inch

// Text as XML character data: the markup characters escaped, and the control characters that
// XML 1.0 forbids dropped, so no stored text can break the document.
QString XmlText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += u"&amp;"_s;
            break;
        case u'<':
            out += u"&lt;"_s;
            break;
        case u'>':
            out += u"&gt;"_s;
            break;
        case u'"':
            out += u"&quot;"_s;
            break;
        default:
            if (c.unicode() >= 0x20 || c == u'\t') {
                out += c;
            }
        }
    }
    return out;
}

QString EmptyParagraph() {
    return u"<w:p><w:pPr><w:bidi/></w:pPr></w:p>"_s;
}

// One right-to-left paragraph; tabs become tab runs.
QString TextParagraph(const QString& line) {
    if (line.isEmpty()) {
        return EmptyParagraph();
    }
    QString runs;
    const QStringList pieces = line.split(u'\t');
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            runs += u"<w:r><w:rPr><w:rtl/></w:rPr><w:tab/></w:r>"_s;
        }
        if (!pieces[i].isEmpty()) {
            runs += u"<w:r><w:rPr><w:rtl/></w:rPr><w:t xml:space=\"preserve\">"_s + XmlText(pieces[i]) +
                    u"</w:t></w:r>"_s;
        }
    }
    return u"<w:p><w:pPr><w:bidi/></w:pPr>"_s + runs + u"</w:p>"_s;
}

QString PictureParagraph(QSize pixels, const QString& relation = u"rIdChart"_s, int id = 1,
                         const QString& name = u"Morvalen-2.jpg"_s) {
    qint64 cx = qint64(qMax(1, pixels.width())) * kEmuPerPixel;
    qint64 cy = qint64(qMax(1, pixels.height())) * kEmuPerPixel;
    const qint64 column = qint64(kPageWidthTwips - 2 * kMarginTwips) * kEmuPerTwip;
    if (cx > column) {
        cy = cy * column / cx;
        cx = column;
    }
    const QString extent = u"cx=\"%1\" cy=\"%2\""_s.arg(cx).arg(cy);
    return u"<w:p><w:pPr><w:bidi/></w:pPr><w:r><w:drawing>"
           u"<wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\">"
           u"<wp:extent "_s +
           extent + u"/><wp:docPr id=\""_s + QString::number(id) + u"\" name=\""_s + name +
           u"\"/>"
           u"<wp:cNvGraphicFramePr><a:graphicFrameLocks noChangeAspect=\"1\"/></wp:cNvGraphicFramePr>"
           u"<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
           u"<pic:pic><pic:nvPicPr><pic:cNvPr id=\"0\" name=\""_s +
           name + u"\"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip r:embed=\""_s + relation +
           u"\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill>"
           u"<pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext "_s +
           extent +
           u"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr>"
           u"</pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r></w:p>"_s;
}

// One table cell: the scale's caption runs right to left from the start; numbers stand
// centred left to right, so a sign stays in front of its number ("+12", not "12+").
QString TableCell(const QString& text, int widthTwips, bool heading, bool caption) {
    const bool number = !heading && !caption;
    const QString bold = heading ? u"<w:b/><w:bCs/>"_s : QString();
    // The document's style runs every paragraph and run right to left; number cells say otherwise.
    const QString paragraph = number    ? u"<w:pPr><w:bidi w:val=\"0\"/><w:jc w:val=\"center\"/></w:pPr>"_s
                              : caption ? u"<w:pPr><w:bidi/></w:pPr>"_s
                                        : u"<w:pPr><w:bidi/><w:jc w:val=\"center\"/></w:pPr>"_s;
    const QString run = number ? u"<w:rPr><w:rtl w:val=\"0\"/>"_s + bold + u"</w:rPr>"_s
                               : u"<w:rPr><w:rtl/>"_s + bold + u"</w:rPr>"_s;
    return u"<w:tc><w:tcPr><w:tcW w:w=\"%1\" w:type=\"dxa\"/></w:tcPr><w:p>"_s.arg(widthTwips) + paragraph +
           u"<w:r>"_s + run + u"<w:t xml:space=\"preserve\">"_s + XmlText(text) +
           u"</w:t></w:r></w:p></w:tc>"_s;
}

// The change table, right to left: the caption column at the right, then each sheet and the
// change; the heading row repeats on every page it runs over.
QString ComparisonTable(const QVector<QStringList>& rows) {
    const int columns = rows.isEmpty() ? 0 : static_cast<int>(rows.first().size());
    if (columns < 2) {
        return {};
    }
    const int textWidth = kPageWidthTwips - 2 * kMarginTwips;
    const int captionWidth = textWidth * 2 / 5;
    const int otherWidth = (textWidth - captionWidth) / (columns - 1);
    QString grid;
    for (int c = 0; c < columns; ++c) {
        grid += u"<w:gridCol w:w=\"%1\"/>"_s.arg(c == 0 ? captionWidth : otherWidth);
    }
    QString body;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        body += r == 0 ? u"<w:tr><w:trPr><w:tblHeader/></w:trPr>"_s : u"<w:tr>"_s;
        for (int c = 0; c < columns; ++c) {
            body += TableCell(rows[r].value(c), c == 0 ? captionWidth : otherWidth, r == 0, c == 0);
        }
        body += u"</w:tr>"_s;
    }
    const QString line = u"w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"808080\""_s;
    return u"<w:tbl><w:tblPr><w:bidiVisual/><w:tblW w:w=\"%1\" w:type=\"dxa\"/><w:jc w:val=\"center\"/>"
           u"<w:tblBorders><w:top %2/><w:left %2/><w:bottom %2/><w:right %2/><w:insideH %2/><w:insideV %2/>"
           u"</w:tblBorders><w:tblLayout w:type=\"fixed\"/></w:tblPr><w:tblGrid>"_s.arg(textWidth)
               .arg(line) +
           grid + u"</w:tblGrid>"_s + body + u"</w:tbl>"_s;
}

QString ComparisonSection(const WordReportContent& content) {
    // The heading in bold, kept on the page of the chart under it.
    const QString heading =
        u"<w:p><w:pPr><w:keepNext/><w:bidi/></w:pPr><w:r><w:rPr><w:rtl/><w:b/><w:bCs/></w:rPr>"
        u"<w:t xml:space=\"preserve\">مقايسه پاسخنامه ها</w:t></w:r></w:p>"_s;
    return heading +
           PictureParagraph(content.comparisonPixels, u"rIdCompare"_s, 2, u"Morvalen-compare.jpg"_s) +
           ComparisonTable(content.comparisonTable) + EmptyParagraph();
}

QByteArray StylesXml(const QString& family) {
    const QString face = XmlText(family);
    return (u"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
            u"<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
            u"<w:docDefaults><w:rPrDefault><w:rPr>"
            u"<w:rFonts w:ascii=\"%1\" w:hAnsi=\"%1\" w:eastAsia=\"%1\" w:cs=\"%1\"/>"
            u"<w:sz w:val=\"26\"/><w:szCs w:val=\"28\"/><w:lang w:val=\"fa-IR\" w:bidi=\"fa-IR\"/>"
            u"</w:rPr></w:rPrDefault>"
            u"<w:pPrDefault><w:pPr><w:bidi/><w:spacing w:after=\"60\" w:line=\"276\" w:lineRule=\"auto\"/>"
            u"</w:pPr></w:pPrDefault></w:docDefaults>"
            u"<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/>"
            u"<w:pPr><w:bidi/></w:pPr><w:rPr><w:rtl/></w:rPr></w:style>"
            u"</w:styles>"_s)
        .arg(face)
        .toUtf8();
}

const char kContentTypes[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Default Extension=\"jpeg\" ContentType=\"image/jpeg\"/>"
    "<Override PartName=\"/word/document.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
    "<Override PartName=\"/word/styles.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
    "</Types>";

const char kPackageRels[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"word/document.xml\"/>"
    "</Relationships>";

// The document's relations; the second picture only when sheets are compared.
QByteArray DocumentRels(bool comparing) {
    QByteArray rels = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                      "<Relationship Id=\"rIdStyles\" "
                      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
                      "Target=\"styles.xml\"/>"
                      "<Relationship Id=\"rIdChart\" "
                      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image\" "
                      "Target=\"media/image1.jpeg\"/>";
    if (comparing) {
        rels += "<Relationship Id=\"rIdCompare\" "
                "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image\" "
                "Target=\"media/image2.jpeg\"/>";
    }
    return rels + "</Relationships>";
}

bool Comparing(const WordReportContent& content) {
    return content.comparisonTable.size() > 1;
}

struct ZipDiscard {
    void operator()(zip_t* archive) const {
        if (archive) {
            zip_discard(archive);
        }
    }
};

// Adds a part; libzip reads the bytes only when the archive is closed, so it gets a copy of
// its own to free.
bool AddPart(zip_t* archive, const char* name, const QByteArray& bytes) {
    void* copy = std::malloc(static_cast<std::size_t>(qMax<qsizetype>(bytes.size(), 1)));
    if (!copy) {
        return false;
    }
    std::memcpy(copy, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    zip_source_t* source = zip_source_buffer(archive, copy, static_cast<zip_uint64_t>(bytes.size()), 1);
    if (!source) {
        std::free(copy);
        return false;
    }
    if (zip_file_add(archive, name, source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
        zip_source_free(source);
        return false;
    }
    return true;
}

} // namespace

QByteArray WordDocumentXml(const WordReportContent& content) {
    QString body = EmptyParagraph() + PictureParagraph(content.pixels) + EmptyParagraph() +
                   TextParagraph(content.examineeLine) + EmptyParagraph();
    if (Comparing(content)) {
        body += ComparisonSection(content);
    }
    if (!content.interpretation.isEmpty()) {
        static const QRegularExpression lineBreak(u"\r\n|\n|\r"_s);
        for (const QString& line : content.interpretation.split(lineBreak)) {
            body += TextParagraph(line);
        }
    }
    const QString section =
        u"<w:sectPr><w:pgSz w:w=\"%1\" w:h=\"%2\"/>"
        u"<w:pgMar w:top=\"%3\" w:right=\"%3\" w:bottom=\"%3\" w:left=\"%3\" "
        u"w:header=\"708\" w:footer=\"708\" w:gutter=\"0\"/><w:bidi/></w:sectPr>"_s.arg(kPageWidthTwips)
            .arg(kPageHeightTwips)
            .arg(kMarginTwips);
    return (u"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
            u"<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
            u"xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
            u"xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
            u"xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
            u"xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><w:body>"_s +
            body + section + u"</w:body></w:document>"_s)
        .toUtf8();
}

QString WriteWordDocument(const QString& path, const WordReportContent& content) {
    const QFileInfo target(path);
    if (!QDir().mkpath(target.absolutePath())) {
        return u"پوشه ساخته نشد: "_s + target.absolutePath();
    }
    // libzip writes the checked writer's temporary file beside the target; only a whole,
    // readable archive then takes the earlier document's place.
    CheckedFile file(path);
    if (!file.reserve()) {
        return file.message();
    }
    int error = 0;
    errno = 0;
    std::unique_ptr<zip_t, ZipDiscard> archive(
        zip_open(LibraryFileName(file.temporaryPath()).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error));
    if (!archive) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, error);
        const int systemError = zip_error_code_system(&reason) != 0 ? zip_error_code_system(&reason) : errno;
        const QString text = QString::fromLocal8Bit(zip_error_strerror(&reason));
        zip_error_fini(&reason);
        file.fail(text, systemError);
        return file.message();
    }
    const bool added =
        AddPart(archive.get(), "[Content_Types].xml", QByteArray(kContentTypes)) &&
        AddPart(archive.get(), "_rels/.rels", QByteArray(kPackageRels)) &&
        AddPart(archive.get(), "word/document.xml", WordDocumentXml(content)) &&
        AddPart(archive.get(), "word/_rels/document.xml.rels", DocumentRels(Comparing(content))) &&
        AddPart(archive.get(), "word/styles.xml", StylesXml(content.fontFamily)) &&
        AddPart(archive.get(), "word/media/image1.jpeg", content.jpeg) &&
        (!Comparing(content) || AddPart(archive.get(), "word/media/image2.jpeg", content.comparisonJpeg));
    errno = 0;
    if (!added || zip_close(archive.get()) != 0) {
        const zip_error_t* reason = zip_get_error(archive.get());
        const int systemError = zip_error_code_system(reason) != 0 ? zip_error_code_system(reason) : errno;
        const QString text = QString::fromLocal8Bit(zip_strerror(archive.get()));
        archive.reset();
        file.fail(text, systemError);
        return file.message();
    }
    archive.release(); // zip_close freed it
    // Replace the earlier document only now that the new one is on the disk; the move fails,
    // and the earlier file stays, when that file is open elsewhere or may not be replaced.
    if (!EndsAsZip(file.temporaryPath())) {
        file.fail(u"zip"_s);
        return file.message();
    }
    if (!file.commitWritten()) {
        return file.message();
    }
    return {};
}

} // namespace morvalen
