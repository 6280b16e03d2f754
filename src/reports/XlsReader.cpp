#include "reports/XlsReader.h"

#include "reports/Biff8Records.h"
#include "reports/WorkbookFile.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include <QString>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

using namespace biff8;

// More shared strings than this is no answer workbook; the limit keeps a hostile count from
// reserving memory.
constexpr std::uint32_t kMaxStrings = 1u << 20;
// Likewise the cells kept of one sheet (an answer workbook has a few hundred).
constexpr std::size_t kMaxCells = 1u << 20;

struct Record {
    std::uint16_t id = 0;
    std::size_t begin = 0; // of the data
    std::size_t length = 0;
};

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(U16(p)) | (static_cast<std::uint32_t>(U16(p + 2)) << 16);
}
double F64(const std::uint8_t* p) {
    const std::uint64_t bits =
        static_cast<std::uint64_t>(U32(p)) | (static_cast<std::uint64_t>(U32(p + 4)) << 32);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// An RK number: a whole number or the upper bits of a double, perhaps divided by 100.
double Rk(std::uint32_t rk) {
    double v;
    if (rk & 0x02) {
        v = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    return (rk & 0x01) ? v / 100 : v;
}

// Reads across a record and the CONTINUE records after it, as the shared string table and
// long texts need. A text's characters that go on in a new record are preceded there by a
// fresh option byte.
class Segments {
public:
    Segments(const std::vector<std::uint8_t>& data, std::vector<Record> records)
        : m_data(data)
        , m_records(std::move(records)) {
        m_pos = m_records.empty() ? 0 : m_records[0].begin;
    }

    bool bytes(std::size_t n, std::uint8_t* out) {
        while (n > 0) {
            if (!ensure()) {
                return false;
            }
            const std::size_t take = std::min(n, left());
            if (out) {
                std::memcpy(out, m_data.data() + m_pos, take);
                out += take;
            }
            m_pos += take;
            n -= take;
        }
        return true;
    }
    std::optional<std::uint16_t> u16() {
        std::uint8_t b[2];
        return bytes(2, b) ? std::optional(U16(b)) : std::nullopt;
    }
    std::optional<std::uint32_t> u32() {
        std::uint8_t b[4];
        return bytes(4, b) ? std::optional(U32(b)) : std::nullopt;
    }

    // A text as BIFF8 stores it (XLUnicodeString or XLUnicodeRichExtendedString).
    bool text(std::size_t count, std::uint8_t options, std::u16string* out) {
        std::uint16_t richRuns = 0;
        std::uint32_t extended = 0;
        if (options & 0x08) {
            const auto r = u16();
            if (!r) {
                return false;
            }
            richRuns = *r;
        }
        if (options & 0x04) {
            const auto e = u32();
            if (!e) {
                return false;
            }
            extended = *e;
        }
        bool wide = options & 0x01;
        out->clear();
        out->reserve(std::min<std::size_t>(count, 32768));
        while (out->size() < count) {
            if (!ensure(&wide)) {
                return false;
            }
            const std::size_t width = wide ? 2 : 1;
            const std::size_t fit = std::min(count - out->size(), left() / width);
            if (fit == 0) {
                return false; // half a character at the end of a record
            }
            for (std::size_t i = 0; i < fit; ++i) {
                const std::uint8_t* p = m_data.data() + m_pos + i * width;
                out->push_back(wide ? static_cast<char16_t>(U16(p)) : static_cast<char16_t>(*p));
            }
            m_pos += fit * width;
        }
        return bytes(static_cast<std::size_t>(richRuns) * 4, nullptr) && bytes(extended, nullptr);
    }

private:
    std::size_t left() const { return m_records[m_index].begin + m_records[m_index].length - m_pos; }

    // Moves to the next record when this one is used up; a text's characters carry on there
    // after an option byte that says how wide they are.
    bool ensure(bool* wide = nullptr) {
        while (m_index < m_records.size() && left() == 0) {
            if (++m_index == m_records.size()) {
                return false;
            }
            m_pos = m_records[m_index].begin;
            if (wide) {
                if (left() == 0) {
                    return false;
                }
                *wide = m_data[m_pos] & 0x01;
                ++m_pos;
            }
        }
        return m_index < m_records.size();
    }

    const std::vector<std::uint8_t>& m_data;
    std::vector<Record> m_records;
    std::size_t m_index = 0;
    std::size_t m_pos = 0;
};

std::string Utf8(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toStdString();
}

struct Sheet {
    std::uint32_t offset = 0;
    std::string name;
};

class BiffReader : public WorkbookReader {
public:
    bool read(std::vector<std::uint8_t> stream, QString* error) {
        m_data = std::move(stream);
        m_records = splitRecords();
        if (m_records.empty() || m_records[0].id != kBof || m_records[0].length < 4 ||
            U16(m_data.data() + m_records[0].begin) != 0x0600) {
            return fail(error, u"Not an Excel 97-2003 (BIFF8) workbook."_s);
        }
        for (std::size_t i = 1; i < m_records.size() && m_records[i].id != kEof; ++i) {
            const Record& r = m_records[i];
            const std::uint8_t* p = m_data.data() + r.begin;
            if (r.id == kBoundSheet && r.length >= 8) {
                Sheet sheet;
                sheet.offset = U32(p);
                const std::size_t count = p[6];
                const bool wide = p[7] & 0x01;
                if (8 + count * (wide ? 2 : 1) > r.length) {
                    return fail(error, u"A sheet name runs past its record."_s);
                }
                std::u16string name;
                for (std::size_t c = 0; c < count; ++c) {
                    name.push_back(wide ? static_cast<char16_t>(U16(p + 8 + 2 * c))
                                        : static_cast<char16_t>(p[8 + c]));
                }
                sheet.name = Utf8(name);
                m_sheets.push_back(sheet);
            } else if (r.id == kSst && !readStrings(i)) {
                return fail(error, u"The shared strings are damaged."_s);
            }
        }
        return true;
    }

    std::vector<std::string> sheetNames() const override {
        std::vector<std::string> names;
        for (const Sheet& sheet : m_sheets) {
            names.push_back(sheet.name);
        }
        return names;
    }

    WorkbookCell cell(int row, int column) override {
        if (row < 0 || column < 0 || row > 0xFFFF || column > 0xFF) {
            return {};
        }
        const auto found = m_cells.find(Key(row, column));
        return found == m_cells.end() ? WorkbookCell{} : found->second;
    }

protected:
    bool selectSheetAt(std::size_t index) override {
        m_cells.clear();
        return index < m_sheets.size() && readSheet(m_sheets[index].offset);
    }

private:
    static std::uint32_t Key(std::uint32_t row, std::uint32_t column) { return (row << 8) | (column & 0xFF); }

    static bool fail(QString* error, const QString& why) {
        if (error) {
            *error = why;
        }
        return false;
    }

    // Every record of the stream; a record cut off at the end ends the list.
    std::vector<Record> splitRecords() const {
        std::vector<Record> records;
        std::size_t pos = 0;
        while (pos + 4 <= m_data.size()) {
            Record r{U16(m_data.data() + pos), pos + 4, U16(m_data.data() + pos + 2)};
            if (r.begin + r.length > m_data.size()) {
                break;
            }
            records.push_back(r);
            pos = r.begin + r.length;
        }
        return records;
    }

    // The record at this stream offset, by a search of the list.
    std::optional<std::size_t> recordAt(std::size_t offset) const {
        std::size_t lo = 0;
        std::size_t hi = m_records.size();
        while (lo < hi) {
            const std::size_t mid = (lo + hi) / 2;
            if (m_records[mid].begin - 4 < offset) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        if (lo < m_records.size() && m_records[lo].begin - 4 == offset) {
            return lo;
        }
        return std::nullopt;
    }

    // The record and the CONTINUE records that follow it.
    std::vector<Record> withContinues(std::size_t index) const {
        std::vector<Record> parts{m_records[index]};
        for (std::size_t j = index + 1; j < m_records.size() && m_records[j].id == kContinue; ++j) {
            parts.push_back(m_records[j]);
        }
        return parts;
    }

    bool readStrings(std::size_t index) {
        Segments in(m_data, withContinues(index));
        const auto total = in.u32();
        const auto unique = in.u32();
        if (!total || !unique || *unique > kMaxStrings) {
            return false;
        }
        m_strings.clear();
        m_strings.reserve(std::min<std::size_t>(*unique, m_records[index].length));
        std::u16string text;
        for (std::uint32_t s = 0; s < *unique; ++s) {
            const auto count = in.u16();
            std::uint8_t options = 0;
            if (!count || !in.bytes(1, &options) || !in.text(*count, options, &text)) {
                return false;
            }
            m_strings.push_back(Utf8(text));
        }
        return true;
    }

    void put(std::uint16_t row, std::uint16_t column, WorkbookCell cell) {
        if (m_cells.size() >= kMaxCells) {
            m_tooMany = true;
            return;
        }
        m_cells[Key(row, column)] = std::move(cell);
    }

    bool readSheet(std::uint32_t offset) {
        m_tooMany = false;
        const std::optional<std::size_t> start = recordAt(offset);
        if (!start || m_records[*start].id != kBof) {
            return false;
        }
        // The cell of a formula whose text result comes in the next STRING record.
        bool pending = false;
        std::uint16_t pendingRow = 0;
        std::uint16_t pendingColumn = 0;
        for (std::size_t i = *start + 1; i < m_records.size() && m_records[i].id != kEof; ++i) {
            const Record& r = m_records[i];
            const std::uint8_t* p = m_data.data() + r.begin;
            // A formula's text result follows it, perhaps after its shared or array formula.
            if (r.id != kString && r.id != kContinue && r.id != 0x04BC && r.id != 0x0221 && r.id != 0x0236) {
                pending = false;
            }
            if (r.length < 6 && r.id != kString) {
                continue;
            }
            const std::uint16_t row = r.length >= 4 ? U16(p) : 0;
            const std::uint16_t column = r.length >= 4 ? U16(p + 2) : 0;
            switch (r.id) {
            case kLabelSst:
                if (r.length >= 10) {
                    const std::uint32_t index = U32(p + 6);
                    put(row, column,
                        index < m_strings.size() ? WorkbookCell{WorkbookCell::Kind::Text, m_strings[index], 0}
                                                 : WorkbookCell{WorkbookCell::Kind::Error, {}, 0});
                }
                break;
            case kLabel:
            case kString: {
                std::vector<Record> parts = withContinues(i);
                const std::size_t skip = r.id == kLabel ? 6 : 0;
                if (parts[0].length < skip) {
                    break;
                }
                parts[0].begin += skip;
                parts[0].length -= skip;
                Segments in(m_data, parts);
                const auto count = in.u16();
                std::uint8_t options = 0;
                std::u16string text;
                const bool ok = count && in.bytes(1, &options) && in.text(*count, options & 0x01, &text);
                const WorkbookCell value = ok ? WorkbookCell{WorkbookCell::Kind::Text, Utf8(text), 0}
                                              : WorkbookCell{WorkbookCell::Kind::Error, {}, 0};
                if (r.id == kLabel) {
                    put(row, column, value);
                } else if (pending) {
                    put(pendingRow, pendingColumn, value);
                    pending = false;
                }
                break;
            }
            case kNumber:
                if (r.length >= 14) {
                    put(row, column, {WorkbookCell::Kind::Number, {}, F64(p + 6)});
                }
                break;
            case kRk:
                if (r.length >= 10) {
                    put(row, column, {WorkbookCell::Kind::Number, {}, Rk(U32(p + 6))});
                }
                break;
            case kMulRk: {
                // row, first column, then (format, RK) pairs, then the last column.
                for (std::size_t at = 4, c = column; at + 6 + 2 <= r.length && c <= 0xFF; at += 6, ++c) {
                    put(row, static_cast<std::uint16_t>(c),
                        {WorkbookCell::Kind::Number, {}, Rk(U32(p + at + 2))});
                }
                break;
            }
            case kBoolErr:
                if (r.length >= 8) {
                    put(row, column,
                        p[7] ? WorkbookCell{WorkbookCell::Kind::Error, {}, 0}
                             : WorkbookCell{WorkbookCell::Kind::Boolean, {}, static_cast<double>(p[6] != 0)});
                }
                break;
            case kFormula:
                if (r.length >= 14) {
                    // The stored result: a double, or a marked text, boolean, error or empty text.
                    const std::uint8_t* result = p + 6;
                    if (U16(result + 6) != 0xFFFF) {
                        put(row, column, {WorkbookCell::Kind::Number, {}, F64(result)});
                    } else if (result[0] == 0) {
                        put(row, column, {WorkbookCell::Kind::Error, {}, 0}); // until its STRING comes
                        pending = true;
                        pendingRow = row;
                        pendingColumn = column;
                    } else if (result[0] == 1) {
                        put(row, column,
                            {WorkbookCell::Kind::Boolean, {}, static_cast<double>(result[2] != 0)});
                    } else if (result[0] == 3) {
                        put(row, column, {WorkbookCell::Kind::Text, {}, 0});
                    } else {
                        put(row, column, {WorkbookCell::Kind::Error, {}, 0});
                    }
                }
                break;
            default:
                break;
            }
        }
        return !m_tooMany;
    }

    std::vector<std::uint8_t> m_data;
    std::vector<Record> m_records;
    std::vector<std::string> m_strings;
    std::vector<Sheet> m_sheets;
    std::unordered_map<std::uint32_t, WorkbookCell> m_cells;
    bool m_tooMany = false;
};

// Reads the workbook stream out of the OLE2 container.
std::optional<std::vector<std::uint8_t>> WorkbookStream(const QByteArray& file, QString* error) {
    EnsureGsf();
    GError* gerror = nullptr;
    GsfInput* input =
        gsf_input_memory_new(reinterpret_cast<const guint8*>(file.constData()), file.size(), FALSE);
    GsfInfile* ole = input ? gsf_infile_msole_new(input, &gerror) : nullptr;
    if (input) {
        g_object_unref(input); // the container holds its own reference
    }
    if (!ole) {
        if (error) {
            *error = gerror && gerror->message ? QString::fromUtf8(gerror->message) : u"Not an OLE2 file."_s;
        }
        if (gerror) {
            g_error_free(gerror);
        }
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> bytes;
    GsfInput* stream = gsf_infile_child_by_name(ole, "Workbook");
    if (stream) {
        const gsf_off_t size = gsf_input_size(stream);
        if (size > 0 && size <= file.size() * 2 + 4096) {
            std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
            if (gsf_input_read(stream, static_cast<size_t>(size), data.data())) {
                bytes = std::move(data);
            }
        }
        g_object_unref(stream);
    }
    g_object_unref(ole);
    if (!bytes && error) {
        *error = u"The file holds no readable Excel 97-2003 workbook stream."_s;
    }
    return bytes;
}

} // namespace

std::unique_ptr<WorkbookReader> OpenXls(const QByteArray& file, QString* error) {
    std::optional<std::vector<std::uint8_t>> stream = WorkbookStream(file, error);
    if (!stream) {
        return nullptr;
    }
    auto reader = std::make_unique<BiffReader>();
    if (!reader->read(std::move(*stream), error)) {
        return nullptr;
    }
    return reader;
}

} // namespace morvalen
