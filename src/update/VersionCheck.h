#pragma once

#include "shell/Context.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

class QNetworkAccessManager;
#include <QNetworkReply>

namespace morvalen {

// Where the update server keeps the published version number and the installer.
QUrl VersionFileAddress(const Context& context);
QUrl InstallerAddress(const Context& context);
// This program's version as the server's number is compared with it (4.3 is 43).
double OwnVersion();
// The program's title and version, "Morvalen 4.3".
QString VersionCaption();

// What the version file says of the installer beside the version number: its length in bytes
// and its SHA-256 in hexadecimal (docs/version-file.md). A download is started only when it
// matches both.
struct PublishedInstaller {
    qint64 size = -1;
    QByteArray sha256; // 64 lower-case hexadecimal digits; empty when not published
    bool known() const { return size >= 0 && sha256.size() == 64; }
};

// Reads the installer's lines of a version file; what is missing or malformed stays unknown.
PublishedInstaller ReadPublishedInstaller(const QByteArray& versionFile);

// Asks the update server for the published version number, without blocking the window.
class VersionCheck : public QObject {
    Q_OBJECT

public:
    enum class Outcome { Newer, NotNewer, Failed };
    Q_ENUM(Outcome)

    explicit VersionCheck(QObject* parent = nullptr);
    ~VersionCheck() override;

    // One request; finished follows exactly once, unless the check is deleted first.
    void start(const QUrl& address, int timeoutMs, double ownVersion);
    bool isRunning() const { return m_reply != nullptr; }
    // The installer's size and hash from the last version file read.
    const PublishedInstaller& installer() const { return m_installer; }

signals:
    // Failed when no server answered, the answer was an error status or it came too late.
    void finished(morvalen::VersionCheck::Outcome outcome, double serverVersion);

private:
    void onFinished();

    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    double m_ownVersion = 0;
    PublishedInstaller m_installer;
};

} // namespace morvalen
