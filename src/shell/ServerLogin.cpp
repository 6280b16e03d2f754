#include "shell/ServerLogin.h"

#include "shell/InputDialog.h"
#include "store/SchemaUpgrade.h"
#include "store/ServerSchema.h"

namespace morvalen {

using namespace Qt::StringLiterals;

ServerLogin LogInToServer(QWidget* parent, const ServerConnection& server) {
    ServerLogin login;
    const QString before = SessionPassword(server);
    bool asked = false;
    for (;;) {
        login.db = Database::openServer(server, &login.error);
        if (login.db || !IsMissingPasswordError(login.error)) {
            return login;
        }
        // Asked once already and refused again: the typed password was wrong.
        const QString wrong = asked ? u"رمز عبور درست نبود.\r\n"_s : QString();
        const auto typed = InputDialog::getPassword(
            parent, u"رمز عبور سرور"_s,
            wrong + u"رمز عبور كاربر «%1» براي پايگاه داده «%2» روي سرور «%3»:"_s.arg(
                        server.user, server.database, ServerAddressText(server)));
        if (!typed) {
            SetSessionPassword(server, before);
            login.cancelled = true;
            return login;
        }
        asked = true;
        SetSessionPassword(server, *typed);
    }
}

ServerState ReadServerState(Database& db, int* version, QString* error) {
    *version = -1;
    bool empty = false;
    if (!IsEmptyServerDatabase(db, &empty, error)) {
        return ServerState::Foreign;
    }
    if (empty) {
        return ServerState::Empty;
    }
    if (!ReadServerSchemaVersion(db, version, error)) {
        return ServerState::Foreign;
    }
    if (*version == CurrentSchemaVersion()) {
        return ServerState::Current;
    }
    return *version < CurrentSchemaVersion() ? ServerState::Older : ServerState::Newer;
}

QString ServerStateText(ServerState state, int version) {
    switch (state) {
    case ServerState::Empty:
        return u"پايگاه داده خالي است؛ مي توانيد اطلاعات اين رايانه را به آن منتقل كنيد."_s;
    case ServerState::Current:
        return u"پايگاه داده با نسخه همين برنامه ساخته شده است (نسخه %1)."_s.arg(version);
    case ServerState::Older:
        return u"پايگاه داده با نسخه قديمي تري از برنامه ساخته شده است (نسخه %1)؛ "
               u"در اجراي بعدي برنامه به روز مي شود."_s.arg(version);
    case ServerState::Newer:
        return u"پايگاه داده با نسخه جديدتري از برنامه ساخته شده است (نسخه %1)؛ "
               u"نسخه جديد برنامه را نصب كنيد."_s.arg(version);
    case ServerState::Foreign:
        break;
    }
    return u"پايگاه داده جدول هايي دارد كه از اين برنامه نيست؛ از آن استفاده نمي شود."_s;
}

} // namespace morvalen
