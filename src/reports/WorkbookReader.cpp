#include "reports/WorkbookReader.h"

#include "reports/WorkbookPackage.h"
#include "reports/XlsReader.h"

#include <QFile>

#include <ixion/formula_result.hpp>
#include <ixion/model_context.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/document.hpp>
#include <orcus/spreadsheet/factory.hpp>

#include <cstring>
#include <exception>
#include <stdexcept>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// Larger files are not answer workbooks; refusing them keeps a hostile file from eating memory.
constexpr qint64 kMaxFileSize = 32 * 1024 * 1024;

// Each sheet costs orcus's model about 4.5 MB even when empty (its column stores), so a
// workbook of a thousand tiny sheets would take gigabytes. An answer workbook has one.
constexpr orcus::spreadsheet::sheet_t kMaxSheets = 16;

// The import factory, refusing the sheets beyond the limit.
class BoundedFactory : public orcus::spreadsheet::import_factory {
public:
    using import_factory::import_factory;

    orcus::spreadsheet::iface::import_sheet* append_sheet(orcus::spreadsheet::sheet_t index,
                                                          std::string_view name) override {
        if (index >= kMaxSheets) {
            throw std::runtime_error("The workbook has more sheets than an answer workbook may have.");
        }
        return import_factory::append_sheet(index, name);
    }
};

// .xlsx and .ods: the document model of orcus, read from memory.
class OrcusReader : public WorkbookReader {
public:
    OrcusReader() : m_document({1048576, 16384}), m_factory(m_document) {
        // Formula results are taken as the file stored them, never computed here.
        m_factory.set_recalc_formula_cells(false);
    }

    bool read(const QByteArray& bytes, bool ods) {
        const std::string_view stream(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        if (ods) {
            orcus::orcus_ods loader(&m_factory);
            loader.read_stream(stream);
        } else {
            orcus::orcus_xlsx loader(&m_factory);
            loader.read_stream(stream);
        }
        return true;
    }

    std::vector<std::string> sheetNames() const override {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < m_document.get_sheet_count(); ++i) {
            names.emplace_back(m_document.get_sheet_name(static_cast<orcus::spreadsheet::sheet_t>(i)));
        }
        return names;
    }

    WorkbookCell cell(int row, int column) override {
        WorkbookCell out;
        if (m_sheet < 0 || row < 0 || column < 0) {
            return out;
        }
        try {
            const ixion::model_context& model = m_document.get_model_context();
            const ixion::abs_address_t at(m_sheet, row, column);
            switch (model.get_celltype(at)) {
            case ixion::celltype_t::string:
                out.kind = WorkbookCell::Kind::Text;
                out.text = std::string(model.get_string_value(at));
                break;
            case ixion::celltype_t::numeric:
                out.kind = WorkbookCell::Kind::Number;
                out.number = model.get_numeric_value(at);
                break;
            case ixion::celltype_t::boolean:
                out.kind = WorkbookCell::Kind::Boolean;
                out.number = model.get_numeric_value(at);
                break;
            case ixion::celltype_t::formula: {
                const ixion::formula_result result = model.get_formula_result(at);
                switch (result.get_type()) {
                case ixion::formula_result::result_type::value:
                    out.kind = WorkbookCell::Kind::Number;
                    out.number = result.get_value();
                    break;
                case ixion::formula_result::result_type::string:
                    out.kind = WorkbookCell::Kind::Text;
                    out.text = result.get_string();
                    break;
                case ixion::formula_result::result_type::error:
                    out.kind = WorkbookCell::Kind::Error;
                    break;
                default:
                    out.kind = WorkbookCell::Kind::Other;
                }
                break;
            }
            case ixion::celltype_t::empty:
                break;
            default:
                out.kind = WorkbookCell::Kind::Other;
            }
        } catch (const std::exception&) {
            // A formula without a stored result, or a cell the model cannot give.
            out = WorkbookCell{WorkbookCell::Kind::Error, {}, 0};
        }
        return out;
    }

protected:
    bool selectSheetAt(std::size_t index) override {
        m_sheet = static_cast<orcus::spreadsheet::sheet_t>(index);
        return true;
    }

private:
    orcus::spreadsheet::document m_document;
    BoundedFactory m_factory;
    orcus::spreadsheet::sheet_t m_sheet = -1;
};

bool StartsWith(const QByteArray& bytes, const char* magic, qsizetype length) {
    return bytes.size() >= length &&
           std::memcmp(bytes.constData(), magic, static_cast<std::size_t>(length)) == 0;
}

void SetError(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
}

bool SameSheetName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

bool WorkbookReader::selectSheet(std::string_view name) {
    const std::vector<std::string> names = sheetNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) {
            return selectSheetAt(i);
        }
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (SameSheetName(names[i], name)) {
            return selectSheetAt(i);
        }
    }
    return false;
}

std::unique_ptr<WorkbookReader> WorkbookReader::Open(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SetError(error, file.errorString());
        return nullptr;
    }
    if (file.size() > kMaxFileSize) {
        SetError(error, u"The file is too large for an answer workbook."_s);
        return nullptr;
    }
    const QByteArray bytes = file.readAll();
    if (StartsWith(bytes, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
        return OpenXls(bytes, error);
    }
    if (!StartsWith(bytes, "PK\x03\x04", 4)) {
        SetError(error, u"The file is not a workbook."_s);
        return nullptr;
    }
    // An OpenDocument file names its kind in an uncompressed first entry "mimetype".
    const bool ods = bytes.mid(30, 8) == "mimetype" &&
                     bytes.mid(38, 46) == "application/vnd.oasis.opendocument.spreadsheet";
    const std::optional<QByteArray> checked = CheckedPackage(bytes, error);
    if (!checked) {
        return nullptr;
    }
    try {
        auto reader = std::make_unique<OrcusReader>();
        reader->read(*checked, ods);
        return reader;
    } catch (const std::exception& e) {
        SetError(error, QString::fromUtf8(e.what()));
    } catch (...) {
        SetError(error, u"The workbook cannot be read."_s);
    }
    return nullptr;
}

} // namespace morvalen
