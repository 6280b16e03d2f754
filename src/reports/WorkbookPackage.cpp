#include "reports/WorkbookPackage.h"

#include "reports/WorkbookFile.h"

#include <QXmlStreamReader>

#include <gsf/gsf-infile-zip.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include <utility>
#include <vector>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// An answer workbook unpacks to well under a megabyte; this bounds what a zip bomb costs.
constexpr qint64 kMaxUnpacked = 32LL * 1024 * 1024;
constexpr int kMaxParts = 4096;
constexpr int kMaxDepth = 16;

struct Part {
    QByteArray name; // full path inside the package
    QByteArray bytes;
};

class Unpacker {
public:
    QString error;

    bool unpack(GsfInfile* folder, const QByteArray& prefix, int depth, std::vector<Part>* parts) {
        if (depth > kMaxDepth) {
            return fail(u"The package nests too deeply."_s);
        }
        const int count = gsf_infile_num_children(folder);
        for (int i = 0; i < count; ++i) {
            const char* name = gsf_infile_name_by_index(folder, i);
            GsfInput* child = gsf_infile_child_by_index(folder, i);
            if (!name || !child) {
                if (child) {
                    g_object_unref(child);
                }
                return fail(u"A part of the package cannot be read."_s);
            }
            const QByteArray path = prefix + name;
            bool ok = true;
            if (GSF_IS_INFILE(child) && gsf_infile_num_children(GSF_INFILE(child)) >= 0) {
                ok = unpack(GSF_INFILE(child), path + '/', depth + 1, parts);
            } else {
                ok = read(child, path, parts);
            }
            g_object_unref(child);
            if (!ok) {
                return false;
            }
        }
        return true;
    }

private:
    bool fail(const QString& why) {
        error = why;
        return false;
    }

    bool read(GsfInput* input, const QByteArray& path, std::vector<Part>* parts) {
        const gsf_off_t size = gsf_input_size(input);
        if (size < 0 || m_total + size > kMaxUnpacked || parts->size() >= kMaxParts) {
            return fail(u"The package unpacks to more than a workbook needs."_s);
        }
        m_total += size;
        Part part{path, QByteArray(static_cast<qsizetype>(size), Qt::Uninitialized)};
        if (size > 0 &&
            !gsf_input_read(input, static_cast<size_t>(size), reinterpret_cast<guint8*>(part.bytes.data()))) {
            return fail(u"The part %1 cannot be unpacked."_s.arg(QString::fromUtf8(path)));
        }
        parts->push_back(std::move(part));
        return true;
    }

    qint64 m_total = 0;
};

bool IsXml(const QByteArray& name) {
    return name.endsWith(".xml") || name.endsWith(".rels");
}

bool WellFormed(const QByteArray& xml) {
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
    }
    return !reader.hasError();
}

} // namespace

std::optional<PackageParts> UnpackedPackage(const QByteArray& zip, QString* error) {
    EnsureGsf();
    const auto fail = [error](const QString& why) -> std::optional<PackageParts> {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };

    std::vector<Part> parts;
    {
        GError* gerror = nullptr;
        GsfInput* input =
            gsf_input_memory_new(reinterpret_cast<const guint8*>(zip.constData()), zip.size(), FALSE);
        GsfInfile* package = input ? gsf_infile_zip_new(input, &gerror) : nullptr;
        if (input) {
            g_object_unref(input);
        }
        if (!package) {
            const QString why =
                gerror && gerror->message ? QString::fromUtf8(gerror->message) : u"Not a zip file."_s;
            if (gerror) {
                g_error_free(gerror);
            }
            return fail(why);
        }
        Unpacker unpacker;
        const bool ok = unpacker.unpack(package, QByteArray(), 0, &parts);
        g_object_unref(package);
        if (!ok) {
            return fail(unpacker.error);
        }
    }
    PackageParts out;
    for (Part& part : parts) {
        if (IsXml(part.name) && !WellFormed(part.bytes)) {
            return fail(u"The part %1 is not well-formed XML."_s.arg(QString::fromUtf8(part.name)));
        }
        out[part.name] = std::move(part.bytes);
    }
    return out;
}

} // namespace morvalen
