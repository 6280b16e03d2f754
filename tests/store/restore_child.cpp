// Runs one restore and exits: the program the crash test kills part way through. It restores
// in steps, as the backup window does.
#include "store/Backup.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        return 2;
    }
    const auto outcome = morvalen::RestoreBackup(args[1], args[2], nullptr, [] {});
    return outcome == morvalen::RestoreOutcome::Restored ? 0 : 1;
}
