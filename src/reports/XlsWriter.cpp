#include "reports/XlsWriter.h"

#include "reports/Biff8Records.h"
#include "reports/WorkbookFile.h"

#include <QHash>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

using namespace biff8;

// The most data one record may carry; longer data goes on in CONTINUE records.
constexpr std::size_t kMaxRecordData = 8224;
// Cells use the first cell format after the fifteen style formats.
constexpr std::uint16_t kCellXf = 15;

// A growing little-endian byte buffer of records.
class Bytes {
public:
    void u8(std::uint8_t v) { m_data.push_back(v); }
    void u16(std::uint16_t v) {
        u8(static_cast<std::uint8_t>(v));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void f64(double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        u32(static_cast<std::uint32_t>(bits));
        u32(static_cast<std::uint32_t>(bits >> 32));
    }
    void utf16(QStringView text) {
        for (const QChar c : text) {
            u16(c.unicode());
        }
    }
    // Starts a record; its length is filled in by end().
    void begin(std::uint16_t id) {
        u16(id);
        m_lengthAt = m_data.size();
        u16(0);
    }
    void end() {
        const std::size_t length = m_data.size() - m_lengthAt - 2;
        m_data[m_lengthAt] = static_cast<std::uint8_t>(length);
        m_data[m_lengthAt + 1] = static_cast<std::uint8_t>(length >> 8);
    }
    std::size_t recordLength() const { return m_data.size() - m_lengthAt - 2; }
    void record(std::uint16_t id, std::initializer_list<std::uint16_t> words) {
        begin(id);
        for (auto w : words) {
            u16(w);
        }
        end();
    }

    std::size_t size() const { return m_data.size(); }
    const std::uint8_t* data() const { return m_data.data(); }
    void clear() { m_data.clear(); }
    void patch32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            m_data[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    }

private:
    std::vector<std::uint8_t> m_data;
    std::size_t m_lengthAt = 0;
};

void WriteBof(Bytes& b, std::uint16_t type) {
    b.begin(kBof);
    b.u16(0x0600); // BIFF8
    b.u16(type);   // 0x0005 workbook globals, 0x0010 worksheet
    b.u16(0x0DBB); // build
    b.u16(0x07CC); // year
    b.u32(0);      // file history flags
    b.u32(0x0006); // lowest version that can read the file
    b.end();
}

void WriteFont(Bytes& b, bool bold) {
    const QString name = u"Arial"_s;
    b.begin(kFont);
    b.u16(200); // 10 points, in twentieths
    b.u16(0);   // no italic, strike-out or outline
    b.u16(0x7FFF);
    b.u16(bold ? 700 : 400);
    b.u16(0); // no super- or subscript
    b.u8(0);  // no underline
    b.u8(0);  // family
    b.u8(0);  // character set
    b.u8(0);
    b.u8(static_cast<std::uint8_t>(name.size()));
    b.u8(1); // UTF-16
    b.utf16(name);
    b.end();
}

void WriteXf(Bytes& b, bool style, std::uint16_t font) {
    b.begin(kXf);
    b.u16(font);
    b.u16(0); // General number format
    // Locked; a style format has no parent (0xFFF), a cell format has the Normal style.
    b.u16(style ? 0xFFF5 : 0x0001);
    b.u8(0x20); // aligned at the bottom, general horizontal alignment
    b.u8(0);
    b.u8(0);
    b.u8(style ? 0x00 : 0xF8);
    b.u32(0);      // no borders
    b.u32(0);      // border colours, no fill
    b.u16(0x20C0); // system foreground and background colours
    b.end();
}

// The shared string table: each distinct text once, cells refer to it by index.
class SharedStrings {
public:
    std::uint32_t add(QStringView text) {
        ++m_total;
        const auto found = m_index.constFind(text);
        if (found != m_index.constEnd()) {
            return *found;
        }
        const auto index = static_cast<std::uint32_t>(m_texts.size());
        m_texts.push_back(text);
        m_index.insert(text, index);
        return index;
    }
    std::uint32_t find(QStringView text) const { return m_index.value(text); }

    // SST and its CONTINUE records. A text that does not fit the current record goes on in
    // the next one, which then starts with the text's option byte again.
    void write(Bytes& b) const {
        b.begin(kSst);
        b.u32(m_total);
        b.u32(static_cast<std::uint32_t>(m_texts.size()));
        for (QStringView text : m_texts) {
            // The 3-byte header and at least one character must share a record.
            if (b.recordLength() + 5 > kMaxRecordData) {
                b.end();
                b.begin(kContinue);
            }
            b.u16(static_cast<std::uint16_t>(text.size()));
            b.u8(1); // UTF-16
            for (qsizetype i = 0; i < text.size(); ++i) {
                if (b.recordLength() + 2 > kMaxRecordData) {
                    b.end();
                    b.begin(kContinue);
                    b.u8(1);
                }
                b.u16(text[i].unicode());
            }
        }
        b.end();
    }

private:
    std::vector<QStringView> m_texts;
    QHash<QStringView, std::uint32_t> m_index;
    std::uint32_t m_total = 0;
};

// Excel keeps at most 32,767 characters in a cell.
QStringView Clipped(QStringView text) {
    return text.size() > 32767 ? text.left(32767) : text;
}

struct GsfFile {
    GsfOutfile* ole = nullptr;
    GsfOutput* stream = nullptr;

