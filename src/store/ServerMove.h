#pragma once

#include "store/ServerConnection.h"
#include "store/TableCopy.h"

#include <QString>
#include <QVector>

namespace morvalen {

enum class MoveOutcome {
    Moved,
    NotEmpty,      // the server database already holds tables; nothing was written there
    Unreachable,   // no connection to the server
    LocalNotReady, // the local database cannot be read or is not at this release's version
    CheckFailed,   // the copy did not match the local rows; rolled back, nothing switched
    Failed,        // a write failed; rolled back, nothing switched
};

struct MoveReport {
    MoveOutcome outcome = MoveOutcome::Failed;
    QVector<TableCount> counts;
    qint64 examineesCompared = 0;
    QString error;
};

// Moves this workstation's main database to an empty server database: makes the tables,
// copies every row and checks the row counts and every examinee's answers and scores on both
// sides, all in one transaction; only when all agree is it committed and the program folder's
// connection file switched to the server. The local file is left as it was.
MoveReport MoveToServer(const QString& programFolder, const ServerConnection& server);

// A Persian sentence for the user about a move that did not succeed.
QString MoveFailureMessage(const MoveReport& report);

} // namespace morvalen
