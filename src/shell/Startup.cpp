#include "shell/Startup.h"

#include "shell/MessageBox.h"
#include "shell/ServerLogin.h"
#include "store/DatabaseCheck.h"
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
