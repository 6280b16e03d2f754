#include "reports/WorkbookPackage.h"

#include "reports/WorkbookFile.h"

#include <QXmlStreamReader>

#include <gsf/gsf-infile-zip.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-outfile-zip.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
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

// Writes one part into a folder of the new package, making the folders on its path.
class Packer {
public:
    explicit Packer(GsfOutfile* root) : m_root(root) {}
    ~Packer() {
        for (auto it = m_folders.rbegin(); it != m_folders.rend(); ++it) {
            gsf_output_close(GSF_OUTPUT(it->second));
            g_object_unref(it->second);
        }
    }

    bool add(const Part& part) {
        const QList<QByteArray> steps = part.name.split('/');
        GsfOutfile* folder = m_root;
        QByteArray path;
        for (qsizetype i = 0; i + 1 < steps.size(); ++i) {
            path += steps[i] + '/';
            folder = folderFor(path, folder, steps[i]);
            if (!folder) {
                return false;
            }
        }
        GsfOutput* out =
            gsf_outfile_new_child_full(folder, steps.back().constData(), FALSE, "compression-level",
                                       GSF_ZIP_STORED, static_cast<void*>(nullptr));
        if (!out) {
            return false;
        }
        const bool ok = (part.bytes.isEmpty() ||
                         gsf_output_write(out, static_cast<size_t>(part.bytes.size()),
                                          reinterpret_cast<const guint8*>(part.bytes.constData()))) &&
                        gsf_output_close(out);
        g_object_unref(out);
        return ok;
    }

private:
    GsfOutfile* folderFor(const QByteArray& path, GsfOutfile* parent, const QByteArray& name) {
        for (const auto& [known, folder] : m_folders) {
            if (known == path) {
                return folder;
            }
        }
        if (name.isEmpty()) {
            return nullptr;
        }
        GsfOutput* made = gsf_outfile_new_child(parent, name.constData(), TRUE);
        if (!made) {
            return nullptr;
        }
        m_folders.emplace_back(path, GSF_OUTFILE(made));
        return GSF_OUTFILE(made);
    }

    GsfOutfile* m_root;
    std::vector<std::pair<QByteArray, GsfOutfile*>> m_folders;
};

} // namespace

std::optional<QByteArray> CheckedPackage(const QByteArray& zip, QString* error) {
    EnsureGsf();
    const auto fail = [error](const QString& why) -> std::optional<QByteArray> {
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
    for (const Part& part : parts) {
        if (IsXml(part.name) && !WellFormed(part.bytes)) {
            return fail(u"The part %1 is not well-formed XML."_s.arg(QString::fromUtf8(part.name)));
        }
    }

    GsfOutput* sink = gsf_output_memory_new();
    GsfOutfile* out = gsf_outfile_zip_new(sink, nullptr);
    bool ok = out != nullptr;
    if (out) {
        Packer packer(out);
        for (const Part& part : parts) {
            ok = ok && packer.add(part);
        }
    }
    if (out) {
        ok = gsf_output_close(GSF_OUTPUT(out)) && ok;
        g_object_unref(out);
    }
    std::optional<QByteArray> result;
    if (ok) {
        result =
            QByteArray(reinterpret_cast<const char*>(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink))),
                       static_cast<qsizetype>(gsf_output_size(sink)));
    }
    g_object_unref(sink);
    if (!result) {
        return fail(u"The package cannot be packed again."_s);
    }
    return result;
}

} // namespace morvalen
