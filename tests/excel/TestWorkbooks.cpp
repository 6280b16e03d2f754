#include "TestWorkbooks.h"

#include "core/MakerSite.h"
#include "reports/AnswerImport.h"
#include "reports/XlsWriter.h"
#include "support/ExternalReaders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cstdlib>
#include <cstring>
#include <string_view>

#include <freexl.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <xlsxwriter.h>
#include <zip.h>

namespace morvalen::test {

using namespace Qt::StringLiterals;

namespace {

// libfreexl as a second, independent reader of the .xls files we write.
class FreeXlReader : public WorkbookReader {
public:
    ~FreeXlReader() override {
        if (m_handle) {
            freexl_close(m_handle);
        }
    }

    bool open(const QString& path, QString* error) {
        const int result = freexl_open(QFile::encodeName(path).constData(), &m_handle);
        if (result != FREEXL_OK) {
            if (error) {
                *error = u"The .xls file cannot be read (libfreexl error %1)."_s.arg(result);
            }
            if (m_handle) {
                freexl_close(m_handle);
                m_handle = nullptr;
            }
            return false;
        }
        return true;
    }

    std::vector<std::string> sheetNames() const override {
        std::vector<std::string> names;
        unsigned int count = 0;
        if (freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) {
            return names;
        }
        for (unsigned int i = 0; i < count && i < 0xFFFF; ++i) {
            const char* sheetName = nullptr;
            freexl_get_worksheet_name(m_handle, static_cast<unsigned short>(i), &sheetName);
            names.emplace_back(sheetName ? sheetName : "");
        }
        return names;
    }

    bool selectSheetAt(std::size_t index) override {
        m_selected =
            freexl_select_active_worksheet(m_handle, static_cast<unsigned short>(index)) == FREEXL_OK &&
            freexl_worksheet_dimensions(m_handle, &m_rows, &m_columns) == FREEXL_OK;
        return m_selected;
    }

    WorkbookCell cell(int row, int column) override {
        WorkbookCell out;
        if (!m_selected || row < 0 || column < 0 || static_cast<unsigned int>(row) >= m_rows ||
            static_cast<unsigned int>(column) >= m_columns) {
            return out;
        }
        FreeXL_CellValue value;
        std::memset(&value, 0, sizeof value);
        if (freexl_get_cell_value(m_handle, static_cast<unsigned int>(row),
                                  static_cast<unsigned short>(column), &value) != FREEXL_OK) {
            out.kind = WorkbookCell::Kind::Error;
            return out;
        }
        switch (value.type) {
        case FREEXL_CELL_NULL:
            break;
        case FREEXL_CELL_INT:
            out.kind = WorkbookCell::Kind::Number;
            out.number = value.value.int_value;
            break;
        case FREEXL_CELL_DOUBLE:
            out.kind = WorkbookCell::Kind::Number;
            out.number = value.value.double_value;
            break;
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
            out.kind = WorkbookCell::Kind::Text;
            out.text = value.value.text_value ? value.value.text_value : "";
            break;
        default:
            // Dates and times: their text is never an answer.
            out.kind = WorkbookCell::Kind::Other;
        }
        return out;
    }

private:
    const void* m_handle = nullptr;
    bool m_selected = false;
    unsigned int m_rows = 0;
    unsigned short m_columns = 0;
};

} // namespace

std::unique_ptr<WorkbookReader> OpenWithFreeXl(const QString& path, QString* error) {
    auto reader = std::make_unique<FreeXlReader>();
    return reader->open(path, error) ? std::move(reader) : nullptr;
}

TestCells AnswerCells(const QString& marker, const std::map<int, TestCell>& answersByItem) {
    namespace L = AnswerWorkbookLayout;
    TestCells cells;
    cells[{L::kMarkerRow, L::kMarkerColumn}] = marker;
    for (const auto& [item, value] : answersByItem) {
        cells[{L::kFirstAnswerRow + item - 1, L::kAnswerColumn}] = value;
    }
    return cells;
}

bool WriteTestXlsx(const QString& path, const QString& sheetName, const TestCells& cells) {
    lxw_workbook* workbook = workbook_new(QFile::encodeName(path).constData());
    if (!workbook) {
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, sheetName.toUtf8().constData());
    for (const auto& [at, value] : cells) {
        if (const auto* text = std::get_if<QString>(&value)) {
            worksheet_write_string(sheet, at.first, at.second, text->toUtf8().constData(), nullptr);
        } else {
            worksheet_write_number(sheet, at.first, at.second, std::get<double>(value), nullptr);
        }
    }
    return workbook_close(workbook) == LXW_NO_ERROR;
}

CellsSource::CellsSource(const TestCells& cells) : m_cells(cells) {
    for (const auto& [at, value] : cells) {
        m_rows = std::max(m_rows, at.first + 1);
        m_columns = std::max(m_columns, at.second + 1);
    }
}

SheetCell CellsSource::cell(int row, int column) const {
    const auto found = m_cells.find({row, column});
    if (found == m_cells.end()) {
        return SheetCell::Blank();
    }
    if (const auto* text = std::get_if<QString>(&found->second)) {
        return SheetCell{SheetCell::Kind::Text, *text, 0};
    }
    return SheetCell::Number(std::get<double>(found->second));
}

bool WriteTestXls(const QString& path, const QString& sheetName, const TestCells& cells) {
    QString error;
    return XlsWriter::write(path, CellsSource(cells), sheetName, false, &error);
}

QList<std::pair<QString, QByteArray>> ZipEntries(const QByteArray& bytes) {
    QList<std::pair<QString, QByteArray>> entries;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.constData(), bytes.size(), 0, &error);
    zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    if (!archive) {
        if (source) {
            zip_source_free(source);
        }
        zip_error_fini(&error);
        return entries;
    }
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_file_t* file =
            zip_stat_index(archive, i, 0, &stat) == 0 ? zip_fopen_index(archive, i, 0) : nullptr;
        if (!file) {
            continue;
        }
        QByteArray content(static_cast<qsizetype>(stat.size), Qt::Uninitialized);
        const zip_int64_t read = zip_fread(file, content.data(), stat.size);
        zip_fclose(file);
        content.resize(read < 0 ? 0 : static_cast<qsizetype>(read));
        entries.append({QString::fromUtf8(stat.name), content});
    }
    zip_discard(archive);
    zip_error_fini(&error);
    return entries;
}

