#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

typedef struct _GsfOutput GsfOutput;

namespace morvalen {

class CheckedFile;

// Readies libgsf once. Its complaints about damaged files go nowhere: the caller reports the
// failure, and a damaged file is an everyday event, not a program error.
void EnsureGsf();

// A file name as libgsf (GLib) and libxlsxwriter take it: UTF-8 on every system, which on
// Windows they turn into the wide-character name, so Persian folder names work there too.
QByteArray LibraryFileName(const QString& path);

// Writes the bytes to the file through the checked writer. On failure (a full disk, an
// unwritable folder) the old file stays, no temporary file is left, and error says why in
// Persian.
bool SaveBytes(const QString& path, const char* data, qint64 size, QString* error);

// A libgsf output streaming into the checked writer's temporary file, put in the target's
// place by commit() only when every write went through and the size on disk is libgsf's. libgsf's own file
// output is not used: it leaves its temporary file behind when the disk is full. (Its zip output must not
// write to a disk at all: see XlsxWriter.)
class GsfSaveFile {
public:
    explicit GsfSaveFile(const QString& path);
    ~GsfSaveFile();
    GsfSaveFile(const GsfSaveFile&) = delete;
    GsfSaveFile& operator=(const GsfSaveFile&) = delete;

    // The output to write to, or nullptr when the temporary file cannot be made (see error()).
    GsfOutput* output() const { return m_output; }
    // Closes the output and renames the file into place; false with the reason, leaving the
    // old file and no temporary one.
    bool commit(QString* error);
    QString error() const { return m_error; }
    // Writing failed before commit(): drops the temporary file and gives the Persian message,
    // with libgsf's words (detail) at most in brackets.
    QString fail(const QString& detail);

private:
    CheckedFile* m_file = nullptr;
    std::FILE* m_stream = nullptr;
    GsfOutput* m_output = nullptr;
    QString m_error;
};

// Whether the file ends with a zip archive's closing record, as one cut short does not (the
// archives written here carry no comment after it).
bool EndsAsZip(const QString& path);

// libgsf's own description of what went wrong with an output, or the fallback.
QString GsfError(GsfOutput* out, const QString& fallback);

// Why a table of this size does not fit in one sheet ("an .xls sheet holds at most ..."), or
// the empty text when it fits.
QString SheetSizeProblem(int rows, int columns, int maxRows, int maxColumns, const QString& fileKind);

} // namespace morvalen
