// One workstation of the clinic, as a program of its own: the test starts two at once on the
// same server database.
//   register <programFolder> <count> [ms]   registers count examinees, each with the next code,
//                                            shown ms before it is saved (as a user types)
//   keep <programFolder> <code> <count>     keeps the examinee's sheet count times
//   answer <programFolder> <code> <first> <value> <rounds>
//                                            writes value into every second item from first,
//                                            rounds times over
#include "store/AdministrationStore.h"
#include "store/AnswerStore.h"
#include "store/Database.h"
#include "store/ExamineeStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStringList>
#include <QThread>

#include <cstdio>

using namespace morvalen;
using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        return 2;
    }
    QString error;
    auto db = Database::open(args[2], DatabaseFile::Main, &error);
    if (!db) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 3;
    }
    if (args[1] == u"register") {
        ExamineeStore store(*db);
        const int count = args[3].toInt();
        for (int i = 0; i < count; ++i) {
            Examinee e;
            e.code = store.assignCode();
            if (args.size() > 4) {
                QThread::msleep(args[4].toULong());
            }
            e.fullName = u"آزمودني %1 از %2"_s.arg(i).arg(QCoreApplication::applicationPid());
            if (!store.registerNew(e)) {
                std::fprintf(stderr, "registration %d: %s\n", i, qPrintable(db->lastError()));
                return 1;
            }
        }
        return 0;
    }
    if (args[1] == u"keep" && args.size() == 5) {
        AdministrationStore sheets(*db);
        const int count = args[4].toInt();
        for (int i = 0; i < count; ++i) {
            if (sheets.keep(args[3], u"1403/09/20"_s, QDateTime::currentDateTime()) != KeepOutcome::Kept) {
                std::fprintf(stderr, "keep %d: %s\n", i, qPrintable(db->lastError()));
                return 1;
            }
        }
        return 0;
    }
    if (args[1] == u"answer" && args.size() == 7) {
        AnswerStore answers(*db);
        const int first = args[4].toInt();
        const int rounds = args[6].toInt();
        for (int round = 0; round < rounds; ++round) {
            for (int item = first; item <= kItemCount; item += 2) {
                // The value of the last round is the one asked for; earlier rounds write others.
                const QString value = round + 1 == rounds ? args[5] : QString::number(round % 6 + 1);
                if (!answers.setCell(args[3], item, value)) {
                    std::fprintf(stderr, "item %d: %s\n", item, qPrintable(db->lastError()));
                    return 1;
                }
            }
        }
        return 0;
    }
    return 2;
}
