#include "reports/XlsxWriter.h"

#include "reports/WorkbookFile.h"

#include <QHash>

#include <gsf/gsf-outfile-zip.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output.h>
#include <gsf/gsf-utils.h>

#include <vector>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

constexpr char kXmlHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr char kMainNs[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr char kRelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// One part of the package, written in pieces as it grows.
class Part {
public:
    Part(GsfOutfile* folder, const char* name) {
        if (folder) {
            // The fastest deflate level: the repetitive XML still shrinks about eightfold, in a
            // third of the time of the default level.
            m_out = gsf_outfile_new_child_full(folder, name, FALSE, "compression-level", GSF_ZIP_DEFLATED,
                                               "deflate-level", 1, static_cast<void*>(nullptr));
        }
        m_ok = m_out != nullptr;
        m_buffer.reserve(kChunk + 4096);
    }
    ~Part() {
        close();
        if (m_out) {
            g_object_unref(m_out);
        }
    }

    Part& operator<<(const char* text) {
        m_buffer.append(text);
        return spill();
    }
    Part& operator<<(const QByteArray& text) {
        m_buffer.append(text);
        return spill();
    }
    Part& operator<<(char c) {
        m_buffer.append(c);
        return *this;
    }
    Part& operator<<(qint64 n) {
        m_buffer.append(QByteArray::number(n));
        return spill();
    }
    // Text as XML character data: the markup characters escaped, the control characters XML
    // cannot carry left out.
    void escaped(QStringView text) {
        const QByteArray utf8 = text.toUtf8();
        for (const char c : utf8) {
            switch (c) {
            case '&':
                m_buffer.append("&amp;");
                break;
            case '<':
                m_buffer.append("&lt;");
                break;
            case '>':
                m_buffer.append("&gt;");
                break;
            case '"':
                m_buffer.append("&quot;");
                break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') {
                    m_buffer.append(c);
                }
            }
        }
        spill();
    }

    bool close() {
        if (m_out && !m_closed) {
            flush();
            m_ok = gsf_output_close(m_out) && m_ok;
            m_closed = true;
        }
        return m_ok;
    }
    bool ok() const { return m_ok; }

private:
    static constexpr qsizetype kChunk = 1 << 20;

    Part& spill() {
        if (m_buffer.size() >= kChunk) {
            flush();
        }
        return *this;
    }
    void flush() {
        if (m_ok && !m_buffer.isEmpty()) {
            m_ok = gsf_output_write(m_out, static_cast<gsize>(m_buffer.size()),
                                    reinterpret_cast<const guint8*>(m_buffer.constData()));
        }
        m_buffer.clear();
    }

    GsfOutput* m_out = nullptr;
    QByteArray m_buffer;
    bool m_ok = false;
    bool m_closed = false;
};

// A folder inside the package ("xl", "xl/worksheets").
struct Folder {
    GsfOutfile* dir = nullptr;
    Folder(GsfOutfile* parent, const char* name) {
        if (parent) {
            dir = GSF_OUTFILE(gsf_outfile_new_child(parent, name, TRUE));
        }
    }
    ~Folder() {
        close();
        if (dir) {
            g_object_unref(dir);
        }
    }
    bool close() {
        return !dir || gsf_output_is_closed(GSF_OUTPUT(dir)) || gsf_output_close(GSF_OUTPUT(dir));
    }
};

// "A", "B", ... "Z", "AA", ...: the column letters of a cell reference.
QByteArray ColumnName(int column) {
    QByteArray name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26) {
        name.prepend(static_cast<char>('A' + (n - 1) % 26));
    }
    return name;
}

bool WriteFixedParts(GsfOutfile* zip, Folder& xl, const QByteArray& sheetName) {
    Part types(zip, "[Content_Types].xml");
    types << kXmlHead
          << "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
             "<Default Extension=\"rels\" "
             "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
             "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
             "<Override PartName=\"/xl/workbook.xml\" "
             "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
             "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
             "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
             "<Override PartName=\"/xl/sharedStrings.xml\" "
             "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
             "<Override PartName=\"/xl/styles.xml\" "
             "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
             "</Types>";
    Folder rels(zip, "_rels");
    Part root(rels.dir, ".rels");
    root << kXmlHead
         << "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         << "<Relationship Id=\"rId1\" Type=\"" << kRelNs << "/officeDocument\" Target=\"xl/workbook.xml\"/>"
         << "</Relationships>";
    Part workbook(xl.dir, "workbook.xml");
    workbook << kXmlHead << "<workbook xmlns=\"" << kMainNs << "\" xmlns:r=\"" << kRelNs << "\"><sheets>"
             << "<sheet name=\"" << sheetName << "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
    Folder xlRels(xl.dir, "_rels");
    Part workbookRels(xlRels.dir, "workbook.xml.rels");
    workbookRels << kXmlHead
                 << "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                 << "<Relationship Id=\"rId1\" Type=\"" << kRelNs
                 << "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                 << "<Relationship Id=\"rId2\" Type=\"" << kRelNs
                 << "/sharedStrings\" Target=\"sharedStrings.xml\"/>"
                 << "<Relationship Id=\"rId3\" Type=\"" << kRelNs << "/styles\" Target=\"styles.xml\"/>"
                 << "</Relationships>";
    Part styles(xl.dir, "styles.xml");
    styles << kXmlHead << "<styleSheet xmlns=\"" << kMainNs << "\">"
           << "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
              "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
              "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
              "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
              "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
              "borderId=\"0\"/></cellStyleXfs>"
              "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" "
              "xfId=\"0\"/></cellXfs>"
              "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
              "</styleSheet>";
    return types.close() && root.close() && rels.close() && workbook.close() && workbookRels.close() &&
           xlRels.close() && styles.close();
}

} // namespace

