#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QUrl>

#include <functional>

namespace morvalen {

// What every window needs from its surroundings. main() fills it with the real values;
// tests give a temporary folder, a fixed date, short timers and a local server.
struct Context {
    struct Intervals {
        int timedMessageMs = 1000; // the self-closing message box
        int registryMs = 3000;     // the registry's new-examinee and delete timers
        int sheetLoadMs = 2000;    // the answer sheet's delayed load
        int versionProbeMs = 500;  // the main window's one-shot update check
        int clockMs = 1000;        // the backup window's clock

        // How long the update server may stay silent before a request counts as failed.
        int networkTimeoutMs = 15000;
    };

    QString programFolder;   // the three databases, "Styles", "ATaf.fr3" and the logo
    QString documentsFolder; // where the Word report goes on systems without drive C
    QUrl updateBaseUrl;      // the maker's web server (a placeholder until the real address is known)
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    Intervals intervals;

    QDate today() const { return now().date(); }
    // A file of the program folder by its fixed name.
    QString file(const QString& name) const { return programFolder + u'/' + name; }

    static Context Production(const QString& programFolder);
};

} // namespace morvalen