QByteArray ZipEntry(const QString& path, const char* name) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    for (const auto& [entry, content] : ZipEntries(f.readAll())) {
        if (entry == QString::fromUtf8(name)) {
            return content;
        }
    }
    return {};
}

QByteArray MakeZip(const QList<std::pair<QString, QByteArray>>& entries) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(out);
    zip_t* archive = zip_open_from_source(out, ZIP_TRUNCATE, &error);
    QByteArray result;
    if (archive) {
        for (const auto& [name, content] : entries) {
            // The archive reads the bytes at close; hand it its own copy to free (libzip frees
            // nothing for an empty entry, so that one gets no buffer).
            void* copy = nullptr;
            if (!content.isEmpty()) {
                copy = malloc(static_cast<std::size_t>(content.size()));
                memcpy(copy, content.constData(), static_cast<std::size_t>(content.size()));
            }
            zip_source_t* data =
                zip_source_buffer(archive, copy, static_cast<zip_uint64_t>(content.size()), copy ? 1 : 0);
            if (zip_file_add(archive, name.toUtf8().constData(), data, ZIP_FL_OVERWRITE) < 0) {
                zip_source_free(data);
            }
        }
        if (zip_close(archive) != 0) {
            zip_discard(archive);
        } else if (zip_source_open(out) == 0) {
            zip_stat_t stat;
            if (zip_source_stat(out, &stat) == 0) {
                result.resize(static_cast<qsizetype>(stat.size));
                zip_source_read(out, result.data(), stat.size);
            }
            zip_source_close(out);
        }
    }
    zip_source_free(out);
    zip_error_fini(&error);
    return result;
}

QString WriteTestOds(const QString& path, const QByteArray& tableBody) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        return {};
    }
    f.write(MakeZip({
        {u"mimetype"_s, "application/vnd.oasis.opendocument.spreadsheet"},
        {u"content.xml"_s,
         "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
         "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
         "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
         "xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\">"
         "<office:body><office:spreadsheet><table:table table:name=\"" +
             QByteArray(kMakerDomain) + "\">" + tableBody +
             "</table:table></office:spreadsheet></office:body></office:document-content>"},
    }));
    return path;
}

QByteArray WrapInOle(const QByteArray& stream) {
    GsfOutput* sink = gsf_output_memory_new();
    GsfOutfile* ole = gsf_outfile_msole_new(sink);
    GsfOutput* child = gsf_outfile_new_child(ole, "Workbook", FALSE);
    gsf_output_write(child, static_cast<size_t>(stream.size()),
                     reinterpret_cast<const guint8*>(stream.constData()));
    gsf_output_close(child);
    g_object_unref(child);
    gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
    const QByteArray out(reinterpret_cast<const char*>(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink))),
                         static_cast<qsizetype>(gsf_output_size(sink)));
    g_object_unref(sink);
    return out;
}

bool HaveLibreOffice() {
    return HaveProgram(u"soffice"_s);
}

QList<QStringList> ReadWithLibreOffice(const QString& path, const QString& workFolder) {
    QList<QStringList> rows;
    const QString out = workFolder + u"/lo-out"_s;
    QDir().mkpath(out);
    QFile csv(ConvertWithLibreOffice(path, u"csv:Text - txt - csv (StarCalc):44,34,76"_s, u"csv"_s, out));
    if (!csv.open(QIODevice::ReadOnly)) {
        return rows;
    }
    // The export holds no commas or quotes, so a plain split is enough here.
    for (const QByteArray& line : csv.readAll().split('\n')) {
        if (!line.isEmpty()) {
            rows.append(QString::fromUtf8(line).remove(u'\r').split(u','));
        }
    }
    return rows;
}

} // namespace morvalen::test