    ~GsfFile() {
        if (stream) {
            g_object_unref(stream);
        }
        if (ole) {
            g_object_unref(ole);
        }
    }
};

bool Put(GsfOutput* out, Bytes& b) {
    const bool ok = b.size() == 0 || gsf_output_write(out, b.size(), b.data());
    b.clear();
    return ok;
}

} // namespace

bool XlsWriter::write(const QString& path, const SheetSource& source, const QString& sheetName,
                      bool rightToLeft, QString* error, const WriteProgress& progress) {
    QString ignored;
    QString& why = error ? *error : ignored;
    const int rows = source.rowCount();
    const int columns = source.columnCount();
    why = SheetSizeProblem(rows, columns, kMaxRows, kMaxColumns, u".xls"_s);
    if (!why.isEmpty()) {
        return false;
    }

    // Two passes over the rows: the texts, then the cells.
    const auto goOn = [&progress, rows](qint64 done) {
        return !progress || (done % 256 != 0) || progress(done, 2 * qint64(rows));
    };
    const QString stopped = u"The export was cancelled."_s;
    SharedStrings strings;
    for (int r = 0; r < rows; ++r) {
        if (!goOn(r)) {
            why = stopped;
            return false;
        }
        for (int c = 0; c < columns; ++c) {
            const SheetCell cell = source.cell(r, c);
            if (cell.kind == SheetCell::Kind::Text) {
                strings.add(Clipped(cell.text));
            }
        }
    }

    Bytes globals;
    WriteBof(globals, 0x0005);
    globals.record(kCodepage, {1200}); // UTF-16
    globals.record(kWindow1, {0, 0, 0x3000, 0x2000, 0x0038, 0, 0, 1, 0x0258});
    // Four fonts: readers skip index 4, so these are all the cells need.
    for (int i = 0; i < 4; ++i) {
        WriteFont(globals, i == 1);
    }
    for (int i = 0; i < 15; ++i) {
        WriteXf(globals, true, i == 0 ? 0 : 1);
    }
    WriteXf(globals, false, 0);
    globals.record(kStyle, {0x8000, 0xFF00}); // Normal, built in
    const QString name = sheetName.left(31);
    globals.begin(kBoundSheet);
    const std::size_t sheetOffsetAt = globals.size();
    globals.u32(0); // patched below, once the globals' length is known
    globals.u16(0); // visible worksheet
    globals.u8(static_cast<std::uint8_t>(name.size()));
    globals.u8(1);
    globals.utf16(name);
    globals.end();
    strings.write(globals);
    globals.record(kEof, {});
    globals.patch32(sheetOffsetAt, static_cast<std::uint32_t>(globals.size()));

    // Streamed into a temporary file, put in place at the end: a failure leaves the old file
    // and no half file.
    GsfSaveFile target(path);
    if (!target.output()) {
        why = target.error();
        return false;
    }
    GsfFile file;
    file.ole = gsf_outfile_msole_new(target.output());
    file.stream = file.ole ? gsf_outfile_new_child(file.ole, "Workbook", FALSE) : nullptr;
    bool ok = file.stream && Put(file.stream, globals);

    Bytes sheet;
    WriteBof(sheet, 0x0010);
    for (int c = 0; c < columns; ++c) {
        const double width = source.columnWidth(c);
        if (width > 0) {
            // Width in 1/256 of a character.
            const auto units = static_cast<std::uint16_t>(std::min(width, 255.0) * 256);
            sheet.record(kColInfo, {static_cast<std::uint16_t>(c), static_cast<std::uint16_t>(c), units,
                                    kCellXf, 0, 0});
        }
    }
    sheet.begin(kDimensions);
    sheet.u32(0);
    sheet.u32(static_cast<std::uint32_t>(rows));
    sheet.u16(0);
    sheet.u16(static_cast<std::uint16_t>(columns));
    sheet.u16(0);
    sheet.end();
    for (int r = 0; ok && r < rows; ++r) {
        if (!goOn(qint64(rows) + r)) {
            why = stopped;
            return false;
        }
        for (int c = 0; c < columns; ++c) {
            const SheetCell cell = source.cell(r, c);
            if (cell.kind == SheetCell::Kind::Text) {
                sheet.begin(kLabelSst);
                sheet.u16(static_cast<std::uint16_t>(r));
                sheet.u16(static_cast<std::uint16_t>(c));
                sheet.u16(kCellXf);
                sheet.u32(strings.find(Clipped(cell.text)));
                sheet.end();
            } else if (cell.kind == SheetCell::Kind::Number) {
                sheet.begin(kNumber);
                sheet.u16(static_cast<std::uint16_t>(r));
                sheet.u16(static_cast<std::uint16_t>(c));
                sheet.u16(kCellXf);
                sheet.f64(cell.number);
                sheet.end();
            }
        }
        // Handed on in pieces, so a large sheet is never held whole in memory.
        if (sheet.size() > (1u << 20)) {
            ok = Put(file.stream, sheet);
        }
    }
    // Grid lines, headings and the selected tab; right to left when asked.
    const std::uint16_t options = rightToLeft ? 0x06F6 : 0x06B6;
    sheet.record(kWindow2, {options, 0, 0, 0x40, 0, 0, 0, 0, 0});
    sheet.record(kEof, {});
    ok = ok && Put(file.stream, sheet);

    if (file.stream) {
        ok = gsf_output_close(file.stream) && ok;
    }
    if (file.ole) {
        ok = gsf_output_close(GSF_OUTPUT(file.ole)) && ok;
    }
    if (!ok) {
        why = target.fail(GsfError(file.stream, GsfError(target.output(), QString())));
        return false;
    }
    return target.commit(&why);
}

} // namespace morvalen
