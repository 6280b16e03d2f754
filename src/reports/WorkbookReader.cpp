#include "reports/WorkbookReader.h"

#include "reports/WorkbookPackage.h"
#include "reports/XlsReader.h"

#include <QFile>

#include "reports/XmlWorkbookReader.h"

#include <cstring>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// Larger files are not answer workbooks; refusing them keeps a hostile file from eating memory.
constexpr qint64 kMaxFileSize = 32 * 1024 * 1024;

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
    const std::optional<PackageParts> parts = UnpackedPackage(bytes, error);
    if (!parts) {
        return nullptr;
    }
    // An OpenDocument package has its content part and none of Office Open XML's content types.
    const bool ods = parts->count("content.xml") && !parts->count("[Content_Types].xml");
    return ods ? OpenOds(*parts, error) : OpenXlsx(*parts, error);
}

} // namespace morvalen