bool XlsxWriter::write(const QString& path, const SheetSource& source, const QString& sheetName,
                       bool rightToLeft, QString* error, const WriteProgress& progress) {
    QString ignored;
    QString& why = error ? *error : ignored;
    const int rows = source.rowCount();
    const int columns = source.columnCount();
    why = SheetSizeProblem(rows, columns, kMaxRows, kMaxColumns, u".xlsx"_s);
    if (!why.isEmpty()) {
        return false;
    }
    EnsureGsf();

    // Packed in memory, then saved in one step: a failure leaves the old file and no half
    // file. (libgsf's zip output crashes in its close when a write to the disk has failed, so
    // it never writes to the disk itself.)
    GError* gerror = nullptr;
    GsfOutput* sink = gsf_output_memory_new();
    GsfOutfile* zip = gsf_outfile_zip_new(sink, &gerror);
    if (gerror) {
        g_error_free(gerror);
    }
    bool ok = zip != nullptr;
    bool cancelled = false;
    {
        Folder xl(zip, "xl");
        QByteArray name;
        {
            QString escapedName = sheetName.left(31);
            escapedName.replace(u'&', u"&amp;"_s).replace(u'<', u"&lt;"_s).replace(u'"', u"&quot;"_s);
            name = escapedName.toUtf8();
        }
        ok = ok && WriteFixedParts(zip, xl, name);

        std::vector<QStringView> texts;
        QHash<QStringView, qint64> index;
        qint64 textCells = 0;
        {
            Folder sheets(xl.dir, "worksheets");
            Part sheet(sheets.dir, "sheet1.xml");
            std::vector<QByteArray> columnNames;
            for (int c = 0; c < columns; ++c) {
                columnNames.push_back(ColumnName(c));
            }
            sheet << kXmlHead << "<worksheet xmlns=\"" << kMainNs << "\" xmlns:r=\"" << kRelNs << "\">";
            if (rows > 0 && columns > 0) {
                sheet << "<dimension ref=\"A1:" << columnNames.back() << qint64(rows) << "\"/>";
            }
            sheet << "<sheetViews><sheetView " << (rightToLeft ? "rightToLeft=\"1\" " : "")
                  << "workbookViewId=\"0\"/></sheetViews>";
            QByteArray widths;
            for (int c = 0; c < columns; ++c) {
                const double width = source.columnWidth(c);
                if (width > 0) {
                    widths += "<col min=\"" + QByteArray::number(c + 1) + "\" max=\"" +
                              QByteArray::number(c + 1) + "\" width=\"" + QByteArray::number(width) +
                              "\" customWidth=\"1\"/>";
                }
            }
            if (!widths.isEmpty()) {
                sheet << "<cols>" << widths << "</cols>";
            }
            sheet << "<sheetData>";
            for (int r = 0; ok && r < rows; ++r) {
                if (progress && r % 256 == 0 && !progress(r, rows)) {
                    cancelled = true;
                    ok = false;
                    break;
                }
                const QByteArray rowNumber = QByteArray::number(r + 1);
                sheet << "<row r=\"" << rowNumber << "\">";
                for (int c = 0; c < columns; ++c) {
                    const SheetCell cell = source.cell(r, c);
                    if (cell.kind == SheetCell::Kind::Empty) {
                        continue;
                    }
                    sheet << "<c r=\"" << columnNames[c] << rowNumber << '"';
                    if (cell.kind == SheetCell::Kind::Text) {
                        const QStringView text = cell.text.left(32767);
                        auto found = index.constFind(text);
                        if (found == index.constEnd()) {
                            found = index.insert(text, static_cast<qint64>(texts.size()));
                            texts.push_back(text);
                        }
                        ++textCells;
                        sheet << " t=\"s\"><v>" << *found << "</v></c>";
                    } else {
                        sheet << "><v>" << QByteArray::number(cell.number, 'g', 17) << "</v></c>";
                    }
                }
                sheet << "</row>";
                ok = sheet.ok();
            }
            sheet << "</sheetData></worksheet>";
            ok = sheet.close() && ok;
            ok = sheets.close() && ok;
        }
        {
            Part strings(xl.dir, "sharedStrings.xml");
            strings << kXmlHead << "<sst xmlns=\"" << kMainNs << "\" count=\"" << textCells
                    << "\" uniqueCount=\"" << qint64(texts.size()) << "\">";
            for (const QStringView text : texts) {
                strings << "<si><t xml:space=\"preserve\">";
                strings.escaped(text);
                strings << "</t></si>";
            }
            strings << "</sst>";
            ok = strings.close() && ok;
        }
        ok = xl.close() && ok;
    }
    if (zip) {
        ok = gsf_output_close(GSF_OUTPUT(zip)) && ok;
        g_object_unref(zip);
    }
    if (ok && !gsf_output_is_closed(sink)) {
        ok = gsf_output_close(sink);
    }
    if (!ok) {
        why = cancelled ? u"The export was cancelled."_s : GsfError(sink, u"Cannot write the workbook."_s);
    } else {
        const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink));
        ok = SaveBytes(path, reinterpret_cast<const char*>(bytes), static_cast<qint64>(gsf_output_size(sink)),
                       &why);
    }
    g_object_unref(sink);
    return ok;
}

} // namespace morvalen
