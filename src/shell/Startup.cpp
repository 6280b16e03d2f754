#include "shell/Startup.h"

#include "shell/MessageBox.h"
#include "shell/PersianDateText.h"
#include "shell/ServerLogin.h"
#include "store/DatabaseCheck.h"
#include "store/FolderLock.h"
#include "store/ProgramFolder.h"
#include "store/SchemaUpgrade.h"

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// Asks whether to open this once on the local database; false means the program ends.
bool StartOnLocal(const QString& folder, const QString& why) {
    const auto answer = MessageBox::question(
        nullptr, u"خطا"_s,
        why +
            u"\r\n\r\nآيا برنامه اين بار با بانك اطلاعات همين رايانه باز شود؟ اگر نه، برنامه بسته مي شود."_s,
        QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        return false;
    }
    SetLocalForSession(folder, true);
    return true;
}

// Reaches the database the connection file names: the local file as it is, or the clinic's
// server, asking for its password when it wants one. A server that cannot be reached is
// tried again as often as the user asks; the local file is used instead only when the user
// says so. False when the program is to end.
bool ReachChosenDatabase(const QString& folder) {
    SetLocalForSession(folder, false);
    QString why;
    const std::optional<DatabaseChoice> choice = ReadDatabaseChoice(folder, &why);
    if (!choice) {
        return StartOnLocal(folder, u"فايل «%1» در پوشه برنامه خراب است و معلوم نيست برنامه با كدام پايگاه "
                                    u"داده كار كند.\r\n%2\r\n\r\nدر تنظيمات مي توانيد پايگاه داده را دوباره "
                                    u"انتخاب كنيد."_s.arg(ConnectionFileName(), why));
    }
    if (!choice->isServer()) {
        return true;
    }
    const ServerConnection& server = choice->server;
    const QString where = u"پايگاه داده «%1» روي سرور «%2»"_s.arg(server.database, ServerAddressText(server));
    for (;;) {
        ServerLogin login = LogInToServer(nullptr, server);
        if (login.cancelled) {
            return StartOnLocal(folder, u"بدون رمز عبور، %1 باز نمي شود."_s.arg(where));
        }
        if (login.db) {
            int version = 0;
            if (ReadServerState(*login.db, &version) == ServerState::Empty) {
                return StartOnLocal(folder, where + u" خالي است.\r\nبراي كار با سرور، از تنظيمات برنامه "
                                                    u"«انتقال اطلاعات اين رايانه به سرور» را بزنيد."_s);
            }
            return true;
        }
        const auto answer = MessageBox::question(
            nullptr, u"خطا"_s,
            u"اتصال به سرور «%1» برقرار نشد.\r\n%2\r\n\r\nآيا دوباره تلاش شود؟ اگر نه، برنامه بسته مي شود."_s
                .arg(ServerAddressText(server), login.error.trimmed()));
        if (answer != QMessageBox::Yes) {
            return false;
        }
    }
}

// Holds the data folder for this program, so two programs never work on one set of
// databases; false, after telling the user who holds it, when another program does.
bool HoldFolderForThisProgram(const QString& folder) {
    FolderHolder holder;
    if (HoldDataFolder(folder, &holder)) {
        return true;
    }
    const QDateTime since = holder.since.toLocalTime();
    const QString when = since.isValid()
                             ? PersianDateText(since.date()) + u" ساعت "_s + since.toString(u"HH:mm"_s)
                             : u"نامعلوم"_s;
    MessageBox::critical(
        nullptr, u"خطا"_s,
        u"برنامه ديگري با همين اطلاعات باز است:\r\nرايانه: %1\r\nكاربر: %2\r\nاز: %3\r\n%4\r\n\r\n"
        u"دو برنامه نبايد همزمان با يك بانك اطلاعات كار كنند. اگر چند رايانه با هم كار مي كنند، از سرور "
        u"پايگاه داده مطب استفاده كنيد (تنظيمات، «پايگاه داده»).\r\n\r\nبرنامه بسته مي شود."_s.arg(
            holder.computer.isEmpty() ? u"نامعلوم"_s : holder.computer,
            holder.user.isEmpty() ? u"نامعلوم"_s : holder.user, when, folder));
    return false;
}

} // namespace

std::optional<QString> OpenProgramFolder(const StartupFolders& folders) {
    QString error;
    const QString folder =
        PrepareProgramFolder(folders.executableFolder, folders.userDataFolder, folders.seedFolder, &error);
    if (folder.isEmpty()) {
        MessageBox::critical(nullptr, u"خطا"_s,
                             u"پوشه اطلاعات برنامه ساخته نشد:\r\n%1\r\n\r\nبرنامه بسته مي شود."_s.arg(error));
        return std::nullopt;
    }
    if (!HoldFolderForThisProgram(folder)) {
        return std::nullopt;
    }
    // A sound main database of an earlier release is brought to this release's schema; one
    // of a newer release is refused as it is.
    QString problem = CheckProgramDatabases(folder);
    if (problem.isEmpty() && !ReachChosenDatabase(folder)) {
        return std::nullopt;
    }
    if (problem.isEmpty()) {
        problem = UpgradeProgramDatabase(folder);
    }
    if (!problem.isEmpty()) {
        MessageBox::critical(nullptr, u"خطا"_s, problem);
        return std::nullopt;
    }
    return folder;
}

} // namespace morvalen
