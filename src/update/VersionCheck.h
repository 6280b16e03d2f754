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

signals:
    // Failed when no server answered, the answer was an error status or it came too late.
    void finished(morvalen::VersionCheck::Outcome outcome, double serverVersion);

private:
    void onFinished();

    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    double m_ownVersion = 0;
};

} // namespace morvalen
