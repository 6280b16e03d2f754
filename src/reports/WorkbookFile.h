#pragma once

#include <QByteArray>
#include <QString>

typedef struct _GsfOutput GsfOutput;

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
// temporary file is removed. libgsf writes only into memory: its file output crashes in its
// close when the disk is full.
bool SaveBytes(const QString& path, const char* data, qint64 size, QString* error);
// The same for the bytes of a libgsf memory output.
bool SaveGsfMemory(const QString& path, GsfOutput* memory, QString* error);

// libgsf's own description of what went wrong with an output, or the fallback.
QString GsfError(GsfOutput* out, const QString& fallback);

// Why a table of this size does not fit in one sheet ("an .xls sheet holds at most ..."), or
// the empty text when it fits.
QString SheetSizeProblem(int rows, int columns, int maxRows, int maxColumns, const QString& fileKind);

} // namespace morvalen
