#include "shell/Startup.h"

#include "shell/MessageBox.h"
#include "store/DatabaseCheck.h"
#include "store/ProgramFolder.h"
#include "store/SchemaUpgrade.h"

namespace morvalen {

using namespace Qt::StringLiterals;

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
