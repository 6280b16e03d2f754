#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

typedef struct _GsfOutput GsfOutput;
class QSaveFile;

namespace morvalen {

// Where a workbook is written before it takes the place of the chosen file: beside it, so
// the last step is a rename on the same disk.
QString PartialFileName(const QString& path);

// Readies libgsf once. Its complaints about damaged files go nowhere: the caller reports the
// failure, and a damaged file is an everyday event, not a program error.
void EnsureGsf();

// A file name as libgsf (GLib) and libxlsxwriter take it: UTF-8 on every system, which on
// Windows they turn into the wide-character name, so Persian folder names work there too.
QByteArray LibraryFileName(const QString& path);

// Puts the finished temporary file in place of the target, replacing an older file of that
// name in one step. On failure the temporary file is removed and the old file stays.
bool ReplaceWithFile(const QString& temporary, const QString& target, QString* error);

// Writes the bytes to the file in one step (QSaveFile: a temporary file beside it, renamed
// at the end). On failure (a full disk, an unwritable folder) the old file stays and the
// temporary file is removed.
bool SaveBytes(const QString& path, const char* data, qint64 size, QString* error);

// A libgsf output streaming into a temporary file beside the target, put in the target's
// place by commit() only when every write went through. libgsf's own file output is not used:
// it leaves its temporary file behind when the disk is full. (Its zip output must not write
// to a disk at all: see XlsxWriter.)
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

private:
    QSaveFile* m_file = nullptr;
    std::FILE* m_stream = nullptr;
    GsfOutput* m_output = nullptr;
    QString m_error;
};

// libgsf's own description of what went wrong with an output, or the fallback.
QString GsfError(GsfOutput* out, const QString& fallback);

// Why a table of this size does not fit in one sheet ("an .xls sheet holds at most ..."), or
// the empty text when it fits.
QString SheetSizeProblem(int rows, int columns, int maxRows, int maxColumns, const QString& fileKind);

} // namespace morvalen
