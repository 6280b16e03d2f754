// Stores answers one commit at a time in a given journal mode and says "stored N" after each
// commit has returned: the program the journal-mode benchmark kills part way through. Given
// a count, it stops after that many commits and waits, holding its connection open, until its
// input closes.
#include "JournalWrites.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

using namespace morvalen;
using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        return 2;
    }
    const long long limit = args.size() > 3 ? args[3].toLongLong() : -1;
    auto db = Database::open(args[1], Database::Mode::ReadWrite);
    if (!db || !db->exec(u"PRAGMA journal_mode="_s + args[2])) {
        return 3;
    }
    AnswerStore answers(*db);
    for (long long n = 1; limit < 0 || n <= limit; ++n) {
        if (!answers.setCell(u"1"_s, JournalItem(n), QString::number(JournalValue(n)))) {
            return 4;
        }
        std::printf("stored %lld\n", n);
        std::fflush(stdout);
    }
    std::printf("idle\n");
    std::fflush(stdout);
    std::getchar();
    return 0;
}
